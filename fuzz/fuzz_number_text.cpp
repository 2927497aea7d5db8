// SPDX-License-Identifier: GPL-3.0-or-later
// Arbitrary bytes as a box text through TextToSingle and TextToDouble, and arbitrary singles and
// doubles through SingleToText and DoubleToText and back, in a point and a comma locale. Where
// the C++ library converts floating-point numbers itself (not so on WebAssembly), the portable
// conversions the engine uses must give exactly what it gives, text for text and bit for bit.
#include "design/box_text.h"
#include "design/faults.h"
#include "design/number_text.h"
#include "design/plain_number.h"

#include <charconv>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

namespace {

void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

/// Digits after the separator in a plain number text; 0 without a separator.
int fractionDigits(std::string_view text, std::string_view separator) {
    const auto point = text.find(separator);
    return point == std::string_view::npos
               ? 0
               : static_cast<int>(text.size() - point - separator.size());
}

/// Reading a number text the program wrote gives the value within half a unit of its last
/// digit, and a cut to a box's limit removes no more than fraction digits.
template <class T> void checkWritten(T value, std::string_view separator) {
    if (!std::isfinite(value)) {
        return;
    }
    constexpr bool single = sizeof(T) == sizeof(float);
    const std::string text = single ? tarvo::singleToText(static_cast<float>(value), separator)
                                    : tarvo::doubleToText(static_cast<double>(value), separator);
    const double written = static_cast<double>(value);
    // Half a unit of the 7th (15th) significant digit, and half a step of the type the text is
    // read back into.
    const double precision = (single ? 5e-7 : 5e-15) + std::numeric_limits<T>::epsilon();
    const double slack = single ? 1.5e-45 : 5e-324;
    try {
        const double read =
            single ? tarvo::textToSingle(text, separator) : tarvo::textToDouble(text, separator);
        require(std::fabs(read - written) <= std::fabs(written) * precision + slack);
    } catch (const tarvo::ArithmeticFault& fault) {
        // Only a value that rounds, at the text's digits, beyond the largest of its type.
        const double largest = static_cast<double>(std::numeric_limits<T>::max());
        require(fault.kind() == tarvo::FaultKind::Overflow &&
                std::fabs(written) > largest * (1 - precision));
        return;
    } catch (const tarvo::ConversionFault&) {
        require(false);
    }
    for (const std::size_t limit : {std::size_t{6}, std::size_t{7}}) {
        const auto cut = tarvo::cutNumberText(text, limit, separator);
        if (!cut) {
            require(text.size() > limit);
            continue;
        }
        require(cut->size() <= limit);
        if (*cut == "-" || cut->empty()) {
            require(false);
        }
        const double shown = tarvo::textToDouble(*cut, separator);
        const bool exponent = cut->find('E') != std::string::npos;
        const double unit = exponent ? 0.0 : std::pow(10.0, -fractionDigits(*cut, separator));
        require(std::fabs(shown - written) <= unit + std::fabs(written) * precision * 2 + slack);
    }
}

void checkRead(std::string_view text, std::string_view separator) {
    try {
        checkWritten(tarvo::textToSingle(text, separator), separator);
    } catch (const tarvo::ConversionFault&) {
    } catch (const tarvo::ArithmeticFault& fault) {
        require(fault.kind() == tarvo::FaultKind::Overflow);
    }
    try {
        checkWritten(tarvo::textToDouble(text, separator), separator);
    } catch (const tarvo::ConversionFault&) {
    } catch (const tarvo::ArithmeticFault& fault) {
        require(fault.kind() == tarvo::FaultKind::Overflow);
    }
}

#if defined(__cpp_lib_to_chars)
/// The library's own: the same digits at 7 and 15 significant digits, the same shortest text.
void compareWriting(double value) {
    std::array<char, 64> buffer{};
    const auto end = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value).ptr;
    require(tarvo::shortestText(value) == std::string_view(buffer.data(), end));
    if (!std::isfinite(value) || value == 0) {
        return;
    }
    for (const int precision : {7, 15}) {
        const auto written =
            std::to_chars(buffer.data(), buffer.data() + buffer.size(), std::fabs(value),
                          std::chars_format::scientific, precision - 1);
        const std::string_view text(buffer.data(), written.ptr);
        const auto e = text.find('e');
        std::string digits;
        for (const char c : text.substr(0, e)) {
            if (c != '.') {
                digits.push_back(c);
            }
        }
        while (digits.size() > 1 && digits.back() == '0') {
            digits.pop_back();
        }
        const tarvo::DecimalDigits rounded = tarvo::roundedDigits(std::fabs(value), precision);
        require(rounded.digits == digits);
        require(std::to_string(rounded.exponent) ==
                std::to_string(std::stoi(std::string(text.substr(e + 1)))));
    }
}

/// The same number read, the same place where reading stops, the same range fault.
template <class T> void compareReading(std::string_view text) {
    T library{7};
    T portable{7};
    const auto a = std::from_chars(text.data(), text.data() + text.size(), library);
    const auto b = tarvo::readPlainNumber(text.data(), text.data() + text.size(), portable);
    require(a.ptr == b.ptr && a.ec == b.ec);
    require(std::memcmp(&library, &portable, sizeof(T)) == 0 ||
            (std::isnan(library) && std::isnan(portable)));
}
#endif

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
#if defined(__cpp_lib_to_chars)
    compareReading<double>(text);
    compareReading<float>(text);
    if (size >= sizeof(float)) {
        float single = 0;
        std::memcpy(&single, data, sizeof single);
        compareWriting(static_cast<double>(single));
    }
    if (size >= sizeof(double)) {
        double value = 0;
        std::memcpy(&value, data, sizeof value);
        compareWriting(value);
    }
#endif
    for (const std::string_view separator : {".", ","}) {
        checkRead(text, separator);
        if (size >= sizeof(float)) {
            float single = 0;
            std::memcpy(&single, data, sizeof single);
            checkWritten(single, separator);
        }
        if (size >= sizeof(double)) {
            double value = 0;
            std::memcpy(&value, data, sizeof value);
            checkWritten(value, separator);
        }
    }
    return 0;
}
