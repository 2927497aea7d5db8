// SPDX-License-Identifier: GPL-3.0-or-later
// The builder's band: the frequencies over which F/B and SWR must hold, not the design frequency
// alone, so that a build a little off, or a contact at the band's top, still gets what the
// report promised.
#pragma once

#include "analysis/geometry.h"
#include "analysis/performance.h"
#include "analysis/refine.h"

#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tarvo::analysis {

/// How far the band reaches each side of the design frequency when the builder names none.
inline constexpr double defaultBandPercent = 0.25;
/// The widest band taken: each end at most this far from the design frequency, so that the
/// check's grid stays a few hundred points at most.
inline constexpr double widestBandPercent = 5;
/// The grid the verdict checks: a point at least every 0.05 % of the design frequency, both
/// ends included.
inline constexpr double bandGridPercent = 0.05;

/// A band the builder typed that cannot be taken: what is wrong, for a person, its numbers in
/// the user's decimal separator.
class BandError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

/// "LOW-HIGH" in MHz, each number read as the frequency box reads it, in `separator`; blanks
/// around either allowed. Throws BandError unless both are numbers above 0 and LOW below HIGH.
Band readBand(std::string_view text, std::string_view separator);

/// Throws BandError unless the band holds the design frequency and reaches no further than
/// 5 % from it either side.
void requireBandFor(const Band& band, double designMhz, std::string_view separator);

/// The design frequency +-0.25 %.
Band defaultBand(double designMhz);

/// The frequencies the verdict checks: both ends and evenly between, no two further apart than
/// 0.05 % of the design frequency.
std::vector<double> bandGrid(const Band& band, double designMhz);

/// Judges `points` (the band's grid, lowest first) against F/B >= `frontToBackDb` and SWR <=
/// `swr`; a figure that is not a number fails.
BandCheck judgeBand(const Band& band, std::vector<SweepPoint> points, double frontToBackDb,
                    double swr);

/// One nec2c run of the model at every frequency of the band's grid, judged.
BandCheck checkBand(const Model& model, const Material& material, const NecRunner& runNec,
                    const Band& band, double frontToBackDb, double swr);

/// A frequency of the band to the kHz, no trailing zeros: "144.072"; with a point.
std::string mhzText(double mhz);

/// "143.64 - 144.36 MHz", with a point; a text for a person takes the user's separator last.
std::string bandText(const Band& band);

} // namespace tarvo::analysis
