// tarvo-cli: the design engine without a window, for scripts.
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

int runQuickDesign(const tarvo::QuickDesign& design, bool json, const std::string& separator) {
    tarvo::MemoryWindow window(separator);
    if (const auto fault = tarvo::playQuickDesign(design, window)) {
        std::cerr << "tarvo-cli: " << fault->message << '\n';
        return exitFault;
    }
    std::cout << (json ? tarvo::jsonReport(window.form()) : tarvo::tableReport(window.form()));
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
    auto* script = app.add_option("--script", scriptPath,
                                  "Replay the event script FILE ('-' for standard input): one "
                                  "event a line, 'type TEXT', 'click Option1|Option2|Command1|"
                                  "Command4', 'select List1|List2 ENTRY', 'dump'; blank lines "
                                  "and lines starting with # are skipped");
    nonMetallicFlag->excludes(metallicFlag)->excludes(inch)->excludes(mm);
    inch->excludes(mm);
    script->excludes(freq)->excludes(nonMetallicFlag)->excludes(metallicFlag);
    script->excludes(inch)->excludes(mm)->excludes(metric)->excludes(jsonFlag);

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
    return runQuickDesign(design, json, separator);
}
