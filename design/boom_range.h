// SPDX-License-Identifier: GPL-3.0-or-later
// How far the boom correction can be trusted. Its polynomial in the boom's thickness in
// wavelengths, c x 12.5975 - c^2 x 114.5, is a fit to booms up to about 0.05 wavelength: the
// correction per unit of diameter peaks at c = 12.5975 / (2 x 114.5) = 0.055, falls after it and
// turns negative past 0.11. Beyond 0.055 its figures are an extrapolation, not a correction.
#pragma once

#include "design/controls.h"

#include <optional>
#include <string>

namespace tarvo {

inline constexpr double boomCorrectionLimit = 0.055; // wavelengths

/// The boom diameter `inches` in wavelengths at `frequencyMhz`, as COMPUTE forms it.
double boomWavelengths(double inches, double frequencyMhz);

/// For a boom diameter chosen from `list` (its entry `entry`, `inches` thick) beyond the
/// correction's range at the frequency: what a builder must know, naming the largest entry of
/// the same list within the range. Nothing when the boom is within it.
std::optional<std::string> boomRangeWarning(Control list, const std::string& entry, double inches,
                                            double frequencyMhz);

} // namespace tarvo
