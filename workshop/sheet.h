// SPDX-License-Identifier: GPL-3.0-or-later
// The workshop sheet: one page to build from, with a dimensioned top view, the two loops, a cut
// list, how precisely each dimension must be cut, stacking distances and the analysis summary.
#pragma once

#include "analysis/geometry.h"
#include "analysis/performance.h"
#include "workshop/dimensions.h"
#include "workshop/display_list.h"
#include "workshop/tolerances.h"

#include <optional>
#include <string>
#include <vector>

namespace tarvo::workshop {

enum class Paper { A4, Letter };

/// The paper of the user's locale (LC_PAPER): US Letter where its width is 216 mm, else A4.
Paper localePaper();

/// Wire added to each loop's cut length for the joint: the ends overlap or go to the terminals.
inline constexpr double loopJointAllowanceMm = 25;

struct SheetOptions {
    Paper paper{Paper::A4};
    bool inches{};         ///< inches with sixteenths beside the decimal figure; else millimetres
    double overhangMm{30}; ///< boom beyond the reflector and beyond the last director
    /// The reader's decimal separator: every number on the sheet is written with it.
    std::string decimalSeparator{"."};
};

struct SheetContent {
    Dimensions dimensions;
    analysis::Material material;
    /// Empty where nec2c could not be run: the reason stands in the tolerance column.
    std::optional<ToleranceReport> tolerances;
    std::optional<analysis::Performance> performance;
    std::string necMissing; ///< why there are no NEC-2 figures, when there are none
    std::vector<std::string> warnings;
    bool trimmed{}; ///< the lengths were trimmed by NEC-2 for `material`
};

/// Stacking distance for two beams whose -3 dB beamwidth in the stacking plane is given:
/// D = wavelength / (2 sin(beamwidth / 2)).
double stackingDistanceMm(double frequencyMhz, double beamwidthDeg);

/// A length in the sheet's unit: "2269.5" mm, or "89 3/8 (89.35)" inches.
std::string lengthText(double mm, bool inches);

/// The feed gap left open at the middle of the driven loop's bottom side.
double feedGapMm(double frequencyMhz);

/// The most directors one page holds: beyond, the sheet is refused (std::invalid_argument).
inline constexpr std::size_t mostSheetDirectors = 20;

DisplayList layoutSheet(const SheetContent& content, const SheetOptions& options);

} // namespace tarvo::workshop
