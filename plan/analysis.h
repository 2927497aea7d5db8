// SPDX-License-Identifier: GPL-3.0-or-later
// The NEC-2 analysis of a plan: its deck, nec2c's run, the figures every front shows.
#pragma once

#include "analysis/deck.h"
#include "analysis/performance.h"
#include "plan/plan.h"

#include <string>

namespace tarvo {

/// The sweep the plan asks for, widened to hold the design frequency and two steps each side.
analysis::Sweep sweepOf(const Plan& plan);

/// The deck of the plan's built lengths, with the plan's sweep, for other NEC-2 programs (--nec,
/// a .nec export): the one nec2c runs, less the card only nec2c's printed report needs.
std::string deckOf(const Plan& plan);

/// Runs nec2c on the plan's deck and refines what the sweep leaves coarse. Throws
/// analysis::AnalysisError, naming what went wrong, and analysis::Cancelled when the job's
/// cancel is set. The boom-range warning leads the warnings.
analysis::Performance analyse(const Plan& plan, const Job& job);

/// F/B >= 20 dB and SWR <= 1.5 judged over the plan's band (bandOf), the built lengths run by
/// nec2c once at every point of the band's grid. Throws as analyse does.
analysis::BandCheck bandVerdict(const Plan& plan, const Job& job);

} // namespace tarvo
