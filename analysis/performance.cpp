// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/performance.h"

#include "analysis/band.h"
#include "analysis/number_format.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <map>

namespace tarvo::analysis {
namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

/// The angle, walking from 0 in steps of `direction`, where the gain first falls 3 dB below
/// `peak`, interpolated between samples; NaN when it never does within 180 degrees.
double halfPowerAngle(const std::map<int, double>& gainByAngle, double peak, int direction) {
    double previousGain = peak;
    for (int step = 1; step <= 180; ++step) {
        const auto found = gainByAngle.find(step * direction);
        if (found == gainByAngle.end()) {
            return nan;
        }
        const double gain = found->second;
        if (gain < peak - 3) {
            const double fraction = (previousGain - (peak - 3)) / (previousGain - gain);
            return step - 1 + fraction;
        }
        previousGain = gain;
    }
    return nan;
}

double beamwidth(const std::map<int, double>& gainByAngle) {
    const auto forward = gainByAngle.find(0);
    if (forward == gainByAngle.end()) {
        return nan;
    }
    return halfPowerAngle(gainByAngle, forward->second, 1) +
           halfPowerAngle(gainByAngle, forward->second, -1);
}

bool near(double a, double b) {
    return std::fabs(a - b) < 1e-6;
}

std::string format(const char* pattern, double value) {
    return formatNumber(pattern, value);
}

[[noreturn]] void implausible(double frequencyMhz, const std::string& what) {
    throw AnalysisError("nec2c's results are not plausible, so none is shown: " + what + " at " +
                        format("%g", frequencyMhz) + " MHz");
}

/// nec2c prints a frequency to five significant digits.
bool sameFrequency(double printed, double asked) {
    return std::fabs(printed - asked) <= 6e-5 * std::fabs(asked);
}

/// Every figure a result gives must be a number, the feed must take power (a resistance above
/// 0), the efficiency must lie in (0, 100] % and the gain drawn from the field strengths must be
/// nec2c's own printed gain to its two decimals: anything else is an artefact of the model or a
/// broken nec2c, never a result.
void requirePlausible(const FrequencyResult& result, double askedMhz) {
    const double f = askedMhz;
    if (!sameFrequency(result.frequencyMhz, askedMhz)) {
        implausible(f, "the results are for " + format("%g", result.frequencyMhz) +
                           " MHz, not for the frequency asked");
    }
    if (!std::isfinite(result.impedance.real()) || !std::isfinite(result.impedance.imag())) {
        implausible(f, "the feed impedance is not a number");
    }
    if (!(result.impedance.real() > 0)) {
        implausible(f, "the feed resistance is " + format("%g", result.impedance.real()) +
                           " ohm, not above 0");
    }
    if (!(result.efficiencyPercent > 0 && result.efficiencyPercent <= 100)) {
        implausible(f, "the efficiency is " + format("%g", result.efficiencyPercent) +
                           " %, not within (0, 100] %");
    }
    if (!(result.inputPower > 0) || !std::isfinite(result.inputPower)) {
        implausible(f, "the input power is " + format("%g", result.inputPower) +
                           " W, not a number above 0");
    }
    for (const auto& pattern : result.patterns) {
        for (const PatternPoint& point : pattern) {
            const std::string towards =
                "towards theta " + format("%g", point.theta) + ", phi " + format("%g", point.phi);
            if (!std::isfinite(point.totalGain)) {
                implausible(f, "the gain " + towards + " is not a number");
            }
            // Deep in a null the printed gain stops at nec2c's floor; elsewhere both agree.
            if (point.totalGain > -99 &&
                !(std::fabs(point.fieldGain - point.totalGain) <= 0.005 + fieldGainErrorDb)) {
                implausible(f, "the gain " + towards + " from the field strengths, " +
                                   format("%.4f", point.fieldGain) + " dBi, is not nec2c's " +
                                   format("%.2f", point.totalGain) + " dBi");
            }
        }
    }
}

/// Whether the cut's largest gain lies in the forward direction (angle 0).
bool forwardIsMainLobe(const std::map<int, double>& gainByAngle) {
    const auto forward = gainByAngle.find(0);
    if (forward == gainByAngle.end()) {
        return false;
    }
    return std::all_of(gainByAngle.begin(), gainByAngle.end(),
                       [&](const auto& entry) { return entry.second <= forward->second + 0.005; });
}

DesignPoint designPoint(const FrequencyResult& result) {
    if (result.patterns.size() != 2 ||
        result.patterns[0].size() != static_cast<std::size_t>(azimuthPoints) ||
        result.patterns[1].size() != static_cast<std::size_t>(2 * elevationPoints)) {
        throw AnalysisError("the nec2c output does not hold the pattern cuts the deck asked for");
    }
    DesignPoint point;
    point.frequencyMhz = result.frequencyMhz;
    point.impedance = result.impedance;
    point.swr = standingWaveRatio(result.impedance);
    point.efficiencyPercent = result.efficiencyPercent;
    point.azimuth = result.patterns[0];
    point.elevation = result.patterns[1];

    // Horizontal cut: phi 0 is forward. Vertical cut: elevation 0 forward, up over the zenith
    // to the back (phi 180), down to the nadir.
    std::map<int, double> horizontal;
    std::map<int, double> vertical;
    point.worstRearLobeDbi = -std::numeric_limits<double>::infinity();
    for (const PatternPoint& p : result.patterns[0]) {
        int phi = static_cast<int>(std::lround(p.phi)) % 360;
        horizontal[phi > 180 ? phi - 360 : phi] = p.totalGain;
        if (p.phi > 90.5 && p.phi < 269.5) {
            point.worstRearLobeDbi = std::max(point.worstRearLobeDbi, p.totalGain);
        }
    }
    for (const PatternPoint& p : result.patterns[1]) {
        const bool back = near(p.phi, 180);
        const int elevation = static_cast<int>(std::lround(back ? 90 + p.theta : 90 - p.theta));
        vertical[elevation > 180 ? elevation - 360 : elevation] = p.totalGain;
        if (back && p.theta > 0.5 && p.theta < 179.5) {
            point.worstRearLobeDbi = std::max(point.worstRearLobeDbi, p.totalGain);
        }
    }
    if (!horizontal.contains(0) || !horizontal.contains(180)) {
        throw AnalysisError("the nec2c output lacks the forward or backward direction");
    }
    point.forwardGainDbi = horizontal.at(0);
    point.frontToBackDb = horizontal.at(0) - horizontal.at(180);
    point.forwardMainLobe = forwardIsMainLobe(horizontal) && forwardIsMainLobe(vertical);
    point.azimuthBeamwidthDeg = point.forwardMainLobe ? beamwidth(horizontal) : nan;
    point.elevationBeamwidthDeg = point.forwardMainLobe ? beamwidth(vertical) : nan;
    return point;
}

SweepPoint sweepPoint(const FrequencyResult& result) {
    if (result.patterns.size() != 1 || result.patterns[0].size() != 2 ||
        !near(result.patterns[0][0].phi, 0) || !near(result.patterns[0][1].phi, 180)) {
        throw AnalysisError("the nec2c output does not hold the sweep's forward and back gains");
    }
    // The gains from the field strengths: two decimals do not resolve where the gain peaks.
    const auto& pattern = result.patterns[0];
    return {result.frequencyMhz, pattern[0].fieldGain, pattern[0].fieldGain - pattern[1].fieldGain,
            standingWaveRatio(result.impedance), result.impedance};
}

std::optional<SwrBand> swrBand(const std::vector<SweepPoint>& sweep, std::size_t best) {
    if (sweep.empty() || !(sweep[best].swr <= 2)) {
        return std::nullopt;
    }
    const auto edge = [&](std::size_t inside, std::size_t outside) {
        const double a = sweep[inside].swr;
        const double b = sweep[outside].swr;
        const double fraction = (2 - a) / (b - a);
        return sweep[inside].frequencyMhz +
               fraction * (sweep[outside].frequencyMhz - sweep[inside].frequencyMhz);
    };
    std::size_t low = best;
    while (low > 0 && sweep[low - 1].swr <= 2) {
        --low;
    }
    std::size_t high = best;
    while (high + 1 < sweep.size() && sweep[high + 1].swr <= 2) {
        ++high;
    }
    SwrBand band;
    band.lowIndex = low;
    band.highIndex = high;
    band.lowAtSweepEnd = low == 0;
    band.highAtSweepEnd = high + 1 == sweep.size();
    band.lowMhz = band.lowAtSweepEnd ? sweep.front().frequencyMhz : edge(low, low - 1);
    band.highMhz = band.highAtSweepEnd ? sweep.back().frequencyMhz : edge(high, high + 1);
    return band;
}

/// -1 or +1 when the point is the sweep's first or last, 0 inside it.
int edgeOf(const std::vector<SweepPoint>& sweep, std::vector<SweepPoint>::const_iterator point) {
    if (sweep.size() < 2) {
        return 0;
    }
    if (point == sweep.begin()) {
        return -1;
    }
    return point + 1 == sweep.end() ? 1 : 0;
}

} // namespace

SweepPoint checkedSweepPoint(const FrequencyResult& result, double askedMhz) {
    requirePlausible(result, askedMhz);
    SweepPoint point = sweepPoint(result);
    point.frequencyMhz = askedMhz;
    return point;
}

double standingWaveRatio(std::complex<double> impedance, double reference) {
    // |Z - Z0| / |Z + Z0| in sums, products and one square root, which IEEE arithmetic rounds
    // alike everywhere: the C++ libraries' complex division and magnitude differ in their last
    // bits, and the trim's search, steered by these figures, would part ways between the native
    // program and the page.
    const double r = impedance.real();
    const double x = impedance.imag();
    const double reflection = std::sqrt(((r - reference) * (r - reference) + x * x) /
                                        ((r + reference) * (r + reference) + x * x));
    return reflection >= 1 ? std::numeric_limits<double>::infinity()
                           : (1 + reflection) / (1 - reflection);
}

Performance evaluate(const std::vector<FrequencyResult>& results, const Model& model,
                     const Material& material, const Sweep& sweep) {
    const auto expected = static_cast<std::size_t>(1 + sweep.count());
    if (results.size() != expected) {
        throw AnalysisError("the nec2c output holds " + std::to_string(results.size()) +
                            " frequencies, the deck asked for " + std::to_string(expected));
    }
    requirePlausible(results[0], model.frequencyMhz);
    Performance performance;
    performance.material = material;
    performance.extendedKernel = model.extendedKernel;
    performance.sweepPercent = sweep.reachPercent();
    performance.design = designPoint(results[0]);
    performance.design.frequencyMhz = model.frequencyMhz;
    for (std::size_t i = 1; i < results.size(); ++i) {
        performance.sweep.push_back(checkedSweepPoint(
            results[i], sweep.frequencyMhz(model.frequencyMhz, static_cast<int>(i - 1))));
    }
    performance.precisionMhz = sweep.stepMhz(model.frequencyMhz);
    const DesignPoint& design = performance.design;
    if (performance.sweep.empty()) {
        performance.peakGainMhz = design.frequencyMhz;
        performance.lowestSwrMhz = design.frequencyMhz;
    } else {
        const auto& s = performance.sweep;
        const auto peak = std::max_element(
            s.begin(), s.end(), [](const auto& a, const auto& b) { return a.gainDbi < b.gainDbi; });
        const auto lowest = std::min_element(
            s.begin(), s.end(), [](const auto& a, const auto& b) { return a.swr < b.swr; });
        performance.peakGainMhz = peak->frequencyMhz;
        performance.lowestSwrMhz = lowest->frequencyMhz;
        performance.peakGainEdge = edgeOf(s, peak);
        performance.lowestSwrEdge = edgeOf(s, lowest);
        performance.swrBelow2 = swrBand(s, static_cast<std::size_t>(lowest - s.begin()));
    }
    addWarnings(performance);
    return performance;
}

void addWarnings(Performance& performance) {
    performance.warnings.clear();
    const DesignPoint& design = performance.design;

    const double f = design.frequencyMhz;
    const double offset = (performance.peakGainMhz - f) / f * 100;
    bool offFrequency = false;
    if (performance.peakGainEdge != 0) {
        // At the sweep's edge the gain still rises: the true peak lies beyond it.
        performance.warnings.push_back(
            "The gain peaks at the sweep's edge, beyond " +
            format(performance.peakGainEdge < 0 ? "-%.2g" : "+%.2g", performance.sweepPercent) +
            " % (" + format("%g", performance.peakGainMhz) + " MHz" +
            (performance.peakGainEdge < 0 ? " or below" : " or above") +
            "): the elements' thickness pulls the design off its frequency.");
        offFrequency = true;
    } else if (std::fabs(offset) > 1) {
        performance.warnings.push_back(
            "The gain peaks at " + format("%.1f", performance.peakGainMhz) + " MHz, " +
            format("%.1f", std::fabs(offset)) + " % " + (offset < 0 ? "below" : "above") +
            " the design frequency: the elements' thickness pulls the design off its frequency.");
        offFrequency = true;
    }
    if (design.frontToBackDb < 15) {
        performance.warnings.push_back("The front-to-back ratio is only " +
                                       format("%.1f", design.frontToBackDb) +
                                       " dB at the design frequency.");
        offFrequency = true;
    }
    if (offFrequency) {
        const Material scaled = scaledMaterial(f);
        performance.warnings.push_back(
            "The lengths scale with the wavelength but the recommended rods do not: for the "
            "proportions of the 144 MHz design use rods of " +
            format("%.2f", scaled.rodDiameterMm) + " mm (4.76 mm x 144 / f) and wire of " +
            format("%.2f", scaled.wireDiameterMm) + " mm (2.05 mm x 144 / f).");
    }
}

namespace {

/// A precision to two significant digits, rounded up: what "known to" says must hold.
std::string roundedUp(double value) {
    if (!(value > 0) || !std::isfinite(value)) {
        return format("%g", value);
    }
    const int decimals = std::max(0, 1 - static_cast<int>(std::floor(std::log10(value))));
    const double scale = std::pow(10, decimals);
    // Against a value one part in 1e9 over its digits, as 0.25 % is in binary.
    const double up = std::ceil(value * scale * (1 - 1e-9)) / scale;
    char text[48];
    std::snprintf(text, sizeof text, "%.*f", decimals, up);
    return text;
}

} // namespace

std::string frequencyText(double mhz, double precisionMhz) {
    const int decimals =
        precisionMhz > 0 ? std::clamp(static_cast<int>(std::ceil(-std::log10(precisionMhz))), 0, 6)
                         : 3;
    char text[48];
    std::snprintf(text, sizeof text, "%.*f", decimals, mhz);
    return text;
}

std::string extremumText(const Performance& p, double mhz, int edge) {
    if (edge != 0) {
        return frequencyText(mhz, p.precisionMhz) + " MHz, at the sweep's edge (beyond " +
               format(edge < 0 ? "-%g" : "+%g", p.sweepPercent) + " %)";
    }
    return frequencyText(mhz, p.precisionMhz) + " MHz";
}

std::string performanceText(const Performance& p, const std::string& decimalSeparator) {
    const DesignPoint& d = p.design;
    const auto line = [](const char* label, const std::string& value) {
        char buffer[200];
        std::snprintf(buffer, sizeof buffer, "  %-28s %s\n", label, value.c_str());
        return std::string(buffer);
    };
    const auto degrees = [&d](double value) {
        if (!d.forwardMainLobe) {
            return std::string("none: the main lobe is not forward");
        }
        return std::isnan(value) ? std::string("more than 180 deg") : format("%.1f deg", value);
    };
    std::string text = "NEC-2 analysis in free space at " + format("%g", d.frequencyMhz) + " MHz\n";
    text += "  loops of copper wire " + format("%g", p.material.wireDiameterMm) +
            " mm, directors of aluminium rod " + format("%g", p.material.rodDiameterMm) +
            " mm;\n  directors without the metallic-boom correction: NEC models no boom.\n";
    if (p.extendedKernel) {
        text +=
            "  Segments shorter than 8 wire radii: NEC-2's extended thin-wire kernel is used.\n";
    }
    for (const std::string& note : p.notes) {
        text += "  " + note + "\n";
    }
    text += "\n";
    text += line("Forward gain", format("%.2f dBi", d.forwardGainDbi));
    text += line("Front-to-back ratio", format("%.1f dB", d.frontToBackDb));
    text += line("Worst rear lobe", format("%.2f dBi", d.worstRearLobeDbi) + " (front to rear " +
                                        format("%.1f dB)", d.forwardGainDbi - d.worstRearLobeDbi));
    text += line("Feed impedance", format("%.1f", d.impedance.real()) +
                                       (d.impedance.imag() < 0 ? " - j" : " + j") +
                                       format("%.1f ohm", std::fabs(d.impedance.imag())));
    text += line("SWR against 50 ohm", format("%.2f", d.swr));
    text += line("Efficiency", format("%.1f %%", d.efficiencyPercent));
    text += line("-3 dB beamwidth, horizontal", degrees(d.azimuthBeamwidthDeg));
    text += line("-3 dB beamwidth, vertical", degrees(d.elevationBeamwidthDeg));
    if (!p.sweep.empty()) {
        text += "\n  MHz        gain dBi   F/B dB   SWR\n";
        for (const SweepPoint& s : p.sweep) {
            char row[96];
            std::snprintf(row, sizeof row, "  %-10.3f %8.2f %8.1f %6.2f\n", s.frequencyMhz,
                          s.gainDbi, s.frontToBackDb, s.swr);
            text += row;
        }
        text += "\n";
        text += line("Peak gain at", extremumText(p, p.peakGainMhz, p.peakGainEdge));
        text += line("Lowest SWR at", extremumText(p, p.lowestSwrMhz, p.lowestSwrEdge));
        if (p.swrBelow2) {
            const SwrBand& b = *p.swrBelow2;
            text +=
                line("SWR <= 2 from",
                     (b.lowAtSweepEnd ? "below " : "") + frequencyText(b.lowMhz, p.precisionMhz) +
                         " to " + (b.highAtSweepEnd ? "above " : "") +
                         frequencyText(b.highMhz, p.precisionMhz) + " MHz (" +
                         frequencyText(b.highMhz - b.lowMhz, p.precisionMhz) + " MHz)");
        } else {
            text += line("SWR <= 2", "nowhere in the sweep");
        }
        text += line("Known to", "+/-" + roundedUp(p.precisionMhz) + " MHz (" +
                                     roundedUp(p.precisionMhz / d.frequencyMhz * 100) + " %)");
    }
    if (p.band) {
        // The verdict over the builder's band, from nec2c at every point of its grid.
        const BandCheck& b = *p.band;
        const auto verdict = [&](const std::optional<std::size_t>& miss, const std::string& worst) {
            return miss ? "NO from " + mhzText(b.points[*miss].frequencyMhz) + " MHz, " + worst
                        : "yes, " + worst;
        };
        // Each line within the report's narrowest width (the worst rear lobe's line).
        text += "\n";
        text += line("Band", bandText(b.band) + ", " + std::to_string(b.points.size()) + " points");
        text += line("F/B >= 20 dB over the band",
                     verdict(b.frontToBackMiss, "min " + format("%.1f dB", b.lowestFrontToBackDb)));
        text += line("SWR <= 1.5 over the band",
                     verdict(b.swrMiss, "max " + format("%.2f", b.highestSwr)));
    }
    for (const std::string& warning : p.warnings) {
        text += "\nWARNING: " + warning;
    }
    if (!p.warnings.empty()) {
        text += "\n";
    }
    return withDecimalSeparator(text, decimalSeparator);
}

} // namespace tarvo::analysis
