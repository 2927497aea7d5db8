// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/trim.h"

#include "analysis/deck.h"
#include "analysis/nec_output.h"
#include "analysis/performance.h"

#include <nlopt.hpp>

#include <cmath>
#include <exception>
#include <future>
#include <thread>

namespace tarvo::analysis {
namespace {

// The optimiser aims inside the limits, so that the design rebuilt from the trimmed lengths
// (whose segments may round differently) still meets them when checked on its own.
constexpr double frontToBackAim = trimFrontToBackDb + 0.5;
constexpr double swrAim = trimSwr - 0.04;
// The gain must rise through 0.5 % below the design frequency and fall through 0.5 % above it:
// then its peak lies between. Each edge's gain is compared with the gain 0.15 % further in,
// which on a rounded peak puts it within 0.425 % of the design frequency.
constexpr double peakOuter = trimPeakPercent / 100;
constexpr double peakInner = peakOuter - 0.0015;

// Each per cent that a length moves costs 0.05 dB of gain, squared: 1 % must buy more than
// 0.05 dB, 2 % more than 0.2 dB.
constexpr double changeCostDbPerPercentSquared = 0.05;

constexpr double widest = 0.15; // no length moves by more than 15 %
constexpr double widestTaper = 0.1;

struct Figures {
    double gain{};
    double frontToBack{};
    double swr{};
    double lowInner{};
    double lowOuter{};
    double highInner{};
    double highOuter{};
};

void scaleAcross(Wire& wire, double factor) {
    wire.start.y *= factor;
    wire.start.z *= factor;
    wire.end.y *= factor;
    wire.end.z *= factor;
}

/// The model with the lengths scaled; segment counts stay, so the figures move smoothly.
Model scaledModel(const Model& model, const TrimParameters& p) {
    Model scaled = model;
    for (std::size_t w = 0; w < scaled.wires.size(); ++w) {
        scaleAcross(scaled.wires[w], w < 4   ? p.reflector
                                     : w < 8 ? p.driven
                                             : p.directorFactor(w - 8));
    }
    return scaled;
}

class Evaluator {
public:
    Evaluator(const Model& model, const Material& material, const NecRunner& runNec)
        : m_model(model)
        , m_material(material)
        , m_runNec(runNec) {}

    const Figures& at(const std::vector<double>& x) {
        if (x == m_lastX) {
            return m_last;
        }
        const TrimParameters p{x[0], x[1], x[2], x[3]};
        const Model scaled = scaledModel(m_model, p);
        const double f = m_model.frequencyMhz;
        // Two decks side by side: the design frequency with the lower pair, the upper pair.
        const std::vector<std::vector<double>> parts{{f, f * (1 - peakInner), f * (1 - peakOuter)},
                                                     {f * (1 + peakInner), f * (1 + peakOuter)}};
        std::vector<std::future<std::vector<SweepPoint>>> runs;
        for (const auto& part : parts) {
            runs.push_back(std::async(std::launch::async, [&, part] {
                const auto results =
                    parseNecOutput(m_runNec(writePointsDeck(scaled, m_material, part)));
                if (results.size() != part.size()) {
                    throw AnalysisError("the nec2c output holds " + std::to_string(results.size()) +
                                        " frequencies, the " + "deck asked for " +
                                        std::to_string(part.size()));
                }
                std::vector<SweepPoint> points;
                for (std::size_t i = 0; i < part.size(); ++i) {
                    points.push_back(checkedSweepPoint(results[i], part[i]));
                }
                return points;
            }));
        }
        std::vector<std::vector<SweepPoint>> points;
        std::exception_ptr failure;
        for (auto& run : runs) {
            try {
                points.push_back(run.get());
            } catch (...) {
                failure = failure ? failure : std::current_exception();
            }
        }
        if (failure) {
            std::rethrow_exception(failure);
        }
        necRuns += static_cast<int>(parts.size());
        ++evaluations;
        m_last = {points[0][0].gainDbi, points[0][0].frontToBackDb, points[0][0].swr,
                  points[0][1].gainDbi, points[0][2].gainDbi,       points[1][0].gainDbi,
                  points[1][1].gainDbi};
        m_lastX = x;
        return m_last;
    }

    int evaluations{};
    int necRuns{};

private:
    const Model& m_model;
    const Material& m_material;
    const NecRunner& m_runNec;
    std::vector<double> m_lastX;
    Figures m_last;
};

/// The constraints, each at most 0 when met, scaled to comparable sizes.
std::vector<double> constraintsOf(const Figures& f) {
    return {(frontToBackAim - f.frontToBack) / 10, (f.swr - swrAim) / 0.5,
            (f.lowOuter - f.lowInner) * 100, (f.highOuter - f.highInner) * 100};
}

bool meets(const Figures& f) {
    for (const double c : constraintsOf(f)) {
        if (!(c <= 0)) {
            return false;
        }
    }
    return std::isfinite(f.gain);
}

/// The gain given up for a change of the lengths: a length is moved only where that buys gain
/// (or where the limits demand it), so a design that already meets them stays close to itself.
double changeCost(const std::vector<double>& x) {
    double cost = 0;
    for (std::size_t i = 0; i < 3; ++i) {
        cost += std::pow((x[i] - 1) * 100, 2);
    }
    return changeCostDbPerPercentSquared * (cost + std::pow(x[3] * 100, 2));
}

struct Context {
    Evaluator* evaluator;
    const std::function<void(const TrimProgress&)>* progress;
    nlopt::opt* optimiser;
    std::exception_ptr failure;
    std::vector<double> best;
    double bestGain{-HUGE_VAL};
};

const Figures* figuresAt(Context& context, const std::vector<double>& x) {
    if (context.failure) {
        return nullptr;
    }
    try {
        const int before = context.evaluator->evaluations;
        const Figures& f = context.evaluator->at(x);
        if (*context.progress && before != context.evaluator->evaluations) {
            (*context.progress)({context.evaluator->evaluations, f.gain, f.frontToBack, f.swr});
        }
        if (meets(f) && f.gain - changeCost(x) > context.bestGain) {
            context.bestGain = f.gain - changeCost(x);
            context.best = x;
        }
        return &f;
    } catch (...) {
        // NLopt would turn any exception into its own: kept here, rethrown after it stops.
        context.failure = std::current_exception();
        context.optimiser->force_stop();
        return nullptr;
    }
}

double objective(const std::vector<double>& x, std::vector<double>&, void* data) {
    auto& context = *static_cast<Context*>(data);
    const Figures* f = figuresAt(context, x);
    return f ? -f->gain + changeCost(x) : 0;
}

void constraints(unsigned count, double* result, unsigned n, const double* x, double*, void* data) {
    auto& context = *static_cast<Context*>(data);
    const Figures* f = figuresAt(context, std::vector<double>(x, x + n));
    const std::vector<double> c = f ? constraintsOf(*f) : std::vector<double>(count, 0.0);
    for (unsigned i = 0; i < count; ++i) {
        result[i] = c[i];
    }
}

} // namespace

DesignState trimmedDesign(const DesignState& design, const TrimParameters& p) {
    DesignState trimmed = design;
    trimmed.ref = static_cast<float>(double{design.ref} * p.reflector);
    trimmed.dri = static_cast<float>(double{design.dri} * p.driven);
    for (std::size_t n = 0; n < 6; ++n) {
        trimmed.*directorLengths[n] =
            static_cast<float>(double{design.*directorLengths[n]} * p.directorFactor(n));
    }
    return trimmed;
}

TrimSearch searchTrim(const Model& model, const Material& material, const NecRunner& runNec,
                      const std::function<void(const TrimProgress&)>& progress) {
    Evaluator evaluator(model, material, runNec);
    nlopt::opt optimiser(nlopt::LN_COBYLA, 4);
    Context context{&evaluator, &progress, &optimiser, nullptr, {}, -HUGE_VAL};
    optimiser.set_lower_bounds({1 - widest, 1 - widest, 1 - widest, -widestTaper});
    optimiser.set_upper_bounds({1 + widest, 1 + widest, 1 + widest, widestTaper});
    optimiser.set_min_objective(objective, &context);
    optimiser.add_inequality_mconstraint(constraints, &context, std::vector<double>(4, 1e-4));
    optimiser.set_initial_step({0.02, 0.02, 0.02, 0.02});
    // 0.01 % of a length: well below what a builder can cut.
    optimiser.set_xtol_abs(1e-4);
    optimiser.set_maxeval(150);
    std::vector<double> x{1, 1, 1, 0};
    double value = 0;
    try {
        optimiser.optimize(x, value);
    } catch (const std::exception&) {
        // A forced stop, or COBYLA giving up: what it found so far is judged below.
    }
    if (context.failure) {
        std::rethrow_exception(context.failure);
    }
    TrimSearch search;
    search.evaluations = evaluator.evaluations;
    search.necRuns = evaluator.necRuns;
    search.feasibleFound = !context.best.empty();
    const std::vector<double>& chosen = search.feasibleFound ? context.best : x;
    search.parameters = {chosen[0], chosen[1], chosen[2], chosen[3]};
    return search;
}

} // namespace tarvo::analysis
