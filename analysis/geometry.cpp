// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/geometry.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

namespace tarvo::analysis {
namespace {

// The limits of NEC-2's thin-wire model, from the NEC-2 User's Guide (G. J. Burke and
// A. J. Poggio, Numerical Electromagnetics Code - Method of Moments, Part III, Lawrence
// Livermore National Laboratory, 1981), section 2, "Wire modeling guidelines":
// - a segment should be shorter than about 0.1 wavelength, and not shorter than about 0.001;
// - the wire radius must be small against the wavelength (2 pi a / lambda much less than 1);
// - the segment length should be at least about 8 times the radius for errors under 1 % with
//   the thin-wire kernel; the extended thin-wire kernel (EK card) holds down to about 2.
constexpr double longestSegmentWavelengths = 0.1;
constexpr double shortestSegmentWavelengths = 0.001;
constexpr double largestCircumferenceWavelengths = 0.1; // 2 pi a / lambda
constexpr double thinWireKernelRadii = 8;
constexpr double extendedKernelRadii = 2;

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

std::string decimal(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3g", value);
    return text;
}

/// Refuses a model outside the thin-wire limits; says whether it needs the extended kernel.
void checkThinWire(Model& model, double wavelength) {
    double shortest = std::numeric_limits<double>::infinity();
    for (const Wire& wire : model.wires) {
        const double length = std::hypot(wire.end.x - wire.start.x, wire.end.y - wire.start.y,
                                         wire.end.z - wire.start.z);
        const double segment = length / wire.segments;
        const char* element = wire.metal == Metal::Copper ? "loop wire" : "director rod";
        if (2 * M_PI * wire.radius / wavelength > largestCircumferenceWavelengths) {
            throw ModelLimitError(
                std::string("the ") + element + " of " + decimal(wire.radius * 2000) +
                " mm is too thick for NEC-2's thin-wire model at this frequency: its "
                "circumference must stay below 0.1 wavelength (" +
                decimal(largestCircumferenceWavelengths * wavelength / M_PI * 1000) +
                " mm across)");
        }
        if (segment > longestSegmentWavelengths * wavelength) {
            throw ModelLimitError("segments of " + decimal(segment / wavelength) +
                                  " wavelength are too long for NEC-2: at most 0.1; give more "
                                  "segments a wavelength");
        }
        if (segment < shortestSegmentWavelengths * wavelength) {
            throw ModelLimitError("segments of " + decimal(segment / wavelength) +
                                  " wavelength are too short for NEC-2: at least 0.001; give "
                                  "fewer segments a wavelength");
        }
        shortest = std::min(shortest, segment / wire.radius);
        if (segment / wire.radius < extendedKernelRadii) {
            throw ModelLimitError(
                std::string("the ") + element + "'s segments are only " +
                decimal(segment / wire.radius) + " times its radius; NEC-2's thin-wire model " +
                "needs at least 2 (with the extended kernel): give fewer segments a wavelength "
                "or a thinner " +
                (wire.metal == Metal::Copper ? "wire" : "rod"));
        }
    }
    model.shortestSegmentRadii = shortest;
    model.extendedKernel = shortest < thinWireKernelRadii;
}

Model buildModel(const DesignState& design, const Material& material, int segmentsPerWavelength,
                 const AddedDirectors& added) {
    const double frequency = design.freq;
    if (!(frequency > 0) || !std::isfinite(frequency) || !(design.ref > 0) || !(design.dri > 0) ||
        !std::isfinite(design.ref)) {
        throw AnalysisError("there is no computed design to analyse");
    }
    if (segmentsPerWavelength < 1) {
        throw ModelLimitError("at least 1 segment a wavelength is needed");
    }
    if (!(material.wireDiameterMm > 0) || !(material.rodDiameterMm > 0) ||
        !std::isfinite(material.wireDiameterMm) || !std::isfinite(material.rodDiameterMm)) {
        throw ModelLimitError("the wire and rod diameters must be numbers greater than 0");
    }
    const double wavelength = speedOfLight / frequency;
    Model model;
    model.frequencyMhz = frequency;
    model.segmentsPerWavelength = segmentsPerWavelength;
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
    const auto addDirector = [&](double spacingInches, double lengthInches) {
        x += spacingInches * metresPerInch;
        const double length = lengthInches * metresPerInch;
        if (!(length > 0) || !std::isfinite(length) || !(spacingInches > 0) ||
            !std::isfinite(spacingInches)) {
            throw AnalysisError("DIR " + std::to_string(tag - 7) +
                                " has no length or spacing to model");
        }
        model.wires.push_back({++tag,
                               segmentsFor(length, wavelength, segmentsPerWavelength),
                               {x, -length / 2, 0},
                               {x, length / 2, 0},
                               material.rodDiameterMm / 2000,
                               Metal::Aluminium});
    };
    for (std::size_t n = 0; n < 6; ++n) {
        addDirector(design.*directorSpacings[n], double{design.*directorLengths[n]} * 12 / 2);
    }
    for (const AddedDirector& director : added) {
        addDirector(director.spacingInches, director.lengthInches - double{design.x});
    }
    checkThinWire(model, wavelength);
    return model;
}

int defaultSegmentsPerWavelength(const DesignState& design, const Material& material,
                                 const AddedDirectors& added) {
    for (int perWavelength = 40; perWavelength > 10; --perWavelength) {
        try {
            if (!buildModel(design, material, perWavelength, added).extendedKernel) {
                return perWavelength;
            }
        } catch (const ModelLimitError&) {
            // Fewer, longer segments may still fit the model.
        }
    }
    return 10;
}

} // namespace tarvo::analysis
