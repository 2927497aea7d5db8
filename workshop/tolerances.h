// SPDX-License-Identifier: GPL-3.0-or-later
// How precisely each length and spacing must be cut: the largest change of that one dimension,
// either way, that does not yet cost 0.2 dB of forward gain, lower F/B below 20 dB or raise the
// SWR above 1.5 at the design frequency, found with nec2c runs of the model so changed.
#pragma once

#include "analysis/geometry.h"
#include "analysis/refine.h"

#include <optional>
#include <string>
#include <vector>

namespace tarvo::workshop {

inline constexpr double gainLossLimitDb = 0.2;
inline constexpr double frontToBackLimitDb = 20;
inline constexpr double swrLimit = 1.5;

/// One dimension the builder cuts or drills.
struct Dimension {
    enum class Kind { LoopLength, DirectorLength, Spacing };
    Kind kind{};
    std::size_t
        index{}; ///< loops: 0 reflector, 1 driven; directors 0 (DIR 1) on; spacings 0 (R-DE) on
    std::string name() const;
};

/// The model with one dimension changed by `deltaMm`; segment counts stay, so that only the
/// dimension moves the figures. A loop keeps its square shape about the boom; a spacing moves
/// every element ahead of it.
analysis::Model perturbed(const analysis::Model& model, const Dimension& dimension, double deltaMm);

/// The figures the limits are about, at the design frequency.
struct Figures {
    double gainDbi{};
    double frontToBackDb{};
    double swr{};
};

/// Which limit a change reaches first.
enum class Limit { GainLoss, FrontToBack, Swr };
std::string limitName(Limit limit);

/// The change in one direction that stays inside every limit, where a larger one crosses one.
struct OneWay {
    /// Magnitude: the safe end of the final bracket, a change at which no limit is crossed yet,
    /// within 2.5 % of the crossing. Empty: no limit reached within `searchedMm`.
    std::optional<double> mm;
    Limit limit{}; ///< the limit crossed just beyond `mm`
    double searchedMm{};
};

struct Tolerance {
    Dimension dimension;
    OneWay shorter; ///< the dimension made smaller
    OneWay longer;  ///< the dimension made larger
    bool critical{};
    /// The smaller of the two ways; the searched range when neither reaches a limit.
    double tightestMm() const;
};

struct ToleranceReport {
    Figures nominal;
    bool frontToBackUsed{}; ///< false: the design itself is below 20 dB, so F/B sets no tolerance
    bool swrUsed{};
    std::vector<Tolerance> tolerances; ///< REF, DE loops; every director; every spacing
    int necRuns{};
};

/// The figures at the design frequency from one nec2c run of `model`.
Figures figuresOf(const analysis::Model& model, const analysis::Material& material,
                  const analysis::NecRunner& runNec);

/// Tolerances of every loop, director and spacing. Each round of the search runs its nec2c
/// decks side by side on the available cores. The three tightest are marked critical.
ToleranceReport findTolerances(const analysis::Model& model, const analysis::Material& material,
                               const analysis::NecRunner& runNec);

} // namespace tarvo::workshop
