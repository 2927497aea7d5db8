// SPDX-License-Identifier: GPL-3.0-or-later
// The NEC-2 card deck of a model: what nec2c runs, and what --nec writes for other NEC-2 tools.
#pragma once

#include "analysis/geometry.h"

#include <string>
#include <vector>

namespace tarvo::analysis {

/// The frequencies around the design frequency: +/- `percent` in steps of `stepPercent`.
/// The sweep is symmetric about the design frequency, which is one of its points.
struct Sweep {
    double percent{3};
    double stepPercent{0.25};

    /// Steps on each side of the design frequency.
    int stepsEachSide() const;
    int count() const;
    /// How far the sweep reaches on each side, in percent: a whole number of steps.
    double reachPercent() const { return stepsEachSide() * stepPercent; }
    double startMhz(double designMhz) const { return designMhz * (1 - reachPercent() / 100); }
    double stepMhz(double designMhz) const { return designMhz * stepPercent / 100; }
    /// Point i of the sweep, 0 the lowest.
    double frequencyMhz(double designMhz, int i) const {
        return startMhz(designMhz) + i * stepMhz(designMhz);
    }
};

/// Pattern cuts the deck asks for at the design frequency, in whole degrees.
inline constexpr int azimuthPoints = 361;   // theta 90, phi 0 ... 360
inline constexpr int elevationPoints = 181; // theta 0 ... 180, at phi 0 and at phi 180

/// CM/CE, GW, GE, LD, EX, FR, RP and EN cards: the design frequency with the azimuth and
/// elevation cuts, then the sweep with the forward and backward gains.
/// nec2c's printing of the currents is turned off (PT): the run reads only the figures.
std::string writeDeck(const Model& model, const Material& material, const Sweep& sweep);

/// The same deck for other NEC-2 programs (--nec, a .nec export): no card that only nec2c's
/// printed report needs, since xnec2c stops at a PT or PQ card.
std::string exportDeck(const Model& model, const Material& material, const Sweep& sweep);

/// The deck of writeDeck cut into `parts` decks to run side by side, one a core: the design
/// frequency with its cuts in the first, the sweep's frequencies shared out in order, so the
/// decks' results one after another are writeDeck's.
std::vector<std::string> writeSweepDecks(const Model& model, const Material& material,
                                         const Sweep& sweep, int parts);

/// The same model at each of `frequenciesMhz` in turn, with the forward and backward gains
/// only: what a refinement of the sweep runs.
std::string writePointsDeck(const Model& model, const Material& material,
                            const std::vector<double>& frequenciesMhz);

} // namespace tarvo::analysis
