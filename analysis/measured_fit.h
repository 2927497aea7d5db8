// SPDX-License-Identifier: GPL-3.0-or-later
// The builder's measured feed impedance explained by the model: the loop lengths for which
// NEC-2 gives what the analyser saw, found by nec2c runs at the measured frequencies.
#pragma once

#include "analysis/geometry.h"
#include "analysis/refine.h"

#include <complex>
#include <vector>

namespace tarvo::analysis {

struct ImpedanceSample {
    double frequencyMhz{};
    std::complex<double> impedance; ///< ohms at the feed point
};

/// How far two impedances lie apart, as the builder's analyser sees it: the distance of their
/// reflection coefficients against 50 ohm (0 the same; 2 at most).
double reflectionDistance(std::complex<double> a, std::complex<double> b);

/// The root mean square of reflectionDistance over paired samples.
double rmsReflectionDistance(const std::vector<ImpedanceSample>& a,
                             const std::vector<ImpedanceSample>& b);

/// How far a fitted length may lie from the design: past it the antenna is another one.
inline constexpr double fitReach = 0.15;

struct MeasuredFit {
    double driven{1};    ///< the driven loop's length that explains the measurement, times
    double reflector{1}; ///< likewise the reflector's, 1 unless `reflectorFitted`
    bool reflectorFitted{};
    /// Why the reflector was or was not told apart from the driven loop.
    std::string reflectorNote;
    double residual{};           ///< rmsReflectionDistance, model with the fitted lengths
    double residualDrivenOnly{}; ///< the same with the driven loop alone fitted
    double residualAsDesigned{}; ///< the same with the lengths as designed
    bool atReach{};              ///< a fitted length lies at fitReach: nothing nearer explains it
    std::vector<ImpedanceSample> measured;   ///< the samples fitted, at the feed point
    std::vector<ImpedanceSample> asDesigned; ///< NEC-2 at the same frequencies
    std::vector<ImpedanceSample> fitted;     ///< NEC-2 with the fitted lengths
    int evaluations{};
    int necRuns{};
};

/// The most measured frequencies one evaluation runs: more only cost time.
inline constexpr std::size_t fitMaxFrequencies = 17;

/// Fits the driven loop's length (and, with `tryReflector`, both loops') of `model` to the
/// samples: a scan of the driven loop in 2 % steps, then NLopt's BOBYQA from the best; each
/// evaluation's frequencies split over the cores. The samples should be within the model's
/// band; at most fitMaxFrequencies of them, spread evenly, are used. Throws what the runner
/// throws.
MeasuredFit fitMeasured(const Model& model, const Material& material,
                        const std::vector<ImpedanceSample>& samples, const NecRunner& runNec,
                        bool tryReflector);

} // namespace tarvo::analysis
