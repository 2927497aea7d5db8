// SPDX-License-Identifier: GPL-3.0-or-later
// The page has no nec2c to run and no signals to catch: the analysis layer's process side is
// replaced by one that refuses, so that the page's exports (which need no analysis) link with the
// rest of the layer as it is.
#include "analysis/geometry.h"
#include "analysis/interrupt.h"
#include "analysis/nec_runner.h"

#include <string>

namespace tarvo::analysis {

Interrupted::Interrupted(int signal)
    : std::runtime_error("interrupted by signal " + std::to_string(signal))
    , m_signal(signal) {}

InterruptGuard::InterruptGuard() = default;
InterruptGuard::~InterruptGuard() = default;

void throwIfInterrupted() {}

std::string findNec2c() {
    return {};
}

std::string runNec2c(const std::string&, const NecLimits&) {
    throw AnalysisError("the NEC-2 analysis needs nec2c, which the page does not have");
}

} // namespace tarvo::analysis
