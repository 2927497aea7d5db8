// SPDX-License-Identifier: GPL-3.0-or-later
#include "plan/measurement.h"

#include "analysis/number_format.h"
#include "design/number_text.h"
#include "plan/analysis.h"

#include <algorithm>
#include <cmath>
#include <sstream>

namespace tarvo {
namespace {

using analysis::formatNumber;

constexpr double mmPerFoot = 304.8;
// The reflector is fitted too only where the band is wide enough for its own trace: its
// resonance lies some per cent below the driven loop's.
constexpr double reflectorSpan = 0.03;
constexpr std::size_t reflectorPoints = 9;
constexpr std::size_t leastPoints = 5;

/// Why the reflector was not fitted: the band too narrow for its trace, or too few points in it.
std::string reflectorNotFitted(double span, std::size_t points, double f0) {
    if (span < reflectorSpan * f0) {
        return "the measured band (" + formatNumber("%.1f", span / f0 * 100) +
               " % of the design frequency) is too narrow to tell the reflector from the driven "
               "loop: " +
               formatNumber("%g", reflectorSpan * 100) + " % at least would do";
    }
    return std::to_string(points) + " points within 15 % of " + formatNumber("%g", f0) +
           " MHz are too few to tell the reflector from the driven loop: " +
           std::to_string(reflectorPoints) + " at least over the same band would do";
}

std::string lengthText(double mm, bool metric) {
    return metric ? formatNumber("%.1f", mm) + " mm"
                  : formatNumber("%.1f", mm) + " mm, " + formatNumber("%.2f", mm / 25.4) + " in";
}

} // namespace

bool LoopAdvice::needsChange() const {
    return std::fabs(factor - 1) >= noCutFraction;
}

std::string fitWords(double residual) {
    const std::string figure = formatNumber("%.3f", residual);
    if (residual <= 0.02) {
        return "closely: the reflection differs by " + figure +
               " on average (0 is a perfect match)";
    }
    if (residual <= 0.05) {
        return "fairly well: the reflection differs by " + figure +
               " on average (0 is a perfect match)";
    }
    if (residual <= adviceResidualLimit) {
        return "loosely: the reflection differs by " + figure +
               " on average; cut in two steps and measure between";
    }
    return "poorly: the reflection differs by " + figure + " on average, more than the " +
           formatNumber("%.2f", adviceResidualLimit) + " advice allows";
}

MeasurementAdvice adviseFromMeasurement(const Plan& plan, const workshop::Measurement& measurement,
                                        const std::optional<workshop::FeedLine>& line,
                                        const Job& job) {
    MeasurementAdvice advice;
    advice.measurement = measurement;
    advice.line = line;
    advice.trimmedDesign = plan.trimmed();
    const double f0 = plan.built().freq;
    for (const workshop::MeasuredPoint& p : measurement.points) {
        if (std::fabs(p.frequencyMhz - f0) <= comparedReach * f0) {
            advice.atFeed.push_back(
                {p.frequencyMhz,
                 line ? workshop::atFeedPoint(p.impedance, p.frequencyMhz, *line) : p.impedance});
        }
    }
    advice.expected = analyse(plan, job);
    const auto& points = measurement.points;
    if (advice.atFeed.size() < leastPoints) {
        advice.refusal = "the measurement holds " + std::to_string(advice.atFeed.size()) +
                         " points within 15 % of " + formatNumber("%g", f0) + " MHz (it spans " +
                         formatNumber("%.6g", points.front().frequencyMhz) + " to " +
                         formatNumber("%.6g", points.back().frequencyMhz) + " MHz); " +
                         std::to_string(leastPoints) +
                         " at least are needed: is it of this antenna, on this band?";
        return advice;
    }
    const double span = advice.atFeed.back().frequencyMhz - advice.atFeed.front().frequencyMhz;
    const bool tryReflector = span >= reflectorSpan * f0 && advice.atFeed.size() >= reflectorPoints;
    const analysis::Material material = materialOf(plan);
    advice.fit = analysis::fitMeasured(modelOf(plan), material, advice.atFeed, runnerOf(plan, job),
                                       tryReflector);
    if (!tryReflector) {
        advice.fit->reflectorNote = reflectorNotFitted(span, advice.atFeed.size(), f0);
    }
    const analysis::MeasuredFit& fit = *advice.fit;
    for (const double residual : {fit.residual, fit.residualDrivenOnly, fit.residualAsDesigned}) {
        if (!std::isfinite(residual)) {
            throw analysis::AnalysisError(
                "the comparison with the measurement gave no finite figure (" +
                formatNumber("%g", residual) + "): a fault, not a result");
        }
    }
    const double drivenMm = double{plan.built().dri} * mmPerFoot;
    advice.loops.push_back({"Driven loop", fit.driven, drivenMm * fit.driven, drivenMm});
    if (fit.reflectorFitted) {
        const double reflectorMm = double{plan.built().ref} * mmPerFoot;
        advice.loops.push_back(
            {"Reflector loop", fit.reflector, reflectorMm * fit.reflector, reflectorMm});
    }
    if (fit.residual > adviceResidualLimit) {
        advice.refusal = "the model explains the measurement " + fitWords(fit.residual) +
                         ". This is not the antenna the model describes: look for another "
                         "fault (the feed or its balun, a missing or bent element, the coax and "
                         "its length, the measured band) before cutting anything";
        return advice;
    }
    if (fit.atReach) {
        advice.refusal = "only a loop 15 % or more off its designed length would explain the "
                         "measurement: look for another fault (the feed, a missing element, the "
                         "coax, the measured band) before cutting anything";
        return advice;
    }
    advice.advised = std::any_of(advice.loops.begin(), advice.loops.end(),
                                 [](const LoopAdvice& l) { return l.needsChange(); });
    return advice;
}

std::optional<AsItStands> asItStands(const MeasurementAdvice& advice, double designMhz) {
    if (!advice.fit || advice.fit->measured.empty() ||
        advice.fit->fitted.size() != advice.fit->measured.size()) {
        return std::nullopt;
    }
    const analysis::MeasuredFit& fit = *advice.fit;
    std::size_t nearest = 0;
    for (std::size_t i = 1; i < fit.measured.size(); ++i) {
        if (std::fabs(fit.measured[i].frequencyMhz - designMhz) <
            std::fabs(fit.measured[nearest].frequencyMhz - designMhz)) {
            nearest = i;
        }
    }
    return AsItStands{fit.measured[nearest].frequencyMhz,
                      analysis::standingWaveRatio(fit.fitted[nearest].impedance),
                      analysis::standingWaveRatio(fit.measured[nearest].impedance)};
}

std::string measurementReport(const MeasurementAdvice& a, bool metric,
                              const std::string& decimalSeparator) {
    std::ostringstream out;
    const workshop::Measurement& m = a.measurement;
    out << "Measurement: " << m.points.size() << " points, "
        << formatNumber("%.6g", m.points.front().frequencyMhz) << " to "
        << formatNumber("%.6g", m.points.back().frequencyMhz) << " MHz (Touchstone "
        << (m.version == 2 ? "2.0" : "1.x") << ", " << m.parameter << " " << m.format << ", R "
        << formatNumber("%g", m.referenceOhms) << ")\n";
    out << "  Feed line: "
        << (a.line ? "moved to the feed point through " + workshop::feedLineText(*a.line)
                   : std::string("none given: taken as measured at the feed point"))
        << '\n';
    if (a.fit) {
        const analysis::MeasuredFit& fit = *a.fit;
        out << "  Compared at " << fit.measured.size() << " frequencies from "
            << formatNumber("%.6g", fit.measured.front().frequencyMhz) << " to "
            << formatNumber("%.6g", fit.measured.back().frequencyMhz) << " MHz with NEC-2 ("
            << fit.evaluations << " evaluations, " << fit.necRuns << " nec2c runs)\n";
        out << "  Model as designed:   reflection differs by "
            << formatNumber("%.3f", fit.residualAsDesigned) << " on average\n";
        out << "  Model fitted:        " << fitWords(fit.residual) << '\n';
        out << "  Reflector:           " << fit.reflectorNote << '\n';
    }
    out << '\n';
    if (!a.refusal.empty()) {
        out << "NO CUT ADVISED: " << a.refusal << ".\n";
    } else {
        const analysis::Performance& e = a.expected;
        // The lowest SWR's frequency is known only from a sweep (--sweep 0 has none).
        double lowest = e.design.swr;
        for (const auto& point : e.sweep) {
            lowest = std::min(lowest, point.swr);
        }
        const std::string atDesign = "SWR " + formatNumber("%.2f", e.design.swr) + " at " +
                                     formatNumber("%.2f", e.design.frequencyMhz) + " MHz";
        const std::string expected =
            e.sweep.empty()
                ? atDesign
                : "lowest SWR " + formatNumber("%.2f", lowest) + " at " +
                      analysis::extremumText(e, e.lowestSwrMhz, e.lowestSwrEdge) + ", " + atDesign;
        for (const LoopAdvice& loop : a.loops) {
            const double percent = (loop.factor - 1) * 100;
            const double change = loop.measuredMm - loop.designedMm;
            out << loop.element << ": measured as if " << formatNumber("%.1f", std::fabs(percent))
                << " % " << (percent >= 0 ? "long" : "short") << ": ";
            if (!loop.needsChange()) {
                out << "no cut needed (within " << formatNumber("%.2f", noCutFraction * 100)
                    << " % of the design)\n";
            } else if (change > 0) {
                out << "cut " << formatNumber("%.0f", change) << " mm (from "
                    << lengthText(loop.measuredMm, metric) << " to "
                    << lengthText(loop.designedMm, metric) << ") to bring it to the design\n";
            } else {
                out << "lengthen it by " << formatNumber("%.0f", -change) << " mm (from "
                    << lengthText(loop.measuredMm, metric) << " to "
                    << lengthText(loop.designedMm, metric)
                    << "): a new loop, or less overlap at the joint\n";
            }
        }
        const std::string design = a.trimmedDesign ? "the trimmed design's" : "the design's";
        const std::optional<AsItStands> now = asItStands(a, e.design.frequencyMhz);
        if (a.advised || !now) {
            out << "Expected " << (a.advised ? "after the change" : "as designed") << ": "
                << expected << " (NEC-2, " << design << " lengths).\n";
        } else {
            // No cut: the antenna is the one measured, as the fitted model describes it.
            out << "As it stands: SWR " << formatNumber("%.2f", now->fittedSwr) << " at "
                << formatNumber("%.2f", now->frequencyMhz)
                << " MHz (NEC-2, the fitted lengths); the sweep shows SWR "
                << formatNumber("%.2f", now->measuredSwr) << " there at the feed point.\n";
        }
    }
    return analysis::withDecimalSeparator(out.str(), decimalSeparator);
}

} // namespace tarvo
