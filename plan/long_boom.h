// SPDX-License-Identifier: GPL-3.0-or-later
// Longer booms: directors beyond DIR 6 by the table's own rule, as a builder extends it by hand.
// Director 6+k is k times the shown "REDUCE EACH ADDITIONAL DIRECTOR BY" shorter than the shown
// DIR 6, and its spacing k times the shown "REDUCE EACH ADDITIONAL SPACE BY" shorter than the
// shown DIR 5-DIR 6 spacing; boom positions continue from the shown DIR 6 position by the shown
// spacings. Every figure comes from the texts the table shows, so the builder's hand extension
// and TARVO's agree to the digit; a metallic boom's correction is inside DIR 6 and carries over.
#pragma once

#include "analysis/geometry.h"
#include "design/design_state.h"
#include "plan/plan.h"

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tarvo {

inline constexpr int fewestDirectors = 6;
inline constexpr int mostDirectors = 40;
/// The shortest director the rule may give, without the boom's correction (the rod as NEC-2
/// models it): well below this a rod no longer directs, it only loads the boom.
inline constexpr double shortestDirectorWavelengths = 0.3;
/// The closest spacing the rule may give: closer, neighbours couple as one element.
inline constexpr double closestSpacingWavelengths = 0.05;

/// A number of directors the rule cannot build: a usage error naming the director at fault.
class LongBoomError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

/// The wavelength in inches as the design's own constant gives it: 983.6 / MHz feet.
double designWavelengthInches(double frequencyMhz);

/// The rows DIR 7 ... DIR N by the rule from the table's texts (in its unit, read and written
/// with `separator`). Each text is the double's 15 significant digits cut, not rounded, to the
/// box's 7 characters, as CONVERT TO METRIC shows a length. Throws LongBoomError for N outside
/// 6 ... 40 and for a length, spacing or position that would be 0 or less or not fit a box.
std::vector<TableTexts::Row> addedRows(const TableTexts& table, int directors,
                                       std::string_view separator);

/// DIR 7 ... DIR N of the design in inches, from its texts as COMPUTE shows them, checked
/// against the physical minimums: without the boom's correction a director of at least 0.3
/// wavelength and a spacing of at least 0.05. Throws LongBoomError naming the first director
/// that breaks one, and how many directors the design can hold.
/// The refusal's lengths are in centimetres with `metric`, as a centimetre table shows them.
analysis::AddedDirectors addedDirectorsOf(const DesignState& design, int directors,
                                          bool metric = false);

/// The plan builds `directors` directors from now on: its added directors and the table's added
/// rows set, a trim of other directors dropped. Throws LongBoomError and leaves the plan as it
/// was when the rule cannot build them.
void setDirectors(Plan& plan, int directors);

/// The most directors the rule can build for the plan's design (6 to 40), and in `why` the
/// refusal of one more (empty at 40).
int mostDirectorsOf(const Plan& plan, std::string* why = nullptr);

} // namespace tarvo
