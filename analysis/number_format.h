// SPDX-License-Identifier: GPL-3.0-or-later
// Numbers as the analysis writes them into decks, reports and plots. tarvo-cli keeps the "C"
// locale, so they carry a point, as NEC-2 tools and SVG readers expect.
#pragma once

#include <cstdio>
#include <string>

namespace tarvo::analysis {

/// One double through a printf pattern such as "%.2f".
inline std::string formatNumber(const char* pattern, double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, pattern, value);
    return buffer;
}

} // namespace tarvo::analysis
