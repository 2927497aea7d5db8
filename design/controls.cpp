// SPDX-License-Identifier: GPL-3.0-or-later
#include "design/controls.h"

#include <algorithm>

namespace tarvo {
namespace {

using enum Control;
using enum ControlKind;
using namespace colors;

constexpr std::string_view helpText =
    "FOR 144 MHZ USE AWG 12 (2mm) SOLID WIRE and 3/16 (5mm)  ROD FOR DIRECTORS.\r\n"
    "AT 432 use AWG 14 (1.6mm) and 1/8 (3mm)  rods\r\n"
    "AT 906 and 1296 use AWG 18 wire (1mm) and 1/16 (1.5mm) rods\r\n"
    "A NON-METALLIC BOOM IS PREFERRED BUT IF USING A  METALLIC BOOM, THE DIRECTORS MUST BE "
    "INSULATED FROM THE BOOM\r\n";

constexpr std::array<ControlInfo, controlCount> controls{{
    // Element captions of the results table.
    {Text1, "Text1", Caption, 0, "REFLECTOR", true, windowText},
    {Text2, "Text2", Caption, 0, "DRIVEN", true, windowText},
    {Text3, "Text3", Caption, 0, "DIR 1", true, windowText},
    {Text4, "Text4", Caption, 0, "DIR 2", true, windowText},
    {Text5, "Text5", Caption, 0, "DIR 3", true, windowText},
    {Text6, "Text6", Caption, 0, "DIR 4", true, windowText},
    {Text7, "Text7", Caption, 0, "DIR 5", true, windowText},
    {Text8, "Text8", Caption, 0, "DIR 6", true, windowText},
    // Length column.
    {Text9, "Text9", TextBox, 7, "", true, highlight},
    {Text10, "Text10", TextBox, 7, "", true, highlight},
    {Text11, "Text11", TextBox, 7, "", true, highlight},
    {Text12, "Text12", TextBox, 7, "", true, highlight},
    {Text13, "Text13", TextBox, 7, "", true, highlight},
    {Text14, "Text14", TextBox, 7, "", true, highlight},
    {Text15, "Text15", TextBox, 7, "", true, highlight},
    {Text16, "Text16", TextBox, 7, "", true, highlight},
    {Text17, "Text17", TextBox, 0, "0.0", true, highlight},
    {Text18, "Text18", Caption, 0, "REDUCE EACH\r\nADDITIONAL DIRECTOR BY\r\n", true, windowText},
    {Text19, "Text19", TextBox, 6, "", true, windowText},
    {Text20, "Text20", Caption, 0, "TARVO ANTENNA DESIGN   by    ORMIKA", true, blue},
    {Text21, "Text21", Caption, 0, "INPUT FREQUENCY IN MHZ", true, highlight},
    {Text22, "Text22", TextBox, 7, "", true, blue},
    {Text23, "Text23", Caption, 0, "SPACING BETWEEN ELEMENTS\r\n", true, windowText},
    {Text24, "Text24", TextBox, 7, "", true, blue},
    {Text25, "Text25", TextBox, 7, "", true, blue},
    {Text26, "Text26", TextBox, 7, "", true, blue},
    {Text27, "Text27", TextBox, 7, "", true, blue},
    {Text28, "Text28", Caption, 0, helpText, true, windowText},
    {Text29, "Text29", Caption, 0, "INCHES", true, highlight},
    {Text30, "Text30", Caption, 0, "< PLEASE CHOOSE", false, red},
    {Text31, "Text31", TextBox, 7, "", true, blue},
    {Text32, "Text32", Caption, 0, "INCHES", false, windowText},
    {Text33, "Text33", TextBox, 7, "", true, blue},
    {Text34, "Text34", Caption, 0, "MM", false, menuText},
    {Text35, "Text35", TextBox, 0, "", true, windowText},
    {Text36, "Text36", Caption, 0, "REDUCE EACH \r\nADDITIONAL SPACE BY\r\n", true, windowText},
    {Text37, "Text37", TextBox, 0, "0", true, black},
    {Text38, "Text38", Caption, 0, "BOOM POSITION", true, windowText},
    // Position column.
    {Text39, "Text39", TextBox, 7, "", true, windowText},
    {Text40, "Text40", TextBox, 7, "", true, windowText},
    {Text41, "Text41", TextBox, 7, "", true, windowText},
    {Text42, "Text42", TextBox, 7, "", true, windowText},
    {Text43, "Text43", TextBox, 7, "", true, windowText},
    {Text44, "Text44", TextBox, 7, "", true, windowText},
    {Text45, "Text45", TextBox, 7, "", true, windowText},
    // Boom choice and commands.
    {List1, "List1", ListBox, 0, "", false, windowText},
    {List2, "List2", ListBox, 0, "", false, windowText},
    {Option1, "Option1", OptionButton, 0, "NON METALLIC BOOM", true, windowText},
    {Option2, "Option2", OptionButton, 0, "METALLIC BOOM", true, windowText},
    {Command1, "Command1", Button, 0, "COMPUTE", true, windowText},
    {Command2, "Command2", Button, 0, "WEBSITE", true, windowText},
    {Command3, "Command3", Button, 0, "PRINT", true, windowText},
    {Command4, "Command4", Button, 0, "CONVERT TO METRIC", true, windowText},
}};

constexpr bool declaredInOrder() {
    for (std::size_t i = 0; i < controls.size(); ++i) {
        if (static_cast<std::size_t>(controls[i].control) != i) {
            return false;
        }
    }
    return true;
}
static_assert(declaredInOrder(), "the control table must follow the order of enum Control");

constexpr std::array<TableRow, 8> rows{{
    {"REFLECTOR", Text9, Text22, Text37},
    {"DRIVEN", Text10, std::nullopt, Text39},
    {"DIR 1", Text11, Text24, Text40},
    {"DIR 2", Text12, Text25, Text41},
    {"DIR 3", Text13, Text26, Text42},
    {"DIR 4", Text14, Text27, Text43},
    {"DIR 5", Text15, Text31, Text44},
    {"DIR 6", Text16, Text33, Text45},
}};

} // namespace

const ControlInfo& infoOf(Control control) {
    return controls[static_cast<std::size_t>(control)];
}

const std::array<ControlInfo, controlCount>& allControls() {
    return controls;
}

std::string_view nameOf(Control control) {
    return infoOf(control).name;
}

std::string startTextOf(Control control, std::string_view separator) {
    if (control == Control::Text17) {
        // Built by appends: GCC 12 falsely warns (-Wrestrict) on "0" + string + "0" at -O3.
        std::string text = "0";
        text.append(separator);
        text.push_back('0');
        return text;
    }
    return std::string(infoOf(control).initialText);
}

std::optional<Control> controlNamed(std::string_view name) {
    const auto found = std::find_if(controls.begin(), controls.end(),
                                    [name](const ControlInfo& info) { return info.name == name; });
    if (found == controls.end()) {
        return std::nullopt;
    }
    return found->control;
}

const std::array<TableRow, 8>& tableRows() {
    return rows;
}

} // namespace tarvo
