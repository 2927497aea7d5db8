// SPDX-License-Identifier: GPL-3.0-or-later
// Reading numbers from boxes and writing number texts into them, subject to each box's limit.
#pragma once

#include "design/controls.h"
#include "design/form.h"

#include <optional>
#include <string>
#include <string_view>

namespace tarvo {

/// The text cut to `limit` characters (0: no limit), or nothing when the cut would remove more
/// than digits after the decimal separator and the separator itself: "36.27719" fits 7 as
/// "36.2771", "12866400" and "1.28664E+07" do not.
std::optional<std::string> cutNumberText(std::string_view text, std::size_t limit,
                                         std::string_view separator);

/// Writes a number text into a box as cut to its limit; throws an overflow ArithmeticFault, and
/// leaves the box as it was, when the cut would change the number's magnitude.
void showNumberText(Form& form, Control box, std::string_view text);
void showSingle(Form& form, Control box, float value);
void showDouble(Form& form, Control box, double value);

/// TextToSingle and TextToDouble of a box's text; a ConversionFault names the box.
float readSingle(const Form& form, Control box);
double readDouble(const Form& form, Control box);

} // namespace tarvo
