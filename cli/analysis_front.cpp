// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/analysis_front.h"

#include "analysis/deck.h"
#include "analysis/nec_output.h"
#include "analysis/nec_runner.h"
#include "analysis/refine.h"
#include "analysis/svg_plot.h"
#include "cli/file_output.h"

namespace tarvo {
namespace {

constexpr double sweepStepPercent = 0.25;

bool sweepWidened(const AnalysisRequest& request) {
    return request.sweepPercent > 0 && request.sweepPercent < 2 * sweepStepPercent;
}

} // namespace

analysis::Sweep analysisSweep(const AnalysisRequest& request) {
    // The sweep must hold the design frequency and two steps on each side.
    return {sweepWidened(request) ? 2 * sweepStepPercent : request.sweepPercent, sweepStepPercent};
}

analysis::NecRunner necRunner(const AnalysisRequest& request) {
    if (request.runner) {
        return request.runner;
    }
    analysis::NecLimits limits;
    limits.timeout = std::chrono::milliseconds(
        static_cast<std::chrono::milliseconds::rep>(request.necTimeoutSeconds * 1000));
    limits.cancel = request.cancel;
    return [limits](const std::string& deck) { return analysis::runNec2c(deck, limits); };
}

analysis::Model requestedModel(const DesignState& design, const AnalysisRequest& request,
                               analysis::Material& material) {
    material = analysis::recommendedMaterial(design.freq);
    material.wireDiameterMm = request.wireDiameterMm.value_or(material.wireDiameterMm);
    material.rodDiameterMm = request.rodDiameterMm.value_or(material.rodDiameterMm);
    const int segments = request.segmentsPerWavelength.value_or(
        analysis::defaultSegmentsPerWavelength(design, material));
    return analysis::buildModel(design, material, segments);
}

std::optional<analysis::Performance> runAnalysis(const DesignState& design,
                                                 const AnalysisRequest& request) {
    analysis::Material material;
    const analysis::Model model = requestedModel(design, request, material);
    const analysis::Sweep sweep = analysisSweep(request);
    const std::string deck = analysis::writeDeck(model, material, sweep);
    if (request.deckPath) {
        writeWholeFile(*request.deckPath, analysis::exportDeck(model, material, sweep), "NEC deck");
    }
    if (!request.analyze && !request.plotPath) {
        return std::nullopt;
    }
    const analysis::NecRunner runNec = necRunner(request);
    const auto results = analysis::parseNecOutput(runNec(deck));
    analysis::Performance performance = analysis::evaluate(results, model, material, sweep);
    analysis::refine(performance, model, material, runNec);
    if (sweepWidened(request)) {
        performance.notes.push_back("The sweep was widened to +/-0.5 %: it must hold the design "
                                    "frequency and two steps on each side.");
    }
    if (request.plotPath) {
        writeWholeFile(*request.plotPath, analysis::svgPlot(performance), "plot");
    }
    return performance;
}

} // namespace tarvo
