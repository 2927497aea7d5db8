// SPDX-License-Identifier: GPL-3.0-or-later
// The sheet's SVG, written by hand for a small page: what every front saves and the page shows.
#include "workshop/sheet_svg.h"

#include <gtest/gtest.h>

namespace tarvo::workshop {
namespace {

using Kind = DrawItem::Kind;

TEST(SheetSvg, EveryKindOfItemInMillimetres) {
    DisplayList list{100, 50, {}};
    list.items.push_back({Kind::Line, 10, 20, 30.25, 20, 0.5, false, 8, 'l', 0, false, ""});
    // Dashes four pen widths long, gaps of two; the thinnest pen drawn 0.05 mm wide.
    list.items.push_back({Kind::Line, 0, 0, 1, 1, 0.25, true, 8, 'l', 0, false, ""});
    list.items.push_back({Kind::Line, 0, 0, 1, 1, 0.01, false, 8, 'l', 0, false, ""});
    list.items.push_back({Kind::Rect, 1, 2, 3, 4, 0, false, 8, 'l', 0, false, ""});
    list.items.push_back({Kind::Circle, 5, 6, 0.7, 0, 0.2, false, 8, 'l', 0, false, ""});
    // 9 pt is 3.175 mm; rotated 90 degrees counter-clockwise reads upwards: -90 in SVG's turn.
    list.items.push_back(
        {Kind::Text, 12, 16, 0, 0, 0.25, false, 9, 'c', 90, true, "DIR 1 & <REF> \"loop\""});
    list.items.push_back({Kind::Text, 1.0000004, 2, 0, 0, 0.25, false, 6, 'r', 0, false, "567.4"});
    EXPECT_EQ(svgDocument(list),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"100mm\" height=\"50mm\" "
              "viewBox=\"0 0 100 50\" font-family=\"Liberation Sans\" stroke-linecap=\"butt\">\n"
              "<title>TARVO workshop sheet</title>\n"
              "<rect x=\"0\" y=\"0\" width=\"100\" height=\"50\" fill=\"#fff\"/>\n"
              "<line x1=\"10\" y1=\"20\" x2=\"30.25\" y2=\"20\" fill=\"none\" stroke=\"#000\" "
              "stroke-width=\"0.5\"/>\n"
              "<line x1=\"0\" y1=\"0\" x2=\"1\" y2=\"1\" fill=\"none\" stroke=\"#000\" "
              "stroke-width=\"0.25\" stroke-dasharray=\"1 0.5\"/>\n"
              "<line x1=\"0\" y1=\"0\" x2=\"1\" y2=\"1\" fill=\"none\" stroke=\"#000\" "
              "stroke-width=\"0.05\"/>\n"
              "<rect x=\"1\" y=\"2\" width=\"3\" height=\"4\" fill=\"#000\"/>\n"
              "<circle cx=\"5\" cy=\"6\" r=\"0.7\" fill=\"none\" stroke=\"#000\" "
              "stroke-width=\"0.2\"/>\n"
              "<text transform=\"translate(12 16) rotate(-90)\" font-size=\"3.175\" "
              "font-weight=\"bold\" text-anchor=\"middle\" xml:space=\"preserve\">DIR 1 &amp; "
              "&lt;REF&gt; &quot;loop&quot;</text>\n"
              "<text x=\"1\" y=\"2\" font-size=\"2.117\" text-anchor=\"end\" "
              "xml:space=\"preserve\">567.4</text>\n"
              "</svg>\n");
}

} // namespace
} // namespace tarvo::workshop
