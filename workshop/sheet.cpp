// SPDX-License-Identifier: GPL-3.0-or-later
#include "workshop/sheet.h"

#include "analysis/band.h"

#include "analysis/number_format.h"

#include <algorithm>
#include <clocale>
#include <cmath>
#include <langinfo.h>
#include <locale.h>
#include <stdexcept>

namespace tarvo::workshop {
namespace {

using analysis::formatNumber;

// The layout is drawn on A4 in millimetres; US Letter gets it scaled to fit and centred.
constexpr double pageWidth = 210;
constexpr double pageHeight = 297;
constexpr double margin = 12;
constexpr double rowHeight = 3.4;
constexpr double smallPt = 6.5;
constexpr double labelPt = 6;

class Page {
public:
    void text(double x, double y, std::string text, double sizePt = smallPt, char align = 'l',
              bool bold = false, double rotation = 0) {
        if (text.empty()) {
            return;
        }
        DrawItem item;
        item.kind = DrawItem::Kind::Text;
        item.x1 = x;
        item.y1 = y;
        item.sizePt = sizePt;
        item.align = align;
        item.bold = bold;
        item.rotation = rotation;
        item.text = std::move(text);
        list.items.push_back(std::move(item));
    }
    void line(double x1, double y1, double x2, double y2, double width = 0.25,
              bool dashed = false) {
        DrawItem item;
        item.kind = DrawItem::Kind::Line;
        item.x1 = x1;
        item.y1 = y1;
        item.x2 = x2;
        item.y2 = y2;
        item.width = width;
        item.dashed = dashed;
        list.items.push_back(item);
    }
    void rect(double x, double y, double w, double h, double width = 0.25) {
        DrawItem item;
        item.kind = DrawItem::Kind::Rect;
        item.x1 = x;
        item.y1 = y;
        item.x2 = w;
        item.y2 = h;
        item.width = width;
        list.items.push_back(item);
    }
    void circle(double x, double y, double r, double width = 0.2) {
        DrawItem item;
        item.kind = DrawItem::Kind::Circle;
        item.x1 = x;
        item.y1 = y;
        item.x2 = r;
        item.width = width;
        list.items.push_back(item);
    }
    /// Words wrapped at `columns` characters, at most `maxLines` lines; gives the y after them.
    double paragraph(double x, double y, const std::string& words, std::size_t columns,
                     std::size_t maxLines, double sizePt = smallPt) {
        std::string line;
        std::size_t lines = 0;
        std::size_t start = 0;
        while (start < words.size() && lines < maxLines) {
            const std::size_t end = std::min(words.find(' ', start), words.size());
            const std::string word = words.substr(start, end - start);
            start = end + 1;
            if (!line.empty() && line.size() + 1 + word.size() > columns) {
                text(x, y, line, sizePt);
                y += rowHeight;
                ++lines;
                line.clear();
            }
            line += (line.empty() ? "" : " ") + word;
        }
        if (!line.empty() && lines < maxLines) {
            text(x, y, start < words.size() ? line + " ..." : line, sizePt);
            y += rowHeight;
        }
        return y;
    }

    DisplayList list;
};

std::string fixed(double value, int decimals) {
    return formatNumber(("%." + std::to_string(decimals) + "f").c_str(), value);
}

/// A tolerance rounded toward zero, so that the figure stated is never past the limit, with as
/// many decimals as keep the last digit within 5 % of the value: 0.34 mm, 1.44 mm, 3.7 mm, 24 mm.
std::string towardZero(double value) {
    if (!(value > 0)) {
        return fixed(0, 0);
    }
    const int decimals = std::clamp(static_cast<int>(std::ceil(-std::log10(0.05 * value))), 0, 4);
    const double unit = std::pow(10.0, -decimals);
    // The small allowance keeps 1.5 from printing as 1.49 where 1.5 / 0.01 is 149.999...
    return fixed(std::floor(value / unit + 1e-9) * unit, decimals);
}

/// A tolerance in the sheet's unit, rounded toward zero.
std::string toleranceText(double mm, bool inches) {
    return inches ? towardZero(mm / millimetresPerInch) + " in" : towardZero(mm) + " mm";
}

/// A wire's, rod's or tube's diameter in the sheet's unit: "2.05" mm or "0.081" in.
std::string diameterFigure(double mm, bool inches) {
    return inches ? fixed(mm / millimetresPerInch, 3) : formatNumber("%g", mm);
}

std::string diameterText(double mm, bool inches) {
    return diameterFigure(mm, inches) + (inches ? " in" : " mm");
}

/// Every decimal point of a number (a point between two digits) as the reader's separator.
void useSeparator(DisplayList& list, const std::string& separator) {
    for (DrawItem& item : list.items) {
        if (item.kind == DrawItem::Kind::Text) {
            item.text = analysis::withDecimalSeparator(item.text, separator);
        }
    }
}

std::string oneWayText(const OneWay& way, bool inches) {
    if (way.mm) {
        return toleranceText(*way.mm, inches);
    }
    return "> " + toleranceText(way.searchedMm, inches);
}

double roundUp(double value, double unit) {
    return std::ceil(value / unit - 1e-9);
}

void drawTopView(Page& page, const SheetContent& content, const SheetOptions& options) {
    const Dimensions& d = content.dimensions;
    const double boomLength = d.positionMm.back() + 2 * options.overhangMm;
    const double left = margin + 2;
    const double scale = 168 / boomLength;
    const double boomY = 82;
    const auto xOf = [&](std::size_t element) {
        return left + (options.overhangMm + d.positionMm[element]) * scale;
    };
    const bool in = options.inches;

    page.text(margin, 28, "TOP VIEW", 8, 'l', true);
    page.text(margin + 18, 28,
              std::string("not to scale on paper: build by the figures. Above each element its ") +
                  "length (and half-length from the boom's centre); below, its position from "
                  "the reflector / from the boom's rear end.",
              labelPt);
    const double halfBoom = std::max(0.6, d.boomDiameterMm * scale / 2);
    page.rect(left, boomY - halfBoom, boomLength * scale, 2 * halfBoom, 0.3);
    // The forward direction: from the reflector towards the directors.
    const double arrowX = left + boomLength * scale + 3;
    page.line(arrowX, boomY, arrowX + 12, boomY, 0.4);
    page.line(arrowX + 12, boomY, arrowX + 9.5, boomY - 1.5, 0.4);
    page.line(arrowX + 12, boomY, arrowX + 9.5, boomY + 1.5, 0.4);
    page.text(arrowX + 6, boomY - 3, "FORWARD", labelPt, 'c', true);

    for (std::size_t e = 0; e < d.positionMm.size(); ++e) {
        const double x = xOf(e);
        const double length = e == 0   ? d.reflectorLoopMm / 4
                              : e == 1 ? d.drivenLoopMm / 4
                                       : d.directorMm[e - 2];
        const double half = length * scale / 2;
        page.line(x, boomY - half, x, boomY + half, e < 2 ? 0.5 : 0.35);
        page.circle(x, boomY, 0.7);
        if (e < 2) {
            page.text(x + 2.4, boomY - half - 2, elementName(e) + " loop, side", labelPt, 'l', true,
                      90);
        } else {
            page.text(x + 2.4, boomY - half - 2, elementName(e) + "  " + lengthText(length, in),
                      labelPt, 'l', true, 90);
        }
        page.text(x + 4.8, boomY - half - 2,
                  e < 2 ? lengthText(length, in) : "half " + lengthText(length / 2, in), labelPt,
                  'l', false, 90);
        page.text(x + 2.4, boomY + 47,
                  lengthText(d.positionMm[e], in) + " / " +
                      lengthText(d.positionMm[e] + options.overhangMm, in),
                  labelPt, 'l', false, 90);
        page.line(x, boomY + half + 1, x, boomY + 48, 0.1, true);
    }
    page.text(left, boomY + 51,
              "Boom " + lengthText(boomLength, in) + " long: " +
                  lengthText(options.overhangMm, in) + " beyond the reflector and beyond " +
                  elementName(d.positionMm.size() - 1) + ". Drill at the marks.",
              labelPt);
}

void drawLoops(Page& page, const SheetContent& content, const SheetOptions& options) {
    const Dimensions& d = content.dimensions;
    const bool in = options.inches;
    constexpr double top = 141;
    constexpr double size = 22;
    page.text(margin, top - 4, "LOOPS, looking along the boom", 8, 'l', true);
    const double gap = feedGapMm(d.frequencyMhz);
    for (int loop = 0; loop < 2; ++loop) {
        const double x = margin + 4 + loop * 46;
        const double wire = loop == 0 ? d.reflectorLoopMm : d.drivenLoopMm;
        if (loop == 0) {
            page.rect(x, top, size, size, 0.5);
        } else {
            // The driven loop is open at the middle of its bottom side: the feed point.
            page.line(x, top, x + size, top, 0.5);
            page.line(x, top, x, top + size, 0.5);
            page.line(x + size, top, x + size, top + size, 0.5);
            page.line(x, top + size, x + size / 2 - 1.2, top + size, 0.5);
            page.line(x + size / 2 + 1.2, top + size, x + size, top + size, 0.5);
            page.circle(x + size / 2 - 1.2, top + size, 0.5);
            page.circle(x + size / 2 + 1.2, top + size, 0.5);
            page.text(x + size / 2, top + size - 1.5, "FEED", labelPt, 'c', true);
        }
        page.circle(x + size / 2, top + size / 2, 0.6); // the boom through the loop's centre
        page.text(x + size / 2, top - 1, "side " + lengthText(wire / 4, in), labelPt, 'c');
        page.text(x, top + size + 4, loop == 0 ? "REF loop" : "DE loop", smallPt, 'l', true);
        page.text(x, top + size + 4 + rowHeight, "wire " + lengthText(wire, in), smallPt);
        if (loop == 1) {
            page.text(x, top + size + 4 + 2 * rowHeight,
                      "feed gap " + lengthText(gap, in) + " at the bottom's middle", smallPt);
        }
    }
}

void drawSummary(Page& page, const SheetContent& content, const SheetOptions& options) {
    const bool in = options.inches;
    double y = 142;
    const double x = 108;
    page.text(x, y - 4, "STACKING", 8, 'l', true);
    const analysis::Performance* p = content.performance ? &*content.performance : nullptr;
    const auto stack = [&](const char* what, double beamwidth) {
        if (p == nullptr) {
            page.text(x, y, std::string(what) + ": " + content.necMissing);
        } else if (!std::isfinite(beamwidth)) {
            page.text(x, y, std::string(what) + ": none, the main lobe is not forward");
        } else {
            page.text(
                x, y,
                std::string(what) + ": " +
                    lengthText(stackingDistanceMm(content.dimensions.frequencyMhz, beamwidth), in) +
                    " (beamwidth " + fixed(beamwidth, 1) + " deg)");
        }
        y += rowHeight;
    };
    stack("Side by side", p ? p->design.azimuthBeamwidthDeg : 0);
    stack("One above the other", p ? p->design.elevationBeamwidthDeg : 0);
    // How the distances are worked out, so a builder can check them or work others.
    y = page.paragraph(x, y,
                       "Boom to boom, centre to centre: wavelength / (2 sin(B/2)), B the -3 dB "
                       "beamwidth in the plane of stacking (horizontal side by side, vertical "
                       "one above the other).",
                       84, 3, labelPt) +
        2;
    page.text(x, y, "NEC-2 ANALYSIS", 8, 'l', true);
    y += rowHeight + 0.5;
    if (p == nullptr) {
        page.text(x, y,
                  content.necMissing + ": install the Debian package nec2c for these figures.");
        y += rowHeight;
    } else {
        const analysis::DesignPoint& dp = p->design;
        page.text(x, y,
                  "At " + formatNumber("%g", dp.frequencyMhz) + " MHz: gain " +
                      fixed(dp.forwardGainDbi, 2) + " dBi, F/B " + fixed(dp.frontToBackDb, 1) +
                      " dB, SWR " + fixed(dp.swr, 2) + " (" + fixed(dp.impedance.real(), 1) +
                      (dp.impedance.imag() < 0 ? " - j" : " + j") +
                      fixed(std::fabs(dp.impedance.imag()), 1) + " ohm)");
        y += rowHeight;
        std::string band = "SWR <= 2: none in the sweep";
        if (p->swrBelow2) {
            // Each figure with the digits it is known to, as the analysis reports it.
            // A band that reaches an end of the sweep goes on beyond it: the sweep's edge is not
            // the band's, so the sheet says "below"/"above" there as the analysis report does.
            const analysis::SwrBand& b = *p->swrBelow2;
            band = std::string("SWR <= 2: ") + (b.lowAtSweepEnd ? "below " : "") +
                   analysis::frequencyText(b.lowMhz, p->precisionMhz) + " to " +
                   (b.highAtSweepEnd ? "above " : "") +
                   analysis::frequencyText(b.highMhz, p->precisionMhz) + " MHz";
        }
        page.text(x, y,
                  band + "; gain peaks at " +
                      analysis::extremumText(*p, p->peakGainMhz, p->peakGainEdge));
        y += rowHeight;
        page.text(x, y,
                  "Free space, no boom; loops " + diameterText(p->material.wireDiameterMm, in) +
                      " wire, directors " + diameterText(p->material.rodDiameterMm, in) + " rod.");
        y += rowHeight;
        if (p->band) {
            // The verdict over the builder's band, as the analysis report gives it.
            const analysis::BandCheck& b = *p->band;
            std::string verdict = "Over " + analysis::bandText(b.band) + " (nec2c every 0.05 %): ";
            if (b.met()) {
                verdict += "F/B >= 20 dB and SWR <= 1.5 hold.";
            } else {
                if (b.frontToBackMiss) {
                    verdict += "F/B below 20 dB from " +
                               analysis::mhzText(b.points[*b.frontToBackMiss].frequencyMhz) +
                               " MHz" + (b.swrMiss ? "; " : ".");
                }
                if (b.swrMiss) {
                    verdict += "SWR above 1.5 from " +
                               analysis::mhzText(b.points[*b.swrMiss].frequencyMhz) + " MHz.";
                }
            }
            y = page.paragraph(x, y, verdict, 72, 6);
        }
    }
    for (const std::string& warning : content.warnings) {
        if (y > 220) {
            page.text(x, y, "More warnings: see tarvo-cli --analyze.");
            break;
        }
        y = page.paragraph(x, y, "Warning: " + warning, 72, 6);
    }
}

/// Rows and their type for the cut list and the tolerances: the usual ones for six directors,
/// smaller for a long boom so that both still fit the page above its bottom margin.
struct Rows {
    double height{rowHeight};
    double pt{smallPt};
};

/// Lines of the cut list for a long boom: header, two loops, boom, the rods' line, three rods a
/// line (the cut list keeps to the page's left half, beside the analysis summary), wire and rod
/// totals.
std::size_t cutListLines(std::size_t directors) {
    return 7 + (directors + 2) / 3;
}

/// Lines of the tolerance table for a long boom: header, then loops and directors beside the
/// spacings.
std::size_t toleranceLines(std::size_t directors) {
    return 3 + directors;
}

constexpr double cutListTop = 182;
constexpr double cutListBottom = 226; // the tolerances' heading
constexpr double toleranceTop = 235;
constexpr double pageBottom = 291;

/// Rows of a long boom's part, `steps` from the first line's baseline at `top` to the last's at
/// `bottom` at most: the usual height where they fit, else as much smaller as they need.
Rows rowsFor(std::size_t directors, std::size_t steps, double top, double bottom) {
    if (directors <= 6) {
        return {};
    }
    const double height = std::min(rowHeight, (bottom - top) / static_cast<double>(steps));
    return {height, smallPt * height / rowHeight};
}

void drawCutList(Page& page, const SheetContent& content, const SheetOptions& options) {
    const Dimensions& d = content.dimensions;
    const bool in = options.inches;
    // From the first line's baseline to the last's, clear of the tolerances' heading (the
    // totals below the rods take 1 mm more).
    const Rows rows = rowsFor(d.directorMm.size(), cutListLines(d.directorMm.size()) - 1,
                              cutListTop, cutListBottom - 7);
    const double r = rows.height;
    const double pt = rows.pt;
    double y = cutListTop;
    page.text(margin, y - 4, "CUT LIST", 8, 'l', true);
    const double cols[] = {margin, 24, 42, 52, 74, 103};
    const auto row = [&](const std::string& part, const std::string& material,
                         const std::string& diameter, const std::string& length,
                         const std::string& cut, const std::string& count, bool bold) {
        page.text(cols[0], y, part, pt, 'l', bold);
        page.text(cols[1], y, material, pt, 'l', bold);
        page.text(cols[2], y, diameter, pt, 'l', bold);
        page.text(cols[3], y, length, pt, 'l', bold);
        page.text(cols[4], y, cut, pt, 'l', bold);
        page.text(cols[5], y, count, pt, 'r', bold);
        y += r;
    };
    const std::string wire = diameterFigure(content.material.wireDiameterMm, in);
    const std::string rod = diameterFigure(content.material.rodDiameterMm, in);
    row("Part", "Material", in ? "Dia. in" : "Dia. mm", "Length", "Cut length", "Count", true);
    row("REF loop", "copper wire", wire, lengthText(d.reflectorLoopMm, in),
        lengthText(d.reflectorLoopMm + loopJointAllowanceMm, in), "1", false);
    row("DE loop", "copper wire", wire, lengthText(d.drivenLoopMm, in),
        lengthText(d.drivenLoopMm + loopJointAllowanceMm, in), "1", false);
    double rods = 0;
    for (const double length : d.directorMm) {
        rods += length;
    }
    const double boomLength = d.positionMm.back() + 2 * options.overhangMm;
    if (d.directorMm.size() > 6) {
        // A long boom's rods, one each, three to a line: the same rod cut to each length.
        row("Boom", d.boomDiameterMm > 0 ? "metallic tube" : "non-metallic",
            d.boomDiameterMm > 0 ? in ? fixed(d.boomDiameterMm / millimetresPerInch, 3)
                                      : formatNumber("%.4g", d.boomDiameterMm)
                                 : "-",
            lengthText(boomLength, in), lengthText(boomLength, in), "1", false);
        page.text(cols[0], y,
                  "Directors, aluminium rod " + diameterText(content.material.rodDiameterMm, in) +
                      ", one of each, cut to:",
                  pt);
        y += r;
        for (std::size_t n = 0; n < d.directorMm.size(); ++n) {
            const double x = margin + static_cast<double>(n % 3) * 31;
            page.text(x, y, elementName(n + 2), pt, 'l', true);
            page.text(x + 9, y, lengthText(d.directorMm[n], in), pt);
            if (n % 3 == 2 || n + 1 == d.directorMm.size()) {
                y += r;
            }
        }
    } else {
        for (std::size_t n = 0; n < 6; ++n) {
            row(elementName(n + 2), "aluminium rod", rod, lengthText(d.directorMm[n], in),
                lengthText(d.directorMm[n], in), "1", false);
        }
    }
    if (d.directorMm.size() <= 6) {
        row("Boom", d.boomDiameterMm > 0 ? "metallic tube" : "non-metallic",
            d.boomDiameterMm > 0 ? in ? fixed(d.boomDiameterMm / millimetresPerInch, 3)
                                      : formatNumber("%.4g", d.boomDiameterMm)
                                 : "-",
            lengthText(boomLength, in), lengthText(boomLength, in), "1", false);
    }
    const double wireTotal = d.reflectorLoopMm + d.drivenLoopMm + 2 * loopJointAllowanceMm;
    const auto buy = [&](double mm) {
        return in ? fixed(roundUp(mm, 304.8), 0) + " ft" : fixed(roundUp(mm, 1000), 0) + " m";
    };
    y += 1;
    page.text(margin, y,
              "Wire: " + lengthText(wireTotal, in) + " in all, buy " + buy(wireTotal) +
                  ". Loop cut lengths include " + lengthText(loopJointAllowanceMm, in) +
                  " for the joint.",
              pt);
    y += r;
    page.text(margin, y,
              "Rod: " + lengthText(rods, in) + " in all, buy " + buy(rods) +
                  (d.boomCorrectionMm != 0 ? ". Directors include the boom correction of " +
                                                 lengthText(d.boomCorrectionMm, in) + "."
                                           : "."),
              pt);
}

void drawTolerances(Page& page, const SheetContent& content, const SheetOptions& options) {
    const Dimensions& d = content.dimensions;
    const bool in = options.inches;
    const std::size_t directors = d.directorMm.size();
    const Rows rows =
        rowsFor(directors, toleranceLines(directors) - 1, toleranceTop + 1, pageBottom);
    const double r = rows.height;
    const double pt = rows.pt;
    double y = toleranceTop;
    page.text(margin, y - 9, "TOLERANCES", 8, 'l', true);
    std::string note = "The change of one dimension, all others as designed, that first costs " +
                       formatNumber("%g", gainLossLimitDb) +
                       " dB of forward gain, lowers F/B below " +
                       formatNumber("%g", frontToBackLimitDb) + " dB or raises the SWR above " +
                       formatNumber("%g", swrLimit) + " at " + formatNumber("%g", d.frequencyMhz) +
                       " MHz (NEC-2, free space). A spacing is between two neighbouring "
                       "elements: changing it moves every element ahead of it, to the last "
                       "director, by as much. ! marks the three most critical.";
    if (content.tolerances && !content.tolerances->frontToBackUsed) {
        note += " F/B is below 20 dB as designed and sets no limit.";
    }
    if (content.tolerances && !content.tolerances->swrUsed) {
        note += " The SWR is above 1.5 as designed and sets no limit.";
    }
    page.paragraph(margin + 22, y - 9, note, 150, 3, labelPt);
    y += 1;
    // Six directors: one table across the page. A long boom: loops and directors on the left,
    // the spacings beside them on the right, each in half the width.
    const bool twoUp = directors > 6;
    const double top = y;
    double left = 0;
    const auto cols = [&](std::size_t c) {
        constexpr double wide[] = {margin, 34, 62, 100, 128, 166, 196};
        constexpr double half[] = {0, 13, 29, 42, 57, 70, 91};
        return twoUp ? margin + left + half[c] : wide[c];
    };
    const auto row = [&](const std::string& a, const std::string& b, const std::string& c,
                         const std::string& e, const std::string& f, const std::string& g,
                         const std::string& mark, bool bold) {
        page.text(cols(0), y, a, pt, 'l', bold);
        page.text(cols(1), y, b, pt, 'l', bold);
        page.text(cols(2), y, c, pt, 'l', bold);
        page.text(cols(3), y, e, pt, 'l', bold);
        page.text(cols(4), y, f, pt, 'l', bold);
        page.text(cols(5), y, g, pt, 'l', bold);
        page.text(cols(6), y, mark, pt, 'r', true);
        y += r;
    };
    const auto header = [&] {
        row("Dimension", "As designed", "Shorter by", "reaches", "Longer by", "reaches", "", true);
    };
    header();
    const std::size_t loopsAndDirectors = 2 + directors;
    const std::size_t count = loopsAndDirectors + d.spacingMm.size();
    for (std::size_t i = 0; i < count; ++i) {
        if (twoUp && i == loopsAndDirectors) {
            left = 95;
            y = top;
            header();
        }
        const bool spacing = i >= loopsAndDirectors;
        const double nominal = i == 0    ? d.reflectorLoopMm
                               : i == 1  ? d.drivenLoopMm
                               : spacing ? d.spacingMm[i - loopsAndDirectors]
                                         : d.directorMm[i - 2];
        Dimension dimension;
        dimension.kind = i < 2     ? Dimension::Kind::LoopLength
                         : spacing ? Dimension::Kind::Spacing
                                   : Dimension::Kind::DirectorLength;
        dimension.index = i < 2 ? i : spacing ? i - loopsAndDirectors : i - 2;
        if (!content.tolerances) {
            row(dimension.name(), lengthText(nominal, in), content.necMissing, "",
                content.necMissing, "", "", false);
            continue;
        }
        const Tolerance& t = content.tolerances->tolerances[i];
        row(t.dimension.name(), lengthText(nominal, in), oneWayText(t.shorter, in),
            t.shorter.mm ? limitName(t.shorter.limit) : "no limit", oneWayText(t.longer, in),
            t.longer.mm ? limitName(t.longer.limit) : "no limit", t.critical ? "!" : "",
            t.critical);
    }
}

} // namespace

Paper localePaper() {
#if !defined(LC_PAPER_MASK) || !defined(_NL_PAPER_WIDTH)
    // A C library without glibc's paper category (WebAssembly's) names no paper: A4, as for a
    // locale that names none.
    return Paper::A4;
#else
    const locale_t locale = ::newlocale(LC_PAPER_MASK, "", static_cast<locale_t>(nullptr));
    if (locale == static_cast<locale_t>(nullptr)) {
        return Paper::A4;
    }
    // glibc gives the paper's width in millimetres as a number in the pointer's place.
    const auto width = reinterpret_cast<std::intptr_t>(::nl_langinfo_l(_NL_PAPER_WIDTH, locale));
    ::freelocale(locale);
    return width == 216 ? Paper::Letter : Paper::A4;
#endif
}

double stackingDistanceMm(double frequencyMhz, double beamwidthDeg) {
    const double wavelengthMm = analysis::speedOfLight / frequencyMhz * 1000;
    return wavelengthMm / (2 * std::sin(beamwidthDeg / 2 * M_PI / 180));
}

std::string lengthText(double mm, bool inches) {
    if (!inches) {
        return fixed(mm, 1);
    }
    const double value = mm / millimetresPerInch;
    const long sixteenths = std::lround(std::fabs(value) * 16);
    long whole = sixteenths / 16;
    long numerator = sixteenths % 16;
    long denominator = 16;
    while (numerator != 0 && numerator % 2 == 0) {
        numerator /= 2;
        denominator /= 2;
    }
    std::string text = value < 0 ? "-" : "";
    if (whole != 0 || numerator == 0) {
        text += std::to_string(whole);
    }
    if (numerator != 0) {
        text +=
            (whole != 0 ? " " : "") + std::to_string(numerator) + "/" + std::to_string(denominator);
    }
    return text + " (" + fixed(value, 2) + ")";
}

double feedGapMm(double frequencyMhz) {
    const double wavelengthMm = analysis::speedOfLight / frequencyMhz * 1000;
    return std::clamp(std::round(wavelengthMm / 200), 3.0, 15.0);
}

DisplayList layoutSheet(const SheetContent& content, const SheetOptions& options) {
    Page page;
    const Dimensions& d = content.dimensions;
    if (d.directorMm.size() > mostSheetDirectors) {
        throw std::invalid_argument("the workshop sheet holds at most " +
                                    std::to_string(mostSheetDirectors) + " directors on its page");
    }
    page.text(margin, 16,
              "TARVO workshop sheet: " + formatNumber("%g", d.frequencyMhz) + " MHz loop beam" +
                  (content.trimmed ? ", trimmed" : ""),
              14, 'l', true);
    page.text(
        margin, 21.5,
        std::string("Lengths in ") + (options.inches ? "inches (sixteenths, decimal)" : "mm") +
            ". Reflector and driven element: square wire loops. " +
            (d.directorMm.size() == 6 ? std::string("Six") : std::to_string(d.directorMm.size())) +
            " rod directors. Boom " +
            (d.boomDiameterMm > 0
                 ? "a metallic tube " + lengthText(d.boomDiameterMm, options.inches) + " across"
                 : std::string("non-metallic")) +
            "." +
            (content.trimmed
                 ? " Lengths trimmed by NEC-2 for " +
                       diameterText(content.material.wireDiameterMm, options.inches) +
                       " wire and " + diameterText(content.material.rodDiameterMm, options.inches) +
                       " rods; spacings as designed."
                 : ""),
        7);
    drawTopView(page, content, options);
    drawLoops(page, content, options);
    drawSummary(page, content, options);
    drawCutList(page, content, options);
    drawTolerances(page, content, options);

    DisplayList list = std::move(page.list);
    useSeparator(list, options.decimalSeparator);
    list.widthMm = pageWidth;
    list.heightMm = pageHeight;
    if (options.paper == Paper::Letter) {
        constexpr double letterWidth = 215.9;
        constexpr double letterHeight = 279.4;
        const double factor = std::min(letterWidth / pageWidth, letterHeight / pageHeight);
        const double dx = (letterWidth - pageWidth * factor) / 2;
        const double dy = (letterHeight - pageHeight * factor) / 2;
        for (DrawItem& item : list.items) {
            item.x1 = dx + item.x1 * factor;
            item.y1 = dy + item.y1 * factor;
            if (item.kind == DrawItem::Kind::Line) {
                item.x2 = dx + item.x2 * factor;
                item.y2 = dy + item.y2 * factor;
            } else {
                item.x2 *= factor;
                item.y2 *= factor;
            }
            item.sizePt *= factor;
            item.width *= factor;
        }
        list.widthMm = letterWidth;
        list.heightMm = letterHeight;
    }
    return list;
}

} // namespace tarvo::workshop
