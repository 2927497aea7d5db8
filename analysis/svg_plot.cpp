// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/svg_plot.h"

#include "analysis/number_format.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <sstream>
#include <utility>

namespace tarvo::analysis {
namespace {

std::string num(double value) {
    return formatNumber("%.2f", value);
}

std::string text(double x, double y, const std::string& words, const char* anchor = "middle",
                 int size = 12) {
    return "<text x=\"" + num(x) + "\" y=\"" + num(y) + "\" text-anchor=\"" + anchor +
           "\" font-size=\"" + std::to_string(size) + "\">" + words + "</text>\n";
}

std::string line(double x1, double y1, double x2, double y2, const char* colour, double width = 1) {
    return "<line x1=\"" + num(x1) + "\" y1=\"" + num(y1) + "\" x2=\"" + num(x2) + "\" y2=\"" +
           num(y2) + "\" stroke=\"" + colour + "\" stroke-width=\"" + num(width) + "\"/>\n";
}

/// The horizontal pattern on polar axes: the outer ring at the pattern's largest gain rounded up
/// to 5 dBi, so that no lobe is clipped whichever way it points; rings 10 dB apart, 40 dB shown.
std::string polarPattern(const DesignPoint& design, double cx, double cy, double radius) {
    double largest = design.forwardGainDbi;
    for (const PatternPoint& p : design.azimuth) {
        largest = std::max(largest, p.totalGain);
    }
    const double top = std::ceil(largest / 5) * 5;
    const double floor = top - 40;
    const auto scale = [&](double gain) {
        return radius * (std::clamp(gain, floor, top) - floor) / (top - floor);
    };
    std::string svg =
        text(cx, cy - radius - 28,
             "Horizontal pattern at " + num(design.frequencyMhz) + " MHz (dBi)", "middle", 14);
    for (double ring = top; ring > floor; ring -= 10) {
        svg += "<circle cx=\"" + num(cx) + "\" cy=\"" + num(cy) + "\" r=\"" + num(scale(ring)) +
               "\" fill=\"none\" stroke=\"#bbb\"/>\n";
        // Inside the ring, clear of the angle labels outside it.
        svg += text(cx + 3, cy - scale(ring) + 11,
                    num(ring).substr(0, num(ring).find('.')) + " dBi", "start", 10);
    }
    for (int angle = 0; angle < 360; angle += 30) {
        const double a = angle * std::numbers::pi / 180;
        svg += line(cx, cy, cx + radius * std::cos(a), cy - radius * std::sin(a), "#ddd");
        svg += text(cx + (radius + 14) * std::cos(a), cy - (radius + 14) * std::sin(a) + 4,
                    std::to_string(angle) + "\u00b0", "middle", 10);
    }
    std::string points;
    for (const PatternPoint& p : design.azimuth) {
        const double a = p.phi * std::numbers::pi / 180;
        const double r = scale(p.totalGain);
        points += num(cx + r * std::cos(a)) + "," + num(cy - r * std::sin(a)) + " ";
    }
    svg += "<polygon points=\"" + points + "\" fill=\"#1f77b433\" stroke=\"#1f77b4\" " +
           "stroke-width=\"2\"/>\n";
    svg +=
        text(cx, cy + radius + 32, "0\u00b0 is the forward direction along the boom", "middle", 11);
    return svg;
}

/// Gain (left axis, dBi) and SWR (right axis) against frequency (MHz).
std::string sweepChart(const Performance& p, double left, double top, double width, double height) {
    std::string svg =
        text(left + width / 2, top - 28, "Gain and SWR against frequency", "middle", 14);
    if (p.sweep.size() < 2) {
        return svg + text(left + width / 2, top + height / 2, "no sweep");
    }
    const double fLow = p.sweep.front().frequencyMhz;
    const double fHigh = p.sweep.back().frequencyMhz;
    double gLow = 1e9;
    double gHigh = -1e9;
    for (const SweepPoint& s : p.sweep) {
        gLow = std::min(gLow, s.gainDbi);
        gHigh = std::max(gHigh, s.gainDbi);
    }
    gLow = std::floor(gLow) - 1;
    gHigh = std::ceil(gHigh) + 1;
    constexpr double swrLow = 1;
    constexpr double swrHigh = 4;
    const auto x = [&](double f) { return left + width * (f - fLow) / (fHigh - fLow); };
    const auto yGain = [&](double g) { return top + height * (gHigh - g) / (gHigh - gLow); };
    const auto ySwr = [&](double s) {
        return top + height * (swrHigh - std::clamp(s, swrLow, swrHigh)) / (swrHigh - swrLow);
    };
    svg += "<rect x=\"" + num(left) + "\" y=\"" + num(top) + "\" width=\"" + num(width) +
           "\" height=\"" + num(height) + "\" fill=\"none\" stroke=\"#888\"/>\n";
    for (int i = 0; i <= 4; ++i) {
        const double f = fLow + (fHigh - fLow) * i / 4;
        svg += line(x(f), top + height, x(f), top + height + 5, "#888");
        svg += text(x(f), top + height + 18, num(f), "middle", 10);
        const double g = gLow + (gHigh - gLow) * i / 4;
        svg += text(left - 6, yGain(g) + 4, num(g), "end", 10);
        const double s = swrLow + (swrHigh - swrLow) * i / 4;
        svg += text(left + width + 6, ySwr(s) + 4, num(s), "start", 10);
        svg += line(left, yGain(g), left + width, yGain(g), "#eee");
    }
    svg += line(x(p.design.frequencyMhz), top, x(p.design.frequencyMhz), top + height, "#999");
    svg += line(left, ySwr(2), left + width, ySwr(2), "#d62728", 0.5);
    std::string gains;
    std::string swrs;
    for (const SweepPoint& s : p.sweep) {
        gains += num(x(s.frequencyMhz)) + "," + num(yGain(s.gainDbi)) + " ";
        swrs += num(x(s.frequencyMhz)) + "," + num(ySwr(s.swr)) + " ";
    }
    svg += "<polyline points=\"" + gains + "\" fill=\"none\" stroke=\"#1f77b4\" " +
           "stroke-width=\"2\"/>\n";
    svg += "<polyline points=\"" + swrs + "\" fill=\"none\" stroke=\"#d62728\" " +
           "stroke-width=\"2\" stroke-dasharray=\"6 3\"/>\n";
    svg += text(left + width / 2, top + height + 38, "Frequency (MHz)");
    svg += "<text x=\"" + num(left - 44) + "\" y=\"" + num(top + height / 2) +
           "\" text-anchor=\"middle\" font-size=\"12\" fill=\"#1f77b4\" transform=\"rotate(-90 " +
           num(left - 44) + " " + num(top + height / 2) + ")\">Forward gain (dBi)</text>\n";
    svg += "<text x=\"" + num(left + width + 44) + "\" y=\"" + num(top + height / 2) +
           "\" text-anchor=\"middle\" font-size=\"12\" fill=\"#d62728\" transform=\"rotate(90 " +
           num(left + width + 44) + " " + num(top + height / 2) + ")\">SWR against 50 ohm" +
           "</text>\n";
    return svg;
}

std::string escaped(const std::string& words) {
    std::string out;
    for (const char c : words) {
        out += c == '<' ? "&lt;" : c == '>' ? "&gt;" : c == '&' ? "&amp;" : std::string(1, c);
    }
    return out;
}

struct Trace {
    const std::vector<ImpedanceSample>* samples;
    const char* colour;
    const char* dash;
    const char* name;
};

/// One chart of a figure of each sample against frequency, every trace on the same axes.
std::string measuredChart(const std::vector<Trace>& traces, double (*figure)(std::complex<double>),
                          const char* title, const char* axis, double fLow, double fHigh,
                          double designMhz, double left, double top, double width, double height,
                          double low, double high) {
    std::string svg = text(left + width / 2, top - 12, title, "middle", 14);
    if (!(high > low)) {
        high = low + 1;
    }
    const auto x = [&](double f) { return left + width * (f - fLow) / (fHigh - fLow); };
    const auto y = [&](double v) {
        return top + height * (high - std::clamp(v, low, high)) / (high - low);
    };
    svg += "<rect x=\"" + num(left) + "\" y=\"" + num(top) + "\" width=\"" + num(width) +
           "\" height=\"" + num(height) + "\" fill=\"none\" stroke=\"#888\"/>\n";
    for (int i = 0; i <= 4; ++i) {
        const double f = fLow + (fHigh - fLow) * i / 4;
        svg += text(x(f), top + height + 16, num(f), "middle", 10);
        const double v = low + (high - low) * i / 4;
        svg += text(left - 6, y(v) + 4, num(v), "end", 10);
        svg += line(left, y(v), left + width, y(v), "#eee");
    }
    if (designMhz > fLow && designMhz < fHigh) {
        svg += line(x(designMhz), top, x(designMhz), top + height, "#999");
    }
    for (const Trace& t : traces) {
        std::string points;
        for (const ImpedanceSample& s : *t.samples) {
            if (s.frequencyMhz >= fLow && s.frequencyMhz <= fHigh) {
                points += num(x(s.frequencyMhz)) + "," + num(y(figure(s.impedance))) + " ";
            }
        }
        if (!points.empty()) {
            svg += "<polyline points=\"" + points + "\" fill=\"none\" stroke=\"" + t.colour +
                   "\" stroke-width=\"2\" stroke-dasharray=\"" + t.dash + "\"/>\n";
        }
    }
    svg += text(left + width / 2, top + height + 34, "Frequency (MHz)");
    svg += "<text x=\"" + num(left - 46) + "\" y=\"" + num(top + height / 2) +
           "\" text-anchor=\"middle\" font-size=\"12\" transform=\"rotate(-90 " + num(left - 46) +
           " " + num(top + height / 2) + ")\">" + axis + "</text>\n";
    return svg;
}

double swrOf(std::complex<double> z) {
    return standingWaveRatio(z);
}
double resistanceOf(std::complex<double> z) {
    return z.real();
}
double reactanceOf(std::complex<double> z) {
    return z.imag();
}

} // namespace

std::string svgMeasuredPlot(const std::vector<ImpedanceSample>& measured,
                            const std::vector<ImpedanceSample>& designed,
                            const std::vector<ImpedanceSample>& fitted, double designMhz) {
    const std::vector<Trace> traces{{&measured, "#000000", "none", "measured"},
                                    {&designed, "#1f77b4", "6 3", "NEC-2 as designed"},
                                    {&fitted, "#d62728", "2 2", "NEC-2 fitted"}};
    double fLow = designMhz * 0.97;
    double fHigh = designMhz * 1.03;
    if (!measured.empty() && measured.back().frequencyMhz > measured.front().frequencyMhz) {
        fLow = measured.front().frequencyMhz;
        fHigh = measured.back().frequencyMhz;
    }
    double zLow = 0;
    double zHigh = 0;
    for (const Trace& t : traces) {
        for (const ImpedanceSample& s : *t.samples) {
            if (s.frequencyMhz >= fLow && s.frequencyMhz <= fHigh) {
                zLow = std::min({zLow, s.impedance.real(), s.impedance.imag()});
                zHigh = std::max({zHigh, s.impedance.real(), s.impedance.imag()});
            }
        }
    }
    // Whole tens of ohms, at most 500 either way: a wilder point is drawn at the edge.
    zLow = std::max(-500.0, std::floor(zLow / 10) * 10);
    zHigh = std::min(500.0, std::ceil(zHigh / 10) * 10);
    std::ostringstream svg;
    svg << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"960\" height=\"460\" "
        << "viewBox=\"0 0 960 460\" font-family=\"sans-serif\">\n"
        << "<rect width=\"960\" height=\"460\" fill=\"white\"/>\n"
        << measuredChart(traces, swrOf, "SWR against 50 ohm", "SWR", fLow, fHigh, designMhz, 80, 60,
                         340, 300, 1, 5)
        << measuredChart({traces[0], traces[2]}, resistanceOf,
                         "Resistance (solid) and reactance (dotted)", "ohm", fLow, fHigh, designMhz,
                         560, 60, 340, 300, zLow, zHigh);
    // The reactance in the same colours, dotted.
    const std::vector<Trace> reactance{{&measured, "#000000", "1 3", "measured"},
                                       {&fitted, "#d62728", "1 3", "NEC-2 fitted"}};
    const std::string second = measuredChart(reactance, reactanceOf, "", "", fLow, fHigh, designMhz,
                                             560, 60, 340, 300, zLow, zHigh);
    // Only its traces: the frame and labels are drawn once.
    std::size_t at = 0;
    while ((at = second.find("<polyline", at)) != std::string::npos) {
        const std::size_t end = second.find("/>\n", at) + 3;
        svg << second.substr(at, end - at);
        at = end;
    }
    double y = 410;
    for (const Trace& t : traces) {
        svg << "<line x1=\"80\" y1=\"" << num(y) << "\" x2=\"110\" y2=\"" << num(y)
            << "\" stroke=\"" << t.colour << "\" stroke-width=\"2\" stroke-dasharray=\"" << t.dash
            << "\"/>\n"
            << text(116, y + 4, t.name, "start", 11);
        y += 16;
    }
    svg << "</svg>\n";
    return svg.str();
}

std::string svgPlot(const Performance& performance) {
    std::ostringstream svg;
    svg << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"960\" height=\"460\" "
        << "viewBox=\"0 0 960 460\" font-family=\"sans-serif\">\n"
        << "<rect width=\"960\" height=\"460\" fill=\"white\"/>\n"
        << polarPattern(performance.design, 230, 235, 160)
        << sweepChart(performance, 540, 75, 340, 300) << "</svg>\n";
    return svg.str();
}

} // namespace tarvo::analysis

namespace tarvo::analysis {

std::string svgStudyPlot(const std::string& title, const std::vector<StudySeries>& series) {
    constexpr double left = 90;
    constexpr double top = 80;
    constexpr double width = 700;
    constexpr double height = 360;
    // The axes hold every point: boom from 0.5 wavelength below the shortest to 0.5 above the
    // longest; gain in whole dB with 1 dB to spare; F/B from 0 to the highest, at least 30 dB.
    double bLow = 1e9;
    double bHigh = -1e9;
    double gLow = 1e9;
    double gHigh = -1e9;
    double fHigh = 30;
    for (const StudySeries& s : series) {
        for (const StudyPoint& p : s.points) {
            bLow = std::min(bLow, p.boomWavelengths);
            bHigh = std::max(bHigh, p.boomWavelengths);
            gLow = std::min(gLow, p.gainDbi);
            gHigh = std::max(gHigh, p.gainDbi);
            if (std::isfinite(p.frontToBackDb)) {
                fHigh = std::max(fHigh, p.frontToBackDb);
            }
        }
    }
    std::ostringstream svg;
    svg << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"900\" height=\"560\" "
        << "viewBox=\"0 0 900 560\" font-family=\"sans-serif\">\n"
        << "<rect width=\"900\" height=\"560\" fill=\"white\"/>\n"
        << text(left + width / 2, 32, escaped(title), "middle", 15);
    if (bLow > bHigh) {
        svg << text(left + width / 2, top + height / 2, "no designs") << "</svg>\n";
        return svg.str();
    }
    bLow = std::floor(bLow - 0.5);
    bHigh = std::ceil(bHigh + 0.5);
    gLow = std::floor(gLow) - 1;
    gHigh = std::ceil(gHigh) + 1;
    fHigh = std::ceil(fHigh / 10) * 10;
    const auto x = [&](double b) { return left + width * (b - bLow) / (bHigh - bLow); };
    const auto yGain = [&](double g) { return top + height * (gHigh - g) / (gHigh - gLow); };
    const auto yFb = [&](double f) {
        return top + height * (fHigh - std::clamp(f, 0.0, fHigh)) / fHigh;
    };
    svg << "<rect x=\"" << num(left) << "\" y=\"" << num(top) << "\" width=\"" << num(width)
        << "\" height=\"" << num(height) << "\" fill=\"none\" stroke=\"#888\"/>\n";
    for (double b = bLow; b <= bHigh + 1e-9; b += 1) {
        svg << line(x(b), top + height, x(b), top + height + 5, "#888")
            << line(x(b), top, x(b), top + height, "#eee")
            << text(x(b), top + height + 18, formatNumber("%g", b), "middle", 10);
    }
    for (int i = 0; i <= 4; ++i) {
        const double g = gLow + (gHigh - gLow) * i / 4;
        svg << text(left - 6, yGain(g) + 4, num(g), "end", 10)
            << line(left, yGain(g), left + width, yGain(g), "#eee");
        const double f = fHigh * i / 4;
        svg << text(left + width + 6, yFb(f) + 4, formatNumber("%g", f), "start", 10);
    }
    svg << line(left, yFb(20), left + width, yFb(20), "#d62728", 0.5)
        << text(left + width - 4, yFb(20) - 4, "F/B 20 dB", "end", 10);
    for (const StudySeries& s : series) {
        std::string gains;
        std::string fbs;
        for (const StudyPoint& p : s.points) {
            gains += num(x(p.boomWavelengths)) + "," + num(yGain(p.gainDbi)) + " ";
            fbs += num(x(p.boomWavelengths)) + "," + num(yFb(p.frontToBackDb)) + " ";
        }
        const std::string dash = s.dashed ? "\" stroke-dasharray=\"6 3" : "";
        svg << "<polyline points=\"" << gains << "\" fill=\"none\" stroke=\"#1f77b4\" "
            << "stroke-width=\"2" << dash << "\"/>\n"
            << "<polyline points=\"" << fbs << "\" fill=\"none\" stroke=\"#2ca02c\" "
            << "stroke-width=\"2" << dash << "\"/>\n";
        for (const StudyPoint& p : s.points) {
            for (const auto& [y, colour] : {std::pair{yGain(p.gainDbi), "#1f77b4"},
                                            std::pair{yFb(p.frontToBackDb), "#2ca02c"}}) {
                svg << "<circle cx=\"" << num(x(p.boomWavelengths)) << "\" cy=\"" << num(y)
                    << "\" r=\"3\" fill=\"" << colour << "\"/>\n";
                if (!p.meetsLimits) {
                    svg << "<circle cx=\"" << num(x(p.boomWavelengths)) << "\" cy=\"" << num(y)
                        << "\" r=\"7\" fill=\"none\" stroke=\"#d62728\" stroke-width=\"1.5\"/>\n";
                }
            }
            svg << text(x(p.boomWavelengths), yGain(p.gainDbi) - 9, std::to_string(p.directors),
                        "middle", 9);
        }
    }
    // The legend: which line is which, and what a ring means.
    double ly = top + height + 50;
    for (const StudySeries& s : series) {
        const std::string dash = s.dashed ? " stroke-dasharray=\"6 3\"" : "";
        svg << "<line x1=\"" << num(left) << "\" y1=\"" << num(ly - 4) << "\" x2=\""
            << num(left + 40) << "\" y2=\"" << num(ly - 4) << "\" stroke=\"#444\" "
            << "stroke-width=\"2\"" << dash << "/>\n"
            << text(left + 48, ly, escaped(s.name), "start", 11);
        ly += 18;
    }
    svg << "<circle cx=\"" << num(left + 20) << "\" cy=\"" << num(ly - 4)
        << "\" r=\"7\" fill=\"none\" stroke=\"#d62728\" stroke-width=\"1.5\"/>\n"
        << text(left + 48, ly, "misses a limit: F/B 20 dB, SWR 1.5 or the gain peak within 0.5 %",
                "start", 11);
    svg << text(left + width / 2, top + height + 34,
                "Boom length, reflector to last director (wavelengths); labels: directors");
    svg << "<text x=\"" << num(left - 50) << "\" y=\"" << num(top + height / 2)
        << "\" text-anchor=\"middle\" font-size=\"12\" fill=\"#1f77b4\" transform=\"rotate(-90 "
        << num(left - 50) << " " << num(top + height / 2) << ")\">Forward gain (dBi)</text>\n";
    svg << "<text x=\"" << num(left + width + 40) << "\" y=\"" << num(top + height / 2)
        << "\" text-anchor=\"middle\" font-size=\"12\" fill=\"#2ca02c\" transform=\"rotate(90 "
        << num(left + width + 40) << " " << num(top + height / 2)
        << ")\">Front to back (dB)</text>\n";
    svg << "</svg>\n";
    return svg.str();
}

} // namespace tarvo::analysis
