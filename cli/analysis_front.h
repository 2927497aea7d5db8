// SPDX-License-Identifier: GPL-3.0-or-later
// The NEC-2 analysis as tarvo-cli offers it: the deck written out, nec2c run, the report and
// the plot.
#pragma once

#include "analysis/deck.h"
#include "analysis/performance.h"
#include "analysis/refine.h"
#include "design/design_state.h"

#include <atomic>
#include <chrono>
#include <optional>
#include <string>

namespace tarvo {

struct AnalysisRequest {
    bool analyze{};
    std::optional<std::string> deckPath;
    std::optional<std::string> plotPath;
    std::optional<double> wireDiameterMm;     ///< default: the help text's wire for the band
    std::optional<double> rodDiameterMm;      ///< default: the help text's rods for the band
    std::optional<int> segmentsPerWavelength; ///< default: the most that keep the thin-wire kernel
    double sweepPercent{3};
    double necTimeoutSeconds{120};
    /// Set from another thread to stop the analysis: the window's Cancel.
    const std::atomic<bool>* cancel{};
    /// Runs nec2c on a deck; empty: nec2c itself, within the timeout. The window's tests replay
    /// recorded output through it.
    analysis::NecRunner runner;

    bool wanted() const { return analyze || deckPath || plotPath; }
};

/// The model the request asks for, checked against NEC-2's limits before anything runs: throws
/// ModelLimitError (a usage error) for diameters or segments outside them.
analysis::Model requestedModel(const DesignState& design, const AnalysisRequest& request,
                               analysis::Material& material);

/// The sweep the request asks for, widened to hold the design frequency and two steps each side.
analysis::Sweep analysisSweep(const AnalysisRequest& request);

/// What runs nec2c for the request: its own runner, or nec2c itself within the request's
/// timeout, stopped by its cancel.
analysis::NecRunner necRunner(const AnalysisRequest& request);

/// Writes the deck when asked, and runs nec2c when a report or plot is asked for. Throws
/// analysis::AnalysisError, naming what went wrong.
std::optional<analysis::Performance> runAnalysis(const DesignState& design,
                                                 const AnalysisRequest& request);

} // namespace tarvo
