// SPDX-License-Identifier: GPL-3.0-or-later
// Numbers in the plain, locale-free form the program's own files and nec2c's output use
// ("-12.5e3"), read and written the same way on every target the engine builds for, whether or
// not its C++ library converts floating-point numbers itself.
#pragma once

#include <string>
#include <string_view>
#include <system_error>

namespace tarvo {

/// Where reading stopped and why, as std::from_chars tells it.
struct PlainReadResult {
    const char* ptr;
    std::errc ec;
};

/// Reads the longest plain decimal number at the start of [first, last): optional '-', digits
/// with an optional '.', an optional exponent; also "inf" and "nan". A number beyond the range of
/// the type, or one that is not zero yet rounds to zero, gives result_out_of_range and leaves
/// `value` as it was; no number gives invalid_argument.
PlainReadResult readPlainNumber(const char* first, const char* last, double& value);
PlainReadResult readPlainNumber(const char* first, const char* last, float& value);

/// The shortest text that reads back as exactly this double, in the fixed or the exponent form,
/// whichever is shorter ("0.25", "1e+15", "1e-04"); "inf", "-inf", "nan" as well.
std::string shortestText(double value);

/// Significant digits and decimal exponent of a finite, non-zero magnitude rounded to
/// `precision` significant digits, halfway cases to even: 89.35F at 7 digits gives "8935" and 1.
/// Trailing zeros are removed; at least one digit remains.
struct DecimalDigits {
    std::string digits;
    int exponent{};
};
DecimalDigits roundedDigits(double magnitude, int precision);

} // namespace tarvo
