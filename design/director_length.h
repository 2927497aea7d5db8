// SPDX-License-Identifier: GPL-3.0-or-later
// The length of a director as the results table shows it, shared by COMPUTE and CONVERT TO METRIC.
#pragma once

#include "design/design_state.h"

#include <cstddef>

namespace tarvo {

/// 12 is the same value as a single and as a double.
inline constexpr double inchesPerFoot = 12;

/// Director n's length in inches, dirN x 12 / 2 + x, in double and left to right: dirN is twice
/// the director's length in feet, and x the boom correction.
inline double directorInches(const DesignState& s, std::size_t n) {
    constexpr float half = 2.0F;
    return double{s.*directorLengths[n]} * inchesPerFoot / double{half} + double{s.x};
}

} // namespace tarvo
