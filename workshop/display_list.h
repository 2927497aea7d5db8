// SPDX-License-Identifier: GPL-3.0-or-later
// A page as lines, boxes, circles and texts in millimetres: what the workshop sheet's layout
// makes without any drawing library, and what one painter draws on screen, printer, PDF and SVG.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tarvo::workshop {

struct DrawItem {
    enum class Kind { Line, Rect, Circle, Text };
    Kind kind{};
    double x1{}; ///< line start, box corner, circle centre or text anchor
    double y1{};
    double x2{}; ///< line end; box width and height in x2, y2; circle radius in x2
    double y2{};
    double width{0.25}; ///< pen width in mm; 0 fills a box or circle
    bool dashed{};
    // Texts only.
    double sizePt{8};
    char align{'l'};   ///< 'l', 'c' or 'r' about the anchor, which is on the baseline
    double rotation{}; ///< degrees, counter-clockwise: 90 reads upwards
    bool bold{};
    std::string text;
};

struct DisplayList {
    double widthMm{};
    double heightMm{};
    std::vector<DrawItem> items;
};

/// One item a line, numbers with a point: how the list travels to the painter.
std::string serialize(const DisplayList& list);
/// Throws std::invalid_argument for a list that serialize() did not write.
DisplayList parseDisplayList(std::string_view text);

} // namespace tarvo::workshop
