// SPDX-License-Identifier: GPL-3.0-or-later
// The sweep's 0.25 % steps do not resolve where the gain peaks, where the SWR is lowest or where
// it crosses 2: each of these is refined by further nec2c runs until it is known to 0.02 %.
#pragma once

#include "analysis/performance.h"

#include <functional>
#include <string>

namespace tarvo::analysis {

/// How precisely a refined frequency is known: 0.02 % of the design frequency.
inline constexpr double refinedPrecision = 2e-4;

/// Runs nec2c on a deck and gives its output.
using NecRunner = std::function<std::string(const std::string& deck)>;

/// nec2c's results for the deck of writeDeck, got by running its parts (writeSweepDecks) side
/// by side, one a core: what the analysis waits for is then about one core's share.
std::vector<FrequencyResult> runSweep(const Model& model, const Material& material,
                                      const Sweep& sweep, const NecRunner& runNec);

/// Refines the peak gain, the lowest SWR and the SWR 2 crossings of `performance` in place, and
/// the warnings that follow from them. What lies at the sweep's edge is not refined: it is not
/// a peak or a crossing within the sweep. Rounds run the targets' decks side by side.
void refine(Performance& performance, const Model& model, const Material& material,
            const NecRunner& runNec);

} // namespace tarvo::analysis
