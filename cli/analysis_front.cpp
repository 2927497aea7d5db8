// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/analysis_front.h"

#include "analysis/deck.h"
#include "analysis/nec_output.h"
#include "analysis/nec_runner.h"
#include "analysis/svg_plot.h"

#include <fstream>

namespace tarvo {
namespace {

void writeFile(const std::string& path, const std::string& content, const char* what) {
    std::ofstream file(path, std::ios::binary);
    file << content;
    file.close();
    if (!file) {
        throw analysis::AnalysisError(std::string("cannot write the ") + what + " " + path);
    }
}

} // namespace

std::optional<analysis::Performance> runAnalysis(const DesignState& design,
                                                 const AnalysisRequest& request) {
    analysis::Material material = analysis::recommendedMaterial(design.freq);
    material.wireDiameterMm = request.wireDiameterMm.value_or(material.wireDiameterMm);
    material.rodDiameterMm = request.rodDiameterMm.value_or(material.rodDiameterMm);
    const analysis::Model model =
        analysis::buildModel(design, material, request.segmentsPerWavelength);
    const analysis::Sweep sweep{request.sweepPercent, 0.25};
    const std::string deck = analysis::writeDeck(model, material, sweep);
    if (request.deckPath) {
        writeFile(*request.deckPath, deck, "NEC deck");
    }
    if (!request.analyze && !request.plotPath) {
        return std::nullopt;
    }
    analysis::NecLimits limits;
    limits.timeout = std::chrono::milliseconds(
        static_cast<std::chrono::milliseconds::rep>(request.necTimeoutSeconds * 1000));
    const auto results = analysis::parseNecOutput(analysis::runNec2c(deck, limits));
    analysis::Performance performance = analysis::evaluate(results, model, material, sweep);
    if (request.plotPath) {
        writeFile(*request.plotPath, analysis::svgPlot(performance), "plot");
    }
    return performance;
}

} // namespace tarvo
