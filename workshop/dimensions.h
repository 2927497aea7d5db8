// SPDX-License-Identifier: GPL-3.0-or-later
// What a builder measures, in millimetres, from the design values that COMPUTE stored: never
// from the boxes' texts, which are cut to their width.
#pragma once

#include "design/design_state.h"

#include <array>
#include <string>

namespace tarvo::workshop {

inline constexpr double millimetresPerInch = 25.4;

struct Dimensions {
    double frequencyMhz{};
    double reflectorLoopMm{};           ///< the reflector loop's wire length
    double drivenLoopMm{};              ///< the driven loop's wire length
    std::array<double, 6> directorMm{}; ///< as the window shows them: with the boom correction
    std::array<double, 7> spacingMm{};  ///< R-DE, DE-D1, D1-D2 ... D5-D6
    std::array<double, 8> positionMm{}; ///< from the reflector: REF, DE, D1 ... D6
    double boomCorrectionMm{};          ///< added to every director; 0 without a metallic boom
    double boomDiameterMm{};            ///< 0: a non-metallic boom or none chosen
};

/// The dimensions of the design last computed. Throws std::invalid_argument when there is none.
Dimensions dimensionsOf(const DesignState& design, bool metallicBoom);

/// "REF", "DE", "DIR 1" ... "DIR 6": element i in boom order.
std::string elementName(std::size_t element);
/// "R-DE", "DE-D1", "D1-D2" ... : spacing i.
std::string spacingName(std::size_t spacing);

} // namespace tarvo::workshop
