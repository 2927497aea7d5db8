// SPDX-License-Identifier: GPL-3.0-or-later
// The workshop sheet and the exports as tarvo-cli offers them.
#pragma once

#include "analysis/performance.h"
#include "cli/analysis_front.h"
#include "design/design_state.h"
#include "design/form.h"
#include "workshop/sheet.h"

#include <optional>
#include <string>
#include <vector>

namespace tarvo {

struct WorkshopRequest {
    std::optional<std::string> sheetPath; ///< .pdf or .svg
    std::optional<std::string> paper;     ///< "a4" or "letter"; default: the locale's
    bool inchSheet{};
    double overhangMm{30};
    std::vector<std::string> exportPaths; ///< .maa, .nec, .csv, .s1p
    std::optional<std::string> symbolicPath;

    bool wanted() const { return sheetPath || !exportPaths.empty() || symbolicPath; }
    /// The sheet's figures or a Touchstone file need nec2c's results.
    bool needsPerformance() const;
    /// A Touchstone file is asked for: it cannot be written without nec2c.
    bool asksForTouchstone() const;
};

/// The extensions --export knows, and --sheet's.
bool knownExportExtension(const std::string& path);
bool knownSheetExtension(const std::string& path);

/// Writes every export and the sheet of `design`: the window's, or a trim of it (`trimmed`).
/// `performance` is the analysis' when one ran;
/// `necMissing` says why there is none when nec2c is not installed. Throws
/// analysis::AnalysisError or FileWriteError; nothing half-written stays behind.
void writeWorkshop(const WorkshopRequest& workshop, const AnalysisRequest& analysis,
                   const Form& form, const DesignState& design,
                   const std::optional<analysis::Performance>& performance,
                   const std::string& necMissing, const std::vector<std::string>& warnings,
                   bool trimmed = false);

/// The text of one export, the format from the path's extension (.maa, .nec, .csv, .s1p).
std::string exportText(const std::string& path, const AnalysisRequest& analysis, const Form& form,
                       const DesignState& design,
                       const std::optional<analysis::Performance>& performance,
                       const std::string& necMissing, bool trimmed = false);
/// What the export of that extension is called in messages.
std::string exportWhat(const std::string& path);

/// Everything the sheet shows: with the analysis' figures, the tolerances from nec2c runs
/// (through the request's runner, within its timeout, stopped by its cancel).
workshop::SheetContent sheetContent(const AnalysisRequest& analysis, const DesignState& design,
                                    bool metallicBoom,
                                    const std::optional<analysis::Performance>& performance,
                                    const std::string& necMissing,
                                    const std::vector<std::string>& warnings, bool trimmed);

/// The design table as CSV: numbers with a point, the unit in the header. From the window's
/// boxes, or with `trimmed` from those stored values.
std::string csvReport(const Form& form, const DesignState* trimmed = nullptr);

} // namespace tarvo
