// SPDX-License-Identifier: GPL-3.0-or-later
// The stored design of the 144 MHz worked example (metallic boom, 1 inch), as COMPUTE leaves it.
#pragma once

#include "cli/memory_window.h"

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

} // namespace tarvo::test
