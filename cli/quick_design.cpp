// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/quick_design.h"

#include "design/boom_range.h"
#include "design/plain_number.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <iomanip>
#include <sstream>

namespace tarvo {
namespace {

using enum Control;

std::string boomOf(const Form& form) {
    if (form.isSelected(Option2)) {
        return "metallic";
    }
    return form.isSelected(Option1) ? "non-metallic" : "not chosen";
}

} // namespace

std::optional<FaultReport> playQuickDesign(const QuickDesign& design, EventTarget& window) {
    if (auto fault = window.type(design.frequency)) {
        return fault;
    }
    const bool metallic =
        design.boom == QuickDesign::Boom::Metallic || design.inchEntry || design.millimetreEntry;
    if (metallic || design.boom == QuickDesign::Boom::NonMetallic) {
        if (auto fault = window.click(metallic ? Option2 : Option1)) {
            return fault;
        }
    }
    if (design.inchEntry) {
        if (auto fault = window.select(List1, *design.inchEntry)) {
            return fault;
        }
    }
    if (design.millimetreEntry) {
        if (auto fault = window.select(List2, *design.millimetreEntry)) {
            return fault;
        }
    }
    if (auto fault = window.click(Command1)) {
        return fault;
    }
    if (design.metric) {
        return window.click(Command4);
    }
    return std::nullopt;
}

std::string tableReport(const Form& form, const std::vector<TableTexts::Row>& added) {
    std::ostringstream out;
    const std::string unit = form.text(Text29);
    out << "TARVO design for " << form.text(Text17) << " MHz, boom " << boomOf(form)
        << ", lengths in " << unit << "\n\n";
    out << std::left << std::setw(12) << "ELEMENT" << std::setw(10) << "LENGTH" << std::setw(10)
        << "SPACING"
        << "BOOM POSITION\n";
    for (const TableRow& row : tableRows()) {
        out << std::setw(12) << row.caption << std::setw(10) << form.text(row.length)
            << std::setw(10) << (row.spacing ? form.text(*row.spacing) : "")
            << form.text(row.position) << '\n';
    }
    for (const TableTexts::Row& row : added) {
        out << std::setw(12) << row.element << std::setw(10) << row.length << std::setw(10)
            << row.spacing.value_or("") << row.position << '\n';
    }
    out << "\nREDUCE EACH ADDITIONAL DIRECTOR BY  " << form.text(Text19) << '\n';
    out << "REDUCE EACH ADDITIONAL SPACE BY     " << form.text(Text35) << '\n';
    if (form.isVisible(Text30)) {
        out << "\nNo boom diameter chosen: the directors carry no boom correction.\n";
    }
    return out.str();
}

namespace {

/// The number a text shows, whatever its decimal separator; null for a text that shows none.
nlohmann::ordered_json textNumber(std::string text) {
    for (char& c : text) {
        c = c == ',' ? '.' : c;
    }
    double value{};
    const auto [end, error] = readPlainNumber(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size() ||
        !std::isfinite(value)) {
        return nullptr;
    }
    return value;
}

/// The number a box shows.
nlohmann::ordered_json boxNumber(const Form& form, Control box) {
    return textNumber(form.text(box));
}

nlohmann::ordered_json analysisJson(const analysis::Performance& p) {
    const auto number = [](double value) {
        return std::isfinite(value) ? nlohmann::ordered_json(value)
                                    : nlohmann::ordered_json(nullptr);
    };
    const analysis::DesignPoint& d = p.design;
    nlohmann::ordered_json sweep = nlohmann::ordered_json::array();
    for (const analysis::SweepPoint& s : p.sweep) {
        sweep.push_back(
            {{"frequencyMhz", s.frequencyMhz},
             {"gainDbi", s.gainDbi},
             {"frontToBackDb", s.frontToBackDb},
             {"swr", number(s.swr)},
             {"feedImpedance",
              {{"resistance", s.impedance.real()}, {"reactance", s.impedance.imag()}}}});
    }
    nlohmann::ordered_json band = nullptr;
    if (p.swrBelow2) {
        band = {{"lowMhz", p.swrBelow2->lowMhz},
                {"highMhz", p.swrBelow2->highMhz},
                {"lowAtSweepEnd", p.swrBelow2->lowAtSweepEnd},
                {"highAtSweepEnd", p.swrBelow2->highAtSweepEnd}};
    }
    return {
        {"frequencyMhz", d.frequencyMhz},
        {"wireDiameterMm", p.material.wireDiameterMm},
        {"rodDiameterMm", p.material.rodDiameterMm},
        {"note", "directors without the metallic-boom correction: NEC models no boom"},
        {"forwardGainDbi", d.forwardGainDbi},
        {"frontToBackDb", d.frontToBackDb},
        {"worstRearLobeDbi", d.worstRearLobeDbi},
        {"feedImpedance", {{"resistance", d.impedance.real()}, {"reactance", d.impedance.imag()}}},
        {"swr", number(d.swr)},
        {"efficiencyPercent", d.efficiencyPercent},
        {"forwardMainLobe", d.forwardMainLobe},
        {"beamwidthHorizontalDeg", number(d.azimuthBeamwidthDeg)},
        {"beamwidthVerticalDeg", number(d.elevationBeamwidthDeg)},
        {"extendedThinWireKernel", p.extendedKernel},
        {"sweep", sweep},
        {"sweepPercent", p.sweepPercent},
        {"peakGainMhz", p.peakGainMhz},
        {"peakGainAtSweepEdge", p.peakGainEdge},
        {"lowestSwrMhz", p.lowestSwrMhz},
        {"lowestSwrAtSweepEdge", p.lowestSwrEdge},
        {"swrBelow2", band},
        {"frequencyPrecisionMhz", p.precisionMhz},
        {"notes", p.notes},
        {"warnings", p.warnings},
    };
}

} // namespace

nlohmann::ordered_json trimJson(const TrimOutcome& t, bool metric) {
    nlohmann::ordered_json elements = nlohmann::ordered_json::array();
    const auto rows = stateRows(t.trimmed, metric, t.addedTrimmed);
    const auto changes = trimmedLengths(t, metric);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        elements.push_back({
            {"element", rows[i].element},
            {"length", rows[i].length},
            {"spacing", rows[i].spacing ? nlohmann::ordered_json(*rows[i].spacing)
                                        : nlohmann::ordered_json(nullptr)},
            {"position", rows[i].position},
            {"designedLength", changes[i].designed},
            {"changeMm", changes[i].changeMm},
            {"changePercent", changes[i].changePercent},
        });
    }
    const analysis::TrimParameters& p = t.search.parameters;
    return {
        {"meetsLimits", t.meetsLimits()},
        {"unmetLimits", t.unmet},
        {"unit", metric ? "CM" : "INCHES"},
        {"wireDiameterMm", t.material.wireDiameterMm},
        {"rodDiameterMm", t.material.rodDiameterMm},
        {"elements", elements},
        {"reduceEachAdditionalDirector", rows[6].length - rows[7].length},
        {"reduceEachAdditionalSpace", *rows[6].spacing - *rows[7].spacing},
        {"factors",
         {{"reflector", p.reflector},
          {"driven", p.driven},
          {"directors", p.directors},
          {"directorTaper", p.directorTaper},
          {"addedTaper", p.addedTaper},
          {"addedShape", p.addedShape}}},
        {"before", analysisJson(t.before)},
        {"after", analysisJson(t.after)},
        {"search",
         {{"highestFrontToBackDb", t.search.highestFrontToBackDb},
          {"lowestSwr", t.search.lowestSwr},
          {"help",
           {{"frontToBack", t.search.help.at(0)},
            {"swr", t.search.help.at(1)},
            {"peak", t.search.help.at(2)}}}}},
        {"evaluations", t.search.evaluations},
        {"necRuns", t.search.necRuns},
    };
}

namespace {

nlohmann::ordered_json samplesJson(const std::vector<analysis::ImpedanceSample>& samples) {
    const auto number = [](double value) {
        return std::isfinite(value) ? nlohmann::ordered_json(value)
                                    : nlohmann::ordered_json(nullptr);
    };
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const analysis::ImpedanceSample& s : samples) {
        list.push_back({{"frequencyMhz", s.frequencyMhz},
                        {"resistance", s.impedance.real()},
                        {"reactance", s.impedance.imag()},
                        {"swr", number(analysis::standingWaveRatio(s.impedance))}});
    }
    return list;
}

nlohmann::ordered_json measurementJson(const MeasurementAdvice& a) {
    const workshop::Measurement& m = a.measurement;
    nlohmann::ordered_json line = nullptr;
    if (a.line) {
        line = {{"lengthM", a.line->lengthM},
                {"velocityFactor", a.line->velocityFactor},
                {"z0Ohms", a.line->z0Ohms},
                {"lossy", a.line->lossy()},
                {"lossDbPer100m", a.line->lossDbPer100m},
                {"lossAtMhz", a.line->lossy() ? nlohmann::ordered_json(a.line->lossAtMhz)
                                              : nlohmann::ordered_json(nullptr)}};
    }
    nlohmann::ordered_json fit = nullptr;
    if (a.fit) {
        const analysis::MeasuredFit& f = *a.fit;
        fit = {{"drivenFactor", f.driven},
               {"reflectorFactor", f.reflector},
               {"reflectorFitted", f.reflectorFitted},
               {"reflectorNote", f.reflectorNote},
               {"residual", f.residual},
               {"residualDrivenOnly", f.residualDrivenOnly},
               {"residualAsDesigned", f.residualAsDesigned},
               {"residualWords", fitWords(f.residual)},
               {"atReach", f.atReach},
               {"evaluations", f.evaluations},
               {"necRuns", f.necRuns},
               {"compared", samplesJson(f.measured)},
               {"modelAsDesigned", samplesJson(f.asDesigned)},
               {"modelFitted", samplesJson(f.fitted)}};
    }
    nlohmann::ordered_json loops = nlohmann::ordered_json::array();
    for (const LoopAdvice& l : a.loops) {
        loops.push_back({{"element", l.element},
                         {"factor", l.factor},
                         {"percentLong", (l.factor - 1) * 100},
                         {"measuredMm", l.measuredMm},
                         {"designedMm", l.designedMm},
                         {"cutMm", l.measuredMm - l.designedMm},
                         {"needsChange", l.needsChange()}});
    }
    // Where no cut is advised, the antenna as measured: the fitted model's SWR and the sweep's.
    nlohmann::ordered_json stands = nullptr;
    if (const auto now = asItStands(a, a.expected.design.frequencyMhz);
        now && a.refusal.empty() && !a.advised) {
        stands = {{"frequencyMhz", now->frequencyMhz},
                  {"fittedSwr", now->fittedSwr},
                  {"measuredSwr", now->measuredSwr}};
    }
    return {{"points", m.points.size()},
            {"lowMhz", m.points.front().frequencyMhz},
            {"highMhz", m.points.back().frequencyMhz},
            {"touchstoneVersion", m.version},
            {"parameter", m.parameter},
            {"format", m.format},
            {"referenceOhms", m.referenceOhms},
            {"feedLine", line},
            {"atFeedPoint", samplesJson(a.atFeed)},
            {"fit", fit},
            {"advised", a.advised},
            {"refused", a.refusal.empty() ? nlohmann::ordered_json(nullptr)
                                          : nlohmann::ordered_json(a.refusal)},
            {"loops", a.refusal.empty() ? loops : nlohmann::ordered_json::array()},
            {"fittedLoops", loops},
            {"trimmedDesign", a.trimmedDesign},
            {"asItStands", stands},
            {"expected", analysisJson(a.expected)}};
}

} // namespace

std::string jsonReport(const Form& form, const analysis::Performance* performance,
                       const std::vector<std::string>& warnings, const TrimOutcome* trim,
                       const std::vector<TableTexts::Row>& added,
                       const MeasurementAdvice* measured) {
    nlohmann::ordered_json elements = nlohmann::ordered_json::array();
    for (const TableRow& row : tableRows()) {
        elements.push_back({
            {"element", row.caption},
            {"length", form.text(row.length)},
            {"lengthNumber", boxNumber(form, row.length)},
            {"spacing", row.spacing ? nlohmann::ordered_json(form.text(*row.spacing))
                                    : nlohmann::ordered_json(nullptr)},
            {"spacingNumber",
             row.spacing ? boxNumber(form, *row.spacing) : nlohmann::ordered_json(nullptr)},
            {"position", form.text(row.position)},
            {"positionNumber", boxNumber(form, row.position)},
        });
    }
    for (const TableTexts::Row& row : added) {
        elements.push_back({
            {"element", row.element},
            {"length", row.length},
            {"lengthNumber", textNumber(row.length)},
            {"spacing", row.spacing.value_or("")},
            {"spacingNumber", textNumber(row.spacing.value_or(""))},
            {"position", row.position},
            {"positionNumber", textNumber(row.position)},
        });
    }
    nlohmann::ordered_json report{
        {"frequency", form.text(Text17)},
        {"frequencyNumber", boxNumber(form, Text17)},
        {"unit", form.text(Text29)},
        {"boom", boomOf(form)},
        {"boomCorrectionMissing", form.isVisible(Text30)},
        {"elements", elements},
        {"reduceEachAdditionalDirector", form.text(Text19)},
        {"reduceEachAdditionalDirectorNumber", boxNumber(form, Text19)},
        {"reduceEachAdditionalSpace", form.text(Text35)},
        {"reduceEachAdditionalSpaceNumber", boxNumber(form, Text35)},
        {"warnings", warnings},
    };
    if (performance != nullptr) {
        report["analysis"] = analysisJson(*performance);
    }
    if (trim != nullptr) {
        report["trim"] = trimJson(*trim, form.text(Text29) == "CM");
    }
    if (measured != nullptr) {
        report["measurement"] = measurementJson(*measured);
    }
    return report.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

namespace {

nlohmann::ordered_json studiedJson(const StudiedDesign& s, bool metric, bool meetsLimits) {
    return {
        {"boomWavelengths", s.boomWavelengths},
        {"boom", s.boomInches * (metric ? 2.54 : 1)},
        {"forwardGainDbi", s.performance.design.forwardGainDbi},
        {"frontToBackDb", s.performance.design.frontToBackDb},
        {"swr", std::isfinite(s.performance.design.swr)
                    ? nlohmann::ordered_json(s.performance.design.swr)
                    : nlohmann::ordered_json(nullptr)},
        {"peakGainMhz", s.performance.peakGainMhz},
        {"meetsLimits", meetsLimits},
        {"missedLimits", s.missed},
        {"deck", s.deck.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(s.deck)},
    };
}

} // namespace

std::string boomStudyJson(const Form& form, const std::vector<std::string>& warnings,
                          const BoomStudy& study) {
    nlohmann::ordered_json report =
        nlohmann::ordered_json::parse(jsonReport(form, nullptr, warnings));
    nlohmann::ordered_json rows = nlohmann::ordered_json::array();
    for (const BoomStudyRow& row : study.rows) {
        nlohmann::ordered_json rule = studiedJson(row.rule, study.metric, row.rule.missed.empty());
        rule["analysis"] = analysisJson(row.rule.performance);
        nlohmann::ordered_json trimmed =
            studiedJson(row.trimmed, study.metric, row.trimMeetsLimits);
        trimmed["evaluations"] = row.evaluations;
        trimmed["trim"] = trimJson(row.trim, study.metric);
        rows.push_back({{"directors", row.directors}, {"rule", rule}, {"trimmed", trimmed}});
    }
    report["boomStudy"] = {
        {"frequencyMhz", study.frequencyMhz},
        {"unit", study.metric ? "CM" : "INCHES"},
        {"wireDiameterMm", study.material.wireDiameterMm},
        {"rodDiameterMm", study.material.rodDiameterMm},
        {"limits",
         {{"frontToBackDb", analysis::trimFrontToBackDb},
          {"swr", analysis::trimSwr},
          {"peakPercent", analysis::trimPeakPercent}}},
        {"rows", rows},
    };
    return report.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

} // namespace tarvo
