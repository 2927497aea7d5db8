// SPDX-License-Identifier: GPL-3.0-or-later
// The controls of the main window that the design operations and the fronts reach by name, and the
// facts about each one that do not depend on how a window draws it: kind, character limit, initial
// text, initial visibility and initial text colour.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarvo {

enum class Control : std::uint8_t {
    // clang-format off
    Text1, Text2, Text3, Text4, Text5, Text6, Text7, Text8, Text9, Text10,
    Text11, Text12, Text13, Text14, Text15, Text16, Text17, Text18, Text19, Text20,
    Text21, Text22, Text23, Text24, Text25, Text26, Text27, Text28, Text29, Text30,
    Text31, Text32, Text33, Text34, Text35, Text36, Text37, Text38, Text39, Text40,
    Text41, Text42, Text43, Text44, Text45,
    List1, List2, Option1, Option2, Command1, Command2, Command3, Command4,
    // clang-format on
};

inline constexpr std::size_t controlCount = static_cast<std::size_t>(Control::Command4) + 1;

enum class ControlKind : std::uint8_t { TextBox, Caption, ListBox, OptionButton, Button };

/// Colours are 0x00BBGGRR values or system colour references 0x800000nn.
namespace colors {
inline constexpr std::uint32_t highlight = 0x8000000D;
inline constexpr std::uint32_t menuText = 0x80000007;
inline constexpr std::uint32_t windowText = 0x80000008;
inline constexpr std::uint32_t blue = 0x00FF0000;
inline constexpr std::uint32_t red = 0x000000FF;
inline constexpr std::uint32_t black = 0x00000000;
inline constexpr std::uint32_t lightGrey = 0x00E0E0E0;
} // namespace colors

struct ControlInfo {
    Control control;
    std::string_view name;
    ControlKind kind;
    std::size_t limit; ///< character limit of a box; 0 means none
    std::string_view initialText;
    bool initiallyVisible;
    std::uint32_t initialForeColor;
};

/// The facts of one control; every control has an entry.
const ControlInfo& infoOf(Control control);
/// All controls in declaration order.
const std::array<ControlInfo, controlCount>& allControls();
std::string_view nameOf(Control control);
/// A control's text when the window opens: the frequency box's "0.0" is written with the
/// user's decimal separator, like every other number the user reads there.
std::string startTextOf(Control control, std::string_view separator);
std::optional<Control> controlNamed(std::string_view name);
inline std::size_t limitOf(Control control) {
    return infoOf(control).limit;
}

/// The boxes of the six director rows, DIR 1 ... DIR 6.
inline constexpr std::array<Control, 6> directorLengthBoxes{Control::Text11, Control::Text12,
                                                            Control::Text13, Control::Text14,
                                                            Control::Text15, Control::Text16};
inline constexpr std::array<Control, 6> directorSpacingBoxes{Control::Text24, Control::Text25,
                                                             Control::Text26, Control::Text27,
                                                             Control::Text31, Control::Text33};
inline constexpr std::array<Control, 6> directorPositionBoxes{Control::Text40, Control::Text41,
                                                              Control::Text42, Control::Text43,
                                                              Control::Text44, Control::Text45};

/// The rows of the results table, top to bottom: REFLECTOR, DRIVEN, DIR 1 ... DIR 6.
struct TableRow {
    std::string_view caption;
    Control length;
    std::optional<Control> spacing;
    Control position;
};
const std::array<TableRow, 8>& tableRows();

} // namespace tarvo
