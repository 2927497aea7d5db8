// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/measured_fit.h"

#include "analysis/deck.h"
#include "analysis/nec_output.h"
#include "analysis/number_format.h"
#include "analysis/performance.h"
#include "analysis/side_by_side.h"
#include "analysis/trim.h"

#include <nlopt.hpp>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <exception>
#include <future>
#include <mutex>
#include <thread>

namespace tarvo::analysis {
namespace {

std::complex<double> reflection(std::complex<double> z) {
    return (z - referenceImpedance) / (z + referenceImpedance);
}

// The reflector is told apart from the driven loop only when fitting it too explains the
// measurement markedly better (a third of the misfit gone) and moves it by a cuttable amount.
constexpr double reflectorGain = 0.67;
constexpr double reflectorLeast = 0.005;
constexpr double drivenScanStep = 0.02;

/// The model with its loops' wire lengths scaled about the boom and every director as built:
/// the measurement tells the loops apart, and a long boom's added directors stay the rule's.
Model scaledLoops(const Model& model, double reflector, double driven) {
    Model scaled = model;
    for (std::size_t w = 0; w < 8 && w < scaled.wires.size(); ++w) {
        const double factor = w < 4 ? reflector : driven;
        Wire& wire = scaled.wires[w];
        wire.start.y *= factor;
        wire.start.z *= factor;
        wire.end.y *= factor;
        wire.end.z *= factor;
    }
    return scaled;
}

/// Evaluations of the model with scaled loops, counted; from several threads at once.
class Evaluator {
public:
    Evaluator(const Model& model, const Material& material,
              const std::vector<ImpedanceSample>& samples, const NecRunner& runNec)
        : m_model(model)
        , m_material(material)
        , m_samples(samples)
        , m_runNec(runNec) {}

    /// NEC-2's impedances at the samples' frequencies, with the loops scaled; in `parts` runs
    /// side by side.
    std::vector<ImpedanceSample> impedances(double reflector, double driven, std::size_t parts) {
        const Model scaled = scaledLoops(m_model, reflector, driven);
        std::vector<double> frequencies;
        for (const ImpedanceSample& s : m_samples) {
            frequencies.push_back(s.frequencyMhz);
        }
        parts = std::clamp<std::size_t>(parts, 1, frequencies.size());
        const std::size_t share = (frequencies.size() + parts - 1) / parts;
        std::vector<std::future<std::vector<ImpedanceSample>>> runs;
        for (std::size_t start = 0; start < frequencies.size(); start += share) {
            const std::vector<double> part(
                frequencies.begin() + static_cast<std::ptrdiff_t>(start),
                frequencies.begin() +
                    static_cast<std::ptrdiff_t>(std::min(start + share, frequencies.size())));
            runs.push_back(std::async(sideBySide(), [this, &scaled, part] {
                const auto results =
                    parseNecOutput(m_runNec(writePointsDeck(scaled, m_material, part)));
                if (results.size() != part.size()) {
                    throw AnalysisError("the nec2c output holds " + std::to_string(results.size()) +
                                        " frequencies, the deck asked for " +
                                        std::to_string(part.size()));
                }
                std::vector<ImpedanceSample> points;
                for (std::size_t i = 0; i < part.size(); ++i) {
                    points.push_back({part[i], checkedSweepPoint(results[i], part[i]).impedance});
                }
                return points;
            }));
        }
        std::vector<ImpedanceSample> points;
        std::exception_ptr failure;
        for (auto& run : runs) {
            try {
                for (const ImpedanceSample& p : run.get()) {
                    points.push_back(p);
                }
            } catch (...) {
                failure = failure ? failure : std::current_exception();
            }
        }
        if (failure) {
            std::rethrow_exception(failure);
        }
        const std::lock_guard lock(m_lock);
        ++m_evaluations;
        m_necRuns += static_cast<int>(runs.size());
        return points;
    }

    double misfit(double reflector, double driven, std::size_t parts) {
        return rmsReflectionDistance(m_samples, impedances(reflector, driven, parts));
    }

    int evaluations() const {
        const std::lock_guard lock(m_lock);
        return m_evaluations;
    }
    int necRuns() const {
        const std::lock_guard lock(m_lock);
        return m_necRuns;
    }

private:
    const Model& m_model;
    const Material& m_material;
    const std::vector<ImpedanceSample>& m_samples;
    const NecRunner& m_runNec;
    mutable std::mutex m_lock;
    int m_evaluations{};
    int m_necRuns{};
};

struct Search {
    Evaluator* evaluator;
    bool withReflector;
    std::exception_ptr failure;
    nlopt::opt* optimiser;
};

double misfitOf(const std::vector<double>& x, std::vector<double>&, void* data) {
    auto* search = static_cast<Search*>(data);
    if (search->failure) {
        return 10;
    }
    try {
        return search->withReflector ? search->evaluator->misfit(x[0], x[1], cores())
                                     : search->evaluator->misfit(1, x[0], cores());
    } catch (...) {
        // NLopt would turn any exception into its own: kept, rethrown after it stops.
        search->failure = std::current_exception();
        search->optimiser->force_stop();
        return 10;
    }
}

/// NLopt's BOBYQA (or, for one length, its subplex) from `x`, within the reach.
std::vector<double> minimise(Evaluator& evaluator, std::vector<double> x, double step,
                             int evaluations) {
    const bool withReflector = x.size() == 2;
    nlopt::opt optimiser(withReflector ? nlopt::LN_BOBYQA : nlopt::LN_SBPLX,
                         static_cast<unsigned>(x.size()));
    Search search{&evaluator, withReflector, nullptr, &optimiser};
    optimiser.set_lower_bounds(std::vector<double>(x.size(), 1 - fitReach));
    optimiser.set_upper_bounds(std::vector<double>(x.size(), 1 + fitReach));
    optimiser.set_min_objective(misfitOf, &search);
    optimiser.set_initial_step(std::vector<double>(x.size(), step));
    // 0.02 % of a length: a fraction of a millimetre on a 2 m loop.
    optimiser.set_xtol_abs(2e-4);
    optimiser.set_maxeval(evaluations);
    double value = 0;
    try {
        optimiser.optimize(x, value);
    } catch (const std::exception&) {
        // A forced stop, or the optimiser giving up where it stands: x is its best.
    }
    if (search.failure) {
        std::rethrow_exception(search.failure);
    }
    return x;
}

} // namespace

double reflectionDistance(std::complex<double> a, std::complex<double> b) {
    return std::abs(reflection(a) - reflection(b));
}

double rmsReflectionDistance(const std::vector<ImpedanceSample>& a,
                             const std::vector<ImpedanceSample>& b) {
    double sum = 0;
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
        sum += std::pow(reflectionDistance(a[i].impedance, b[i].impedance), 2);
    }
    return a.empty() ? 0 : std::sqrt(sum / static_cast<double>(a.size()));
}

MeasuredFit fitMeasured(const Model& model, const Material& material,
                        const std::vector<ImpedanceSample>& samples, const NecRunner& runNec,
                        bool tryReflector) {
    MeasuredFit fit;
    // At most fitMaxFrequencies samples, spread evenly over the band, its ends included.
    const std::size_t n = std::min(samples.size(), fitMaxFrequencies);
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t k = n == 1 ? 0 : i * (samples.size() - 1) / (n - 1);
        fit.measured.push_back(samples[k]);
    }
    Evaluator evaluator(model, material, fit.measured, runNec);

    // The driven loop in 2 % steps over its whole reach, as many at a time as there are cores;
    // the designed lengths among them.
    std::vector<double> scan;
    for (double d = 1 - fitReach + 0.01; d <= 1 + fitReach + 1e-9; d += drivenScanStep) {
        scan.push_back(d);
    }
    std::vector<double> misfits(scan.size());
    std::atomic<std::size_t> next{0};
    std::exception_ptr failure;
    std::mutex failureLock;
    const auto work = [&] {
        for (std::size_t i = next++; i < scan.size(); i = next++) {
            try {
                misfits[i] = evaluator.misfit(1, scan[i], 1);
            } catch (...) {
                const std::lock_guard lock(failureLock);
                failure = failure ? failure : std::current_exception();
                next = scan.size();
            }
        }
    };
    std::vector<std::thread> workers;
    for (std::size_t i = 1; i < std::min(cores(), scan.size()); ++i) {
        workers.emplace_back(work);
    }
    work();
    for (std::thread& worker : workers) {
        worker.join();
    }
    if (failure) {
        std::rethrow_exception(failure);
    }
    const std::size_t best = static_cast<std::size_t>(
        std::min_element(misfits.begin(), misfits.end()) - misfits.begin());

    fit.driven = minimise(evaluator, {scan[best]}, 0.005, 30).front();
    fit.asDesigned = evaluator.impedances(1, 1, cores());
    fit.residualAsDesigned = rmsReflectionDistance(fit.measured, fit.asDesigned);
    fit.fitted = evaluator.impedances(1, fit.driven, cores());
    fit.residualDrivenOnly = rmsReflectionDistance(fit.measured, fit.fitted);
    fit.residual = fit.residualDrivenOnly;
    if (tryReflector) {
        const std::vector<double> both = minimise(evaluator, {1, fit.driven}, 0.01, 40);
        const auto fittedBoth = evaluator.impedances(both[0], both[1], cores());
        const double residualBoth = rmsReflectionDistance(fit.measured, fittedBoth);
        if (residualBoth < reflectorGain * fit.residualDrivenOnly &&
            std::fabs(both[0] - 1) >= reflectorLeast) {
            fit.reflector = both[0];
            fit.driven = both[1];
            fit.reflectorFitted = true;
            fit.fitted = fittedBoth;
            fit.residual = residualBoth;
            fit.reflectorNote = "fitting the reflector too explains the measurement better (" +
                                formatNumber("%.4f", residualBoth) + " against " +
                                formatNumber("%.4f", fit.residualDrivenOnly) + ")";
        } else {
            fit.reflectorNote = "the reflector as designed explains the measurement as well as "
                                "any other (fitting it too: " +
                                formatNumber("%.4f", residualBoth) + " against " +
                                formatNumber("%.4f", fit.residualDrivenOnly) + ")";
        }
    } else {
        fit.reflectorNote = "the measured band is too narrow to tell the reflector from the "
                            "driven loop";
    }
    fit.atReach = std::fabs(fit.driven - 1) >= fitReach - 1e-3 ||
                  (fit.reflectorFitted && std::fabs(fit.reflector - 1) >= fitReach - 1e-3);
    fit.evaluations = evaluator.evaluations();
    fit.necRuns = evaluator.necRuns();
    return fit;
}

} // namespace tarvo::analysis
