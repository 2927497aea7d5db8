// SPDX-License-Identifier: GPL-3.0-or-later
// One SVG picture of an analysis: the horizontal pattern in dBi on polar axes, and gain and SWR
// against frequency over the sweep.
#pragma once

#include "analysis/measured_fit.h"
#include "analysis/performance.h"

#include <string>
#include <vector>

namespace tarvo::analysis {

std::string svgPlot(const Performance& performance);

/// One design of a study of boom lengths.
struct StudyPoint {
    int directors{};
    double boomWavelengths{};
    double gainDbi{};
    double frontToBackDb{};
    bool meetsLimits{}; ///< false: drawn marked, a red ring about the point
};

/// One line of designs: the points in boom order, drawn solid or dashed.
struct StudySeries {
    std::string name;
    bool dashed{};
    std::vector<StudyPoint> points;
};

/// Forward gain (left axis, dBi) and F/B (right axis, dB, with the 20 dB a builder expects
/// marked) against boom length in wavelengths, each point labelled with its directors.
std::string svgStudyPlot(const std::string& title, const std::vector<StudySeries>& series);
/// A measurement against the model: SWR against 50 ohm, and resistance and reactance, over the
/// measured band; the measured points, the model as designed and the model with the fitted
/// lengths (empty where none was fitted).
std::string svgMeasuredPlot(const std::vector<ImpedanceSample>& measured,
                            const std::vector<ImpedanceSample>& designed,
                            const std::vector<ImpedanceSample>& fitted, double designMhz);

} // namespace tarvo::analysis
