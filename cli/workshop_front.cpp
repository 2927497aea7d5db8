// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/workshop_front.h"

#include "analysis/deck.h"
#include "analysis/number_format.h"
#include "cli/file_output.h"
#include "cli/quick_design.h"
#include "cli/trim_front.h"
#include "design/controls.h"
#include "workshop/exports.h"
#include "workshop/tolerances.h"

#include <algorithm>
#include <dlfcn.h>
#include <limits.h>
#include <sstream>
#include <unistd.h>

namespace tarvo {
namespace {

bool endsWith(const std::string& text, const std::string& end) {
    if (text.size() < end.size()) {
        return false;
    }
    for (std::size_t i = 0; i < end.size(); ++i) {
        const char c = text[text.size() - end.size() + i];
        if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != end[i]) {
            return false;
        }
    }
    return true;
}

/// The folder tarvo-cli was started from.
std::string programFolder() {
    char path[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) {
        return ".";
    }
    std::string folder(path, static_cast<std::size_t>(length));
    return folder.substr(0, folder.rfind('/'));
}

/// The sheet as a PDF or SVG, drawn by the painter that tarvo-cli loads only for this.
std::string renderSheet(const workshop::DisplayList& list, bool pdf) {
    const std::string folder = programFolder();
    void* painter = nullptr;
    std::string tried;
    for (const std::string& candidate :
         {folder + "/libtarvo-sheet.so", folder + "/" TARVO_PLUGIN_FROM_BIN "/libtarvo-sheet.so"}) {
        painter = ::dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (painter != nullptr) {
            break;
        }
        tried = ::dlerror();
    }
    if (painter == nullptr) {
        throw analysis::AnalysisError("the sheet painter libtarvo-sheet.so is not installed "
                                      "with tarvo-cli (" +
                                      tried + ")");
    }
    using Render = int (*)(const char*, std::size_t, int, char**, std::size_t*, char*, std::size_t);
    using Free = void (*)(char*);
    const auto render = reinterpret_cast<Render>(::dlsym(painter, "tarvo_sheet_render"));
    const auto release = reinterpret_cast<Free>(::dlsym(painter, "tarvo_sheet_free"));
    if (render == nullptr || release == nullptr) {
        throw analysis::AnalysisError("the sheet painter libtarvo-sheet.so is of another version");
    }
    const std::string serialized = workshop::serialize(list);
    char* document = nullptr;
    std::size_t size = 0;
    char error[512] = {};
    if (render(serialized.data(), serialized.size(), pdf ? 0 : 1, &document, &size, error,
               sizeof error) != 0) {
        throw analysis::AnalysisError(std::string("the sheet could not be drawn: ") + error);
    }
    std::string bytes(document, size);
    release(document);
    // The painter stays loaded: Qt's threads and handlers may outlive the call.
    return bytes;
}

workshop::Paper paperOf(const WorkshopRequest& request) {
    if (request.paper) {
        return *request.paper == "letter" ? workshop::Paper::Letter : workshop::Paper::A4;
    }
    return workshop::localePaper();
}

} // namespace

bool WorkshopRequest::asksForTouchstone() const {
    return std::any_of(exportPaths.begin(), exportPaths.end(),
                       [](const std::string& path) { return endsWith(path, ".s1p"); });
}

bool WorkshopRequest::needsPerformance() const {
    return sheetPath || asksForTouchstone();
}

bool knownExportExtension(const std::string& path) {
    for (const char* extension : {".maa", ".nec", ".csv", ".s1p"}) {
        if (endsWith(path, extension)) {
            return true;
        }
    }
    return false;
}

bool knownSheetExtension(const std::string& path) {
    return endsWith(path, ".pdf") || endsWith(path, ".svg");
}

std::string csvReport(const Form& form, const DesignState* trimmed) {
    const bool metric = form.text(Control::Text29) == "CM";
    const std::string unit = metric ? "cm" : "in";
    if (trimmed != nullptr) {
        const auto g = [](double value) { return analysis::formatNumber("%.6g", value); };
        std::ostringstream out;
        out << "element,length_" << unit << ",spacing_" << unit << ",boom_position_" << unit
            << "\r\n";
        const auto rows = stateRows(*trimmed, metric);
        for (const StateRow& row : rows) {
            out << row.element << ',' << g(row.length) << ','
                << (row.spacing ? g(*row.spacing) : "") << ',' << g(row.position) << "\r\n";
        }
        out << "REDUCE EACH ADDITIONAL DIRECTOR BY," << g(rows[6].length - rows[7].length)
            << ",,\r\n";
        out << "REDUCE EACH ADDITIONAL SPACE BY,," << g(*rows[6].spacing - *rows[7].spacing)
            << ",\r\n";
        return out.str();
    }
    const auto number = [](std::string text) {
        for (char& c : text) {
            if (c == ',') {
                c = '.';
            }
        }
        return text;
    };
    std::ostringstream out;
    out << "element,length_" << unit << ",spacing_" << unit << ",boom_position_" << unit << "\r\n";
    for (const TableRow& row : tableRows()) {
        out << row.caption << ',' << number(form.text(row.length)) << ','
            << (row.spacing ? number(form.text(*row.spacing)) : "") << ','
            << number(form.text(row.position)) << "\r\n";
    }
    out << "REDUCE EACH ADDITIONAL DIRECTOR BY," << number(form.text(Control::Text19)) << ",,\r\n";
    out << "REDUCE EACH ADDITIONAL SPACE BY,," << number(form.text(Control::Text35)) << ",\r\n";
    return out.str();
}

std::string exportText(const std::string& path, const AnalysisRequest& analysis, const Form& form,
                       const DesignState& design,
                       const std::optional<analysis::Performance>& performance,
                       const std::string& necMissing, bool trimmed) {
    analysis::Material material;
    const analysis::Model model = requestedModel(design, analysis, material);
    if (endsWith(path, ".maa")) {
        return workshop::maaFile(model, material);
    }
    if (endsWith(path, ".nec")) {
        return analysis::exportDeck(model, material, analysisSweep(analysis));
    }
    if (endsWith(path, ".csv")) {
        return csvReport(form, trimmed ? &design : nullptr);
    }
    if (!performance) {
        throw analysis::AnalysisError("the Touchstone file needs nec2c's sweep: " + necMissing);
    }
    return workshop::touchstoneFile(*performance);
}

std::string exportWhat(const std::string& path) {
    return endsWith(path, ".maa")   ? "MMANA-GAL model"
           : endsWith(path, ".nec") ? "NEC deck"
           : endsWith(path, ".csv") ? "design table"
                                    : "Touchstone file";
}

workshop::SheetContent sheetContent(const AnalysisRequest& analysis, const DesignState& design,
                                    bool metallicBoom,
                                    const std::optional<analysis::Performance>& performance,
                                    const std::string& necMissing,
                                    const std::vector<std::string>& warnings, bool trimmed) {
    workshop::SheetContent content;
    const analysis::Model model = requestedModel(design, analysis, content.material);
    content.dimensions = workshop::dimensionsOf(design, metallicBoom);
    content.performance = performance;
    content.necMissing = necMissing;
    content.warnings = warnings;
    content.trimmed = trimmed;
    if (performance) {
        content.warnings.insert(content.warnings.end(), performance->warnings.begin(),
                                performance->warnings.end());
        content.tolerances = workshop::findTolerances(model, content.material, necRunner(analysis));
    }
    return content;
}

void writeWorkshop(const WorkshopRequest& workshop, const AnalysisRequest& analysis,
                   const Form& form, const DesignState& design,
                   const std::optional<analysis::Performance>& performance,
                   const std::string& necMissing, const std::vector<std::string>& warnings,
                   bool trimmed) {
    for (const std::string& path : workshop.exportPaths) {
        writeWholeFile(
            path, exportText(path, analysis, form, design, performance, necMissing, trimmed),
            trimmed && endsWith(path, ".csv") ? "trimmed design table" : exportWhat(path));
    }
    if (workshop.symbolicPath) {
        analysis::Material material;
        const analysis::Model model = requestedModel(design, analysis, material);
        writeWholeFile(*workshop.symbolicPath, workshop::symbolicDeck(model, material),
                       "symbolic NEC deck");
    }
    if (!workshop.sheetPath) {
        return;
    }
    const workshop::SheetContent content =
        sheetContent(analysis, design, form.isSelected(Control::Option2), performance, necMissing,
                     warnings, trimmed);
    workshop::SheetOptions options;
    options.paper = paperOf(workshop);
    options.inches = workshop.inchSheet;
    options.overhangMm = workshop.overhangMm;
    const bool pdf = endsWith(*workshop.sheetPath, ".pdf");
    writeWholeFile(*workshop.sheetPath, renderSheet(workshop::layoutSheet(content, options), pdf),
                   "workshop sheet");
}

} // namespace tarvo
