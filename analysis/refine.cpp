// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/refine.h"

#include "analysis/deck.h"
#include "analysis/nec_output.h"
#include "analysis/side_by_side.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <future>
#include <map>
#include <optional>
#include <thread>

namespace tarvo::analysis {
namespace {

/// Two frequencies worked out two ways that nec2c would take for one.
bool sameSample(double a, double b) {
    return std::fabs(a - b) <= 1e-9 * std::fabs(a);
}

bool hasSample(const std::map<double, SweepPoint>& samples, double frequency) {
    const auto found = samples.lower_bound(frequency * (1 - 1e-9));
    return found != samples.end() && sameSample(found->first, frequency);
}

/// What a target looks for among its samples.
enum class Goal { LowestSwr, SwrCrossing };

/// One figure to refine by brackets: the samples taken so far and the bracket that holds what it
/// seeks.
struct Target {
    Goal goal{};
    std::map<double, SweepPoint> samples; ///< by frequency
    double low{};                         ///< the bracket
    double high{};
    double wanted{}; ///< the error aimed at (MHz)
    /// Where the sweep's impedances, interpolated, put what is sought: tried in the first round.
    std::optional<double> guess;

    /// The frequencies to run next. With a guess, or once the bracket is within eight times the
    /// error aimed at (the estimate is then good to far less), the round brackets it as closely
    /// as that error allows: the estimate and half the error either side for the lowest SWR
    /// (bracketed when the estimate's SWR is the lowest of the three), half the error either
    /// side for a crossing (bracketed when SWR 2 lies between them). Otherwise, three on each
    /// side of the best for the lowest SWR, four inside the bracket for a crossing, each round
    /// shrinking the bracket four or five times.
    std::vector<double> nextFrequencies() const {
        std::vector<double> next;
        if (guess || high - low <= 8 * wanted) {
            const double at = guess ? std::clamp(*guess, low, high) : estimate();
            const double lowest = std::max(low, at - wanted / 2);
            const double highest = std::min(high, at + wanted / 2);
            for (const double f : goal == Goal::LowestSwr ? std::vector<double>{lowest, at, highest}
                                                          : std::vector<double>{lowest, highest}) {
                if (!hasSample(samples, f)) {
                    next.push_back(f);
                }
            }
            if (!next.empty()) {
                return next;
            }
        }
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
            if (found->second.swr < best->second.swr) {
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
    /// parabola through the best and its neighbours for the lowest SWR.
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
        const double y0 = std::prev(centre)->second.swr;
        const double y1 = centre->second.swr;
        const double y2 = std::next(centre)->second.swr;
        const double denominator = (x0 - x1) * (y0 - y2) - (x0 - x2) * (y0 - y1);
        if (denominator == 0) {
            return x1;
        }
        const double vertex =
            x0 - 0.5 * ((x0 - x1) * (x0 - x1) * (y0 - y2) - (x0 - x2) * (x0 - x2) * (y0 - y1)) /
                     denominator;
        return std::clamp(vertex, x0, x2);
    }
    /// How far the estimate can lie from what it seeks: that lies within the bracket (SWR 2 is
    /// crossed between its ends; the lowest SWR lies between the best sample's neighbours).
    double error() const {
        const double at = estimate();
        return std::max(at - low, high - at);
    }
};

/// The feed impedance at `frequency` from the polynomial through `count` sweep points from
/// `first` (Lagrange's form): the impedance is smooth over a few steps of the sweep.
std::complex<double> interpolatedImpedance(const std::vector<SweepPoint>& s, std::size_t first,
                                           std::size_t count, double frequency) {
    std::complex<double> sum;
    for (std::size_t i = first; i < first + count; ++i) {
        double weight = 1;
        for (std::size_t j = first; j < first + count; ++j) {
            if (j != i) {
                weight *= (frequency - s[j].frequencyMhz) / (s[i].frequencyMhz - s[j].frequencyMhz);
            }
        }
        sum += weight * s[i].impedance;
    }
    return sum;
}

/// The four or five sweep points around `from` ... `to`, within the sweep.
std::pair<std::size_t, std::size_t> around(const std::vector<SweepPoint>& s, std::size_t from,
                                           std::size_t to) {
    const std::size_t first = from == 0 ? 0 : from - 1;
    const std::size_t last = std::min(s.size() - 1, to + 1);
    return {first, last - first + 1};
}

/// Where SWR 2 is crossed between sweep points `i` and `i + 1`, by the interpolated impedance.
std::optional<double> guessedCrossing(const std::vector<SweepPoint>& s, std::size_t i) {
    const auto [first, count] = around(s, i, i + 1);
    double a = s[i].frequencyMhz;
    double b = s[i + 1].frequencyMhz;
    const bool insideAtA = s[i].swr <= 2;
    if ((s[i + 1].swr <= 2) == insideAtA) {
        return std::nullopt;
    }
    for (int step = 0; step < 60; ++step) {
        const double middle = (a + b) / 2;
        const bool inside = standingWaveRatio(interpolatedImpedance(s, first, count, middle)) <= 2;
        (inside == insideAtA ? a : b) = middle;
    }
    return (a + b) / 2;
}

/// Where the SWR is lowest between sweep points `i - 1` and `i + 1`, by the interpolated
/// impedance, scanned in 2000 steps.
double guessedLowestSwr(const std::vector<SweepPoint>& s, std::size_t i) {
    const auto [first, count] = around(s, i - 1, i + 1);
    const double from = s[i - 1].frequencyMhz;
    const double to = s[i + 1].frequencyMhz;
    double best = s[i].frequencyMhz;
    double lowest = s[i].swr;
    for (int k = 0; k <= 2000; ++k) {
        const double f = from + (to - from) * k / 2000;
        const double swr = standingWaveRatio(interpolatedImpedance(s, first, count, f));
        if (swr < lowest) {
            lowest = swr;
            best = f;
        }
    }
    return best;
}

/// The polynomial of `degree` that fits the samples best in the least-squares sense, in
/// u = (f - centre) / step, and how its coefficients follow each sample's gain: c = M y.
struct Fit {
    std::vector<double> coefficients;         ///< c0 + c1 u + c2 u^2 ...
    std::vector<std::vector<double>> weights; ///< M, one row for each coefficient
};

std::optional<Fit> leastSquares(const std::vector<double>& u, const std::vector<double>& y,
                                int degree) {
    const auto n = static_cast<std::size_t>(degree + 1);
    if (u.size() <= n) {
        return std::nullopt; // no sample left over to average the readings' error
    }
    // The normal equations A'A M = A', solved by Gauss-Jordan elimination with pivoting; u
    // stays within +/-2, so they are well conditioned for the degrees used here.
    std::vector<std::vector<double>> a(n, std::vector<double>(n + u.size()));
    for (std::size_t row = 0; row < n; ++row) {
        for (std::size_t column = 0; column < n; ++column) {
            for (const double x : u) {
                a[row][column] += std::pow(x, static_cast<double>(row + column));
            }
        }
        for (std::size_t i = 0; i < u.size(); ++i) {
            a[row][n + i] = std::pow(u[i], static_cast<double>(row));
        }
    }
    for (std::size_t column = 0; column < n; ++column) {
        std::size_t pivot = column;
        for (std::size_t row = column + 1; row < n; ++row) {
            if (std::fabs(a[row][column]) > std::fabs(a[pivot][column])) {
                pivot = row;
            }
        }
        if (std::fabs(a[pivot][column]) < 1e-12) {
            return std::nullopt;
        }
        std::swap(a[column], a[pivot]);
        const double scale = a[column][column];
        for (double& value : a[column]) {
            value /= scale;
        }
        for (std::size_t row = 0; row < n; ++row) {
            if (row != column && a[row][column] != 0) {
                const double factor = a[row][column];
                for (std::size_t k = 0; k < a[row].size(); ++k) {
                    a[row][k] -= factor * a[column][k];
                }
            }
        }
    }
    Fit fit;
    for (std::size_t row = 0; row < n; ++row) {
        fit.weights.emplace_back(a[row].begin() + static_cast<std::ptrdiff_t>(n), a[row].end());
        double c = 0;
        for (std::size_t i = 0; i < u.size(); ++i) {
            c += fit.weights[row][i] * y[i];
        }
        fit.coefficients.push_back(c);
    }
    return fit;
}

/// p'(u) and p''(u) of the polynomial with coefficients c.
std::pair<double, double> slopes(const std::vector<double>& c, double u) {
    double first = 0;
    double second = 0;
    for (std::size_t k = 1; k < c.size(); ++k) {
        first += static_cast<double>(k) * c[k] * std::pow(u, static_cast<double>(k - 1));
        if (k >= 2) {
            second +=
                static_cast<double>(k * (k - 1)) * c[k] * std::pow(u, static_cast<double>(k - 2));
        }
    }
    return {first, second};
}

/// The maximum of the polynomial within [from, to]: where its slope is 0 and it curves down,
/// found by Newton's steps from the best of a fine scan; nothing when it peaks at an end.
std::optional<double> polynomialPeak(const std::vector<double>& c, double from, double to) {
    const auto value = [&c](double u) {
        double sum = 0;
        for (std::size_t k = 0; k < c.size(); ++k) {
            sum += c[k] * std::pow(u, static_cast<double>(k));
        }
        return sum;
    };
    constexpr int scan = 400;
    double u = from;
    for (int k = 1; k <= scan; ++k) {
        const double at = from + (to - from) * k / scan;
        if (value(at) > value(u)) {
            u = at;
        }
    }
    for (int step = 0; step < 50; ++step) {
        const auto [first, second] = slopes(c, u);
        if (!(second < 0)) {
            return std::nullopt;
        }
        const double next = u - first / second;
        if (std::fabs(next - u) < 1e-12) {
            break;
        }
        u = next;
    }
    const auto [first, second] = slopes(c, u);
    if (!(second < 0) || !(std::fabs(first) < 1e-9 * (1 + std::fabs(c[1]))) || u <= from ||
        u >= to) {
        return std::nullopt;
    }
    return u;
}

/// The gain peak: found from every sample within three sweep steps of the sweep's best, each
/// gain known to fieldGainErrorDb. The sweep's own seven points often pin it down; where they do
/// not, more are run within two steps of the best.
struct Peak {
    double centre{}; ///< the sweep's best frequency
    double step{};   ///< the sweep's step
    std::map<double, SweepPoint> samples;
    double mhz{};
    double errorMhz{};
    int rounds{};

    /// Within two steps of the best: half steps in the first round, quarter steps in the second.
    std::vector<double> nextFrequencies() const {
        std::vector<double> next;
        const double spacing = rounds == 0 ? 0.5 : 0.25;
        for (double u = -2 + spacing; u < 2; u += 2 * spacing) {
            if (!hasSample(samples, centre + u * step)) {
                next.push_back(centre + u * step);
            }
        }
        return next;
    }

    /// A cubic fitted by least squares, its maximum taken; how far that can lie from the
    /// gain's own peak is the sum of two parts. The readings: each gain may be off by
    /// fieldGainErrorDb, and the largest shift of the maximum that errors of that size can make
    /// is the sum of the magnitudes of its sensitivities to each gain. The shape: a gain curve
    /// is no cubic, and the change a fourth-degree term makes to the maximum stands for what
    /// the cubic misses. Without a maximum inside the window the peak is the best sample's,
    /// known to a step either side.
    void fit() {
        std::vector<double> u;
        std::vector<double> gain;
        for (const auto& [frequency, point] : samples) {
            const double x = (frequency - centre) / step;
            if (std::fabs(x) <= 3 + 1e-9) {
                u.push_back(x);
                gain.push_back(point.gainDbi);
            }
        }
        mhz = centre;
        errorMhz = step;
        const auto cubic = leastSquares(u, gain, 3);
        const auto quartic = leastSquares(u, gain, 4);
        if (!cubic || !quartic) {
            return;
        }
        const auto top = polynomialPeak(cubic->coefficients, u.front(), u.back());
        const auto top4 = polynomialPeak(quartic->coefficients, u.front(), u.back());
        if (!top || !top4) {
            return;
        }
        // x moves by -(sum over k of k x^(k-1) dc_k) / p''(x) when the coefficients move.
        const double curvature = slopes(cubic->coefficients, *top).second;
        double sensitivity = 0;
        for (std::size_t i = 0; i < u.size(); ++i) {
            double moved = 0;
            for (std::size_t k = 1; k < cubic->coefficients.size(); ++k) {
                moved += static_cast<double>(k) * std::pow(*top, static_cast<double>(k - 1)) *
                         cubic->weights[k][i];
            }
            sensitivity += std::fabs(moved / curvature);
        }
        mhz = centre + *top * step;
        errorMhz = (sensitivity * fieldGainErrorDb + std::fabs(*top4 - *top)) * step;
    }
};

} // namespace

std::vector<FrequencyResult> runSweep(const Model& model, const Material& material,
                                      const Sweep& sweep, const NecRunner& runNec) {
    std::vector<std::future<std::vector<FrequencyResult>>> runs;
    for (const std::string& deck :
         writeSweepDecks(model, material, sweep, static_cast<int>(cores()))) {
        runs.push_back(
            std::async(sideBySide(), [&runNec, deck] { return parseNecOutput(runNec(deck)); }));
    }
    std::vector<FrequencyResult> results;
    for (auto& run : runs) {
        const auto part = run.get();
        results.insert(results.end(), part.begin(), part.end());
    }
    return results;
}

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
    const double wanted = refinedPrecision * model.frequencyMhz;
    std::optional<Peak> peak;
    if (performance.peakGainEdge == 0) {
        const std::size_t i = indexOf(performance.peakGainMhz);
        peak = Peak{s[i].frequencyMhz, s[1].frequencyMhz - s[0].frequencyMhz, coarse};
        peak->fit();
    }
    std::vector<Target> targets;
    if (performance.lowestSwrEdge == 0) {
        const std::size_t i =
            std::clamp<std::size_t>(indexOf(performance.lowestSwrMhz), 1, s.size() - 2);
        targets.push_back({Goal::LowestSwr, coarse, s[i - 1].frequencyMhz, s[i + 1].frequencyMhz,
                           wanted, guessedLowestSwr(s, i)});
    }
    const auto& band = performance.swrBelow2;
    if (band && !band->lowAtSweepEnd) {
        targets.push_back({Goal::SwrCrossing, coarse, s[band->lowIndex - 1].frequencyMhz,
                           s[band->lowIndex].frequencyMhz, wanted,
                           guessedCrossing(s, band->lowIndex - 1)});
    }
    if (band && !band->highAtSweepEnd) {
        targets.push_back({Goal::SwrCrossing, coarse, s[band->highIndex].frequencyMhz,
                           s[band->highIndex + 1].frequencyMhz, wanted,
                           guessedCrossing(s, band->highIndex)});
    }

    for (int round = 0; round < 8; ++round) {
        std::vector<Target*> open;
        for (Target& target : targets) {
            if (!(target.error() <= wanted)) {
                open.push_back(&target);
            }
        }
        const bool peakOpen = peak && !(peak->errorMhz <= wanted) && peak->rounds < 2;
        if (open.empty() && !peakOpen) {
            break;
        }
        // All the round's frequencies, each once, shared out over one nec2c for each core.
        std::vector<double> frequencies;
        const auto ask = [&frequencies](const std::vector<double>& next) {
            for (const double f : next) {
                if (std::none_of(frequencies.begin(), frequencies.end(),
                                 [f](double asked) { return sameSample(asked, f); })) {
                    frequencies.push_back(f);
                }
            }
        };
        for (const Target* target : open) {
            ask(target->nextFrequencies());
        }
        if (peakOpen) {
            ask(peak->nextFrequencies());
        }
        const std::size_t share = (frequencies.size() + cores() - 1) / cores();
        std::vector<std::future<std::vector<SweepPoint>>> runs;
        for (std::size_t start = 0; start < frequencies.size(); start += share) {
            const std::vector<double> part(
                frequencies.begin() + static_cast<std::ptrdiff_t>(start),
                frequencies.begin() +
                    static_cast<std::ptrdiff_t>(std::min(start + share, frequencies.size())));
            runs.push_back(std::async(sideBySide(), [&, part] {
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
        // Every figure gains from every sample: a frequency run for one may bracket another.
        for (Target& target : targets) {
            target.samples.insert(answered.begin(), answered.end());
            target.narrow();
            target.guess.reset();
        }
        if (peak) {
            peak->samples.insert(answered.begin(), answered.end());
            peak->rounds += peakOpen ? 1 : 0;
            peak->fit();
        }
    }

    // One precision for every refined figure: the largest of their errors, and never finer
    // than the 0.02 % the refinement aims at, so the report's digits do not follow chance.
    double precision = wanted;
    if (peak) {
        performance.peakGainMhz = peak->mhz;
        precision = std::max(precision, peak->errorMhz);
    }
    std::size_t next = 0;
    if (performance.lowestSwrEdge == 0) {
        precision = std::max(precision, targets[next].error());
        performance.lowestSwrMhz = targets[next++].estimate();
    }
    if (band && !band->lowAtSweepEnd) {
        precision = std::max(precision, targets[next].error());
        performance.swrBelow2->lowMhz = targets[next++].estimate();
    }
    if (band && !band->highAtSweepEnd) {
        precision = std::max(precision, targets[next].error());
        performance.swrBelow2->highMhz = targets[next++].estimate();
    }
    if (peak || !targets.empty()) {
        performance.precisionMhz = precision;
    }
    addWarnings(performance);
}

} // namespace tarvo::analysis
