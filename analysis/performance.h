// SPDX-License-Identifier: GPL-3.0-or-later
// What the simulated design does: the figures a builder asks for, at the design frequency and
// over the sweep, and warnings that tell the builder something true.
#pragma once

#include "analysis/deck.h"
#include "analysis/geometry.h"
#include "analysis/nec_output.h"

#include <complex>
#include <optional>
#include <string>
#include <vector>

namespace tarvo::analysis {

inline constexpr double referenceImpedance = 50; // ohms

double standingWaveRatio(std::complex<double> impedance, double reference = referenceImpedance);

struct DesignPoint {
    double frequencyMhz{};
    double forwardGainDbi{};
    double frontToBackDb{};
    double worstRearLobeDbi{};
    std::complex<double> impedance;
    double swr{};
    double efficiencyPercent{};
    double azimuthBeamwidthDeg{};      ///< -3 dB, horizontal plane (E-plane); NaN past 180
    double elevationBeamwidthDeg{};    ///< -3 dB, vertical plane (H-plane); NaN past 180
    std::vector<PatternPoint> azimuth; ///< theta 90, phi 0 ... 360
};

struct SweepPoint {
    double frequencyMhz{};
    double gainDbi{};
    double frontToBackDb{};
    double swr{};
};

/// Where the SWR stays at or below 2; an edge at the end of the sweep may lie beyond it.
struct SwrBand {
    double lowMhz{};
    double highMhz{};
    bool lowAtSweepEnd{};
    bool highAtSweepEnd{};
};

struct Performance {
    Material material;
    DesignPoint design;
    std::vector<SweepPoint> sweep;
    double peakGainMhz{};
    double lowestSwrMhz{};
    std::optional<SwrBand> swrBelow2;
    std::vector<std::string> warnings;
};

/// The figures from nec2c's results for the deck of `model`; throws AnalysisError when the
/// results do not answer that deck.
Performance evaluate(const std::vector<FrequencyResult>& results, const Model& model,
                     const Material& material, const Sweep& sweep);

/// The whole report for a person to read.
std::string performanceText(const Performance& performance);

} // namespace tarvo::analysis
