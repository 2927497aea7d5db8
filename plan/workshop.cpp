// SPDX-License-Identifier: GPL-3.0-or-later
#include "plan/workshop.h"

#include "analysis/deck.h"
#include "analysis/number_format.h"
#include "design/controls.h"
#include "plan/analysis.h"
#include "plan/trim.h"
#include "workshop/exports.h"
#include "workshop/tolerances.h"

#include <sstream>

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

std::string pointNumber(std::string text) {
    // Files for other programs take a decimal point whatever the user's separator.
    for (char& c : text) {
        if (c == ',') {
            c = '.';
        }
    }
    return text;
}

} // namespace

std::optional<ExportFormat> exportFormatOf(const std::string& path) {
    for (const ExportFormat format :
         {ExportFormat::Maa, ExportFormat::Nec, ExportFormat::Csv, ExportFormat::Touchstone}) {
        if (endsWith(path, extensionOf(format))) {
            return format;
        }
    }
    return std::nullopt;
}

std::string extensionOf(ExportFormat format) {
    switch (format) {
    case ExportFormat::Maa:
        return ".maa";
    case ExportFormat::Nec:
    case ExportFormat::SymbolicNec:
        return ".nec";
    case ExportFormat::Csv:
        return ".csv";
    case ExportFormat::Touchstone:
        return ".s1p";
    }
    return "";
}

std::string exportWhat(ExportFormat format, bool trimmed) {
    switch (format) {
    case ExportFormat::Maa:
        return "MMANA-GAL model";
    case ExportFormat::Nec:
        return "NEC deck";
    case ExportFormat::SymbolicNec:
        return "symbolic NEC deck";
    case ExportFormat::Csv:
        return trimmed ? "trimmed design table" : "design table";
    case ExportFormat::Touchstone:
        return "Touchstone file";
    }
    return "";
}

bool needsPerformance(ExportFormat format) {
    return format == ExportFormat::Touchstone;
}

std::optional<SheetFormat> sheetFormatOf(const std::string& path) {
    if (endsWith(path, ".pdf")) {
        return SheetFormat::Pdf;
    }
    if (endsWith(path, ".svg")) {
        return SheetFormat::Svg;
    }
    return std::nullopt;
}

std::string csvReport(const Plan& plan) {
    const bool metric = plan.table.metric();
    const std::string unit = metric ? "cm" : "in";
    std::ostringstream out;
    out << "element,length_" << unit << ",spacing_" << unit << ",boom_position_" << unit << "\r\n";
    // A trimmed design's texts by the boxes' rule, as the trim's report shows them.
    const TableTexts table =
        plan.trim ? boxTextsOf(plan.trim->design, metric, plan.trim->added) : plan.table;
    const auto write = [&](const TableTexts::Row& row) {
        out << row.element << ',' << pointNumber(row.length) << ','
            << (row.spacing ? pointNumber(*row.spacing) : "") << ',' << pointNumber(row.position)
            << "\r\n";
    };
    for (const TableTexts::Row& row : table.rows) {
        write(row);
    }
    for (const TableTexts::Row& row : table.added) {
        write(row);
    }
    if (plan.trim && !table.added.empty()) {
        // A trimmed long boom does not follow the table's reductions: its spacings beyond DIR 6
        // are held, and its added lengths were found for these directors alone.
        const TableTexts::Row& last = table.added.back();
        out << "BEYOND " << last.element << " EACH SPACE," << ','
            << pointNumber(last.spacing.value_or("")) << ",\r\n";
        out << "BEYOND " << last.element
            << " DIRECTOR LENGTHS,NOT TRIMMED: TRIM AGAIN WITH MORE DIRECTORS,,\r\n";
        return out.str();
    }
    out << "REDUCE EACH ADDITIONAL DIRECTOR BY," << pointNumber(table.reduceDirector) << ",,\r\n";
    out << "REDUCE EACH ADDITIONAL SPACE BY,," << pointNumber(table.reduceSpace) << ",\r\n";
    return out.str();
}

std::string exportText(const Plan& plan, ExportFormat format,
                       const std::optional<analysis::Performance>& performance) {
    switch (format) {
    case ExportFormat::Maa:
        return workshop::maaFile(modelOf(plan), materialOf(plan));
    case ExportFormat::Nec:
        return deckOf(plan);
    case ExportFormat::SymbolicNec:
        return workshop::symbolicDeck(modelOf(plan), materialOf(plan));
    case ExportFormat::Csv:
        return csvReport(plan);
    case ExportFormat::Touchstone:
        break;
    }
    if (!performance) {
        throw analysis::AnalysisError("the Touchstone file needs nec2c's sweep");
    }
    return workshop::touchstoneFile(*performance);
}

workshop::SheetContent sheetContent(const Plan& plan,
                                    const std::optional<analysis::Performance>& performance,
                                    const std::string& necMissing, const Job& job) {
    workshop::SheetContent content;
    content.material = materialOf(plan);
    const analysis::Model model = modelOf(plan);
    content.dimensions = workshop::dimensionsOf(plan.built(), plan.metallicBoom, plan.builtAdded());
    content.performance = performance;
    if (content.performance && !content.performance->band) {
        // The sheet's verdict: F/B and SWR over the band's grid, as the report gives it.
        content.performance->band = bandVerdict(plan, job);
    }
    content.necMissing = necMissing;
    content.trimmed = plan.trimmed();
    if (performance) {
        // The analysis' warnings lead with the plan's own.
        content.warnings = performance->warnings;
        content.tolerances = workshop::findTolerances(model, content.material, runnerOf(plan, job));
    } else {
        content.warnings = plan.warnings;
    }
    return content;
}

} // namespace tarvo
