// SPDX-License-Identifier: GPL-3.0-or-later
// What a builder measures, in millimetres, from the design values that COMPUTE stored: never
// from the boxes' texts, which are cut to their width.
#pragma once

#include "analysis/geometry.h"
#include "design/design_state.h"

#include <string>
#include <vector>

namespace tarvo::workshop {

inline constexpr double millimetresPerInch = 25.4;

struct Dimensions {
    double frequencyMhz{};
    double reflectorLoopMm{}; ///< the reflector loop's wire length
    double drivenLoopMm{};    ///< the driven loop's wire length
    std::vector<double>
        directorMm;                ///< DIR 1 on, as the window shows them: with the boom correction
    std::vector<double> spacingMm; ///< R-DE, DE-D1, D1-D2 ... to the last director
    std::vector<double> positionMm; ///< from the reflector: REF, DE, D1 ... the last director
    double boomCorrectionMm{};      ///< added to every director; 0 without a metallic boom
    double boomDiameterMm{};        ///< 0: a non-metallic boom or none chosen
};

/// The dimensions of the design last computed, with the directors added beyond DIR 6. Throws
/// std::invalid_argument when there is none.
Dimensions dimensionsOf(const DesignState& design, bool metallicBoom,
                        const analysis::AddedDirectors& added = {});

/// "REF", "DE", "DIR 1" ... : element i in boom order.
std::string elementName(std::size_t element);
/// "R-DE", "DE-D1", "D1-D2" ... : spacing i.
std::string spacingName(std::size_t spacing);

} // namespace tarvo::workshop
