// SPDX-License-Identifier: GPL-3.0-or-later
#include "workshop/tolerances.h"

#include "analysis/deck.h"
#include "analysis/nec_output.h"
#include "analysis/performance.h"
#include "analysis/side_by_side.h"
#include "workshop/dimensions.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <exception>
#include <limits>
#include <mutex>
#include <thread>

namespace tarvo::workshop {
namespace {

// The search starts at 1/2000 wavelength (about 1 mm at 144 MHz) and doubles up to 64 times
// that, 3.2 % of a wavelength: a builder who misses by more has a different antenna. The bracket
// is then halved until it is at most 1/40 of its safe end, so that the safe end, which is what
// the sheet states, lies within 2.5 % of the crossing; a crossing below the first step is
// bracketed down to 1/4096 of it.
constexpr double firstStepWavelengths = 1.0 / 2000;
constexpr int doublings = 6;
constexpr double bracketFraction = 1.0 / 40;
constexpr int mostHalvings = 12;

/// The element a wire of the model belongs to: 0 reflector, 1 driven loop, 2 on the directors.
std::size_t elementOf(std::size_t wire) {
    return wire < 4 ? 0 : wire < 8 ? 1 : wire - 6;
}

void scaleAcross(analysis::Wire& wire, double factor) {
    wire.start.y *= factor;
    wire.start.z *= factor;
    wire.end.y *= factor;
    wire.end.z *= factor;
}

/// How far a figure is from its limit: above 0 within it, below 0 beyond.
double margin(Limit limit, const Figures& figures, const Figures& nominal) {
    switch (limit) {
    case Limit::GainLoss:
        return figures.gainDbi - (nominal.gainDbi - gainLossLimitDb);
    case Limit::FrontToBack:
        return figures.frontToBackDb - frontToBackLimitDb;
    case Limit::Swr:
        return swrLimit - figures.swr;
    }
    return 0;
}

struct Search {
    Dimension dimension;
    double sign{}; ///< -1 shorter, +1 longer
    double passMm{};
    double failMm{};
    Figures pass;
    Figures fail;
    int doubled{};
    int halved{};
    bool bracketed{};
    bool done{};
    OneWay result;

    double nextMm(double firstStepMm) const {
        return bracketed ? (passMm + failMm) / 2 : firstStepMm * std::ldexp(1.0, doubled);
    }
};

/// Runs every model's deck, as many at a time as there are cores.
std::vector<Figures> figuresOfAll(const std::vector<analysis::Model>& models,
                                  const analysis::Material& material,
                                  const analysis::NecRunner& runNec) {
    std::vector<Figures> figures(models.size());
    std::atomic<std::size_t> next{0};
    std::exception_ptr failure;
    std::mutex failureLock;
    const auto work = [&] {
        for (std::size_t i = next++; i < models.size(); i = next++) {
            try {
                figures[i] = figuresOf(models[i], material, runNec);
            } catch (...) {
                const std::lock_guard lock(failureLock);
                if (!failure) {
                    failure = std::current_exception();
                }
                next = models.size(); // the first failure ends the round
            }
        }
    };
    std::vector<std::thread> workers;
    for (std::size_t i = 1; i < std::min(analysis::cores(), models.size()); ++i) {
        workers.emplace_back(work);
    }
    work();
    for (std::thread& worker : workers) {
        worker.join();
    }
    if (failure) {
        std::rethrow_exception(failure);
    }
    return figures;
}

} // namespace

std::string Dimension::name() const {
    switch (kind) {
    case Kind::LoopLength:
        return elementName(index) + " loop";
    case Kind::DirectorLength:
        return elementName(index + 2);
    case Kind::Spacing:
        return spacingName(index);
    }
    return {};
}

std::string limitName(Limit limit) {
    switch (limit) {
    case Limit::GainLoss:
        return "gain -0.2 dB";
    case Limit::FrontToBack:
        return "F/B 20 dB";
    case Limit::Swr:
        return "SWR 1.5";
    }
    return {};
}

double Tolerance::tightestMm() const {
    if (shorter.mm && longer.mm) {
        return std::min(*shorter.mm, *longer.mm);
    }
    if (shorter.mm || longer.mm) {
        return shorter.mm ? *shorter.mm : *longer.mm;
    }
    return std::max(shorter.searchedMm, longer.searchedMm);
}

analysis::Model perturbed(const analysis::Model& model, const Dimension& dimension,
                          double deltaMm) {
    analysis::Model changed = model;
    const double delta = deltaMm / 1000;
    switch (dimension.kind) {
    case Dimension::Kind::LoopLength: {
        const std::size_t first = 4 * dimension.index;
        // Four equal sides about the boom: a quarter of the change on each.
        const double side = std::fabs(model.wires[first].end.y - model.wires[first].start.y);
        for (std::size_t w = first; w < first + 4; ++w) {
            scaleAcross(changed.wires[w], (side + delta / 4) / side);
        }
        break;
    }
    case Dimension::Kind::DirectorLength: {
        analysis::Wire& rod = changed.wires[8 + dimension.index];
        const double length = std::fabs(rod.end.y - rod.start.y);
        scaleAcross(rod, (length + delta) / length);
        break;
    }
    case Dimension::Kind::Spacing:
        for (std::size_t w = 0; w < changed.wires.size(); ++w) {
            if (elementOf(w) > dimension.index) {
                changed.wires[w].start.x += delta;
                changed.wires[w].end.x += delta;
            }
        }
        break;
    }
    return changed;
}

Figures figuresOf(const analysis::Model& model, const analysis::Material& material,
                  const analysis::NecRunner& runNec) {
    const auto results = analysis::parseNecOutput(
        runNec(analysis::writePointsDeck(model, material, {model.frequencyMhz})));
    if (results.size() != 1) {
        throw analysis::AnalysisError("the nec2c output holds " + std::to_string(results.size()) +
                                      " frequencies, the deck asked for 1");
    }
    const analysis::SweepPoint point = analysis::checkedSweepPoint(results[0], model.frequencyMhz);
    return {point.gainDbi, point.frontToBackDb, point.swr};
}

ToleranceReport findTolerances(const analysis::Model& model, const analysis::Material& material,
                               const analysis::NecRunner& runNec) {
    ToleranceReport report;
    report.nominal = figuresOf(model, material, runNec);
    report.necRuns = 1;
    report.frontToBackUsed = report.nominal.frontToBackDb >= frontToBackLimitDb;
    report.swrUsed = report.nominal.swr <= swrLimit;
    std::vector<Limit> limits{Limit::GainLoss};
    if (report.frontToBackUsed) {
        limits.push_back(Limit::FrontToBack);
    }
    if (report.swrUsed) {
        limits.push_back(Limit::Swr);
    }
    const auto beyond = [&](const Figures& figures) {
        return std::any_of(limits.begin(), limits.end(), [&](Limit limit) {
            return !(margin(limit, figures, report.nominal) > 0);
        });
    };

    std::vector<Dimension> dimensions;
    for (std::size_t i = 0; i < 2; ++i) {
        dimensions.push_back({Dimension::Kind::LoopLength, i});
    }
    // Every director the model holds, the six and any added beyond DIR 6.
    const std::size_t directors = model.wires.size() - 8;
    for (std::size_t i = 0; i < directors; ++i) {
        dimensions.push_back({Dimension::Kind::DirectorLength, i});
    }
    for (std::size_t i = 0; i < directors + 1; ++i) {
        dimensions.push_back({Dimension::Kind::Spacing, i});
    }
    const double firstStepMm =
        firstStepWavelengths * analysis::speedOfLight / model.frequencyMhz * 1000;
    std::vector<Search> searches;
    for (const Dimension& dimension : dimensions) {
        for (const double sign : {-1.0, 1.0}) {
            Search search;
            search.dimension = dimension;
            search.sign = sign;
            search.pass = report.nominal;
            searches.push_back(search);
        }
    }

    for (;;) {
        std::vector<Search*> active;
        std::vector<analysis::Model> models;
        for (Search& search : searches) {
            if (!search.done) {
                active.push_back(&search);
                models.push_back(
                    perturbed(model, search.dimension, search.sign * search.nextMm(firstStepMm)));
            }
        }
        if (active.empty()) {
            break;
        }
        const std::vector<Figures> figures = figuresOfAll(models, material, runNec);
        report.necRuns += static_cast<int>(models.size());
        for (std::size_t i = 0; i < active.size(); ++i) {
            Search& s = *active[i];
            const double probed = s.nextMm(firstStepMm);
            if (beyond(figures[i])) {
                s.failMm = probed;
                s.fail = figures[i];
                s.bracketed = true;
            } else {
                s.passMm = probed;
                s.pass = figures[i];
            }
            if (s.bracketed) {
                ++s.halved;
                s.done =
                    s.failMm - s.passMm <= bracketFraction * s.passMm || s.halved >= mostHalvings;
            } else if (++s.doubled > doublings) {
                s.done = true;
                s.result.searchedMm = probed;
            }
        }
    }

    for (std::size_t d = 0; d < dimensions.size(); ++d) {
        Tolerance tolerance;
        tolerance.dimension = dimensions[d];
        for (Search* s : {&searches[2 * d], &searches[2 * d + 1]}) {
            OneWay& way = s->sign < 0 ? tolerance.shorter : tolerance.longer;
            way = s->result;
            if (!s->bracketed) {
                continue;
            }
            way.searchedMm = s->failMm;
            // The limit named is the one crossed first, by linear interpolation within the
            // bracket; the tolerance is the bracket's safe end, where no limit is crossed yet.
            double nearest = std::numeric_limits<double>::infinity();
            for (const Limit limit : limits) {
                const double inside = margin(limit, s->pass, report.nominal);
                const double outside = margin(limit, s->fail, report.nominal);
                if (outside > 0) {
                    continue;
                }
                const double at = s->passMm + (s->failMm - s->passMm) * inside / (inside - outside);
                if (at < nearest) {
                    nearest = at;
                    way.limit = limit;
                }
            }
            way.mm = s->passMm;
        }
        report.tolerances.push_back(tolerance);
    }

    std::vector<Tolerance*> byTightness;
    for (Tolerance& tolerance : report.tolerances) {
        if (tolerance.shorter.mm || tolerance.longer.mm) {
            byTightness.push_back(&tolerance);
        }
    }
    std::sort(byTightness.begin(), byTightness.end(), [](const Tolerance* a, const Tolerance* b) {
        return a->tightestMm() < b->tightestMm();
    });
    for (std::size_t i = 0; i < std::min<std::size_t>(3, byTightness.size()); ++i) {
        byTightness[i]->critical = true;
    }
    return report;
}

} // namespace tarvo::workshop
