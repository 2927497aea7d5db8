// SPDX-License-Identifier: GPL-3.0-or-later
// Where each control of the main window sits and how it looks: one table in twips, read by the
// window when it builds itself.
#pragma once

#include "design/controls.h"

#include <optional>

namespace tarvo {

inline constexpr int twipsPerPixel = 15; // at 96 dots per inch
inline constexpr int windowWidthTwips = 8865;
inline constexpr int windowHeightTwips = 6900;
inline constexpr double windowFontPoints = 9.75;

enum class Align { Left, Centre, Right };

struct Placement {
    Control control;
    int left;
    int top;
    int width;
    int height;
    double points; ///< font size; the window font is 9.75 pt
    bool bold;
    bool italic;
    Align align;
    bool multiLine;
    int tabIndex; ///< order among the controls; captions are no tab stops whatever their index
};

/// Every control's placement; every control has one.
const Placement& placementOf(Control control);

/// Twips to pixels at 96 dots per inch.
constexpr int pixels(int twips) {
    return (twips + twipsPerPixel / 2) / twipsPerPixel;
}

} // namespace tarvo
