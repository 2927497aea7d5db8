// tarvo-cli: the design engine without a window, for scripts.
#include "cli/analysis_front.h"
#include "cli/memory_window.h"
#include "cli/quick_design.h"
#include "cli/script.h"
#include "design/diameter_tables.h"
#include "design/operations.h"

#include <CLI/CLI.hpp>

#include <clocale>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <sstream>

namespace {

constexpr int exitFault = 1;
constexpr int exitUsage = 2;

/// The decimal separator of the user's locale; the program itself keeps the "C" locale.
std::string localeSeparator() {
    std::string separator = ".";
    if (std::setlocale(LC_NUMERIC, "") != nullptr) {
        separator = std::localeconv()->decimal_point;
    }
    std::setlocale(LC_NUMERIC, "C");
    return separator.empty() ? "." : separator;
}

std::string readAll(const std::string& path) {
    if (path == "-") {
        return {std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>()};
    }
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
        throw tarvo::ScriptError(0, "it is a folder, not a script");
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        throw tarvo::ScriptError(0, "the script cannot be read");
    }
    std::ostringstream content;
    content << file.rdbuf();
    if (file.bad()) {
        throw tarvo::ScriptError(0, "the script cannot be read");
    }
    return content.str();
}

int runScriptFile(const std::string& path, const std::string& separator) {
    try {
        const auto events = tarvo::parseScript(readAll(path));
        tarvo::MemoryWindow window(separator);
        return tarvo::runScript(events, window, std::cout) ? exitFault : 0;
    } catch (const tarvo::ScriptError& error) {
        std::cerr << "tarvo-cli: " << (path == "-" ? "standard input" : path) << ": "
                  << error.what() << '\n';
        return exitUsage;
    }
}

int runQuickDesign(const tarvo::QuickDesign& design, const tarvo::AnalysisRequest& analysis,
                   bool json, const std::string& separator) {
    tarvo::MemoryWindow window(separator);
    if (const auto fault = tarvo::playQuickDesign(design, window)) {
        std::cerr << "tarvo-cli: " << fault->message << '\n';
        return exitFault;
    }
    std::optional<tarvo::analysis::Performance> performance;
    if (analysis.wanted()) {
        try {
            performance = tarvo::runAnalysis(window.state(), analysis);
        } catch (const tarvo::analysis::AnalysisError& error) {
            std::cerr << "tarvo-cli: analysis: " << error.what() << '\n';
            return exitFault;
        }
    }
    if (json) {
        std::cout << tarvo::jsonReport(window.form(), performance ? &*performance : nullptr);
        return 0;
    }
    std::cout << tarvo::tableReport(window.form());
    if (performance && analysis.analyze) {
        std::cout << '\n' << tarvo::analysis::performanceText(*performance);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app{"TARVO antenna designer without a window.\n\n"
                 "Quick design: types the frequency, chooses the boom and its diameter, presses\n"
                 "COMPUTE (and CONVERT TO METRIC with --metric) and prints the results.\n"
                 "Script mode: replays an event script exactly as the window would run it.\n"
                 "Exit status: 0 done, 1 a design fault (the message is on standard error),\n"
                 "2 a usage error or a malformed script.",
                 "tarvo-cli"};
    tarvo::QuickDesign design;
    bool nonMetallic = false;
    bool metallic = false;
    bool json = false;
    std::string scriptPath;

    auto* freq = app.add_option("--freq", design.frequency,
                                "Design frequency in MHz, typed into the frequency box as it "
                                "stands (e.g. 144)");
    auto* nonMetallicFlag =
        app.add_flag("--nonmetallic", nonMetallic, "Click NON METALLIC BOOM (no correction)");
    auto* metallicFlag = app.add_flag("--metallic", metallic, "Click METALLIC BOOM");
    auto* inch = app.add_option("--inch", design.inchEntry,
                                "Boom diameter from the inch list (implies --metallic)")
                     ->check(CLI::IsMember(tarvo::listEntries(tarvo::Control::List1)));
    auto* mm = app.add_option("--mm", design.millimetreEntry,
                              "Boom diameter from the millimetre list, 19 to 51 (implies "
                              "--metallic)")
                   ->check(CLI::IsMember(tarvo::listEntries(tarvo::Control::List2)));
    auto* metric = app.add_flag("--metric", design.metric, "Then CONVERT TO METRIC (centimetres)");
    auto* jsonFlag = app.add_flag("--json", json, "Print the results as JSON");
    tarvo::AnalysisRequest analysis;
    auto* analyze = app.add_flag("--analyze", analysis.analyze,
                                 "Simulate the design with NEC-2 (needs nec2c): gain, "
                                 "front-to-back ratio, feed impedance, SWR, beamwidths, and a "
                                 "sweep around the design frequency");
    auto* deck =
        app.add_option("--nec", analysis.deckPath, "Write the design's NEC-2 card deck to FILE");
    auto* plot = app.add_option("--plot", analysis.plotPath,
                                "Draw the horizontal pattern and gain and SWR against frequency "
                                "into FILE.svg (runs nec2c)");
    auto* wire = app.add_option("--wire-mm", analysis.wireDiameterMm,
                                "Loop wire diameter in mm (default: the help text's wire for "
                                "the nearest of 144, 432, 906, 1296 MHz)")
                     ->check(CLI::PositiveNumber);
    auto* rod = app.add_option("--rod-mm", analysis.rodDiameterMm,
                               "Director rod diameter in mm (default: the help text's rods)")
                    ->check(CLI::PositiveNumber);
    auto* segments = app.add_option("--segments-per-wavelength", analysis.segmentsPerWavelength,
                                    "NEC segments a wavelength, odd on every wire")
                         ->capture_default_str()
                         ->check(CLI::Range(5, 400));
    auto* sweep = app.add_option("--sweep", analysis.sweepPercent,
                                 "Sweep +/- PCT % around the design frequency in 0.25 % steps "
                                 "(0: none)")
                      ->capture_default_str()
                      ->check(CLI::Range(0.0, 20.0));
    auto* script = app.add_option("--script", scriptPath,
                                  "Replay the event script FILE ('-' for standard input): one "
                                  "event a line, 'type TEXT', 'click Option1|Option2|Command1|"
                                  "Command4', 'select List1|List2 ENTRY', 'dump'; blank lines "
                                  "and lines starting with # are skipped");
    nonMetallicFlag->excludes(metallicFlag)->excludes(inch)->excludes(mm);
    inch->excludes(mm);
    script->excludes(freq)->excludes(nonMetallicFlag)->excludes(metallicFlag);
    script->excludes(inch)->excludes(mm)->excludes(metric)->excludes(jsonFlag);
    for (CLI::Option* option : {analyze, deck, plot, wire, rod, segments, sweep}) {
        script->excludes(option);
    }

    try {
        app.parse(argc, argv);
        if (script->count() == 0 && freq->count() == 0) {
            throw CLI::RequiredError("--freq or --script");
        }
    } catch (const CLI::CallForHelp& help) {
        return app.exit(help);
    } catch (const CLI::ParseError& error) {
        app.exit(error);
        return exitUsage;
    }

    const std::string separator = localeSeparator();
    if (script->count() > 0) {
        return runScriptFile(scriptPath, separator);
    }
    design.boom = metallic      ? tarvo::QuickDesign::Boom::Metallic
                  : nonMetallic ? tarvo::QuickDesign::Boom::NonMetallic
                                : tarvo::QuickDesign::Boom::Unchosen;
    return runQuickDesign(design, analysis, json, separator);
}
