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
    double totalGain{}; ///< dBi
};

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
