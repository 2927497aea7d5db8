// SPDX-License-Identifier: GPL-3.0-or-later
#include "design/plain_number.h"

#include <fast_float/fast_float.h>
#include <fmt/format.h>

#include <cmath>
#include <cstdlib>

namespace tarvo {
namespace {

constexpr bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

/// Digits and exponent of a text in fmt's exponent or fixed form, sign already removed:
/// "1.234562e+04" and "0.0001" alike.
DecimalDigits digitsOf(std::string_view text) {
    DecimalDigits d;
    const auto e = text.find('e');
    const std::string_view mantissa = text.substr(0, e);
    int pointAt = static_cast<int>(mantissa.size()); // digits before the point
    int leadingZeros = 0;
    int seen = 0;
    for (const char c : mantissa) {
        if (c == '.') {
            pointAt = seen;
            continue;
        }
        if (!isDigit(c)) {
            continue;
        }
        ++seen;
        if (d.digits.empty() && c == '0') {
            ++leadingZeros;
            continue;
        }
        d.digits.push_back(c);
    }
    if (mantissa.find('.') == std::string_view::npos) {
        pointAt = seen;
    }
    int exponent = 0;
    if (e != std::string_view::npos) {
        std::size_t i = e + 1;
        const bool negative = i < text.size() && text[i] == '-';
        if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
            ++i;
        }
        for (; i < text.size() && isDigit(text[i]); ++i) {
            exponent = exponent * 10 + (text[i] - '0');
        }
        exponent = negative ? -exponent : exponent;
    }
    while (d.digits.size() > 1 && d.digits.back() == '0') {
        d.digits.pop_back();
    }
    if (d.digits.empty()) {
        d.digits.push_back('0');
        return d;
    }
    d.exponent = pointAt - leadingZeros - 1 + exponent;
    return d;
}

/// Reads with fast_float and tells a range fault as std::from_chars does: fast_float gives an
/// infinity or a zero where the number does not fit.
template <class T> PlainReadResult readNumber(const char* first, const char* last, T& value) {
    T read{};
    const auto result = fast_float::from_chars(first, last, read);
    if (result.ec != std::errc{}) {
        return {result.ptr, result.ec};
    }
    bool finiteText = true;
    bool nonZeroDigit = false;
    for (const char* p = first; p != result.ptr; ++p) {
        if (*p == 'e' || *p == 'E') {
            break; // the exponent's digits do not make the number non-zero
        }
        finiteText = finiteText && (isDigit(*p) || *p == '.' || *p == '-');
        nonZeroDigit = nonZeroDigit || (*p >= '1' && *p <= '9');
    }
    if (finiteText && (std::isinf(read) || (read == 0 && nonZeroDigit))) {
        return {result.ptr, std::errc::result_out_of_range};
    }
    value = read;
    return {result.ptr, std::errc{}};
}

} // namespace

PlainReadResult readPlainNumber(const char* first, const char* last, double& value) {
    return readNumber(first, last, value);
}

PlainReadResult readPlainNumber(const char* first, const char* last, float& value) {
    return readNumber(first, last, value);
}

DecimalDigits roundedDigits(double magnitude, int precision) {
    return digitsOf(fmt::format("{:.{}e}", magnitude, precision - 1));
}

std::string shortestText(double value) {
    if (std::isnan(value)) {
        return std::signbit(value) ? "-nan" : "nan";
    }
    if (std::isinf(value)) {
        return value < 0 ? "-inf" : "inf";
    }
    std::string text = std::signbit(value) ? "-" : "";
    if (value == 0) {
        text += '0';
        return text;
    }
    // fmt's shortest digits, laid out as the standard library's plain form lays them out.
    const DecimalDigits d = digitsOf(fmt::format("{}", std::fabs(value)));
    const int count = static_cast<int>(d.digits.size());
    const int e = d.exponent;
    const int fixedLength = e >= count - 1 ? e + 1 : (e >= 0 ? count + 1 : count + 1 - e);
    const std::string exponent = std::to_string(std::abs(e));
    const int scientificLength =
        count + (count > 1 ? 1 : 0) + 2 + std::max(2, static_cast<int>(exponent.size()));
    if (fixedLength <= scientificLength) {
        if (e >= count - 1) {
            // A whole number in full: every digit of its exact value, not the shortest digits
            // padded with zeros, as the standard library writes it.
            text += fmt::format("{:.0f}", std::fabs(value));
        } else if (e >= 0) {
            text += d.digits.substr(0, static_cast<std::size_t>(e + 1));
            text += '.';
            text += d.digits.substr(static_cast<std::size_t>(e + 1));
        } else {
            text += "0.";
            text.append(static_cast<std::size_t>(-e - 1), '0');
            text += d.digits;
        }
        return text;
    }
    text += d.digits.front();
    if (count > 1) {
        text += '.';
        text += d.digits.substr(1);
    }
    text += e < 0 ? "e-" : "e+";
    if (exponent.size() < 2) {
        text += '0';
    }
    text += exponent;
    return text;
}

} // namespace tarvo
