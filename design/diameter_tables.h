// SPDX-License-Identifier: GPL-3.0-or-later
// The boom diameters the two lists offer, in list order.
#pragma once

#include <array>
#include <string_view>

namespace tarvo {

struct InchDiameter {
    std::string_view entry;
    float inches;
};

/// List1. The "2" entry sets 1.9 inches, not 2.
inline constexpr std::array<InchDiameter, 9> inchDiameters{{
    {"3/4", 0.75F},
    {"7/8", 0.875F},
    {"1", 1.0F},
    {"1 1/8", 1.125F},
    {"1 1/4", 1.25F},
    {"1 3/8", 1.375F},
    {"1 1/2", 1.5F},
    {"1 3/4", 1.75F},
    {"2", 1.9F},
}};

/// List2 holds the whole millimetres 19 ... 51; entry n sets n * 0.0394 inches.
inline constexpr int firstMillimetre = 19;
inline constexpr int lastMillimetre = 51;
inline constexpr double inchesPerMillimetre = 0.0394;

} // namespace tarvo
