// SPDX-License-Identifier: GPL-3.0-or-later
// Conversions between numbers and the texts the boxes show. The decimal separator is the user's
// locale's and is passed in, so these functions are pure.
#pragma once

#include <string>
#include <string_view>

namespace tarvo {

/// The general number text of the single rounded to 7 significant digits: "89.35", "0.7751",
/// "12", "1.28664E+07", "inf", "nan".
std::string singleToText(float value, std::string_view separator);

/// The general number text of the double rounded to 15 significant digits.
std::string doubleToText(double value, std::string_view separator);

/// Parses a decimal number: optional blanks around, optional sign, digits with the separator, an
/// optional exponent. Gives the single nearest the text. Throws ConversionFault when the text is
/// not a number and ArithmeticFault (overflow) beyond the single range; tiny values become 0.
float textToSingle(std::string_view text, std::string_view separator);

/// As textToSingle, for a double.
double textToDouble(std::string_view text, std::string_view separator);

} // namespace tarvo
