// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/layout.h"

#include <array>

namespace tarvo {
namespace {

using enum Control;
using enum Align;

constexpr double small = 8.25;
constexpr double window = windowFontPoints;

// The results table: rows 480 twips apart, captions 120 twips below their row's boxes.
constexpr int rowTop(int row) {
    return 2160 + 480 * (row - 1);
}
constexpr int captionTop(int row) {
    return rowTop(row) + 120;
}
constexpr int lengthLeft = 1320;
constexpr int lengthWidth = 1215;
constexpr int spacingLeft = 2880;
constexpr int spacingWidth = 1095;
constexpr int positionLeft = 4320;
constexpr int positionWidth = 1095;

constexpr std::array<Placement, controlCount> placements{{
    // control, left, top, width, height, points, bold, italic, align, multi-line, tab
    {Text1, 0, captionTop(1), 1215, 285, small, false, false, Right, false, 0},
    {Text2, 240, captionTop(2), 855, 285, small, false, false, Right, false, 1},
    {Text3, 480, captionTop(3), 615, 285, small, false, false, Left, false, 2},
    {Text4, 480, captionTop(4), 615, 285, small, false, false, Left, false, 3},
    {Text5, 480, captionTop(5), 495, 285, small, false, false, Left, false, 4},
    {Text6, 480, captionTop(6), 855, 285, small, false, false, Left, false, 5},
    {Text7, 480, captionTop(7), 735, 285, small, false, false, Left, false, 6},
    {Text8, 480, captionTop(8), 735, 285, small, false, false, Left, false, 7},
    {Text9, lengthLeft, rowTop(1), lengthWidth, 375, window, false, false, Left, false, 8},
    {Text10, lengthLeft, rowTop(2), lengthWidth, 375, window, false, false, Left, false, 9},
    {Text11, lengthLeft, rowTop(3), lengthWidth, 375, window, false, false, Left, false, 10},
    {Text12, lengthLeft, rowTop(4), lengthWidth, 375, window, false, false, Left, false, 11},
    {Text13, lengthLeft, rowTop(5), lengthWidth, 375, window, false, false, Left, false, 12},
    {Text14, lengthLeft, rowTop(6), lengthWidth, 405, window, false, false, Left, false, 13},
    {Text15, lengthLeft, rowTop(7), lengthWidth, 375, window, false, false, Left, false, 14},
    {Text16, lengthLeft, rowTop(8), lengthWidth, 375, window, false, false, Left, false, 15},
    {Text17, 6840, 720, 1335, 495, 13.5, true, false, Left, false, 16},
    {Text18, 360, 6000, 1335, 735, small, false, false, Left, true, 18},
    {Text19, 1800, 6000, 735, 375, small, false, false, Left, false, 19},
    {Text20, 120, 120, 8655, 495, 18, true, true, Centre, false, 20},
    {Text21, 2760, 840, 3855, 255, 12, true, false, Centre, false, 23},
    {Text22, spacingLeft, rowTop(1), spacingWidth, 375, window, false, false, Left, false, 24},
    {Text23, 2640, 2640, 1695, 405, small, false, false, Centre, true, 25},
    {Text24, spacingLeft, rowTop(3), spacingWidth, 375, window, false, false, Left, false, 26},
    {Text25, spacingLeft, rowTop(4), spacingWidth, 375, window, false, false, Left, false, 27},
    {Text26, spacingLeft, rowTop(5), spacingWidth, 375, window, false, false, Left, false, 28},
    {Text27, spacingLeft, rowTop(6), spacingWidth, 375, window, false, false, Left, false, 29},
    {Text28, 5760, 2880, 2895, 2535, small, false, false, Left, true, 33},
    {Text29, 1920, 6480, 1575, 375, 13.5, true, false, Centre, false, 34},
    {Text30, 2880, 1200, 2175, 345, window, true, false, Left, false, 35},
    {Text31, spacingLeft, rowTop(7), spacingWidth, 375, window, false, false, Left, false, 40},
    {Text32, 1920, 1680, 1095, 375, window, false, false, Left, false, 36},
    {Text33, spacingLeft, rowTop(8), spacingWidth, 360, window, false, false, Left, false, 41},
    {Text34, 4920, 1680, 735, 360, window, false, false, Left, false, 37},
    {Text35, 2880, 6000, 735, 375, window, false, false, Left, false, 42},
    {Text36, 3840, 6000, 1455, 855, small, false, false, Left, true, 43},
    {Text37, positionLeft, rowTop(1), 375, 375, window, false, false, Left, false, 44},
    {Text38, 4920, 2280, 1695, 255, small, false, false, Left, false, 45},
    {Text39, positionLeft, rowTop(2), positionWidth, 375, window, false, false, Left, false, 46},
    {Text40, positionLeft, rowTop(3), positionWidth, 375, window, false, false, Left, false, 47},
    {Text41, positionLeft, rowTop(4), positionWidth, 360, window, false, false, Left, false, 48},
    {Text42, positionLeft, rowTop(5), positionWidth, 375, window, false, false, Left, false, 49},
    {Text43, positionLeft, rowTop(6), positionWidth, 375, window, false, false, Left, false, 50},
    {Text44, positionLeft, rowTop(7), positionWidth, 375, window, false, false, Left, false, 51},
    {Text45, positionLeft, rowTop(8), positionWidth, 375, window, false, false, Left, false, 52},
    {List1, 240, 1560, 1575, 540, window, false, false, Left, false, 38},
    {List2, 3600, 1560, 1095, 540, window, false, false, Left, false, 39},
    {Option1, 240, 600, 2175, 375, small, false, false, Left, false, 21},
    {Option2, 240, 1080, 2175, 375, small, false, false, Left, false, 22},
    {Command1, 6840, 1320, 1335, 495, small, false, false, Centre, false, 17},
    {Command2, 6960, 5640, 1095, 375, window, false, false, Centre, false, 30},
    {Command3, 6960, 6240, 1095, 375, window, false, false, Centre, false, 31},
    {Command4, 6840, 1920, 1335, 495, small, false, false, Centre, false, 32},
}};

constexpr bool placedInOrder() {
    for (std::size_t i = 0; i < placements.size(); ++i) {
        if (static_cast<std::size_t>(placements[i].control) != i) {
            return false;
        }
    }
    return true;
}
static_assert(placedInOrder(), "the placement table must follow the order of enum Control");

} // namespace

const Placement& placementOf(Control control) {
    return placements[static_cast<std::size_t>(control)];
}

} // namespace tarvo
