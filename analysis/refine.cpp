// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/refine.h"

#include "analysis/deck.h"
#include "analysis/nec_output.h"

#include <algorithm>
#include <cmath>
#include <future>
#include <map>
#include <thread>

namespace tarvo::analysis {
namespace {

/// What a target looks for among its samples.
enum class Goal { HighestGain, LowestSwr, SwrCrossing };

/// One figure to refine: the samples taken so far and the bracket that holds what it seeks.
struct Target {
    Goal goal{};
    std::map<double, SweepPoint> samples; ///< by frequency
    double low{};                         ///< the bracket
    double high{};

    double value(const SweepPoint& p) const {
        return goal == Goal::HighestGain ? -p.gainDbi : p.swr; // smaller is better
    }
    /// The frequencies to run next: three on each side of the best for an extremum, four
    /// inside the bracket for a crossing; each round shrinks the bracket four or five times.
    std::vector<double> nextFrequencies() const {
        std::vector<double> next;
        if (goal == Goal::SwrCrossing) {
            for (int k = 1; k <= 4; ++k) {
                next.push_back(low + (high - low) * k / 5);
            }
            return next;
        }
        const double centre = best()->first;
        for (int k = 1; k <= 3; ++k) {
            next.push_back(low + (centre - low) * k / 4);
            next.push_back(centre + (high - centre) * k / 4);
        }
        return next;
    }
    std::map<double, SweepPoint>::const_iterator best() const {
        auto found = samples.lower_bound(low);
        auto best = found;
        for (; found != samples.end() && found->first <= high; ++found) {
            if (value(found->second) < value(best->second)) {
                best = found;
            }
        }
        return best;
    }
    /// Narrows the bracket to the samples next to the best, or to the two that straddle SWR 2.
    void narrow() {
        if (goal == Goal::SwrCrossing) {
            const bool insideLow = samples.at(low).swr <= 2;
            for (auto it = samples.find(low); std::next(it) != samples.end(); ++it) {
                if (it->first >= high) {
                    break;
                }
                const auto following = std::next(it);
                if ((it->second.swr <= 2) == insideLow &&
                    (following->second.swr <= 2) != insideLow) {
                    low = it->first;
                    high = following->first;
                    return;
                }
            }
            return;
        }
        const auto centre = best();
        low = centre == samples.begin() ? centre->first : std::prev(centre)->first;
        high = std::next(centre) == samples.end() ? centre->first : std::next(centre)->first;
    }
    /// The refined frequency: a straight line through the bracket's ends for a crossing, a
    /// parabola through the best and its neighbours for an extremum.
    double estimate() const {
        if (goal == Goal::SwrCrossing) {
            const double a = samples.at(low).swr;
            const double b = samples.at(high).swr;
            return low + (2 - a) / (b - a) * (high - low);
        }
        const auto centre = best();
        if (centre == samples.begin() || std::next(centre) == samples.end()) {
            return centre->first;
        }
        const double x0 = std::prev(centre)->first;
        const double x1 = centre->first;
        const double x2 = std::next(centre)->first;
        const double y0 = value(std::prev(centre)->second);
        const double y1 = value(centre->second);
        const double y2 = value(std::next(centre)->second);
        const double denominator = (x0 - x1) * (y0 - y2) - (x0 - x2) * (y0 - y1);
        if (denominator == 0) {
            return x1;
        }
        const double vertex =
            x0 - 0.5 * ((x0 - x1) * (x0 - x1) * (y0 - y2) - (x0 - x2) * (x0 - x2) * (y0 - y1)) /
                     denominator;
        return std::clamp(vertex, x0, x2);
    }
};

} // namespace

void refine(Performance& performance, const Model& model, const Material& material,
            const NecRunner& runNec) {
    const std::vector<SweepPoint>& s = performance.sweep;
    if (s.size() < 3) {
        return;
    }
    std::map<double, SweepPoint> coarse;
    for (const SweepPoint& point : s) {
        coarse.emplace(point.frequencyMhz, point);
    }
    // The sweep point at a frequency the sweep reported (the nearest, against rounding).
    const auto indexOf = [&](double frequency) {
        return static_cast<std::size_t>(
            std::min_element(s.begin(), s.end(),
                             [&](const SweepPoint& a, const SweepPoint& b) {
                                 return std::fabs(a.frequencyMhz - frequency) <
                                        std::fabs(b.frequencyMhz - frequency);
                             }) -
            s.begin());
    };
    std::vector<Target> targets;
    const auto extremum = [&](Goal goal, double frequency) {
        const std::size_t i = std::clamp<std::size_t>(indexOf(frequency), 1, s.size() - 2);
        targets.push_back({goal, coarse, s[i - 1].frequencyMhz, s[i + 1].frequencyMhz});
    };
    if (performance.peakGainEdge == 0) {
        extremum(Goal::HighestGain, performance.peakGainMhz);
    }
    if (performance.lowestSwrEdge == 0) {
        extremum(Goal::LowestSwr, performance.lowestSwrMhz);
    }
    const auto& band = performance.swrBelow2;
    if (band && !band->lowAtSweepEnd) {
        targets.push_back({Goal::SwrCrossing, coarse, s[band->lowIndex - 1].frequencyMhz,
                           s[band->lowIndex].frequencyMhz});
    }
    if (band && !band->highAtSweepEnd) {
        targets.push_back({Goal::SwrCrossing, coarse, s[band->highIndex].frequencyMhz,
                           s[band->highIndex + 1].frequencyMhz});
    }

    const double design = model.frequencyMhz;
    const double wanted = refinedPrecision * design;
    // An extremum is known to half its bracket, a crossing to its bracket.
    const auto done = [&](const Target& t) {
        return (t.goal == Goal::SwrCrossing ? t.high - t.low : (t.high - t.low) / 2) <= wanted;
    };
    for (int round = 0; round < 8; ++round) {
        std::vector<Target*> open;
        for (Target& target : targets) {
            if (!done(target)) {
                open.push_back(&target);
            }
        }
        if (open.empty()) {
            break;
        }
        // All the round's frequencies, shared out over one nec2c for each core.
        std::vector<std::vector<double>> asked;
        std::vector<double> frequencies;
        for (const Target* target : open) {
            asked.push_back(target->nextFrequencies());
            frequencies.insert(frequencies.end(), asked.back().begin(), asked.back().end());
        }
        const std::size_t cores = std::max(1U, std::thread::hardware_concurrency());
        const std::size_t share = (frequencies.size() + cores - 1) / cores;
        std::vector<std::future<std::vector<SweepPoint>>> runs;
        for (std::size_t start = 0; start < frequencies.size(); start += share) {
            const std::vector<double> part(
                frequencies.begin() + static_cast<std::ptrdiff_t>(start),
                frequencies.begin() +
                    static_cast<std::ptrdiff_t>(std::min(start + share, frequencies.size())));
            runs.push_back(std::async(std::launch::async, [&, part] {
                const auto results = parseNecOutput(runNec(writePointsDeck(model, material, part)));
                if (results.size() != part.size()) {
                    throw AnalysisError("a refining nec2c run answered " +
                                        std::to_string(results.size()) + " frequencies of " +
                                        std::to_string(part.size()));
                }
                std::vector<SweepPoint> points;
                for (std::size_t i = 0; i < results.size(); ++i) {
                    points.push_back(checkedSweepPoint(results[i], part[i]));
                }
                return points;
            }));
        }
        std::map<double, SweepPoint> answered;
        for (auto& run : runs) {
            for (const SweepPoint& point : run.get()) {
                answered.emplace(point.frequencyMhz, point);
            }
        }
        for (std::size_t i = 0; i < open.size(); ++i) {
            for (const double frequency : asked[i]) {
                open[i]->samples.emplace(frequency, answered.at(frequency));
            }
            open[i]->narrow();
        }
    }

    std::size_t next = 0;
    if (performance.peakGainEdge == 0) {
        performance.peakGainMhz = targets[next++].estimate();
    }
    if (performance.lowestSwrEdge == 0) {
        performance.lowestSwrMhz = targets[next++].estimate();
    }
    if (band && !band->lowAtSweepEnd) {
        performance.swrBelow2->lowMhz = targets[next++].estimate();
    }
    if (band && !band->highAtSweepEnd) {
        performance.swrBelow2->highMhz = targets[next++].estimate();
    }
    performance.precisionMhz = wanted;
    addWarnings(performance);
}

} // namespace tarvo::analysis
