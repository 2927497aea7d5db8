// SPDX-License-Identifier: GPL-3.0-or-later
#include "design/decimal_separator.h"

#include <clocale>

namespace tarvo {

std::string userDecimalSeparator() {
    std::string separator = ".";
    if (std::setlocale(LC_NUMERIC, "") != nullptr) {
        separator = std::localeconv()->decimal_point;
    }
    // The program's own number text is written by hand; the C library's stays in "C".
    std::setlocale(LC_NUMERIC, "C");
    return separator.empty() ? "." : separator;
}

} // namespace tarvo
