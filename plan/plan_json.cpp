// SPDX-License-Identifier: GPL-3.0-or-later
#include "plan/plan_json.h"

#include <nlohmann/json.hpp>

#include <complex>
#include <optional>

namespace tarvo {

using Json = nlohmann::json;

namespace analysis {
NLOHMANN_DEFINE_TYPE_NON_INTRUSIVE(Material, wireDiameterMm, rodDiameterMm)
NLOHMANN_DEFINE_TYPE_NON_INTRUSIVE(AddedDirector, lengthInches, spacingInches)
NLOHMANN_DEFINE_TYPE_NON_INTRUSIVE(Band, lowMhz, highMhz)
} // namespace analysis

NLOHMANN_DEFINE_TYPE_NON_INTRUSIVE(DesignState, ref, dri, dir1, dir2, dir3, dir4, dir5, dir6, freq,
                                   add, rsp, d1sp, d2sp, d3sp, d4sp, d5sp, d6sp, x, c, b)
NLOHMANN_DEFINE_TYPE_NON_INTRUSIVE(AcceptedTrim, design, material, added)
NLOHMANN_DEFINE_TYPE_NON_INTRUSIVE(MaterialChoice, material, bandMhz, everyBand)

namespace workshop {
NLOHMANN_DEFINE_TYPE_NON_INTRUSIVE(FeedLine, lengthM, velocityFactor, z0Ohms, lossDbPer100m,
                                   lossAtMhz)

void to_json(Json& json, const MeasuredPoint& point) {
    json = Json{{"frequencyMhz", point.frequencyMhz},
                {"re", point.impedance.real()},
                {"im", point.impedance.imag()},
                {"line", point.line}};
}
void from_json(const Json& json, MeasuredPoint& point) {
    json.at("frequencyMhz").get_to(point.frequencyMhz);
    point.impedance = {json.at("re").get<double>(), json.at("im").get<double>()};
    json.at("line").get_to(point.line);
}
NLOHMANN_DEFINE_TYPE_NON_INTRUSIVE(Measurement, points, referenceOhms, parameter, format, unit,
                                   version)
} // namespace workshop

namespace {

template <typename T> Json optionalJson(const std::optional<T>& value) {
    return value ? Json(*value) : Json(nullptr);
}

template <typename T> std::optional<T> optionalOf(const Json& json) {
    return json.is_null() ? std::nullopt : std::optional<T>(json.get<T>());
}

Json rowJson(const TableTexts::Row& row) {
    return Json{{"element", row.element},
                {"length", row.length},
                {"spacing", optionalJson(row.spacing)},
                {"position", row.position}};
}

TableTexts::Row rowOf(const Json& json) {
    return {json.at("element").get<std::string>(), json.at("length").get<std::string>(),
            optionalOf<std::string>(json.at("spacing")), json.at("position").get<std::string>()};
}

} // namespace

std::string planToJson(const Plan& plan) {
    Json table{{"unit", plan.table.unit},
               {"rows", Json::array()},
               {"reduceDirector", plan.table.reduceDirector},
               {"reduceSpace", plan.table.reduceSpace},
               {"added", Json::array()}};
    for (const TableTexts::Row& row : plan.table.rows) {
        table["rows"].push_back(rowJson(row));
    }
    for (const TableTexts::Row& row : plan.table.added) {
        table["added"].push_back(rowJson(row));
    }
    const AnalysisOptions& options = plan.analysis;
    const Json analysis{{"segmentsPerWavelength", optionalJson(options.segmentsPerWavelength)},
                        {"sweepPercent", options.sweepPercent},
                        {"necTimeoutSeconds", options.necTimeoutSeconds},
                        {"band", optionalJson(options.band)}};
    Json measurement(nullptr);
    if (plan.measurement) {
        measurement = Json{{"path", plan.measurement->path},
                           {"measurement", plan.measurement->measurement},
                           {"line", optionalJson(plan.measurement->line)}};
    }
    const Json json{{"design", plan.design},
                    {"metallicBoom", plan.metallicBoom},
                    {"warnings", plan.warnings},
                    {"table", table},
                    {"materials", optionalJson(plan.materials)},
                    {"analysis", analysis},
                    {"trim", optionalJson(plan.trim)},
                    {"directors", plan.directors},
                    {"added", plan.added},
                    {"separator", plan.separator},
                    {"measurement", measurement}};
    return json.dump();
}

Plan planFromJson(const std::string& text) {
    try {
        const Json json = Json::parse(text);
        Plan plan;
        json.at("design").get_to(plan.design);
        json.at("metallicBoom").get_to(plan.metallicBoom);
        json.at("warnings").get_to(plan.warnings);
        const Json& table = json.at("table");
        table.at("unit").get_to(plan.table.unit);
        const Json& rows = table.at("rows");
        if (rows.size() != plan.table.rows.size()) {
            throw PlanTextError("the plan's table has " + std::to_string(rows.size()) +
                                " rows, not " + std::to_string(plan.table.rows.size()));
        }
        for (std::size_t i = 0; i < plan.table.rows.size(); ++i) {
            plan.table.rows[i] = rowOf(rows.at(i));
        }
        table.at("reduceDirector").get_to(plan.table.reduceDirector);
        table.at("reduceSpace").get_to(plan.table.reduceSpace);
        for (const Json& row : table.at("added")) {
            plan.table.added.push_back(rowOf(row));
        }
        plan.materials = optionalOf<MaterialChoice>(json.at("materials"));
        const Json& analysis = json.at("analysis");
        plan.analysis.segmentsPerWavelength = optionalOf<int>(analysis.at("segmentsPerWavelength"));
        analysis.at("sweepPercent").get_to(plan.analysis.sweepPercent);
        analysis.at("necTimeoutSeconds").get_to(plan.analysis.necTimeoutSeconds);
        plan.analysis.band = optionalOf<analysis::Band>(analysis.at("band"));
        plan.trim = optionalOf<AcceptedTrim>(json.at("trim"));
        json.at("directors").get_to(plan.directors);
        json.at("added").get_to(plan.added);
        json.at("separator").get_to(plan.separator);
        const Json& measurement = json.at("measurement");
        if (!measurement.is_null()) {
            plan.measurement =
                MeasuredSweep{measurement.at("path").get<std::string>(),
                              measurement.at("measurement").get<workshop::Measurement>(),
                              optionalOf<workshop::FeedLine>(measurement.at("line"))};
        }
        return plan;
    } catch (const Json::exception& error) {
        throw PlanTextError(std::string("not a plan: ") + error.what());
    }
}

} // namespace tarvo
