// SPDX-License-Identifier: GPL-3.0-or-later
// The tolerance search against a stand-in for nec2c whose figures follow known laws of four
// dimensions, read from the deck's wires (each tolerance must lie inside its limit and within
// 2.5 % of the crossing): DIR 1 costs gain as 0.002 dB/mm^2 (0.2 dB at 10 mm); the DE loop's
// wire detunes the feed by 4.0825 ohm/mm (SWR 1.5 at 5 mm); a longer R-DE spacing lowers F/B by
// 0.25 dB/mm from 25 dB (20 dB at 20 mm); D5-D6 costs gain as 0.000125 dB/mm^2 (40 mm). Every
// other dimension moves nothing.
#include "../analysis/analysis_fixture.h"
#include "workshop/dimensions.h"
#include "workshop/display_list.h"
#include "workshop/sheet.h"
#include "workshop/tolerances.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <sstream>

namespace tarvo::workshop {
namespace {

using analysis::Point;

struct Wires {
    std::map<int, std::pair<Point, Point>> byTag;
    static Wires of(const std::string& deck) {
        Wires wires;
        std::istringstream lines(deck);
        for (std::string line; std::getline(lines, line);) {
            int tag = 0;
            int segments = 0;
            Point a;
            Point b;
            double radius = 0;
            if (std::sscanf(line.c_str(), "GW %d %d %lf %lf %lf %lf %lf %lf %lf", &tag, &segments,
                            &a.x, &a.y, &a.z, &b.x, &b.y, &b.z, &radius) == 9) {
                wires.byTag[tag] = {a, b};
            }
        }
        return wires;
    }
    double lengthMm(int tag) const {
        const auto& [a, b] = byTag.at(tag);
        return std::hypot(b.x - a.x, b.y - a.y, b.z - a.z) * 1000;
    }
    double xMm(int tag) const { return byTag.at(tag).first.x * 1000; }
};

class StandIn {
public:
    explicit StandIn(const std::string& nominalDeck)
        : m_nominal(Wires::of(nominalDeck)) {}

    std::string operator()(const std::string& deck) const {
        const Wires w = Wires::of(deck);
        const double dir1 = w.lengthMm(9) - m_nominal.lengthMm(9);
        const double drivenWire = 4 * (w.lengthMm(5) - m_nominal.lengthMm(5));
        const double rde = (w.xMm(5) - w.xMm(1)) - (m_nominal.xMm(5) - m_nominal.xMm(1));
        const double d56 = (w.xMm(14) - w.xMm(13)) - (m_nominal.xMm(14) - m_nominal.xMm(13));
        const double gain = 13 - 0.002 * dir1 * dir1 - 0.000125 * d56 * d56;
        const double frontToBack = 25 - 0.25 * std::max(rde, 0.0);
        return test::necAnswer(144, {50.0, 4.0825 * drivenWire}, gain, gain - frontToBack) +
               "  TOTAL RUN TIME: 1 msec\n";
    }

private:
    Wires m_nominal;
};

TEST(Tolerances, FindTheChangeThatReachesEachLimitAndMarkTheTightest) {
    const analysis::Material material{2.05, 4.76};
    const analysis::Model model = analysis::buildModel(test::computedDesign("144"), material, 40);
    const StandIn nec(analysis::writePointsDeck(model, material, {144}));
    const ToleranceReport report =
        findTolerances(model, material, [&nec](const std::string& deck) { return nec(deck); });
    ASSERT_EQ(report.tolerances.size(), 15U);
    EXPECT_NEAR(report.nominal.gainDbi, 13, 1e-4);
    EXPECT_TRUE(report.frontToBackUsed);
    EXPECT_TRUE(report.swrUsed);

    // Searched up to 64 x 1/2000 wavelength at 144 MHz: 66.62 mm.
    const double searched = 64 * 299792.458 / 144 / 2000;
    struct Expected {
        const char* name;
        std::optional<double> shorter;
        std::optional<double> longer;
        Limit limit;
        bool critical;
    };
    const Expected expected[] = {
        {"REF loop", {}, {}, Limit::GainLoss, false}, {"DE loop", 5, 5, Limit::Swr, true},
        {"DIR 1", 10, 10, Limit::GainLoss, true},     {"DIR 2", {}, {}, Limit::GainLoss, false},
        {"DIR 3", {}, {}, Limit::GainLoss, false},    {"DIR 4", {}, {}, Limit::GainLoss, false},
        {"DIR 5", {}, {}, Limit::GainLoss, false},    {"DIR 6", {}, {}, Limit::GainLoss, false},
        {"R-DE", {}, 20, Limit::FrontToBack, true},   {"DE-D1", {}, {}, Limit::GainLoss, false},
        {"D1-D2", {}, {}, Limit::GainLoss, false},    {"D2-D3", {}, {}, Limit::GainLoss, false},
        {"D3-D4", {}, {}, Limit::GainLoss, false},    {"D4-D5", {}, {}, Limit::GainLoss, false},
        {"D5-D6", 40, 40, Limit::GainLoss, false},
    };
    for (std::size_t i = 0; i < 15; ++i) {
        const Tolerance& t = report.tolerances[i];
        const Expected& e = expected[i];
        SCOPED_TRACE(e.name);
        EXPECT_EQ(t.dimension.name(), e.name);
        for (const auto& [way, want] :
             {std::pair{&t.shorter, e.shorter}, std::pair{&t.longer, e.longer}}) {
            ASSERT_EQ(way->mm.has_value(), want.has_value());
            if (want) {
                // The safe end of the bracket: inside the limit, and within 2.5 % of it.
                EXPECT_LT(*way->mm, *want);
                EXPECT_GE(*way->mm, *want * 0.975);
                EXPECT_EQ(way->limit, e.limit);
            } else {
                EXPECT_NEAR(way->searchedMm, searched, 0.01);
            }
        }
        EXPECT_EQ(t.critical, e.critical);
    }
}

TEST(Tolerances, ALimitTheDesignAlreadyMissesSetsNone) {
    const analysis::Material material{2.05, 4.76};
    const analysis::Model model = analysis::buildModel(test::computedDesign("144"), material, 40);
    const StandIn nec(analysis::writePointsDeck(model, material, {144}));
    // The same laws, with the driven loop already 10 mm long: SWR 2.18 as designed.
    const analysis::Model detuned = perturbed(model, {Dimension::Kind::LoopLength, 1}, 10);
    const ToleranceReport report =
        findTolerances(detuned, material, [&nec](const std::string& deck) { return nec(deck); });
    EXPECT_FALSE(report.swrUsed);
    EXPECT_TRUE(report.frontToBackUsed);
    EXPECT_FALSE(report.tolerances[1].shorter.mm.has_value());
    ASSERT_TRUE(report.tolerances[2].longer.mm.has_value());
    EXPECT_LT(*report.tolerances[2].longer.mm, 10);
    EXPECT_GE(*report.tolerances[2].longer.mm, 9.75);
}

TEST(SheetFigures, LengthsInTheSheetsUnitsStackingAndFeedGap) {
    const struct {
        double mm;
        bool inches;
        const char* text;
    } lengths[] = {
        {2269.49, false, "2269.5"},
        {89.35 * 25.4, true, "89 3/8 (89.35)"}, // 0.35 in is 5.6 sixteenths: 6/16 = 3/8
        {0.1875 * 25.4, true, "3/16 (0.19)"},
        {2 * 25.4, true, "2 (2.00)"},
        {1.99 * 25.4, true, "2 (1.99)"}, // 31.84 sixteenths round up into the next inch
        {35.1547 * 25.4, true, "35 1/8 (35.15)"},
    };
    for (const auto& l : lengths) {
        EXPECT_EQ(lengthText(l.mm, l.inches), l.text);
    }
    // D = wavelength / (2 sin(beamwidth / 2)): at 60 degrees one wavelength, 2081.9 mm at 144 MHz.
    EXPECT_NEAR(stackingDistanceMm(144, 60), 2081.89, 0.01);
    EXPECT_NEAR(stackingDistanceMm(144, 36), 3368.57, 0.01);
    EXPECT_EQ(feedGapMm(144), 10);
    EXPECT_EQ(feedGapMm(1296), 3);
    EXPECT_EQ(feedGapMm(50), 15);
}

TEST(DisplayList, TravelsToThePainterUnchanged) {
    DisplayList list{215.9, 279.4, {}};
    DrawItem text;
    text.kind = DrawItem::Kind::Text;
    text.x1 = 12.25;
    text.y1 = 0.1;
    text.sizePt = 6.5;
    text.align = 'r';
    text.rotation = 90;
    text.bold = true;
    text.text = "DIR 1  921.4  (half 460.7)";
    DrawItem line;
    line.kind = DrawItem::Kind::Line;
    line.x2 = 1e-7;
    line.y2 = 297;
    line.dashed = true;
    list.items = {text, line};
    const DisplayList back = parseDisplayList(serialize(list));
    ASSERT_EQ(back.items.size(), 2U);
    EXPECT_EQ(back.widthMm, 215.9);
    EXPECT_EQ(back.items[0].text, text.text);
    EXPECT_EQ(back.items[0].x1, 12.25);
    EXPECT_EQ(back.items[0].align, 'r');
    EXPECT_TRUE(back.items[0].bold);
    EXPECT_EQ(back.items[1].x2, 1e-7);
    EXPECT_TRUE(back.items[1].dashed);
    for (const char* bad : {"", "line 1 2", "page 210 297\n9 0 0 0 0 0 0 8 108 0 0 x\n",
                            "page 210 297\n0 0 zero\n"}) {
        EXPECT_THROW(parseDisplayList(bad), std::invalid_argument) << bad;
    }
}

// A long boom's sheet at 144 MHz with 1 inch boom: DIR 7 ... DIR 20 beside the six, each 0.7751 in
// shorter than the one before from DIR 6's 35.1547 in, spacings 0.9331 in closer from 26.0026 in.
// Every director and spacing is on the one page, no text below its bottom margin or too small
// to read, none on another; DIR 20's rod is 24.3033 in = 617.3 mm (24.3033 x 25.4 = 617.30).
TEST(SheetLayout, TwentyDirectorsFitOnePageAndTwentyOneAreRefused) {
    const DesignState design = test::computedDesign("144");
    analysis::AddedDirectors added;
    for (int k = 1; k <= 14; ++k) {
        added.push_back({35.1547 - k * 0.7751, 26.0026 - k * 0.9331});
    }
    SheetContent content;
    content.dimensions = dimensionsOf(design, true, added);
    content.material = {2.05, 4.76};
    content.necMissing = "nec2c needed";
    ASSERT_EQ(content.dimensions.directorMm.size(), 20U);
    ASSERT_EQ(content.dimensions.positionMm.size(), 22U);
    for (const bool inches : {false, true}) {
        SheetOptions options;
        options.inches = inches;
        const DisplayList list = layoutSheet(content, options);
        std::map<std::string, int> seen;
        std::vector<const DrawItem*> texts;
        for (const DrawItem& item : list.items) {
            EXPECT_GE(item.x1, 0);
            EXPECT_LE(item.x1, 210);
            EXPECT_GE(item.y1, 0);
            if (item.kind == DrawItem::Kind::Text) {
                EXPECT_LE(item.y1, 292) << item.text;
                EXPECT_GE(item.sizePt, 4.5) << item.text;
                seen[item.text] += 1;
                texts.push_back(&item);
            }
        }
        // In the cut list, the tolerance table, the top view's label; its spacing to DIR 19.
        EXPECT_EQ(seen["DIR 20"], 2) << inches;
        EXPECT_EQ(seen["D19-D20"], 1) << inches;
        EXPECT_EQ(seen[inches ? "24 5/16 (24.30)" : "617.3"], 2) << inches; // cut list, table
        // The cut list keeps to the left half, where the analysis summary is beside it, and
        // ends above the tolerances' heading (at 226 mm, its type 8 pt, about 3 mm high).
        for (const DrawItem* text : texts) {
            if (text->y1 > 180 && text->y1 < 226 && text->text.rfind("DIR ", 0) == 0) {
                EXPECT_LT(text->x1, 105) << text->text;
            }
            if (text->y1 > 180 && text->y1 < 226 && text->x1 < 105) {
                EXPECT_LE(text->y1, 221) << text->text;
            }
        }
        // Two horizontal texts never share a line where their starts are closer than 8 mm.
        for (std::size_t i = 0; i < texts.size(); ++i) {
            for (std::size_t j = i + 1; j < texts.size(); ++j) {
                const DrawItem& a = *texts[i];
                const DrawItem& b = *texts[j];
                if (a.rotation == 0 && b.rotation == 0 && a.y1 > 180 && b.y1 > 180) {
                    EXPECT_FALSE(std::fabs(a.y1 - b.y1) < 1.5 && std::fabs(a.x1 - b.x1) < 8)
                        << a.text << " / " << b.text;
                }
            }
        }
    }
    added.push_back({35.1547 - 15 * 0.7751, 26.0026 - 15 * 0.9331});
    content.dimensions = dimensionsOf(design, true, added);
    EXPECT_THROW(layoutSheet(content, SheetOptions{}), std::invalid_argument);
}

} // namespace
} // namespace tarvo::workshop
