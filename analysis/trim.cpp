// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/trim.h"

#include "analysis/deck.h"
#include "analysis/nec_output.h"
#include "analysis/number_format.h"
#include "analysis/performance.h"
#include "analysis/side_by_side.h"

#include <nlopt.hpp>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <exception>
#include <future>
#include <limits>
#include <mutex>
#include <thread>

namespace tarvo::analysis {
namespace {

/// Descents started together. The search ends after the first batch that finds lengths meeting
/// the limits, so the batch does not depend on the machine's cores: the native program on two
/// cores and the browser's one thread take the same batches and trim to the same lengths.
constexpr std::size_t descentsTogether = 2;

// The optimiser aims inside the limits, so that the design rebuilt from the trimmed lengths
// (whose segments may round differently) still meets them when checked on its own.
constexpr double frontToBackAim = trimFrontToBackDb + 0.5;
constexpr double swrAim = trimSwr - 0.04;
// The gain must rise through 0.4 % below the design frequency and fall through 0.4 % above it:
// then, on a curve with one peak, whatever its shape, the peak lies between, inside the 0.5 %
// allowed. Each edge's gain is compared with the gain 0.15 % further in.
constexpr double peakOuter = 0.004;
constexpr double peakInner = peakOuter - 0.0015;

// Each per cent that a length moves costs 0.08 dB of gain, squared: 1 % must buy more than
// 0.08 dB, 2 % more than 0.32 dB. A good design then stays well within 1 % of itself.
constexpr double changeCostDbPerPercentSquared = 0.08;

constexpr double widest = 0.15; // no length moves by more than 15 %
constexpr double widestTaper = 0.1;

// The scan: the directors' scale in 2 % steps over the whole range, then the driven loop in 3 %
// steps at the two best of those; then COBYLA, each descent for at most 45 evaluations, from the
// best points found, two at a time, up to four in all.
constexpr double directorScanStep = 0.02;
constexpr double drivenScanStep = 0.03;
constexpr double drivenScanReach = 0.12;
constexpr std::size_t scanCentres = 2;
constexpr std::size_t starts = 4;
constexpr int evaluationsPerStart = 45;
// A long boom's six numbers need more steps of COBYLA to settle (up to 120 from the design in
// trials at 144 MHz with 7 to 16 directors).
constexpr int longEvaluationsPerStart = 90;

/// The wires of the loops; the directors follow, DIR 1 first.
constexpr std::size_t loopWires = 8;
constexpr std::size_t sixDirectors = 6;

/// A long boom's model has directors beyond DIR 6: its search sets two more numbers.
bool longBoom(const Model& model) {
    return model.wires.size() > loopWires + sixDirectors;
}

TrimParameters parametersOf(const std::vector<double>& x) {
    TrimParameters p{x[0], x[1], x[2], x[3]};
    if (x.size() > 4) {
        p.addedTaper = x[4];
        p.addedShape = x[5];
    }
    return p;
}

/// The lengths as designed: nothing changed; a long boom's added directors start on a gentle
/// taper from DIR 6.
std::vector<double> designedPoint(const Model& model) {
    std::vector<double> x{1, 1, 1, 0};
    if (longBoom(model)) {
        x.push_back(addedTaperStart);
        x.push_back(addedShapeStart);
    }
    return x;
}

struct Figures {
    double gain{};        ///< at the design frequency
    double frontToBack{}; ///< the worst of the band's ends and the design frequency
    double swr{};         ///< likewise
    double lowOuter{};    ///< the gain 0.4 % below the design frequency
    double lowInner{};    ///< 0.25 % below
    double highInner{};   ///< 0.25 % above
    double highOuter{};   ///< 0.4 % above
};

/// How much the gain falls, in dB, towards the design frequency at either edge: at most 0 when
/// the peak lies between the edges.
double peakMiss(const Figures& f) {
    return std::max(f.lowOuter - f.lowInner, f.highOuter - f.highInner);
}

/// The constraints, each at most 0 when met, scaled to comparable sizes: 1 for 10 dB of F/B,
/// 0.5 of SWR, 0.05 dB of gain at the peak's edges.
std::vector<double> constraintsOf(const Figures& f) {
    return {(frontToBackAim - f.frontToBack) / 10, (f.swr - swrAim) / 0.5,
            (f.lowOuter - f.lowInner) * 20, (f.highOuter - f.highInner) * 20};
}

/// How far the figures are from meeting the limits: 0 when they meet them all.
double violation(const Figures& f, bool withSwr = true) {
    const std::vector<double> c = constraintsOf(f);
    double sum = 0;
    for (std::size_t i = 0; i < c.size(); ++i) {
        if (i == 1 && !withSwr) {
            continue;
        }
        // NaN or infinity (a feed that takes no power) is as far as can be.
        sum += std::isfinite(c[i]) ? std::max(0.0, c[i]) : 1e6;
    }
    return std::isfinite(f.gain) ? sum : 1e6;
}

/// The gain given up for a change of the lengths: a length is moved only where that buys gain
/// (or where the limits demand it), so a design that already meets them stays close to itself.
double changeCost(const std::vector<double>& x) {
    const auto squared = [](double v) { return v * v; };
    double cost = 0;
    for (std::size_t i = 0; i < 3; ++i) {
        cost += squared((x[i] - 1) * 100);
    }
    return changeCostDbPerPercentSquared * (cost + squared(x[3] * 100));
}

void scaleAcross(Wire& wire, double factor) {
    wire.start.y *= factor;
    wire.start.z *= factor;
    wire.end.y *= factor;
    wire.end.z *= factor;
}

double spanOf(const Wire& wire) {
    // Not std::hypot, whose last bit differs between C libraries.
    const double dy = wire.end.y - wire.start.y;
    const double dz = wire.end.z - wire.start.z;
    return std::sqrt(dy * dy + dz * dz);
}

} // namespace

/// The model with the lengths scaled; segment counts stay, so the figures move smoothly. A long
/// boom's directors beyond DIR 6 take the trimmed DIR 6's length times their taper.
Model scaledModel(const Model& model, const TrimParameters& p) {
    Model scaled = model;
    const std::size_t lastOfSix = loopWires + sixDirectors - 1;
    for (std::size_t w = 0; w < scaled.wires.size(); ++w) {
        const double factor = w < 4           ? p.reflector
                              : w < loopWires ? p.driven
                              : w <= lastOfSix
                                  ? p.directorFactor(w - loopWires)
                                  : spanOf(model.wires[lastOfSix]) / spanOf(model.wires[w]) *
                                        p.directorFactor(sixDirectors - 1) *
                                        p.addedFactor(w - lastOfSix);
        scaleAcross(scaled.wires[w], factor);
    }
    return scaled;
}

namespace {

struct Evaluated {
    std::vector<double> x;
    Figures figures;
};

/// Everything the searches share: the evaluations, counted, and what they found. Evaluations may
/// run on several threads at once.
class Shared {
public:
    Shared(const Model& model, const Material& material, const NecRunner& runNec, const Band& band,
           const std::function<void(const TrimProgress&)>& progress)
        : m_model(model)
        , m_material(material)
        , m_runNec(runNec)
        , m_band(band)
        , m_progress(progress) {}

    /// The figures of the lengths `x`, from nec2c runs at five frequencies: one run, or
    /// `split` runs side by side.
    Figures evaluate(const std::vector<double>& x) {
        const TrimParameters p = parametersOf(x);
        const Model scaled = scaledModel(m_model, p);
        const double f = m_model.frequencyMhz;
        // The design frequency, the peak's four, and the band's ends where they are not among
        // those (+-0.25 %, the band as given by default, is).
        std::vector<double> frequencies{f, f * (1 - peakOuter), f * (1 - peakInner),
                                        f * (1 + peakInner), f * (1 + peakOuter)};
        const auto indexOf = [&frequencies](double mhz) {
            for (std::size_t i = 0; i < frequencies.size(); ++i) {
                if (std::fabs(frequencies[i] - mhz) <= 1e-9 * mhz) {
                    return i;
                }
            }
            frequencies.push_back(mhz);
            return frequencies.size() - 1;
        };
        const std::size_t low = indexOf(m_band.lowMhz);
        const std::size_t high = indexOf(m_band.highMhz);
        const std::size_t parts = std::clamp<std::size_t>(split, 1, frequencies.size());
        const std::size_t share = (frequencies.size() + parts - 1) / parts;
        std::vector<std::future<std::vector<SweepPoint>>> runs;
        for (std::size_t start = 0; start < frequencies.size(); start += share) {
            const std::vector<double> part(
                frequencies.begin() + static_cast<std::ptrdiff_t>(start),
                frequencies.begin() +
                    static_cast<std::ptrdiff_t>(std::min(start + share, frequencies.size())));
            runs.push_back(std::async(sideBySide(), [&, part] {
                const auto results =
                    parseNecOutput(m_runNec(writePointsDeck(scaled, m_material, part)));
                if (results.size() != part.size()) {
                    throw AnalysisError("the nec2c output holds " + std::to_string(results.size()) +
                                        " frequencies, the deck asked for " +
                                        std::to_string(part.size()));
                }
                std::vector<SweepPoint> points;
                for (std::size_t i = 0; i < part.size(); ++i) {
                    points.push_back(checkedSweepPoint(results[i], part[i]));
                }
                return points;
            }));
        }
        std::vector<SweepPoint> points;
        std::exception_ptr failure;
        for (auto& run : runs) {
            try {
                for (const SweepPoint& point : run.get()) {
                    points.push_back(point);
                }
            } catch (...) {
                failure = failure ? failure : std::current_exception();
            }
        }
        if (failure) {
            std::rethrow_exception(failure);
        }
        // F/B and SWR at their worst of the band's ends and the design frequency; a figure that
        // is not a number is the worst.
        const auto worstFrontToBack = [](double a, double b) { return a >= b ? b : a; };
        const auto worstSwr = [](double a, double b) { return a <= b ? b : a; };
        const Figures figures{
            points[0].gainDbi,
            worstFrontToBack(worstFrontToBack(points[0].frontToBackDb, points[low].frontToBackDb),
                             points[high].frontToBackDb),
            worstSwr(worstSwr(points[0].swr, points[low].swr), points[high].swr),
            points[1].gainDbi,
            points[2].gainDbi,
            points[3].gainDbi,
            points[4].gainDbi};
        const std::lock_guard lock(m_lock);
        ++m_evaluations;
        m_necRuns += static_cast<int>(runs.size());
        m_evaluated.push_back({x, figures});
        if (m_progress) {
            m_progress({m_evaluations, figures.gain, figures.frontToBack, figures.swr});
        }
        return figures;
    }

    /// Records the first failure and asks every search to stop.
    void fail(std::exception_ptr failure) {
        const std::lock_guard lock(m_lock);
        if (!m_failure) {
            m_failure = failure;
        }
        stop = true;
    }
    void rethrowFailure() const {
        if (m_failure) {
            std::rethrow_exception(m_failure);
        }
    }
    std::vector<Evaluated> evaluated() const {
        const std::lock_guard lock(m_lock);
        return m_evaluated;
    }
    int evaluations() const {
        const std::lock_guard lock(m_lock);
        return m_evaluations;
    }
    int necRuns() const {
        const std::lock_guard lock(m_lock);
        return m_necRuns;
    }

    std::atomic<bool> stop{false};
    /// How many nec2c runs share an evaluation's frequencies: more than one where fewer
    /// evaluations than cores run at a time.
    std::atomic<std::size_t> split{1};

private:
    const Model& m_model;
    const Material& m_material;
    const NecRunner& m_runNec;
    const Band m_band;
    const std::function<void(const TrimProgress&)>& m_progress;
    mutable std::mutex m_lock;
    int m_evaluations{};
    int m_necRuns{};
    std::vector<Evaluated> m_evaluated;
    std::exception_ptr m_failure;
};

/// Evaluates every point, as many at a time as there are cores; the first failure ends it and
/// is rethrown.
std::vector<Figures> scan(Shared& shared, const std::vector<std::vector<double>>& points) {
    std::vector<Figures> figures(points.size());
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        for (std::size_t i = next++; i < points.size() && !shared.stop; i = next++) {
            try {
                figures[i] = shared.evaluate(points[i]);
            } catch (...) {
                shared.fail(std::current_exception());
            }
        }
    };
    std::vector<std::thread> workers;
    for (std::size_t i = 1; i < std::min(cores(), points.size()); ++i) {
        workers.emplace_back(work);
    }
    work();
    for (std::thread& worker : workers) {
        worker.join();
    }
    shared.rethrowFailure();
    return figures;
}

/// One COBYLA search from one start; NLopt asks for the objective and the constraints at the
/// same point one after the other, so the last figures are kept.
struct Descent {
    Shared* shared;
    nlopt::opt* optimiser;
    std::vector<double> lastX;
    Figures last;

    const Figures* at(const std::vector<double>& x) {
        if (shared->stop) {
            optimiser->force_stop();
            return nullptr;
        }
        if (x == lastX) {
            return &last;
        }
        try {
            last = shared->evaluate(x);
            lastX = x;
            return &last;
        } catch (...) {
            // NLopt would turn any exception into its own: kept, rethrown after all stop.
            shared->fail(std::current_exception());
            optimiser->force_stop();
            return nullptr;
        }
    }
};

double objective(const std::vector<double>& x, std::vector<double>&, void* data) {
    const Figures* f = static_cast<Descent*>(data)->at(x);
    return f ? -f->gain + changeCost(x) : 0;
}

void constraints(unsigned count, double* result, unsigned n, const double* x, double*, void* data) {
    const Figures* f = static_cast<Descent*>(data)->at(std::vector<double>(x, x + n));
    const std::vector<double> c = f ? constraintsOf(*f) : std::vector<double>(count, 0.0);
    for (unsigned i = 0; i < count; ++i) {
        result[i] = c[i];
    }
}

void descend(Shared& shared, std::vector<double> x) {
    const bool six = x.size() == 4;
    nlopt::opt optimiser(nlopt::LN_COBYLA, static_cast<unsigned>(x.size()));
    Descent descent{&shared, &optimiser, {}, {}};
    std::vector<double> lower{1 - widest, 1 - widest, 1 - widest, -widestTaper};
    std::vector<double> upper{1 + widest, 1 + widest, 1 + widest, widestTaper};
    std::vector<double> step{0.01, 0.01, 0.01, 0.01};
    if (!six) {
        lower.insert(lower.end(), {addedTaperLowest, addedShapeLowest});
        upper.insert(upper.end(), {addedTaperHighest, addedShapeHighest});
        step.insert(step.end(), {0.005, 0.1});
    }
    optimiser.set_lower_bounds(lower);
    optimiser.set_upper_bounds(upper);
    optimiser.set_min_objective(objective, &descent);
    optimiser.add_inequality_mconstraint(constraints, &descent, std::vector<double>(4, 1e-4));
    optimiser.set_initial_step(step);
    // 0.01 % of a length: well below what a builder can cut.
    optimiser.set_xtol_abs(1e-4);
    optimiser.set_maxeval(six ? evaluationsPerStart : longEvaluationsPerStart);
    double value = 0;
    try {
        optimiser.optimize(x, value);
    } catch (const std::exception&) {
        // A forced stop, or COBYLA giving up: what it evaluated is judged with the rest.
    }
}

/// Better first: meeting the limits, then the gain less the cost of the change; else nearer to
/// meeting them.
bool better(const Evaluated& a, const Evaluated& b) {
    const double va = violation(a.figures);
    const double vb = violation(b.figures);
    if (va == 0 && vb == 0) {
        return a.figures.gain - changeCost(a.x) > b.figures.gain - changeCost(b.x);
    }
    return va < vb;
}

const char* elementNames[] = {"reflector loop", "driven loop", "directors"};

/// What would help meet `limit`, from the evaluation that came nearest to it: an element pushed
/// to the 15 % it may move wants to go further, which thinner material (electrically shorter) or
/// thicker (longer) would give; else the material furthest from the design's proportions.
std::string helpFor(TrimLimit limit, const Evaluated& nearest, const Model& model,
                    const Material& material) {
    // The elements each limit depends on most, in that order.
    const std::vector<std::size_t> elements =
        limit == TrimLimit::Swr           ? std::vector<std::size_t>{1, 0, 2}
        : limit == TrimLimit::FrontToBack ? std::vector<std::size_t>{2, 0, 1}
                                          : std::vector<std::size_t>{2, 1, 0};
    for (const std::size_t e : elements) {
        const double change = nearest.x[e] - 1;
        if (std::fabs(change) >= widest - 0.005) {
            const bool shorter = change < 0;
            return std::string(shorter ? "shorter " : "longer ") + elementNames[e] +
                   " than the 15 % the trim may change them by: " +
                   (shorter ? "thinner " : "thicker ") + (e == 2 ? "rods" : "wire") + " for them";
        }
    }
    const Material proportional = scaledMaterial(model.frequencyMhz);
    const double rods = material.rodDiameterMm / proportional.rodDiameterMm;
    const double wire = material.wireDiameterMm / proportional.wireDiameterMm;
    const bool byRods = std::fabs(std::log(rods)) >= std::fabs(std::log(wire));
    const double ratio = byRods ? rods : wire;
    return std::string(ratio > 1 ? "thinner " : "thicker ") +
           (byRods ? "director rods" : "loop wire") + ", nearer the " +
           formatNumber("%.2f", byRods ? proportional.rodDiameterMm : proportional.wireDiameterMm) +
           " mm the design's proportions assume at " + formatNumber("%g", model.frequencyMhz) +
           " MHz";
}

/// Scans the directors' scale over the whole range, the rest as designed, and then the driven
/// loop, which sets the feed, at the directors' scales nearest to the other limits; gives the
/// best points evaluated so far, distinct, best first.
std::vector<std::vector<double>> scanned(Shared& shared, const std::vector<double>& designed) {
    std::vector<std::vector<double>> points;
    for (double d = 1 - widest; d <= 1 + widest + 1e-9; d += directorScanStep) {
        std::vector<double> point = designed;
        point[2] = d;
        points.push_back(point);
    }
    std::vector<Figures> figures = scan(shared, points);
    std::vector<std::size_t> order(points.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i] = i;
    }
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return violation(figures[a], false) < violation(figures[b], false);
    });
    std::vector<std::vector<double>> driven;
    for (std::size_t k = 0; k < std::min(scanCentres, order.size()); ++k) {
        for (double e = 1 - drivenScanReach; e <= 1 + drivenScanReach + 1e-9; e += drivenScanStep) {
            if (std::fabs(e - 1) > 1e-9) {
                std::vector<double> point = points[order[k]];
                point[1] = e;
                driven.push_back(point);
            }
        }
    }
    scan(shared, driven);

    // The best distinct points so far, to start COBYLA from.
    std::vector<Evaluated> evaluated = shared.evaluated();
    std::stable_sort(evaluated.begin(), evaluated.end(), better);
    std::vector<std::vector<double>> from;
    for (const Evaluated& e : evaluated) {
        if (from.size() < starts && std::find(from.begin(), from.end(), e.x) == from.end()) {
            from.push_back(e.x);
        }
    }
    return from;
}

} // namespace

DesignState trimmedDesign(const DesignState& design, const TrimParameters& p) {
    DesignState trimmed = design;
    trimmed.ref = static_cast<float>(double{design.ref} * p.reflector);
    trimmed.dri = static_cast<float>(double{design.dri} * p.driven);
    for (std::size_t n = 0; n < sixDirectors; ++n) {
        trimmed.*directorLengths[n] =
            static_cast<float>(double{design.*directorLengths[n]} * p.directorFactor(n));
    }
    return trimmed;
}

AddedDirectors trimmedAdded(const DesignState& design, std::size_t count, const TrimParameters& p) {
    // DIR 6's rod as the model builds it (half of dir6 x 12 inches), trimmed.
    const double dir6 = double{design.*directorLengths[sixDirectors - 1]} * 12 / 2 *
                        p.directorFactor(sixDirectors - 1);
    AddedDirectors added;
    for (std::size_t k = 1; k <= count; ++k) {
        added.push_back({dir6 * p.addedFactor(k) + double{design.x},
                         double{design.*directorSpacings[sixDirectors - 1]}});
    }
    return added;
}

TrimSearch searchTrim(const Model& model, const Material& material, const Band& band,
                      const NecRunner& runNec,
                      const std::function<void(const TrimProgress&)>& progress) {
    Shared shared(model, material, runNec, band, progress);

    // A design that meets the limits already is only improved where it stands: no scan.
    const std::vector<double> designed = designedPoint(model);
    std::vector<std::vector<double>> from;
    if (violation(scan(shared, {designed}).front()) == 0) {
        from.push_back(designed);
    } else {
        from = scanned(shared, designed);
    }
    // A batch that finds lengths meeting the limits ends the search: the next starts, further
    // from meeting them, would mostly trade a little gain for a larger change.
    const auto found = [&shared] {
        const std::vector<Evaluated> all = shared.evaluated();
        return std::any_of(all.begin(), all.end(),
                           [](const Evaluated& e) { return violation(e.figures) == 0; });
    };
    for (std::size_t first = 0; first < from.size() && !shared.stop && (first == 0 || !found());
         first += descentsTogether) {
        const std::size_t batch = std::min(first + descentsTogether, from.size()) - first;
        shared.split = std::max<std::size_t>(1, cores() / batch);
        if (cores() == 1) {
            for (std::size_t i = first; i < first + batch; ++i) {
                descend(shared, from[i]);
            }
            continue;
        }
        std::vector<std::thread> descents;
        for (std::size_t i = first; i < first + batch; ++i) {
            descents.emplace_back([&shared, x = from[i]] { descend(shared, x); });
        }
        for (std::thread& descent : descents) {
            descent.join();
        }
    }
    shared.rethrowFailure();

    std::vector<Evaluated> evaluated = shared.evaluated();
    TrimSearch search;
    search.evaluations = shared.evaluations();
    search.necRuns = shared.necRuns();
    std::stable_sort(evaluated.begin(), evaluated.end(), better);
    const Evaluated& best = evaluated.front();
    search.feasibleFound = violation(best.figures) == 0;
    search.parameters = parametersOf(best.x);
    // The next best lengths that met the limits, each at least 0.5 % from those before.
    std::vector<std::vector<double>> taken{best.x};
    for (const Evaluated& e : evaluated) {
        if (search.alternatives.size() >= trimAlternatives || violation(e.figures) != 0) {
            break;
        }
        const bool apart = std::all_of(taken.begin(), taken.end(), [&](const auto& x) {
            for (std::size_t i = 0; i < x.size(); ++i) {
                if (std::fabs(x[i] - e.x[i]) >= 0.005) {
                    return true;
                }
            }
            return false;
        });
        if (apart) {
            taken.push_back(e.x);
            search.alternatives.push_back(parametersOf(e.x));
        }
    }

    // For each limit, the evaluation nearest to meeting it alone: what it reached, and what
    // would help where none met it.
    const auto nearestFor = [&](auto&& distance) {
        return *std::min_element(evaluated.begin(), evaluated.end(),
                                 [&](const Evaluated& a, const Evaluated& b) {
                                     return distance(a.figures) < distance(b.figures);
                                 });
    };
    const Evaluated& mostFrontToBack = nearestFor(
        [](const Figures& f) { return std::isfinite(f.frontToBack) ? -f.frontToBack : 1e9; });
    const Evaluated& lowestSwr =
        nearestFor([](const Figures& f) { return std::isfinite(f.swr) ? f.swr : 1e9; });
    const Evaluated& nearestPeak = nearestFor([](const Figures& f) { return peakMiss(f); });
    search.highestFrontToBackDb = mostFrontToBack.figures.frontToBack;
    search.lowestSwr = lowestSwr.figures.swr;
    // A limit that some evaluation met alone conflicts with the others: the lengths nearest to
    // meeting them all then show what to change.
    search.help = {
        helpFor(TrimLimit::FrontToBack,
                mostFrontToBack.figures.frontToBack >= frontToBackAim ? best : mostFrontToBack,
                model, material),
        helpFor(TrimLimit::Swr, lowestSwr.figures.swr <= swrAim ? best : lowestSwr, model,
                material),
        helpFor(TrimLimit::Peak, peakMiss(nearestPeak.figures) <= 0 ? best : nearestPeak, model,
                material)};
    return search;
}

} // namespace tarvo::analysis
