// SPDX-License-Identifier: GPL-3.0-or-later
#include "workshop/dimensions.h"

#include "design/director_length.h"

#include <cmath>
#include <stdexcept>

namespace tarvo::workshop {

Dimensions dimensionsOf(const DesignState& s, bool metallicBoom,
                        const analysis::AddedDirectors& added) {
    if (!(s.freq > 0) || !std::isfinite(s.freq) || !(s.ref > 0) || !(s.dri > 0)) {
        throw std::invalid_argument("there is no computed design");
    }
    Dimensions d;
    d.frequencyMhz = s.freq;
    d.reflectorLoopMm = double{s.ref} * inchesPerFoot * millimetresPerInch;
    d.drivenLoopMm = double{s.dri} * inchesPerFoot * millimetresPerInch;
    for (std::size_t n = 0; n < 6; ++n) {
        d.directorMm.push_back(directorInches(s, n) * millimetresPerInch);
    }
    d.spacingMm.push_back(double{s.rsp} * millimetresPerInch);
    for (std::size_t n = 0; n < 6; ++n) {
        d.spacingMm.push_back(double{s.*directorSpacings[n]} * millimetresPerInch);
    }
    for (const analysis::AddedDirector& director : added) {
        d.directorMm.push_back(director.lengthInches * millimetresPerInch);
        d.spacingMm.push_back(director.spacingInches * millimetresPerInch);
    }
    for (std::size_t n = 0; n < d.directorMm.size(); ++n) {
        if (!(d.directorMm[n] > 0)) {
            throw std::invalid_argument("DIR " + std::to_string(n + 1) +
                                        " would be shorter than zero");
        }
    }
    d.positionMm.push_back(0);
    for (const double spacing : d.spacingMm) {
        d.positionMm.push_back(d.positionMm.back() + spacing);
    }
    d.boomCorrectionMm = double{s.x} * millimetresPerInch;
    d.boomDiameterMm = metallicBoom ? double{s.b} * millimetresPerInch : 0;
    return d;
}

std::string elementName(std::size_t element) {
    if (element == 0) {
        return "REF";
    }
    if (element == 1) {
        return "DE";
    }
    return "DIR " + std::to_string(element - 1);
}

std::string spacingName(std::size_t spacing) {
    const auto shortName = [](std::size_t element) {
        return element == 0   ? std::string("R")
               : element == 1 ? std::string("DE")
                              : std::string("D").append(std::to_string(element - 1));
    };
    return shortName(spacing) + "-" + shortName(spacing + 1);
}

} // namespace tarvo::workshop
