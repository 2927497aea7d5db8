// SPDX-License-Identifier: GPL-3.0-or-later
#include "design/number_text.h"

#include "design/echo.h"

#include "design/faults.h"
#include "design/plain_number.h"

#include <cmath>
#include <cstdlib>
#include <optional>

namespace tarvo {
namespace {

constexpr bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
constexpr bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

template <class T> std::string toText(T value, int precision, std::string_view separator) {
    if (std::isnan(value)) {
        return "nan";
    }
    if (std::isinf(value)) {
        return value < 0 ? "-inf" : "inf";
    }
    if (value == 0) {
        return "0"; // -0 as well: it is not a negative value
    }
    const DecimalDigits d = roundedDigits(std::fabs(double{value}), precision);
    std::string text = value < 0 ? "-" : "";
    const auto count = static_cast<int>(d.digits.size());
    if (d.exponent >= -5 && d.exponent < precision) {
        if (d.exponent < 0) {
            text += "0";
            text += separator;
            text.append(static_cast<std::size_t>(-d.exponent - 1), '0');
            text += d.digits;
        } else {
            const int integerDigits = d.exponent + 1;
            text += d.digits.substr(0, static_cast<std::size_t>(std::min(integerDigits, count)));
            if (count > integerDigits) {
                text += separator;
                text += d.digits.substr(static_cast<std::size_t>(integerDigits));
            } else {
                text.append(static_cast<std::size_t>(integerDigits - count), '0');
            }
        }
        return text;
    }
    text += d.digits.front();
    if (count > 1) {
        text += separator;
        text += d.digits.substr(1);
    }
    text += d.exponent < 0 ? "E-" : "E+";
    const std::string exponent = std::to_string(std::abs(d.exponent));
    if (exponent.size() < 2) {
        text += '0';
    }
    return text + exponent;
}

/// The text in the plain form readPlainNumber reads ("-12.5e3"), or nothing when it is not a
/// number. Also gives the decimal exponent of its first non-zero digit, to tell an overflow from
/// an underflow when the value is out of range.
struct Normalized {
    std::string text;
    long leadingExponent{}; // position of the first non-zero digit, as a power of ten
    bool allZero{true};
};

std::optional<Normalized> normalize(std::string_view text, std::string_view separator) {
    std::size_t i = 0;
    std::size_t end = text.size();
    while (i < end && isBlank(text[i])) {
        ++i;
    }
    while (end > i && isBlank(text[end - 1])) {
        --end;
    }
    Normalized n;
    if (i < end && (text[i] == '+' || text[i] == '-')) {
        if (text[i] == '-') {
            n.text.push_back('-');
        }
        ++i;
    }
    std::size_t digits = 0;
    long integerDigits = 0;
    bool seenSeparator = false;
    long firstNonZero = 0; // index among all mantissa digits
    while (i < end) {
        if (isDigit(text[i])) {
            if (text[i] != '0' && n.allZero) {
                n.allZero = false;
                firstNonZero = static_cast<long>(digits);
            }
            n.text.push_back(text[i]);
            ++digits;
            if (!seenSeparator) {
                ++integerDigits;
            }
            ++i;
        } else if (!seenSeparator && !separator.empty() &&
                   text.substr(i, separator.size()) == separator) {
            seenSeparator = true;
            n.text.push_back('.');
            i += separator.size();
        } else {
            break;
        }
    }
    if (digits == 0) {
        return std::nullopt;
    }
    long exponent = 0;
    if (i < end && (text[i] == 'e' || text[i] == 'E')) {
        n.text.push_back('e');
        ++i;
        bool negative = false;
        if (i < end && (text[i] == '+' || text[i] == '-')) {
            negative = text[i] == '-';
            n.text.push_back(text[i]);
            ++i;
        }
        const std::size_t first = i;
        while (i < end && isDigit(text[i])) {
            exponent = std::min(exponent * 10 + (text[i] - '0'), 1'000'000L);
            n.text.push_back(text[i]);
            ++i;
        }
        if (i == first) {
            return std::nullopt;
        }
        exponent = negative ? -exponent : exponent;
    }
    if (i != end) {
        return std::nullopt;
    }
    n.leadingExponent = integerDigits - firstNonZero - 1 + exponent;
    return n;
}

template <class T> T parse(std::string_view text, std::string_view separator) {
    const auto normalized = normalize(text, separator);
    if (!normalized) {
        throw ConversionFault(text);
    }
    const std::string& plain = normalized->text;
    T value{};
    const auto result = readPlainNumber(plain.data(), plain.data() + plain.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        if (normalized->leadingExponent > 0) {
            throw ArithmeticFault(FaultKind::Overflow,
                                  "Overflow: the number " + echoOf(text) + " is too large.");
        }
        return plain.front() == '-' ? -T{0} : T{0};
    }
    return value;
}

} // namespace

std::string singleToText(float value, std::string_view separator) {
    return toText(value, 7, separator);
}

std::string doubleToText(double value, std::string_view separator) {
    return toText(value, 15, separator);
}

float textToSingle(std::string_view text, std::string_view separator) {
    return parse<float>(text, separator);
}

double textToDouble(std::string_view text, std::string_view separator) {
    return parse<double>(text, separator);
}

} // namespace tarvo
