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
    bool forwardMainLobe{};              ///< the largest gain of both cuts lies forward
    double azimuthBeamwidthDeg{};        ///< -3 dB, horizontal plane; NaN past 180 or not forward
    double elevationBeamwidthDeg{};      ///< -3 dB, vertical plane; NaN past 180 or not forward
    std::vector<PatternPoint> azimuth;   ///< theta 90, phi 0 ... 360
    std::vector<PatternPoint> elevation; ///< phi 0 then phi 180, theta 0 ... 180 each
};

struct SweepPoint {
    double frequencyMhz{};
    double gainDbi{};       ///< forward, from the field strengths: to fieldGainErrorDb
    double frontToBackDb{}; ///< the same, forward against backward
    double swr{};
    std::complex<double> impedance; ///< ohms at the feed
};

/// Where the SWR stays at or below 2; an edge at the end of the sweep may lie beyond it.
struct SwrBand {
    double lowMhz{};
    double highMhz{};
    bool lowAtSweepEnd{};
    bool highAtSweepEnd{};
    std::size_t lowIndex{};  ///< the sweep's lowest point within the band
    std::size_t highIndex{}; ///< its highest
};

/// The builder's band: where F/B and SWR must hold (band.h).
struct Band {
    double lowMhz{};
    double highMhz{};
    bool operator==(const Band&) const = default;
};

/// What nec2c found over the band's grid, and the first frequency where each limit fails.
struct BandCheck {
    Band band;
    std::vector<SweepPoint> points;             ///< the grid, lowest first
    std::optional<std::size_t> frontToBackMiss; ///< the first point below the F/B limit
    std::optional<std::size_t> swrMiss;         ///< the first point above the SWR limit
    double lowestFrontToBackDb{};
    double highestSwr{};
    bool met() const { return !frontToBackMiss && !swrMiss; }
};

struct Performance {
    Material material;
    bool extendedKernel{}; ///< NEC-2's extended thin-wire kernel was used
    DesignPoint design;
    std::vector<SweepPoint> sweep;
    double sweepPercent{}; ///< how far the sweep reaches each side
    double peakGainMhz{};
    double lowestSwrMhz{};
    int peakGainEdge{};  ///< -1 or +1: at the sweep's lower or upper edge, the peak beyond it
    int lowestSwrEdge{}; ///< the same for the lowest SWR
    /// How precisely the peak, the lowest SWR and the SWR 2 crossings are known (MHz); the
    /// sweep's step until they are refined.
    double precisionMhz{};
    std::optional<SwrBand> swrBelow2;
    /// F/B and SWR over the builder's band, where a front asked for the verdict (checkBand).
    std::optional<BandCheck> band;
    std::vector<std::string> notes; ///< how the analysis was done, where that is not the usual
    std::vector<std::string> warnings;
};

/// The figures from nec2c's results for the deck of `model`; throws AnalysisError when the
/// results do not answer that deck.
Performance evaluate(const std::vector<FrequencyResult>& results, const Model& model,
                     const Material& material, const Sweep& sweep);

/// A sweep point from nec2c's result for `askedMhz`, checked for plausibility first: every
/// figure a number, a feed resistance above 0, an efficiency in (0, 100] %, the frequency the
/// one asked. Throws AnalysisError naming what is implausible.
SweepPoint checkedSweepPoint(const FrequencyResult& result, double askedMhz);

/// The warnings that the figures call for, made anew (after a refinement moved them).
void addWarnings(Performance& performance);

/// A frequency with as many decimals as its precision carries: the last digit is the first
/// uncertain one.
std::string frequencyText(double mhz, double precisionMhz);
/// A refined peak or lowest SWR: its frequency, or "..., at the sweep's edge (beyond -3 %)" where
/// it lies beyond the sweep.
std::string extremumText(const Performance& performance, double mhz, int edge);

/// The whole report for a person to read, every number in it (the notes' and warnings' too)
/// with the user's decimal separator.
std::string performanceText(const Performance& performance,
                            const std::string& decimalSeparator = ".");

} // namespace tarvo::analysis
