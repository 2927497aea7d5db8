// SPDX-License-Identifier: GPL-3.0-or-later
// tarvo-cli: the design engine without a window, for scripts. Built for WebAssembly (node) it
// runs nec2c's own WebAssembly module and writes the sheet as SVG only: a browser prints that.
#include "analysis/band.h"
#include "analysis/interrupt.h"
#include "analysis/nec_runner.h"
#include "analysis/number_format.h"
#include "analysis/svg_plot.h"
#include "cli/file_output.h"
#include "cli/quick_design.h"
#include "cli/sheet_render.h"
#include "design/decimal_separator.h"
#include "design/diameter_tables.h"
#include "design/echo.h"
#include "design/number_text.h"
#include "design/operations.h"
#include "plan/analysis.h"
#include "plan/boom_study.h"
#include "plan/long_boom.h"
#include "plan/measurement.h"
#include "plan/plan.h"
#include "plan/trim.h"
#include "plan/workshop.h"
#include "replay/memory_window.h"
#include "replay/output.h"
#include "replay/script.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <iostream>
#include <limits>
#include <map>
#include <optional>
#include <sstream>
#include <unistd.h>

#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#endif

namespace {

constexpr int exitFault = 1;
constexpr int exitUsage = 2;

#ifdef __EMSCRIPTEN__
// node_environment.js has found the separator of the locale that node's environment names.
EM_JS(void, nodeDecimalSeparator, (char* separator, int size),
      { stringToUTF8(Module['decimalSeparator'], separator, size); });
// node opens /dev/null on a standard stream it finds closed before the program starts:
// node_environment.js has told which of them node opened so.
EM_JS(int, nodeFoundClosed, (int fd), { return Module['closedAtStart'][fd] ? 1 : 0; });
// The C library's isatty answers yes for every stream under node.
EM_JS(int, nodeIsTerminal, (int fd), { return require('tty').isatty(fd) ? 1 : 0; });
#endif

/// Whether the trim's progress goes to a terminal (not into a file or a pipe).
bool standardErrorIsTerminal() {
#ifdef __EMSCRIPTEN__
    return nodeIsTerminal(STDERR_FILENO) == 1;
#else
    return ::isatty(STDERR_FILENO) == 1;
#endif
}

/// The decimal separator of the user's numbers, as the environment's locale writes them.
std::string decimalSeparator() {
#ifdef __EMSCRIPTEN__
    std::array<char, 16> separator{};
    nodeDecimalSeparator(separator.data(), static_cast<int>(separator.size()));
    return separator.front() == '\0' ? "." : separator.data();
#else
    return tarvo::userDecimalSeparator();
#endif
}

/// The standard streams as the program found them. A closed one is opened on /dev/null so that
/// no file opened later takes its number, and is remembered: output to a closed standard output
/// is lost output, and a script from a closed standard input cannot be read.
struct StandardStreams {
    bool inputClosed{};
    bool outputClosed{};
};

StandardStreams holdStandardStreams() {
    StandardStreams streams;
    for (const int fd : {0, 1, 2}) {
#ifdef __EMSCRIPTEN__
        if (nodeFoundClosed(fd) == 0) {
            continue;
        }
#else
        if (::fcntl(fd, F_GETFD) >= 0 || errno != EBADF) {
            continue;
        }
#endif
        if (fd == 0) {
            streams.inputClosed = true;
        } else if (fd == 1) {
            streams.outputClosed = true;
        }
#ifndef __EMSCRIPTEN__
        // (node has done so itself.)
        const int opened = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (opened >= 0 && opened != fd) {
            ::dup2(opened, fd);
            ::close(opened);
        }
#endif
    }
    return streams;
}

/// A descriptor closed when the script has been read.
struct ScriptSource {
    int fd{-1};
    bool owned{};
    ~ScriptSource() {
        if (owned) {
            ::close(fd);
        }
    }
};

int runScriptFile(const std::string& path, const std::string& separator, bool inputClosed,
                  std::ostream& out) {
    const std::string where = path == "-" ? "standard input" : tarvo::echoOf(path);
    try {
        ScriptSource source;
        if (path == "-") {
            if (inputClosed) {
                throw tarvo::ScriptError(0, std::string("cannot be read: ") + std::strerror(EBADF));
            }
            source.fd = 0;
        } else {
            source.fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
            if (source.fd < 0) {
                throw tarvo::ScriptError(0, std::string("cannot be read: ") + std::strerror(errno));
            }
            source.owned = true;
        }
        tarvo::MemoryWindow window(separator);
        return tarvo::runScriptFrom(source.fd, window, out) ? exitFault : 0;
    } catch (const tarvo::ScriptError& error) {
        out.flush();
        std::cerr << "tarvo-cli: " << where << ": " << error.what() << '\n';
        return exitUsage;
    }
}

/// What the options ask tarvo-cli to print and write beyond the design table.
struct Outputs {
    bool analyze{};
    bool trim{};
    std::optional<std::vector<int>> boomStudy; ///< the numbers of directors a study looks at
    std::optional<std::string> deckPath;
    std::optional<std::string> plotPath;
    std::optional<double> wireDiameterMm; ///< default: the help text's wire for the band
    std::optional<double> rodDiameterMm;  ///< default: the help text's rods for the band
    std::optional<std::string> sheetPath; ///< .pdf or .svg
    std::optional<std::string> paper;     ///< "a4" or "letter"; default: the locale's
    bool inchSheet{};
    double overhangMm{30};
    std::vector<std::string> exportPaths; ///< .maa, .nec, .csv, .s1p
    std::optional<std::string> symbolicPath;
    std::string decimalSeparator{"."}; ///< the sheet's numbers, as the user writes them
    /// The builder's analyser sweep (--measured), read before anything runs, and the line it
    /// was taken through.
    std::optional<tarvo::workshop::Measurement> measured;
    std::optional<tarvo::workshop::FeedLine> feedLine;

    bool touchstone() const {
        return std::any_of(exportPaths.begin(), exportPaths.end(), [](const std::string& path) {
            return tarvo::exportFormatOf(path) == tarvo::ExportFormat::Touchstone;
        });
    }
    bool files() const {
        return deckPath || plotPath || sheetPath || !exportPaths.empty() || symbolicPath;
    }
    /// Anything that models the design for NEC-2.
    bool modelled() const { return analyze || trim || boomStudy || files() || measured; }
};

struct Outcome {
    std::optional<tarvo::analysis::Performance> performance;
    std::optional<tarvo::TrimOutcome> trim;
    std::optional<tarvo::MeasurementAdvice> measured;
};

/// A file the run writes: which output, where, and what it is called in messages.
struct Written {
    enum class Kind { Deck, Plot, Export, Symbolic, Sheet };
    Kind kind;
    std::string path;
    std::string what;
};

/// Every file the options ask for.
std::vector<Written> outputFiles(const Outputs& outputs) {
    using enum Written::Kind;
    std::vector<Written> files;
    if (outputs.deckPath) {
        files.push_back({Deck, *outputs.deckPath, "NEC deck"});
    }
    if (outputs.plotPath) {
        files.push_back({Plot, *outputs.plotPath, "plot"});
    }
    for (const std::string& path : outputs.exportPaths) {
        files.push_back(
            {Export, path, tarvo::exportWhat(*tarvo::exportFormatOf(path), outputs.trim)});
    }
    if (outputs.symbolicPath) {
        files.push_back({Symbolic, *outputs.symbolicPath, "symbolic NEC deck"});
    }
    if (outputs.sheetPath) {
        files.push_back({Sheet, *outputs.sheetPath, "workshop sheet"});
    }
    return files;
}

/// The content of one of the plan's files, once its figures stand.
std::string contentOf(const Written& file, const tarvo::Plan& plan, const Outputs& outputs,
                      const std::optional<tarvo::analysis::Performance>& performance,
                      const std::optional<tarvo::MeasurementAdvice>& measured,
                      const std::string& necMissing, const tarvo::Job& job) {
    switch (file.kind) {
    case Written::Kind::Deck:
        return tarvo::deckOf(plan);
    case Written::Kind::Plot:
        if (measured) {
            // With a measurement the plot is its overlay on the model.
            std::vector<tarvo::analysis::ImpedanceSample> designed;
            for (const auto& s : measured->expected.sweep) {
                designed.push_back({s.frequencyMhz, s.impedance});
            }
            return tarvo::analysis::svgMeasuredPlot(
                measured->atFeed, measured->fit ? measured->fit->asDesigned : designed,
                measured->fit ? measured->fit->fitted
                              : std::vector<tarvo::analysis::ImpedanceSample>{},
                plan.built().freq);
        }
        return tarvo::analysis::svgPlot(*performance);
    case Written::Kind::Export: {
        const tarvo::ExportFormat format = *tarvo::exportFormatOf(file.path);
        if (tarvo::needsPerformance(format) && !performance) {
            throw tarvo::analysis::AnalysisError("the Touchstone file needs nec2c's sweep: " +
                                                 necMissing);
        }
        if (format == tarvo::ExportFormat::Touchstone && performance->sweep.empty()) {
            throw tarvo::analysis::AnalysisError("the Touchstone file would hold no point: the "
                                                 "analysis has no sweep");
        }
        return tarvo::exportText(plan, format, performance);
    }
    case Written::Kind::Symbolic:
        return tarvo::exportText(plan, tarvo::ExportFormat::SymbolicNec, performance);
    case Written::Kind::Sheet: {
        const tarvo::workshop::SheetContent content =
            tarvo::sheetContent(plan, performance, necMissing, job);
        tarvo::workshop::SheetOptions options;
        options.paper = !outputs.paper               ? tarvo::workshop::localePaper()
                        : *outputs.paper == "letter" ? tarvo::workshop::Paper::Letter
                                                     : tarvo::workshop::Paper::A4;
        options.inches = outputs.inchSheet;
        options.overhangMm = outputs.overhangMm;
        options.decimalSeparator = outputs.decimalSeparator;
        const bool pdf = tarvo::sheetFormatOf(file.path) == tarvo::SheetFormat::Pdf;
        return tarvo::renderSheet(tarvo::workshop::layoutSheet(content, options), pdf);
    }
    }
    return {};
}

/// The analysis or the trim, then every file asked for of the plan (trimmed, after a trim that
/// meets its limits; nothing is filled of lengths that miss them).
Outcome analyseAndWrite(tarvo::Plan plan, const Outputs& outputs, tarvo::StagedFiles& staged) {
    const tarvo::Job job;
    Outcome outcome;
    std::optional<tarvo::analysis::Performance>& performance = outcome.performance;
    std::string necMissing;
    if (outputs.trim) {
        const bool progress = standardErrorIsTerminal();
        outcome.trim =
            tarvo::runTrim(plan, job, [progress](const tarvo::analysis::TrimProgress& p) {
                if (progress) {
                    std::cerr << "\rtarvo-cli: trim: evaluation " << p.evaluation << ", gain "
                              << tarvo::analysis::formatNumber("%.2f", p.gainDbi) << " dBi, F/B "
                              << tarvo::analysis::formatNumber("%.1f", p.frontToBackDb)
                              << " dB, SWR " << tarvo::analysis::formatNumber("%.2f", p.swr)
                              << "   " << std::flush;
                }
            });
        if (progress) {
            std::cerr << '\n';
        }
        tarvo::analysis::throwIfInterrupted();
        if (!outcome.trim->meetsLimits()) {
            return outcome;
        }
        tarvo::acceptTrim(plan, *outcome.trim);
        performance = outcome.trim->after;
        performance->band = outcome.trim->bandAfter;
        if (outputs.measured) {
            // The builder cut the trimmed lengths: the sweep is compared with those.
            outcome.measured =
                tarvo::adviseFromMeasurement(plan, *outputs.measured, outputs.feedLine, job);
        }
    } else if (outputs.measured) {
        outcome.measured =
            tarvo::adviseFromMeasurement(plan, *outputs.measured, outputs.feedLine, job);
        performance = outcome.measured->expected;
    } else if (outputs.analyze || outputs.plotPath || outputs.touchstone()) {
        performance = tarvo::analyse(plan, job);
    } else if (outputs.sheetPath) {
        if (tarvo::analysis::findNec2c().empty()) {
            // The sheet still serves the builder; it says in every NEC-2 figure's place why
            // the figure is missing.
            necMissing = "nec2c needed";
            std::cerr << "tarvo-cli: warning: nec2c is not installed (Debian package nec2c): "
                         "the sheet has no tolerances, stacking distances or NEC-2 figures\n";
        } else {
            performance = tarvo::analyse(plan, job);
        }
    }
    if (performance && !performance->band && outputs.analyze) {
        // The report's verdict: F/B and SWR over the band's grid (the sheet's makes its own).
        performance->band = tarvo::bandVerdict(plan, job);
    }
    tarvo::analysis::throwIfInterrupted();
    const std::vector<Written> files = outputFiles(outputs);
    for (std::size_t i = 0; i < files.size(); ++i) {
        staged.fill(
            i, contentOf(files[i], plan, outputs, performance, outcome.measured, necMissing, job));
    }
    tarvo::analysis::throwIfInterrupted();
    return outcome;
}

/// The boom study: the design table, then per number of directors the rule's design and the
/// trimmed, as a table (or JSON), the plot into --plot's file once every figure stands.
int runStudy(const tarvo::Plan& plan, const tarvo::Form& form,
             const std::vector<std::string>& warnings, const Outputs& outputs, bool json,
             std::ostream& out) {
    const std::vector<int>& counts = *outputs.boomStudy;
    try {
        // A count the rule cannot build is refused before anything runs.
        tarvo::Plan longest = plan;
        tarvo::setDirectors(longest, counts.back());
    } catch (const tarvo::LongBoomError& error) {
        std::cerr << "tarvo-cli: --boom-study: " << error.what() << '\n';
        return exitUsage;
    }
    const tarvo::analysis::InterruptGuard interrupts;
    tarvo::StagedFiles staged;
    try {
        if (outputs.plotPath) {
            staged.reserve(*outputs.plotPath, "boom study plot");
        }
    } catch (const tarvo::FileWriteError& error) {
        std::cerr << "tarvo-cli: " << error.what() << '\n';
        return exitFault;
    }
    if (!json) {
        out << tarvo::tableReport(form, plan.table.added);
        if (!out.flush()) {
            throw tarvo::OutputError("the design table was not written");
        }
    }
    tarvo::BoomStudy study;
    try {
        const bool progress = standardErrorIsTerminal();
        study = tarvo::runBoomStudy(
            plan, counts, tarvo::Job{}, [progress](const tarvo::BoomStudyProgress& p) {
                if (progress) {
                    std::cerr << "\rtarvo-cli: " << p.directors << " directors (" << p.done + 1
                              << " of " << p.total << "): evaluation " << p.trim.evaluation << ", "
                              << tarvo::analysis::formatNumber("%.2f", p.trim.gainDbi)
                              << " dBi, F/B "
                              << tarvo::analysis::formatNumber("%.1f", p.trim.frontToBackDb)
                              << " dB   " << std::flush;
                }
            });
        if (progress) {
            std::cerr << '\n';
        }
        tarvo::analysis::throwIfInterrupted();
        if (outputs.plotPath) {
            staged.fill(0, tarvo::boomStudySvg(study));
        }
    } catch (const tarvo::analysis::AnalysisError& error) {
        out.flush();
        std::cerr << "tarvo-cli: analysis: " << error.readBy(plan.separator) << '\n';
        return exitFault;
    } catch (const tarvo::FileWriteError& error) {
        out.flush();
        std::cerr << "tarvo-cli: " << error.what() << '\n';
        return exitFault;
    }
    out << (json ? tarvo::boomStudyJson(form, warnings, study)
                 : '\n' + tarvo::boomStudyReport(study, plan.separator));
    if (!out.flush()) {
        throw tarvo::OutputError("the boom study was not written");
    }
    tarvo::analysis::throwIfInterrupted();
    try {
        staged.commit();
    } catch (const tarvo::FileWriteError& error) {
        std::cerr << "tarvo-cli: " << error.what() << '\n';
        return exitFault;
    }
    return 0;
}

int runQuickDesign(const tarvo::QuickDesign& design, const tarvo::AnalysisOptions& options,
                   const Outputs& outputs, int directors, bool json, const std::string& separator,
                   std::ostream& out) {
    tarvo::MemoryWindow window(separator);
    const auto fault = tarvo::playQuickDesign(design, window);
    const std::vector<std::string> warnings = tarvo::boomWarnings(window.form(), window.state());
    for (const std::string& warning : warnings) {
        std::cerr << "tarvo-cli: warning: "
                  << tarvo::analysis::withDecimalSeparator(warning, separator) << '\n';
    }
    if (fault) {
        std::cerr << "tarvo-cli: " << fault->message << '\n';
        return exitFault;
    }
    tarvo::Plan plan = tarvo::nextPlan(window.form(), window.state(), std::nullopt);
    plan.analysis = options;
    if (options.band) {
        // Only now is the design frequency known, as the frequency box read it.
        try {
            tarvo::analysis::requireBandFor(*options.band, plan.design.freq, separator);
        } catch (const tarvo::analysis::BandError& error) {
            std::cerr << "tarvo-cli: --band: " << error.what() << '\n';
            return exitUsage;
        }
    }
    try {
        tarvo::setDirectors(plan, directors);
    } catch (const tarvo::LongBoomError& error) {
        std::cerr << "tarvo-cli: --directors: " << error.what() << '\n';
        return exitUsage;
    }
    if (outputs.sheetPath &&
        static_cast<std::size_t>(directors) > tarvo::workshop::mostSheetDirectors) {
        std::cerr << "tarvo-cli: --sheet: the workshop sheet holds at most "
                  << tarvo::workshop::mostSheetDirectors << " directors on its page, not "
                  << directors << '\n';
        return exitUsage;
    }
    if (outputs.wireDiameterMm || outputs.rodDiameterMm) {
        const auto band = tarvo::analysis::recommendedMaterial(plan.design.freq);
        tarvo::chooseMaterials(plan, {outputs.wireDiameterMm.value_or(band.wireDiameterMm),
                                      outputs.rodDiameterMm.value_or(band.rodDiameterMm)});
    }
    if (outputs.modelled() || options.segmentsPerWavelength || plan.materials) {
        // Diameters or segments outside NEC-2's model are refused before anything is printed.
        try {
            tarvo::modelOf(plan);
        } catch (const tarvo::analysis::ModelLimitError& error) {
            std::cerr << "tarvo-cli: analysis: " << error.readBy(plan.separator) << '\n';
            return exitUsage;
        } catch (const tarvo::analysis::AnalysisError&) {
            // Reported by the analysis itself, after the design.
        }
    }
    if (outputs.boomStudy) {
        return runStudy(plan, window.form(), warnings, outputs, json, out);
    }
    // From here on a signal is noted, so that the files of the run are left as they were.
    const tarvo::analysis::InterruptGuard interrupts;
    tarvo::StagedFiles staged;
    try {
        // Every output's folder and the sheet's painter are checked before nec2c runs.
        for (const Written& file : outputFiles(outputs)) {
            staged.reserve(file.path, file.what);
        }
        if (outputs.sheetPath &&
            tarvo::sheetFormatOf(*outputs.sheetPath) == tarvo::SheetFormat::Pdf) {
            tarvo::loadSheetPainter();
        }
    } catch (const tarvo::analysis::AnalysisError& error) {
        std::cerr << "tarvo-cli: " << error.readBy(plan.separator) << '\n';
        return exitFault;
    } catch (const tarvo::FileWriteError& error) {
        std::cerr << "tarvo-cli: " << error.what() << '\n';
        return exitFault;
    }
    if (!json) {
        // The design stands on its own: it is printed before an analysis that may fail.
        out << tarvo::tableReport(window.form(), plan.table.added);
        if (!out.flush()) {
            // Nobody reads the report: the analysis is not worth running.
            throw tarvo::OutputError("the design table was not written");
        }
    }
    Outcome outcome;
    try {
        if (outputs.modelled()) {
            outcome = analyseAndWrite(plan, outputs, staged);
        }
    } catch (const tarvo::analysis::AnalysisError& error) {
        out.flush();
        std::cerr << "tarvo-cli: analysis: " << error.readBy(plan.separator) << '\n';
        return exitFault;
    } catch (const tarvo::FileWriteError& error) {
        out.flush();
        std::cerr << "tarvo-cli: " << error.what() << '\n';
        return exitFault;
    }
    const auto& performance = outcome.performance;
    const bool metric = plan.table.metric();
    if (json) {
        out << tarvo::jsonReport(window.form(), performance ? &*performance : nullptr, warnings,
                                 outcome.trim ? &*outcome.trim : nullptr, plan.table.added,
                                 outcome.measured ? &*outcome.measured : nullptr);
    } else {
        if (outcome.trim) {
            out << '\n' << tarvo::trimReport(*outcome.trim, metric, separator);
        }
        if (performance && outputs.analyze) {
            out << '\n' << tarvo::analysis::performanceText(*performance, separator);
        }
        if (outcome.measured) {
            out << '\n' << tarvo::measurementReport(*outcome.measured, metric, separator);
        }
    }
    if (outcome.trim && !outcome.trim->meetsLimits()) {
        out.flush();
        std::cerr << "tarvo-cli: trim: no lengths meet F/B >= 20 dB and SWR <= 1.5 over "
                  << tarvo::analysis::withDecimalSeparator(
                         tarvo::analysis::bandText(outcome.trim->bandAfter.band), separator)
                  << " and a gain peak within 0.5 %; the best found is shown, marked, and "
                     "nothing was written\n";
        return exitFault;
    }
    if (!out.flush()) {
        throw tarvo::OutputError("the report was not written");
    }
    // The whole run succeeded: its files go in place together.
    tarvo::analysis::throwIfInterrupted();
    try {
        staged.commit();
    } catch (const tarvo::FileWriteError& error) {
        std::cerr << "tarvo-cli: " << error.what() << '\n';
        return exitFault;
    }
    return 0;
}

/// The number options as typed; read once the locale's decimal separator is known.
struct NumberTexts {
    std::optional<std::string> wire;
    std::optional<std::string> rod;
    std::string sweep{"3"};
    std::string timeout{"120"};
    std::string overhang{"30"};
    std::optional<std::string> feedlineM;
    std::optional<std::string> velocityFactor;
    std::string feedlineZ0{"50"};
    std::optional<std::string> feedlineLoss;
    std::optional<std::string> band;
};

/// An option's number read as --freq's is, in the user's decimal separator, and refused unless
/// finite and within [low, high] (above low, with `aboveLow`).
double numberOption(const CLI::Option& option, const std::string& text,
                    const std::string& separator, double low, double high, bool aboveLow = false) {
    const std::string name = option.get_name();
    double value = 0;
    try {
        value = tarvo::textToDouble(text, separator);
    } catch (const std::exception&) {
        throw CLI::ValidationError(
            name, "\"" + tarvo::echoOf(text) +
                      "\" is not a number (the decimal separator here is \"" + separator + "\")");
    }
    if (!std::isfinite(value) || value < low || value > high || (aboveLow && value <= low)) {
        const std::string lowest = tarvo::doubleToText(low, separator);
        const std::string highest = tarvo::doubleToText(high, separator);
        throw CLI::ValidationError(name, "\"" + tarvo::echoOf(text) + "\" is not a number " +
                                             (!std::isfinite(high) ? "above " + lowest
                                              : aboveLow ? "above " + lowest + " up to " + highest
                                                         : "from " + lowest + " to " + highest));
    }
    return value;
}

/// No upper bound of its own: NEC-2's thin-wire limits refuse a diameter too thick, with why.
constexpr double unbounded = std::numeric_limits<double>::infinity();

bool endsWithSvg(const std::string& path) {
    return path.size() > 4 && (path.compare(path.size() - 4, 4, ".svg") == 0 ||
                               path.compare(path.size() - 4, 4, ".SVG") == 0);
}

/// CLI11's words about a usage error, each line cut so that no argument is echoed whole.
std::string boundedLines(const std::string& text) {
    constexpr std::size_t longest = 400;
    std::istringstream lines(text);
    std::string bounded;
    for (std::string line; std::getline(lines, line);) {
        // The parser's words quote what was typed: its control characters shown, not obeyed.
        std::string shown;
        for (const char c : line.substr(0, longest)) {
            const auto byte = static_cast<unsigned char>(c);
            shown +=
                byte < 0x20 || byte == 0x7F ? tarvo::echoOf(std::string(1, c)) : std::string(1, c);
        }
        bounded += line.size() > longest ? shown + "..." : shown;
        bounded += '\n';
    }
    return bounded;
}

/// --directors' text: a whole number in decimal digits from 6 to 40, blanks around it allowed.
/// Anything else ("0x13", "19.0", "1e1") is refused rather than read as some number.
int directorsCount(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    const std::size_t last = text.find_last_not_of(" \t");
    const std::string digits =
        first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
    int n = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos ||
        error != std::errc() || end != digits.data() + digits.size() ||
        n < tarvo::fewestDirectors || n > tarvo::mostDirectors) {
        throw CLI::ValidationError("--directors",
                                   "\"" + tarvo::echoOf(text) + "\" is not a whole number from " +
                                       std::to_string(tarvo::fewestDirectors) + " to " +
                                       std::to_string(tarvo::mostDirectors));
    }
    return n;
}

/// The numbers of directors --boom-study asks for: N_MAX (6 ... N_MAX), a list rising
/// ("6,8,12"), or nothing (6 ... 16); each from 6 to 40.
std::vector<int> studyCounts(const std::string& text) {
    if (text.empty()) {
        return tarvo::boomStudyCounts(tarvo::boomStudyDefaultDirectors);
    }
    std::vector<int> counts;
    const char* at = text.data();
    const char* const end = text.data() + text.size();
    while (true) {
        int n = 0;
        const auto [next, error] = std::from_chars(at, end, n);
        if (error != std::errc() || n < tarvo::fewestDirectors || n > tarvo::mostDirectors ||
            (!counts.empty() && n <= counts.back())) {
            throw CLI::ValidationError("--boom-study",
                                       "\"" + tarvo::echoOf(text) +
                                           "\" is not N_MAX or a rising list of numbers of "
                                           "directors, each from 6 to 40");
        }
        counts.push_back(n);
        if (next == end) {
            break;
        }
        if (*next != ',') {
            throw CLI::ValidationError("--boom-study", "\"" + tarvo::echoOf(text) +
                                                           "\": numbers are separated by commas");
        }
        at = next + 1;
    }
    return counts.size() == 1 ? tarvo::boomStudyCounts(counts.front()) : counts;
}

/// Two options that would write the same file: the second would silently replace the first.
void requireDistinctOutputs(const Outputs& asked) {
    std::vector<std::pair<std::string, std::string>> outputs;
    const auto add = [&](const char* option, const std::optional<std::string>& path) {
        if (path) {
            outputs.emplace_back(option, *path);
        }
    };
    add("--nec", asked.deckPath);
    add("--plot", asked.plotPath);
    add("--sheet", asked.sheetPath);
    add("--export-symbolic", asked.symbolicPath);
    for (const std::string& path : asked.exportPaths) {
        outputs.emplace_back("--export", path);
    }
    // The same file by any spelling: "x", "./x", a link to it, a dangling link that names it.
    std::map<std::string, std::size_t> landings;
    for (std::size_t j = 0; j < outputs.size(); ++j) {
        const auto [at, added] = landings.emplace(tarvo::landingPath(outputs[j].second), j);
        if (!added) {
            throw CLI::ValidationError(outputs[at->second].first + " and " + outputs[j].first,
                                       "both would write " + tarvo::echoOf(outputs[j].second) +
                                           "; give each its own file");
        }
    }
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
    tarvo::AnalysisOptions analysis;
    Outputs outputs;
    auto* analyze = app.add_flag("--analyze", outputs.analyze,
                                 "Simulate the design with NEC-2 (needs nec2c): gain, "
                                 "front-to-back ratio, feed impedance, SWR, beamwidths, and a "
                                 "sweep around the design frequency");
    auto* deck =
        app.add_option("--nec", outputs.deckPath, "Write the design's NEC-2 card deck to FILE");
    auto* plot = app.add_option("--plot", outputs.plotPath,
                                "Draw the horizontal pattern and gain and SWR against frequency "
                                "into FILE.svg (runs nec2c)")
                     ->check(CLI::Validator(
                         [](const std::string& path) {
                             return endsWithSvg(path) ? std::string()
                                                      : "the plot is written as SVG, into FILE.svg";
                         },
                         "FILE.svg"));
    // Numbers are taken as texts and read as --freq is, in the user's decimal separator.
    NumberTexts numbers;
    auto* wire = app.add_option("--wire-mm", numbers.wire,
                                "Loop wire diameter in mm (default: the help text's wire for "
                                "the nearest of 144, 432, 906, 1296 MHz)")
                     ->type_name("MM");
    auto* rod = app.add_option("--rod-mm", numbers.rod,
                               "Director rod diameter in mm (default: the help text's rods)")
                    ->type_name("MM");
    auto* segments =
        app.add_option("--segments-per-wavelength", analysis.segmentsPerWavelength,
                       "NEC segments a wavelength, odd on every wire (default: the most, up to "
                       "40, that keep every segment 8 radii long; refused outside NEC-2's "
                       "thin-wire limits)")
            ->check(CLI::Range(1, 100000));
    auto* sweep = app.add_option("--sweep", numbers.sweep,
                                 "Sweep +/- PCT % around the design frequency in 0.25 % steps, "
                                 "0 to 20 (0: none)")
                      ->type_name("PCT")
                      ->capture_default_str();
    auto* timeout = app.add_option("--nec-timeout", numbers.timeout,
                                   "Stop nec2c after SECONDS (0.001 to 86400) and fail the "
                                   "analysis")
                        ->type_name("SECONDS")
                        ->capture_default_str();
    auto* sheet =
        app.add_option("--sheet", outputs.sheetPath,
                       "Draw the workshop sheet into FILE.pdf or FILE.svg: the "
                       "dimensioned drawing, cut list, tolerances from NEC-2 (nec2c "
                       "runs) and stacking distances")
            ->check(CLI::Validator(
                [](const std::string& path) {
                    const auto format = tarvo::sheetFormatOf(path);
#ifdef __EMSCRIPTEN__
                    if (format == tarvo::SheetFormat::Pdf) {
                        return std::string("this tarvo-cli writes the sheet as .svg; a "
                                           "browser prints that to PDF");
                    }
#endif
                    return format ? std::string() : "the sheet is written as .pdf or .svg";
                },
                "FILE.pdf|FILE.svg"));
    auto* paper = app.add_option("--paper", outputs.paper,
                                 "The sheet's paper, a4 or letter (default: the locale's)")
                      ->check(CLI::IsMember({"a4", "letter"}));
    auto* inchSheet = app.add_flag("--inch-sheet", outputs.inchSheet,
                                   "The sheet in inches, to 1/16 beside the decimal figure "
                                   "(default: millimetres)");
    auto* overhang = app.add_option("--overhang-mm", numbers.overhang,
                                    "Boom beyond the reflector and beyond the last director, mm "
                                    "(0 to 10000)")
                         ->type_name("MM")
                         ->capture_default_str();
    auto* exports =
        app.add_option("--export", outputs.exportPaths,
                       "Write the design for other tools into FILE, the format from its "
                       "extension: .maa (MMANA-GAL), .nec (NEC-2 deck), .csv (the design table), "
                       ".s1p (Touchstone, runs nec2c); may be given more than once")
            ->check(CLI::Validator(
                [](const std::string& path) {
                    return tarvo::exportFormatOf(path)
                               ? std::string()
                               : "the export's format comes from its extension: .maa, .nec, "
                                 ".csv or .s1p";
                },
                "FILE.EXT"));
    auto* symbolic = app.add_option("--export-symbolic", outputs.symbolicPath,
                                    "Write a NEC-2 deck with SY variables for every length, "
                                    "spacing, radius and the frequency into FILE.nec");
    auto* trimFlag = app.add_flag("--trim", outputs.trim,
                                  "Trim the lengths with NEC-2 (nec2c) for the wire and rods of "
                                  "--wire-mm and --rod-mm: F/B >= 20 dB, SWR <= 1.5, the gain "
                                  "peak within 0.5 % of the design frequency, the gain as high "
                                  "as these allow; spacings stay (beyond DIR 6 each is held at the "
                                  "DIR 5-DIR 6 spacing). The other outputs then use the "
                                  "trimmed design");
    auto* bandOption =
        app.add_option("--band", numbers.band,
                       "The band in MHz, LOW-HIGH in your decimal separator (e.g. 143.9-144.4), "
                       "over which F/B >= 20 dB and SWR <= 1.5 must hold for --trim and "
                       "--boom-study and are judged by --analyze and --sheet, checked by "
                       "nec2c every 0.05 % of the design frequency and at both ends; it must hold "
                       "the design frequency and reach at most 5 % from it (default: the design "
                       "frequency +-0.25 %)")
            ->type_name("LOW-HIGH");
    int directors = tarvo::fewestDirectors;
    std::string directorsText;
    auto* directorsOption =
        app.add_option("--directors", directorsText,
                       "Directors, 6 to 40: DIR 7 on by the table's rule (each director shorter "
                       "by REDUCE EACH ADDITIONAL DIRECTOR BY, each spacing by REDUCE EACH "
                       "ADDITIONAL SPACE BY, from the texts shown); every output uses them all. "
                       "Refused where a director would be shorter than 0.3 wavelength or closer "
                       "than 0.05 wavelength to the one before")
            ->type_name("N");
    std::optional<std::string> boomStudyText;
    auto* boomStudy =
        app.add_option("--boom-study", boomStudyText,
                       "Does a longer boom pay? For 6 ... N_MAX directors (6 to 40, default 16; or "
                       "a rising list such as 6,8,12), NEC-2's gain, F/B and SWR and the boom "
                       "length of the table's rule and of that design trimmed for --wire-mm and "
                       "--rod-mm, as a table (or --json); --plot FILE.svg draws gain and F/B "
                       "against boom length")
            ->expected(0, 1)
            ->type_name("[N_MAX|N,N,...]");
    auto* script = app.add_option("--script", scriptPath,
                                  "Replay the event script FILE ('-' for standard input): one "
                                  "event a line, 'type TEXT', 'click Option1|Option2|Command1|"
                                  "Command4', 'select List1|List2 ENTRY', 'dump'; blank lines "
                                  "and lines starting with # are skipped");
    std::optional<std::string> measuredPath;
    auto* measured =
        app.add_option("--measured", measuredPath,
                       "Compare the analyser sweep FILE.s1p (Touchstone 1.x or 2.0, one port) "
                       "with the design's NEC-2 model (with --trim, the trimmed design's), fit "
                       "the loop lengths that explain it (nec2c runs) and say what to cut; a "
                       "malformed file, or a point no passive antenna gives (|S11| above 1, a "
                       "negative resistance, also once moved through the feed line), is a "
                       "usage error")
            ->type_name("FILE.s1p");
    auto* feedlineM = app.add_option("--feedline-m", numbers.feedlineM,
                                     "The coax between the analyser and the antenna, metres "
                                     "(0 to 1000): the sweep is moved to the feed point")
                          ->type_name("M");
    auto* velocity = app.add_option("--velocity-factor", numbers.velocityFactor,
                                    "The coax's velocity factor (above 0 up to 1)")
                         ->type_name("V");
    auto* feedlineZ0 = app.add_option("--feedline-z0", numbers.feedlineZ0,
                                      "The coax's characteristic impedance, ohm (1 to 1000)")
                           ->type_name("OHMS")
                           ->capture_default_str();
    auto* feedlineLoss =
        app.add_option("--feedline-loss", numbers.feedlineLoss,
                       "The coax's loss as DB@MHZ: dB per 100 m at MHZ (e.g. 8.5@144), scaled "
                       "with the square root of the frequency (default: lossless)")
            ->type_name("DB@MHZ");
    feedlineM->needs(measured)->needs(velocity);
    velocity->needs(feedlineM);
    feedlineZ0->needs(feedlineM);
    feedlineLoss->needs(feedlineM);
    nonMetallicFlag->excludes(metallicFlag)->excludes(inch)->excludes(mm);
    inch->excludes(mm);
    script->excludes(freq)->excludes(nonMetallicFlag)->excludes(metallicFlag);
    script->excludes(inch)->excludes(mm)->excludes(metric)->excludes(jsonFlag);
    paper->needs(sheet);
    inchSheet->needs(sheet);
    overhang->needs(sheet);
    for (CLI::Option* option :
         {analyze, deck, plot, wire, rod, segments, sweep, timeout, sheet, paper, inchSheet,
          overhang, exports, symbolic, trimFlag, directorsOption, boomStudy}) {
        script->excludes(option);
    }
    // The study makes its own designs and its own plot: it asks for no other output.
    for (CLI::Option* option :
         {analyze, deck, sheet, exports, symbolic, trimFlag, directorsOption, measured}) {
        boomStudy->excludes(option);
    }
    for (CLI::Option* option :
         {measured, feedlineM, velocity, feedlineZ0, feedlineLoss, bandOption}) {
        script->excludes(option);
    }

    // A reader that goes away (`| head`) is a failed write like a full disk: said, exit 1, the
    // staged files removed. At its default, SIGPIPE would end the program on the spot and leave
    // them behind. nec2c is started with the signal at its default again.
    std::signal(SIGPIPE, SIG_IGN);
    const StandardStreams streams = holdStandardStreams();
    tarvo::CheckedOutput outputBuffer(STDOUT_FILENO, streams.outputClosed);
    std::ostream out(&outputBuffer);
    try {
        const std::string separator = decimalSeparator();
        try {
            app.parse(argc, argv);
            if (script->count() == 0 && freq->count() == 0) {
                throw CLI::RequiredError("--freq or --script");
            }
            // Every value is checked before any work: finite, in range, in the user's numbers.
            if (numbers.wire) {
                outputs.wireDiameterMm =
                    numberOption(*wire, *numbers.wire, separator, 0, unbounded, true);
            }
            if (numbers.rod) {
                outputs.rodDiameterMm =
                    numberOption(*rod, *numbers.rod, separator, 0, unbounded, true);
            }
            analysis.sweepPercent = numberOption(*sweep, numbers.sweep, separator, 0, 20);
            analysis.necTimeoutSeconds =
                numberOption(*timeout, numbers.timeout, separator, 0.001, 86400);
            outputs.overhangMm = numberOption(*overhang, numbers.overhang, separator, 0, 10000);
            if (outputs.touchstone() &&
                tarvo::analysis::Sweep{analysis.sweepPercent}.count() == 0) {
                throw CLI::ValidationError("--export FILE.s1p",
                                           "a Touchstone file holds the sweep's points: --sweep " +
                                               numbers.sweep + " leaves it none");
            }
            if (numbers.band) {
                try {
                    analysis.band = tarvo::analysis::readBand(*numbers.band, separator);
                } catch (const tarvo::analysis::BandError& error) {
                    throw CLI::ValidationError("--band", error.what());
                }
                if (!outputs.trim && !outputs.analyze && !outputs.sheetPath &&
                    boomStudy->count() == 0) {
                    throw CLI::ValidationError("--band",
                                               "the band is where F/B and SWR must hold: give "
                                               "it with --trim, --analyze, --sheet or "
                                               "--boom-study");
                }
            }
            if (directorsOption->count() > 0) {
                directors = directorsCount(directorsText);
            }
            requireDistinctOutputs(outputs);
            if (boomStudy->count() > 0) {
                outputs.boomStudy = studyCounts(boomStudyText.value_or(""));
            }
            if (numbers.feedlineM) {
                tarvo::workshop::FeedLine line;
                line.lengthM = numberOption(*feedlineM, *numbers.feedlineM, separator, 0, 1000);
                line.velocityFactor =
                    numberOption(*velocity, *numbers.velocityFactor, separator, 0, 1, true);
                line.z0Ohms = numberOption(*feedlineZ0, numbers.feedlineZ0, separator, 1, 1000);
                if (numbers.feedlineLoss) {
                    const std::string& loss = *numbers.feedlineLoss;
                    const std::size_t at = loss.find('@');
                    if (at == std::string::npos) {
                        throw CLI::ValidationError("--feedline-loss",
                                                   "\"" + tarvo::echoOf(loss) +
                                                       "\" is not DB@MHZ, e.g. 8.5@144");
                    }
                    line.lossDbPer100m =
                        numberOption(*feedlineLoss, loss.substr(0, at), separator, 0, 1000);
                    line.lossAtMhz =
                        numberOption(*feedlineLoss, loss.substr(at + 1), separator, 0, 1e6, true);
                }
                outputs.feedLine = line;
            }
            if (measuredPath) {
                try {
                    outputs.measured = tarvo::workshop::readTouchstoneFile(*measuredPath);
                    if (outputs.feedLine) {
                        tarvo::workshop::requirePassiveThroughLine(
                            *outputs.measured, *outputs.feedLine,
                            "--feedline-m, --velocity-factor, --feedline-z0, --feedline-loss");
                    }
                } catch (const tarvo::workshop::TouchstoneError& error) {
                    std::cerr << "tarvo-cli: --measured " << tarvo::echoOf(*measuredPath) << ": "
                              << error.what() << '\n';
                    return exitUsage;
                }
            }
        } catch (const CLI::CallForHelp& help) {
            std::ostringstream errors;
            const int status = app.exit(help, out, errors);
            tarvo::requireWritten(out, outputBuffer);
            return status;
        } catch (const CLI::ParseError& error) {
            std::ostringstream said;
            app.exit(error, said, said);
            std::cerr << boundedLines(said.str());
            return exitUsage;
        }

        outputs.decimalSeparator = separator;
        int status = 0;
        if (script->count() > 0) {
            status = runScriptFile(scriptPath, separator, streams.inputClosed, out);
        } else {
            design.boom = metallic      ? tarvo::QuickDesign::Boom::Metallic
                          : nonMetallic ? tarvo::QuickDesign::Boom::NonMetallic
                                        : tarvo::QuickDesign::Boom::Unchosen;
            status = runQuickDesign(design, analysis, outputs, directors, json, separator, out);
        }
        tarvo::requireWritten(out, outputBuffer);
        return status;
    } catch (const tarvo::OutputError&) {
        std::cerr << "tarvo-cli: cannot write the output: "
                  << (outputBuffer.failure().empty() ? "the output stream failed"
                                                     : outputBuffer.failure())
                  << '\n';
        return exitFault;
    } catch (const tarvo::analysis::Interrupted& interrupted) {
        std::cerr << "tarvo-cli: " << interrupted.what()
                  << "; any nec2c run was ended and the temporary files removed\n";
        return 128 + interrupted.signal();
    }
}
