// SPDX-License-Identifier: GPL-3.0-or-later
// The builder's analyser sweep against the plan's model: which loop lengths explain it, and
// what to cut to bring the antenna to the design; or, when the model cannot explain it, that.
#pragma once

#include "analysis/measured_fit.h"
#include "analysis/performance.h"
#include "plan/plan.h"
#include "workshop/feedline.h"
#include "workshop/touchstone_reader.h"

#include <optional>
#include <string>
#include <vector>

namespace tarvo {

/// Advice is given only where the fitted model explains the measurement within this (the root
/// mean square distance of the reflection coefficients against 50 ohm).
inline constexpr double adviceResidualLimit = 0.08;
/// A loop within this of its designed length needs no cut.
inline constexpr double noCutFraction = 0.0025;
/// Measured points further than this from the design frequency are not compared.
inline constexpr double comparedReach = 0.15;

struct LoopAdvice {
    std::string element; ///< "Driven loop", "Reflector loop"
    double factor{1};    ///< measured as if this times its designed length
    double measuredMm{}; ///< the length it behaves as, in mm
    double designedMm{}; ///< the length to bring it to
    bool needsChange() const;
};

struct MeasurementAdvice {
    workshop::Measurement measurement;
    std::optional<workshop::FeedLine> line;
    std::vector<analysis::ImpedanceSample> atFeed; ///< the points compared, at the feed point
    std::optional<analysis::MeasuredFit> fit;
    std::vector<LoopAdvice> loops;  ///< the driven loop, and the reflector where it was told apart
    bool advised{};                 ///< a change of lengths is advised
    std::string refusal;            ///< why none is, where `advised` is false and a cut was wanted
    analysis::Performance expected; ///< the plan as designed: what the antenna does after the cut
    bool trimmedDesign{};           ///< the plan compared builds an accepted trim's lengths
};

/// The antenna as it stands, where no cut is advised: the fitted model's SWR (NEC-2 with the
/// fitted lengths) and the sweep's, at the compared frequency nearest the design frequency.
struct AsItStands {
    double frequencyMhz{};
    double fittedSwr{};
    double measuredSwr{}; ///< at the feed point
};
std::optional<AsItStands> asItStands(const MeasurementAdvice& advice, double designMhz);

/// Moves the measurement to the feed point through `line`, fits the plan's model (its built
/// lengths: an accepted trim's, where the plan holds one) to it with nec2c runs, and advises.
/// Throws what the analysis throws, and AnalysisError where the comparison gives no finite
/// figure: a fault, never a figure to report.
MeasurementAdvice adviseFromMeasurement(const Plan& plan, const workshop::Measurement& measurement,
                                        const std::optional<workshop::FeedLine>& line,
                                        const Job& job);

/// How well the model explains the measurement, in plain words.
std::string fitWords(double residual);

/// The advice for a person to read, lengths in mm and, for a plan in inches, inches too.
std::string measurementReport(const MeasurementAdvice& advice, bool metric,
                              const std::string& decimalSeparator = ".");

} // namespace tarvo
