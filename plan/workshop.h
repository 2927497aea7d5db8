// SPDX-License-Identifier: GPL-3.0-or-later
// The plan's workshop sheet and its exports for other tools: what both fronts write.
#pragma once

#include "analysis/performance.h"
#include "plan/plan.h"
#include "workshop/sheet.h"

#include <optional>
#include <string>

namespace tarvo {

enum class ExportFormat { Maa, Nec, SymbolicNec, Csv, Touchstone };

/// The format a path's extension names: .maa, .nec, .csv or .s1p (a symbolic deck is asked for
/// by name, not by extension). Nothing for any other extension.
std::optional<ExportFormat> exportFormatOf(const std::string& path);
/// ".maa", ".nec", ".csv", ".s1p".
std::string extensionOf(ExportFormat format);
/// What the export is called in messages.
std::string exportWhat(ExportFormat format, bool trimmed);
/// A Touchstone file holds nec2c's sweep: it cannot be written without an analysis.
bool needsPerformance(ExportFormat format);

enum class SheetFormat { Pdf, Svg };
/// The sheet's format from the path's extension, .pdf or .svg; nothing for any other.
std::optional<SheetFormat> sheetFormatOf(const std::string& path);

/// The text of one export of the plan. `performance` is the plan's analysis (needed by the
/// Touchstone file only). Throws analysis::AnalysisError when what it needs is missing.
std::string exportText(const Plan& plan, ExportFormat format,
                       const std::optional<analysis::Performance>& performance);

/// Everything the sheet shows: with the analysis' figures, the tolerances from nec2c runs
/// (through the job's runner, within the plan's timeout, stopped by the job's cancel).
/// `necMissing` says why there are no figures, when there are none.
workshop::SheetContent sheetContent(const Plan& plan,
                                    const std::optional<analysis::Performance>& performance,
                                    const std::string& necMissing, const Job& job);

/// The design table as CSV: numbers with a point, the unit in the header. From the boxes' texts,
/// or from the trimmed lengths of an accepted trim.
std::string csvReport(const Plan& plan);

} // namespace tarvo
