// SPDX-License-Identifier: GPL-3.0-or-later
#include "design/boom_range.h"

#include "design/diameter_tables.h"

#include <cstdio>
#include <vector>

namespace tarvo {
namespace {

/// The list's entries with their diameters in inches, in list order.
std::vector<std::pair<std::string, double>> diametersOf(Control list) {
    std::vector<std::pair<std::string, double>> entries;
    if (list == Control::List1) {
        for (const InchDiameter& d : inchDiameters) {
            entries.emplace_back(std::string(d.entry), double{d.inches});
        }
    } else {
        for (int mm = firstMillimetre; mm <= lastMillimetre; ++mm) {
            entries.emplace_back(std::to_string(mm),
                                 double{static_cast<float>(mm * inchesPerMillimetre)});
        }
    }
    return entries;
}

std::string fixed(const char* pattern, double value) {
    char text[64];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

} // namespace

double boomWavelengths(double inches, double frequencyMhz) {
    return inches / (983.6 / frequencyMhz * 12);
}

std::optional<std::string> boomRangeWarning(Control list, const std::string& entry, double inches,
                                            double frequencyMhz) {
    if (!(frequencyMhz > 0) || !(boomWavelengths(inches, frequencyMhz) > boomCorrectionLimit)) {
        return std::nullopt;
    }
    const bool inch = list == Control::List1;
    std::optional<std::string> largest;
    for (const auto& [name, diameter] : diametersOf(list)) {
        if (boomWavelengths(diameter, frequencyMhz) <= boomCorrectionLimit) {
            largest = name;
        }
    }
    const std::string listName = inch ? "inch list" : "millimetre list";
    return "The boom of " + entry + (inch ? " inch" : " mm") + " (" + fixed("%.4g", inches) +
           " in) is " + fixed("%.3f", boomWavelengths(inches, frequencyMhz)) +
           " wavelengths thick at " + fixed("%g", frequencyMhz) +
           " MHz: the boom correction is a fit for booms up to 0.055 wavelengths, so the "
           "directors' lengths are an extrapolation, not a correction. " +
           (largest
                ? "The largest entry of the " + listName + " within that range is " + *largest + "."
                : "No entry of the " + listName + " is within that range at this frequency.");
}

} // namespace tarvo
