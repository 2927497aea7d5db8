// SPDX-License-Identifier: GPL-3.0-or-later
// One SVG picture of an analysis: the horizontal pattern in dBi on polar axes, and gain and SWR
// against frequency over the sweep.
#pragma once

#include "analysis/measured_fit.h"
#include "analysis/performance.h"

#include <string>

namespace tarvo::analysis {

std::string svgPlot(const Performance& performance);

/// A measurement against the model: SWR against 50 ohm, and resistance and reactance, over the
/// measured band; the measured points, the model as designed and the model with the fitted
/// lengths (empty where none was fitted).
std::string svgMeasuredPlot(const std::vector<ImpedanceSample>& measured,
                            const std::vector<ImpedanceSample>& designed,
                            const std::vector<ImpedanceSample>& fitted, double designMhz);

} // namespace tarvo::analysis
