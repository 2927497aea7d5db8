// SPDX-License-Identifier: GPL-3.0-or-later
// One SVG picture of an analysis: the horizontal pattern in dBi on polar axes, and gain and SWR
// against frequency over the sweep.
#pragma once

#include "analysis/performance.h"

#include <string>

namespace tarvo::analysis {

std::string svgPlot(const Performance& performance);

} // namespace tarvo::analysis
