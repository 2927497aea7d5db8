// SPDX-License-Identifier: GPL-3.0-or-later
// The coax between the analyser and the antenna: a sweep taken at the shack end moved to the
// feed point through the line's transmission-line equation, lossless or with the line's loss.
#pragma once

#include <complex>
#include <string>

namespace tarvo::workshop {

struct FeedLine {
    double lengthM{};
    double velocityFactor{};
    double z0Ohms{50};
    double lossDbPer100m{}; ///< 0: lossless
    double lossAtMhz{};     ///< the frequency the loss is given at; it grows with sqrt(f)
    bool lossy() const { return lossDbPer100m > 0; }
    bool operator==(const FeedLine&) const = default;
};

/// The impedance at the line's far end (the antenna's feed point) that shows `measured` at its
/// near end (the analyser), at `frequencyMhz`.
std::complex<double> atFeedPoint(std::complex<double> measured, double frequencyMhz,
                                 const FeedLine& line);

/// The line as the report names it, e.g. "5 m of 50 ohm line, velocity factor 0.66, lossless".
std::string feedLineText(const FeedLine& line);

} // namespace tarvo::workshop
