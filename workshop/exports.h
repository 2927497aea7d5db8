// SPDX-License-Identifier: GPL-3.0-or-later
// The design for the antenna tools builders already use: an MMANA-GAL model, a symbolic NEC-2
// deck to tune, and the feed's reflection over the sweep for network analyser software.
#pragma once

#include "analysis/geometry.h"
#include "analysis/performance.h"

#include <string>

namespace tarvo::workshop {

/// The model in MMANA-GAL's .maa layout: wires in metres with their radius and segments, the
/// source at the middle of the driven loop's bottom side, free space, 50 ohm.
std::string maaFile(const analysis::Model& model, const analysis::Material& material);

/// The NEC-2 deck with SY variables for the frequency, every loop and director length, every
/// spacing and the wire and rod radii; the geometry is written in terms of them.
std::string symbolicDeck(const analysis::Model& model, const analysis::Material& material);

/// A Touchstone 1-port file: S11 of the feed against 50 ohm at every point of the sweep.
std::string touchstoneFile(const analysis::Performance& performance);

} // namespace tarvo::workshop
