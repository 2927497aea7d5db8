// SPDX-License-Identifier: GPL-3.0-or-later
// The stored design of the 144 MHz worked example (metallic boom, 1 inch), as COMPUTE leaves it.
#pragma once

#include "replay/memory_window.h"

#include <cmath>
#include <complex>
#include <cstdio>
#include <numbers>
#include <string>

namespace tarvo::test {

inline DesignState computedDesign(const char* frequency, bool metallic = true) {
    MemoryWindow window;
    window.type(frequency);
    if (metallic) {
        window.click(Control::Option2);
        window.select(Control::List1, "1");
    } else {
        window.click(Control::Option1);
    }
    window.click(Control::Command1);
    return window.state();
}

/// The far field r x |E| (volts) that gives `gainDbi` with 10 mW in: G = 4 pi |rE|^2 / (2 eta0 P).
inline double fieldFor(double gainDbi) {
    return std::sqrt(std::pow(10, gainDbi / 10) * 2 * 376.730313668 * 1e-2 /
                     (4 * std::numbers::pi));
}

/// What nec2c prints for one frequency of a deck that asks for the forward and backward gains
/// only, with the feed impedance and gains given: the stand-ins' answer.
/// `misreadingDb` is added to the gain that the field strengths give, not to the printed one.
inline std::string necAnswer(double frequencyMhz, std::complex<double> feed, double forwardDbi,
                             double backDbi, double misreadingDb = 0) {
    char text[1200];
    std::snprintf(text, sizeof text,
                  "  FREQUENCY : %.6E MHz\n"
                  "  ANTENNA INPUT PARAMETERS\n  head\n  head\n"
                  "    5     6  1.0E+00  0.0E+00  2.0E-02  0.0E+00  %.6E  %.6E  0 0 1.0E-02\n"
                  "  POWER BUDGET\n  INPUT POWER   =  1.0000E-02 Watts\n"
                  "  RADIATED POWER=  9.8E-03 Watts\n  STRUCTURE LOSS=  2.0E-04 Watts\n"
                  "  NETWORK LOSS  =  0.0E+00 Watts\n  EFFICIENCY    =   98.00 Percent\n\n\n"
                  "  RADIATION PATTERNS\n  DEGREES   DEGREES   DB   DB   DB\n"
                  "   90.00      0.00   -99.00   %.2f   %.2f   0.0 0.0 LINEAR  "
                  "0.0000E+00 0.0 %.4E 0.0\n"
                  "   90.00    180.00   -99.00   %.2f   %.2f   0.0 0.0 LINEAR  "
                  "0.0000E+00 0.0 %.4E 0.0\n\n",
                  frequencyMhz, feed.real(), feed.imag(), forwardDbi, forwardDbi,
                  fieldFor(forwardDbi + misreadingDb), backDbi, backDbi, fieldFor(backDbi));
    return text;
}

} // namespace tarvo::test
