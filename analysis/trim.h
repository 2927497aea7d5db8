// SPDX-License-Identifier: GPL-3.0-or-later
// Trim for the builder's materials: element lengths that NEC-2 finds right for the wire and rods
// at hand, where the design's formulas ignore the elements' thickness. Spacings stay: the boom
// is drilled by them.
#pragma once

#include "analysis/band.h"
#include "analysis/geometry.h"
#include "analysis/refine.h"
#include "design/design_state.h"

#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace tarvo::analysis {

/// What the optimiser may change. Four numbers are enough: each loop on its own, and the six
/// directors by one common scale with a linear taper from DIR 1 to DIR 6, which is how the
/// thickness of the rods shifts them (the thicker a rod against the wavelength, the more it is
/// shortened, alike for all six), while the taper lets the front directors differ from the back.
struct TrimParameters {
    double reflector{1};     ///< the reflector loop's wire length, times
    double driven{1};        ///< the driven loop's wire length, times
    double directors{1};     ///< every director's length, times
    double directorTaper{0}; ///< DIR 1 times (1 - taper), DIR 6 times (1 + taper), linear between
    /// A long boom's directors beyond DIR 6 (see longBoomFactor): DIR 6+k is the trimmed DIR 6
    /// times (1 - addedTaper k^addedShape). Unused with six directors.
    double addedTaper{0};
    double addedShape{1};
    double directorFactor(std::size_t n) const {
        return directors * (1 + directorTaper * (static_cast<double>(n) - 2.5) / 2.5);
    }
    /// DIR 6+k's length against the trimmed DIR 6's, k >= 1.
    double addedFactor(std::size_t k) const {
        return 1 - addedTaper * std::pow(static_cast<double>(k), addedShape);
    }
};

/// The family a long boom (more than six directors) is trimmed in. The rule's added directors
/// shrink 2.2 % each at 144 MHz and their spacings shrink too: F/B falls to 13-19 dB from the
/// first added director on. The trim instead holds every spacing beyond DIR 6 at the DIR 5-DIR 6
/// spacing, so the boom grows by the same step with each director, and gives the added directors
/// a gentle taper from DIR 6 whose depth and shape the search sets; DIR 1 ... DIR 6 and the
/// loops are trimmed as with six. Only lengths and those spacings change.
inline constexpr double addedTaperLowest = 0;
inline constexpr double addedTaperHighest = 0.05;
inline constexpr double addedShapeLowest = 0.2;
inline constexpr double addedShapeHighest = 1.5;
/// Where a long boom's search starts: 0.5 % at DIR 7, 2.5 % at DIR 16.
inline constexpr double addedTaperStart = 0.005;
inline constexpr double addedShapeStart = 0.7;

/// The design with the trimmed lengths: loops and the directors' lengths before the boom
/// correction scaled, the correction and every spacing as they were.
DesignState trimmedDesign(const DesignState& design, const TrimParameters& parameters);

/// A long boom's `count` directors beyond DIR 6 in the trim's family: each spacing the design's
/// DIR 5-DIR 6 spacing, each length before the boom correction the trimmed DIR 6's times its
/// taper, the correction added back. With the parameters as designed (no taper), the base a
/// long boom's search starts from: every added director as long as DIR 6.
AddedDirectors trimmedAdded(const DesignState& design, std::size_t count,
                            const TrimParameters& parameters);
/// The model with the lengths scaled about the boom; segment counts stay, so the figures move
/// smoothly with the factors.
Model scaledModel(const Model& model, const TrimParameters& parameters);

/// The limits a trimmed design must meet: F/B and SWR over the builder's band, the gain peak
/// near the design frequency.
inline constexpr double trimFrontToBackDb = 20;
inline constexpr double trimSwr = 1.5;
inline constexpr double trimPeakPercent = 0.5;
/// How many further lengths a search offers.
inline constexpr std::size_t trimAlternatives = 2;

struct TrimProgress {
    int evaluation{};
    double gainDbi{};
    double frontToBackDb{};
    double swr{};
};

/// The limits, for saying which one a search could not meet.
enum class TrimLimit { FrontToBack, Swr, Peak };

struct TrimSearch {
    TrimParameters parameters;
    int evaluations{};
    int necRuns{};
    bool feasibleFound{}; ///< some lengths met every limit in the optimiser's own model
    /// The next best lengths that met the limits there, best first, each apart from those
    /// before: to try where the design rebuilt from `parameters` misses a limit on its own.
    std::vector<TrimParameters> alternatives;
    /// The most any evaluation reached at its worst point of the band, whatever else it missed.
    double highestFrontToBackDb{};
    double lowestSwr{}; ///< likewise
    /// What the builder could change to meet each limit (in TrimLimit's order), from what the
    /// search saw: an element whose length the search pushed to the 15 % it may move, in the
    /// evaluation nearest to meeting that limit (or all of them, where some met it alone), or
    /// else the material furthest from the proportions the design assumes.
    std::vector<std::string> help;
};

/// Searches the lengths: F/B >= 20 dB and SWR <= 1.5 over `band` (while searching, at its ends
/// and the design frequency) and a gain peak within 0.5 % of the design frequency first, each
/// with a small margin, then the forward gain at the design frequency as high as they allow,
/// less a cost on each length's change. The band must hold the design frequency; whether the
/// limits hold between the points searched is for checkBand to judge. A coarse scan of the
/// directors' scale, then of the driven loop at the best of those, finds where the limits can be
/// met; NLopt's COBYLA then searches all four parameters from the best few points of the scan, as
/// many at a time as there are cores. `progress` is told of each evaluation, from any thread
/// but one at a time. Throws what the runner throws, and Interrupted unchanged.
TrimSearch searchTrim(const Model& model, const Material& material, const Band& band,
                      const NecRunner& runNec,
                      const std::function<void(const TrimProgress&)>& progress = {});

} // namespace tarvo::analysis
