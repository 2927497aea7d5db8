// SPDX-License-Identifier: GPL-3.0-or-later
#include "workshop/feedline.h"

#include "analysis/geometry.h"
#include "analysis/number_format.h"

#include <cmath>
#include <numbers>

namespace tarvo::workshop {

std::complex<double> atFeedPoint(std::complex<double> measured, double frequencyMhz,
                                 const FeedLine& line) {
    // Phase constant from the wavelength on the line; attenuation in nepers (8.686 dB each),
    // growing with the square root of the frequency as a coax's conductor loss does.
    const double beta =
        2 * std::numbers::pi * frequencyMhz / (analysis::speedOfLight * line.velocityFactor);
    const double alpha = line.lossy()
                             ? line.lossDbPer100m / 100 * std::sqrt(frequencyMhz / line.lossAtMhz) /
                                   (20 / std::numbers::ln10)
                             : 0;
    const std::complex<double> t = std::tanh(std::complex<double>(alpha, beta) * line.lengthM);
    const double z0 = line.z0Ohms;
    // Zin = Z0 (ZL + Z0 t) / (Z0 + ZL t), solved for ZL.
    return z0 * (measured - z0 * t) / (z0 - measured * t);
}

std::string feedLineText(const FeedLine& line) {
    using analysis::formatNumber;
    return formatNumber("%g", line.lengthM) + " m of " + formatNumber("%g", line.z0Ohms) +
           " ohm line, velocity factor " + formatNumber("%g", line.velocityFactor) + ", " +
           (line.lossy() ? formatNumber("%g", line.lossDbPer100m) + " dB/100 m at " +
                               formatNumber("%g", line.lossAtMhz) +
                               " MHz (scaled with the square root of the frequency)"
                         : std::string("lossless"));
}

} // namespace tarvo::workshop
