// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/geometry.h"

#include <array>
#include <cmath>

namespace tarvo::analysis {
namespace {

/// An odd segment count for a wire, about `perWavelength` to the wavelength.
int segmentsFor(double length, double wavelength, int perWavelength) {
    int count = static_cast<int>(std::lround(length / wavelength * perWavelength));
    count = std::max(count, 1);
    return count % 2 == 0 ? count + 1 : count;
}

} // namespace

double conductivityOf(Metal metal) {
    return metal == Metal::Copper ? 5.8e7 : 3.5e7;
}

Material recommendedMaterial(double frequencyMhz) {
    struct Band {
        double mhz;
        Material material;
    };
    // AWG 12 and 3/16 in; AWG 14 and 1/8 in; AWG 18 and 1/16 in.
    constexpr std::array<Band, 4> bands{{
        {144, {2.05, 4.76}},
        {432, {1.63, 3.175}},
        {906, {1.02, 1.59}},
        {1296, {1.02, 1.59}},
    }};
    const Band* nearest = &bands[0];
    for (const Band& band : bands) {
        if (std::fabs(band.mhz - frequencyMhz) < std::fabs(nearest->mhz - frequencyMhz)) {
            nearest = &band;
        }
    }
    return nearest->material;
}

Material scaledMaterial(double frequencyMhz) {
    return {2.05 * 144 / frequencyMhz, 4.76 * 144 / frequencyMhz};
}

Model buildModel(const DesignState& design, const Material& material, int segmentsPerWavelength) {
    const double frequency = design.freq;
    if (!(frequency > 0) || !std::isfinite(frequency) || !(design.ref > 0) || !(design.dri > 0) ||
        !std::isfinite(design.ref)) {
        throw AnalysisError("there is no computed design to analyse");
    }
    if (segmentsPerWavelength < 5) {
        throw AnalysisError("at least 5 segments a wavelength are needed");
    }
    if (!(material.wireDiameterMm > 0) || !(material.rodDiameterMm > 0)) {
        throw AnalysisError("the wire and rod diameters must be greater than 0");
    }
    const double wavelength = speedOfLight / frequency;
    Model model;
    model.frequencyMhz = frequency;
    int tag = 0;

    // A square loop of the given wire length across the boom at x, its bottom side first.
    const auto addLoop = [&](double x, double wireLengthInches) {
        const double half = wireLengthInches * metresPerInch / 8;
        const std::array<Point, 4> corners{{
            {x, -half, -half},
            {x, half, -half},
            {x, half, half},
            {x, -half, half},
        }};
        const int segments = segmentsFor(2 * half, wavelength, segmentsPerWavelength);
        for (std::size_t i = 0; i < corners.size(); ++i) {
            model.wires.push_back({++tag, segments, corners[i], corners[(i + 1) % corners.size()],
                                   material.wireDiameterMm / 2000, Metal::Copper});
        }
    };

    double x = 0;
    addLoop(x, double{design.ref} * 12);
    x += design.rsp * metresPerInch;
    addLoop(x, double{design.dri} * 12);
    model.feedTag = tag - 3;
    model.feedSegment = (model.wires[static_cast<std::size_t>(model.feedTag - 1)].segments + 1) / 2;
    for (std::size_t n = 0; n < 6; ++n) {
        x += design.*directorSpacings[n] * metresPerInch;
        const double length = double{design.*directorLengths[n]} * 12 / 2 * metresPerInch;
        model.wires.push_back({++tag,
                               segmentsFor(length, wavelength, segmentsPerWavelength),
                               {x, -length / 2, 0},
                               {x, length / 2, 0},
                               material.rodDiameterMm / 2000,
                               Metal::Aluminium});
    }
    return model;
}

} // namespace tarvo::analysis
