// SPDX-License-Identifier: GPL-3.0-or-later
// The operations of the main window's Click events. Each reads and writes the window only through
// the Form, keeps its numbers in DesignState, and stops at the failing step by throwing a Fault;
// whatever it wrote before stays.
#pragma once

#include "design/controls.h"
#include "design/design_state.h"
#include "design/form.h"

#include <string>
#include <vector>

namespace tarvo {

/// COMPUTE (Command1): the loops, directors, spacings, reductions and boom positions in inches.
void computeDesign(Form& form, DesignState& state);

/// CONVERT TO METRIC (Command4): the stored results rewritten in centimetres.
void convertToMetric(Form& form, const DesignState& state);

/// NON METALLIC BOOM (Option1).
void chooseNonMetallicBoom(Form& form, DesignState& state);
/// METALLIC BOOM (Option2).
void chooseMetallicBoom(Form& form);
/// A Click on the inch list (List1).
void takeInchDiameter(Form& form, DesignState& state);
/// A Click on the millimetre list (List2).
void takeMillimetreDiameter(Form& form, DesignState& state);

/// Whether the engine owns the Click of this control (COMPUTE, CONVERT TO METRIC, the two
/// options and the two lists); WEBSITE and PRINT belong to the window.
bool isDesignClick(Control control);
/// Runs the operation of a Click that isDesignClick accepts.
void runDesignClick(Control control, Form& form, DesignState& state);

/// The entry texts of List1 or List2, in list order.
std::vector<std::string> listEntries(Control list);

} // namespace tarvo
