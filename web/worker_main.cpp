// SPDX-License-Identifier: GPL-3.0-or-later
// The page's worker: the long jobs of a plan (the NEC-2 analysis, the sheet, the exports, the
// trim, the boom study and the comparison with a measurement) away from the page, so that the
// page answers while nec2c runs and Cancel can end a job at once by ending the worker. The
// worker's script hands each request in as JSON text (the plan as plan/plan_json.h writes it)
// and gets the texts back: the reports, the SVGs, the files and, after a trim, the trimmed plan;
// or the fault, in the words tarvo-cli uses. Progress lines go to the page while a job runs.

#include "analysis/band.h"
#include "analysis/geometry.h"
#include "analysis/number_format.h"
#include "analysis/performance.h"
#include "analysis/svg_plot.h"
#include "plan/analysis.h"
#include "plan/boom_study.h"
#include "plan/long_boom.h"
#include "plan/measurement.h"
#include "plan/plan.h"
#include "plan/plan_json.h"
#include "plan/trim.h"
#include "plan/workshop.h"
#include "workshop/sheet.h"
#include "workshop/sheet_svg.h"
#include "workshop/touchstone_reader.h"

#include <emscripten/em_js.h>
#include <emscripten/emscripten.h>

#include <nlohmann/json.hpp>

#include <exception>
#include <optional>
#include <string>
#include <vector>

namespace {

using Json = nlohmann::json;

// clang-format off
EM_JS(void, worker_progress, (const char* text), {
    tarvoProgress(UTF8ToString(text));
});
// clang-format on

void progress(const std::string& text) {
    worker_progress(text.c_str());
}

/// A fault the page shows as it stands.
struct Refused {
    std::string text;
};

std::string trimProgressText(const tarvo::analysis::TrimProgress& p, const std::string& separator) {
    using tarvo::analysis::formatNumber;
    return tarvo::analysis::withDecimalSeparator(
        "Trim: evaluation " + std::to_string(p.evaluation) + ", gain " +
            formatNumber("%.2f", p.gainDbi) + " dBi, F/B " + formatNumber("%.1f", p.frontToBackDb) +
            " dB, SWR " + formatNumber("%.2f", p.swr),
        separator);
}

tarvo::analysis::Performance analysed(const tarvo::Plan& plan, const tarvo::Job& job) {
    progress("NEC-2: the design over its sweep...");
    return tarvo::analyse(plan, job);
}

Json analysis(const tarvo::Plan& plan, const tarvo::Job& job) {
    tarvo::analysis::Performance performance = analysed(plan, job);
    progress("NEC-2: F/B and SWR over the band...");
    performance.band = tarvo::bandVerdict(plan, job);
    return {{"report", tarvo::analysis::performanceText(performance, plan.separator)},
            {"plot", tarvo::analysis::svgPlot(performance)}};
}

Json sheet(const tarvo::Plan& plan, const tarvo::Job& job, const Json& request) {
    const tarvo::analysis::Performance performance = analysed(plan, job);
    progress("NEC-2: the tolerances of the sheet...");
    const tarvo::workshop::SheetContent content =
        tarvo::sheetContent(plan, performance, std::string(), job);
    tarvo::workshop::SheetOptions options;
    options.paper = request.value("paper", "a4") == "letter" ? tarvo::workshop::Paper::Letter
                                                             : tarvo::workshop::Paper::A4;
    options.inches = request.value("inches", false);
    options.decimalSeparator = plan.separator;
    return {{"svg", tarvo::workshop::svgDocument(tarvo::workshop::layoutSheet(content, options))}};
}

Json exported(const tarvo::Plan& plan, const tarvo::Job& job, const Json& request) {
    const std::string name = request.at("file").get<std::string>();
    const std::optional<tarvo::ExportFormat> format = tarvo::exportFormatOf(name);
    if (!format) {
        throw Refused{"no such export: " + name};
    }
    std::optional<tarvo::analysis::Performance> performance;
    if (tarvo::needsPerformance(*format)) {
        performance = analysed(plan, job);
        if (format == tarvo::ExportFormat::Touchstone && performance->sweep.empty()) {
            throw Refused{"the Touchstone file would hold no point: the analysis has no sweep"};
        }
    }
    return {{"text", tarvo::exportText(plan, *format, performance)}};
}

/// The plan with the builder's wire, rods and band for a trim or a study.
tarvo::Plan withMaterials(tarvo::Plan plan, const Json& request) {
    if (request.contains("wireMm") || request.contains("rodMm")) {
        const tarvo::analysis::Material band =
            tarvo::analysis::recommendedMaterial(plan.design.freq);
        tarvo::chooseMaterials(plan, {request.value("wireMm", band.wireDiameterMm),
                                      request.value("rodMm", band.rodDiameterMm)});
    }
    const std::string band = request.value("band", "");
    if (!band.empty()) {
        try {
            const tarvo::analysis::Band read = tarvo::analysis::readBand(band, plan.separator);
            tarvo::analysis::requireBandFor(read, plan.design.freq, plan.separator);
            plan.analysis.band = read;
        } catch (const tarvo::analysis::BandError& error) {
            throw Refused{"Band: " + std::string(error.what())};
        }
    }
    tarvo::modelOf(plan); // diameters outside NEC-2's model are refused before any run
    return plan;
}

Json trim(const tarvo::Plan& given, const tarvo::Job& job, const Json& request) {
    const tarvo::Plan plan = withMaterials(given, request);
    const tarvo::TrimOutcome outcome =
        tarvo::runTrim(plan, job, [&](const tarvo::analysis::TrimProgress& p) {
            progress(trimProgressText(p, plan.separator));
        });
    Json reply{{"report", tarvo::trimReport(outcome, plan.table.metric(), plan.separator)},
               {"meets", outcome.meetsLimits()}};
    if (outcome.meetsLimits()) {
        tarvo::Plan trimmed = plan;
        tarvo::acceptTrim(trimmed, outcome);
        reply["plan"] = tarvo::planToJson(trimmed);
    } else {
        reply["fault"] =
            "no lengths meet F/B >= 20 dB and SWR <= 1.5 over " +
            tarvo::analysis::withDecimalSeparator(tarvo::analysis::bandText(outcome.bandAfter.band),
                                                  plan.separator) +
            " and a gain peak within 0.5 %: the best found is shown, and it cannot be used";
    }
    return reply;
}

Json boomStudy(const tarvo::Plan& given, const tarvo::Job& job, const Json& request) {
    const tarvo::Plan plan = withMaterials(given, request);
    const int most = request.at("directors").get<int>();
    std::vector<int> counts;
    try {
        counts = tarvo::boomStudyCounts(most);
    } catch (const tarvo::LongBoomError& error) {
        throw Refused{error.what()};
    }
    const tarvo::BoomStudy study =
        tarvo::runBoomStudy(plan, counts, job, [&](const tarvo::BoomStudyProgress& p) {
            progress("Boom study: " + std::to_string(p.directors) + " directors (" +
                     std::to_string(p.done + 1) + " of " + std::to_string(p.total) + "); " +
                     trimProgressText(p.trim, plan.separator));
        });
    return {{"report", tarvo::boomStudyReport(study, plan.separator)},
            {"plot", tarvo::boomStudySvg(study)}};
}

Json measured(const tarvo::Plan& plan, const tarvo::Job& job, const Json& request) {
    const std::string name = request.at("name").get<std::string>();
    tarvo::workshop::Measurement measurement;
    std::optional<tarvo::workshop::FeedLine> line;
    if (request.contains("line")) {
        const Json& given = request.at("line");
        tarvo::workshop::FeedLine read;
        read.lengthM = given.at("lengthM").get<double>();
        read.velocityFactor = given.at("velocityFactor").get<double>();
        read.z0Ohms = given.at("z0Ohms").get<double>();
        read.lossDbPer100m = given.value("lossDbPer100m", 0.0);
        read.lossAtMhz = given.value("lossAtMhz", 0.0);
        line = read;
    }
    try {
        measurement = tarvo::workshop::readTouchstone(request.at("text").get<std::string>());
        if (line) {
            tarvo::workshop::requirePassiveThroughLine(measurement, *line,
                                                       "the feed line's length, velocity "
                                                       "factor, impedance and loss");
        }
    } catch (const tarvo::workshop::TouchstoneError& error) {
        throw Refused{name + ": " + error.what()};
    }
    progress("NEC-2: fitting the model to the measurement...");
    const tarvo::MeasurementAdvice advice =
        tarvo::adviseFromMeasurement(plan, measurement, line, job);
    std::vector<tarvo::analysis::ImpedanceSample> designed;
    for (const auto& s : advice.expected.sweep) {
        designed.push_back({s.frequencyMhz, s.impedance});
    }
    const std::string plot = tarvo::analysis::svgMeasuredPlot(
        advice.atFeed, advice.fit ? advice.fit->asDesigned : designed,
        advice.fit ? advice.fit->fitted : std::vector<tarvo::analysis::ImpedanceSample>{},
        plan.built().freq);
    return {{"report", tarvo::measurementReport(advice, plan.table.metric(), plan.separator)},
            {"plot", plot}};
}

std::string run(const std::string& text) {
    std::string separator = ".";
    try {
        const Json request = Json::parse(text);
        const tarvo::Plan plan = tarvo::planFromJson(request.at("plan").get<std::string>());
        separator = plan.separator;
        const tarvo::Job job;
        const std::string kind = request.at("job").get<std::string>();
        Json reply;
        if (kind == "analyze") {
            reply = analysis(plan, job);
        } else if (kind == "sheet") {
            reply = sheet(plan, job, request);
        } else if (kind == "export") {
            reply = exported(plan, job, request);
        } else if (kind == "trim") {
            reply = trim(plan, job, request);
        } else if (kind == "boom-study") {
            reply = boomStudy(plan, job, request);
        } else if (kind == "measured") {
            reply = measured(plan, job, request);
        } else {
            throw Refused{"no such job: " + kind};
        }
        reply["ok"] = true;
        return reply.dump();
    } catch (const Refused& refused) {
        return Json{{"ok", false}, {"fault", refused.text}}.dump();
    } catch (const tarvo::analysis::AnalysisError& error) {
        return Json{{"ok", false}, {"fault", "analysis: " + error.readBy(separator)}}.dump();
    } catch (const std::exception& error) {
        return Json{{"ok", false}, {"fault", error.what()}}.dump();
    }
}

std::string reply;

} // namespace

extern "C" {

/// One job: the request's JSON in, the reply's JSON out (read by the caller at once).
EMSCRIPTEN_KEEPALIVE const char* tarvo_worker_run(const char* request) {
    reply = run(request);
    return reply.c_str();
}
}

int main() {
    return 0;
}
