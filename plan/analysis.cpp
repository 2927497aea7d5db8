// SPDX-License-Identifier: GPL-3.0-or-later
#include "plan/analysis.h"

#include "analysis/band.h"
#include "analysis/refine.h"
#include "analysis/trim.h"

namespace tarvo {
namespace {

constexpr double sweepStepPercent = 0.25;

bool sweepWidened(const Plan& plan) {
    const double percent = plan.analysis.sweepPercent;
    return percent > 0 && percent < 2 * sweepStepPercent;
}

} // namespace

analysis::Sweep sweepOf(const Plan& plan) {
    // The sweep must hold the design frequency and two steps on each side.
    return {sweepWidened(plan) ? 2 * sweepStepPercent : plan.analysis.sweepPercent,
            sweepStepPercent};
}

std::string deckOf(const Plan& plan) {
    return analysis::exportDeck(modelOf(plan), materialOf(plan), sweepOf(plan));
}

analysis::Performance analyse(const Plan& plan, const Job& job) {
    const analysis::Material material = materialOf(plan);
    const analysis::Model model = modelOf(plan);
    const analysis::Sweep sweep = sweepOf(plan);
    const analysis::NecRunner runNec = runnerOf(plan, job);
    const auto results = analysis::runSweep(model, material, sweep, runNec);
    analysis::Performance performance = analysis::evaluate(results, model, material, sweep);
    analysis::refine(performance, model, material, runNec);
    if (sweepWidened(plan)) {
        performance.notes.push_back("The sweep was widened to +/-0.5 %: it must hold the design "
                                    "frequency and two steps on each side.");
    }
    performance.warnings.insert(performance.warnings.begin(), plan.warnings.begin(),
                                plan.warnings.end());
    return performance;
}

analysis::BandCheck bandVerdict(const Plan& plan, const Job& job) {
    return analysis::checkBand(modelOf(plan), materialOf(plan), runnerOf(plan, job), bandOf(plan),
                               analysis::trimFrontToBackDb, analysis::trimSwr);
}

} // namespace tarvo
