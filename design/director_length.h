// SPDX-License-Identifier: GPL-3.0-or-later
// The length of a director as the results table shows it, shared by COMPUTE and CONVERT TO METRIC.
#pragma once

#include "design/design_state.h"
#include "design/faults.h"

#include <cstddef>
#include <string>

namespace tarvo {

/// 12 is the same value as a single and as a double.
inline constexpr double inchesPerFoot = 12;

/// Director n's length in inches, dirN x 12 / 2 + x, in double and left to right: dirN is twice
/// the director's length in feet, and x the boom correction.
/// The design steps compute it in their checked Real, the sheet and the trim in plain double.
template <class Number = double> Number directorInches(const DesignState& s, std::size_t n) {
    constexpr float half = 2.0F;
    return Number{s.*directorLengths[n]} * inchesPerFoot / Number{half} + Number{s.x};
}

/// A director can be no shorter than nothing: a thick metallic boom at a high frequency makes
/// the correction negative and larger than the director. `shown` is the length as its box
/// would show it; a negative one is refused before the box is written.
inline void requireDirectorLength(double shown, std::size_t n) {
    if (shown < 0) {
        throw RangeFault("The boom is too thick for this frequency: with its correction DIR " +
                         std::to_string(n + 1) + " would be shorter than zero.");
    }
}

} // namespace tarvo
