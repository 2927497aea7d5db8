// SPDX-License-Identifier: GPL-3.0-or-later
#include "workshop/sheet_svg.h"

#include "design/plain_number.h"

#include <algorithm>
#include <cmath>

namespace tarvo::workshop {
namespace {

constexpr double millimetresPerPoint = 25.4 / 72;
// The thinnest line still shows on a screen and on paper: 0.05 mm, as the painter draws it.
constexpr double thinnestMm = 0.05;

/// A coordinate to the micrometre, in the C locale's notation whatever the user's.
std::string mm(double value) {
    const double rounded = std::round(value * 1000) / 1000;
    return shortestText(rounded == 0 ? 0.0 : rounded);
}

std::string escaped(const std::string& text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

/// The pen of a line or an outline: black, flat ends, dashes four widths long with gaps of two.
std::string stroke(const DrawItem& item) {
    const double width = std::max(item.width, thinnestMm);
    std::string pen = " fill=\"none\" stroke=\"#000\" stroke-width=\"" + mm(width) + "\"";
    if (item.dashed) {
        pen += " stroke-dasharray=\"" + mm(4 * width) + " " + mm(2 * width) + "\"";
    }
    return pen;
}

std::string paint(const DrawItem& item) {
    return item.width == 0 ? std::string(" fill=\"#000\"") : stroke(item);
}

} // namespace

std::string svgDocument(const DisplayList& list) {
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
                      mm(list.widthMm) + "mm\" height=\"" + mm(list.heightMm) +
                      "mm\" viewBox=\"0 0 " + mm(list.widthMm) + " " + mm(list.heightMm) +
                      "\" font-family=\"Liberation Sans\" stroke-linecap=\"butt\">\n"
                      "<title>TARVO workshop sheet</title>\n"
                      "<rect x=\"0\" y=\"0\" width=\"" +
                      mm(list.widthMm) + "\" height=\"" + mm(list.heightMm) +
                      "\" fill=\"#fff\"/>\n";
    using Kind = DrawItem::Kind;
    for (const DrawItem& item : list.items) {
        switch (item.kind) {
        case Kind::Line:
            out += "<line x1=\"" + mm(item.x1) + "\" y1=\"" + mm(item.y1) + "\" x2=\"" +
                   mm(item.x2) + "\" y2=\"" + mm(item.y2) + "\"" + stroke(item) + "/>\n";
            break;
        case Kind::Rect:
            out += "<rect x=\"" + mm(item.x1) + "\" y=\"" + mm(item.y1) + "\" width=\"" +
                   mm(item.x2) + "\" height=\"" + mm(item.y2) + "\"" + paint(item) + "/>\n";
            break;
        case Kind::Circle:
            out += "<circle cx=\"" + mm(item.x1) + "\" cy=\"" + mm(item.y1) + "\" r=\"" +
                   mm(item.x2) + "\"" + paint(item) + "/>\n";
            break;
        case Kind::Text: {
            out += "<text";
            if (item.rotation != 0) {
                out += " transform=\"translate(" + mm(item.x1) + " " + mm(item.y1) + ") rotate(" +
                       mm(-item.rotation) + ")\"";
            } else {
                out += " x=\"" + mm(item.x1) + "\" y=\"" + mm(item.y1) + "\"";
            }
            out += " font-size=\"" + mm(item.sizePt * millimetresPerPoint) + "\"";
            if (item.bold) {
                out += " font-weight=\"bold\"";
            }
            if (item.align == 'c') {
                out += " text-anchor=\"middle\"";
            } else if (item.align == 'r') {
                out += " text-anchor=\"end\"";
            }
            out += " xml:space=\"preserve\">" + escaped(item.text) + "</text>\n";
            break;
        }
        }
    }
    out += "</svg>\n";
    return out;
}

} // namespace tarvo::workshop
