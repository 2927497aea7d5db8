// SPDX-License-Identifier: GPL-3.0-or-later
// Reading what nec2c printed: for each frequency the feed impedance, the power budget and the
// radiation patterns, found by their section headers.
#pragma once

#include <complex>
#include <string_view>
#include <vector>

namespace tarvo::analysis {

struct PatternPoint {
    double theta{};     ///< degrees
    double phi{};       ///< degrees
    double totalGain{}; ///< dBi, as nec2c prints it: two decimals
    /// The far field's two components, r x |E| in volts (the decks give no range), each with
    /// five significant digits.
    double eTheta{};
    double ePhi{};
    /// The power gain from the field strengths and the input power: 4 pi r^2 |E|^2 over
    /// eta0 x 2 x input power (the fields are peak values), in dBi, to fieldGainErrorDb where
    /// the field is not in a null.
    double fieldGain{};
};

/// How far a gain from the field strengths and the input power can lie from nec2c's own:
/// each of the three figures is read to half a unit in its fifth digit (5e-5 of it at most),
/// so |E|^2 to 1e-4 and the ratio to 1.5e-4 of itself, 0.00066 dB.
inline constexpr double fieldGainErrorDb = 0.00066;

struct FrequencyResult {
    double frequencyMhz{};
    std::complex<double> impedance; ///< ohms at the feed
    double inputPower{};            ///< watts
    double radiatedPower{};
    double efficiencyPercent{};
    std::vector<std::vector<PatternPoint>> patterns; ///< one for each RP card, in order
};

/// Throws AnalysisError when the output is truncated, lacks a section, or holds a number that
/// does not read: never a made-up figure.
std::vector<FrequencyResult> parseNecOutput(std::string_view output);

} // namespace tarvo::analysis
