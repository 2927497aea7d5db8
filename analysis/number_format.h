// SPDX-License-Identifier: GPL-3.0-or-later
// Numbers as the analysis writes them into decks, reports and plots. tarvo-cli keeps the "C"
// locale, so they carry a point, as NEC-2 tools and SVG readers expect; a text for a person
// to read takes the user's decimal separator last.
#pragma once

#include <cctype>
#include <cstdio>
#include <string>

namespace tarvo::analysis {

/// One double through a printf pattern such as "%.2f".
inline std::string formatNumber(const char* pattern, double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, pattern, value);
    return buffer;
}

/// The text with each decimal point, a point between two digits, as the user's separator. For
/// texts whose every point between digits is a decimal point: reports, never file names.
inline std::string withDecimalSeparator(const std::string& text, const std::string& separator) {
    if (separator == ".") {
        return text;
    }
    const auto digit = [&text](std::size_t i) {
        return std::isdigit(static_cast<unsigned char>(text[i])) != 0;
    };
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '.' && i > 0 && i + 1 < text.size() && digit(i - 1) && digit(i + 1)) {
            out += separator;
        } else {
            out += text[i];
        }
    }
    return out;
}

} // namespace tarvo::analysis
