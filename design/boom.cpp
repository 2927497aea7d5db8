// SPDX-License-Identifier: GPL-3.0-or-later
// The boom type and diameter choices, and the routing of the engine's Click events.
#include "design/diameter_tables.h"
#include "design/operations.h"

#include <string>

namespace tarvo {

using enum Control;

void chooseNonMetallicBoom(Form& form, DesignState& s) {
    // Non-zero, so the next COMPUTE does not ask for a boom choice again.
    s.x = 0.00001F;
    for (const Control control : {List1, Text32, List2, Text34, Text30}) {
        form.setVisible(control, false);
    }
}

void chooseMetallicBoom(Form& form) {
    form.setVisible(Text30, false);
    for (const Control control : {List1, Text32, List2, Text34}) {
        form.setVisible(control, true);
    }
}

void takeInchDiameter(Form& form, DesignState& s) {
    const std::string entry = form.selectedEntry(List1).value_or("");
    for (const InchDiameter& row : inchDiameters) {
        if (entry == row.entry) {
            s.b = row.inches;
        }
    }
    // The unit caption of the list last used takes the highlight colour.
    form.setForeColor(Text32, colors::highlight);
    form.setForeColor(Text34, colors::menuText);
    form.setVisible(Text30, false);
}

void takeMillimetreDiameter(Form& form, DesignState& s) {
    const std::string entry = form.selectedEntry(List2).value_or("");
    for (int n = firstMillimetre; n <= lastMillimetre; ++n) {
        if (entry == std::to_string(n)) {
            s.b = static_cast<float>(n * inchesPerMillimetre);
        }
    }
    form.setForeColor(Text34, colors::highlight);
    form.setForeColor(Text32, colors::menuText);
    // The prompt stays: COMPUTE hides it once the correction is non-zero.
}

std::vector<std::string> listEntries(Control list) {
    std::vector<std::string> entries;
    if (list == List1) {
        for (const InchDiameter& row : inchDiameters) {
            entries.emplace_back(row.entry);
        }
    } else if (list == List2) {
        for (int n = firstMillimetre; n <= lastMillimetre; ++n) {
            entries.push_back(std::to_string(n));
        }
    }
    return entries;
}

bool isDesignClick(Control control) {
    switch (control) {
    case Command1:
    case Command4:
    case Option1:
    case Option2:
    case List1:
    case List2:
        return true;
    default:
        return false;
    }
}

void runDesignClick(Control control, Form& form, DesignState& state) {
    switch (control) {
    case Command1:
        computeDesign(form, state);
        break;
    case Command4:
        convertToMetric(form, state);
        break;
    case Option1:
        chooseNonMetallicBoom(form, state);
        break;
    case Option2:
        chooseMetallicBoom(form);
        break;
    case List1:
        takeInchDiameter(form, state);
        break;
    case List2:
        takeMillimetreDiameter(form, state);
        break;
    default:
        break;
    }
}

} // namespace tarvo
