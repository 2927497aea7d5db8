// SPDX-License-Identifier: GPL-3.0-or-later
#include "replay/state_dump.h"

#include <array>
#include <cstdio>

namespace tarvo {
namespace {

using enum Control;

constexpr std::array texts{Text17, Text9,  Text10, Text11, Text12, Text13, Text14, Text15, Text16,
                           Text22, Text24, Text25, Text26, Text27, Text31, Text33, Text37, Text39,
                           Text40, Text41, Text42, Text43, Text44, Text45, Text19, Text35, Text29};
constexpr std::array visibilities{Text30, List1, Text32, List2, Text34};
constexpr std::array colours{Text32, Text34};
constexpr std::array options{Option1, Option2};

std::string hex(std::uint32_t value) {
    std::array<char, 9> buffer{};
    std::snprintf(buffer.data(), buffer.size(), "%08X", value);
    return buffer.data();
}

} // namespace

std::string dumpState(const Form& form) {
    std::string out;
    const auto line = [&out](Control control, std::string_view property, std::string_view value) {
        out += nameOf(control);
        out += property;
        out += '=';
        out += value;
        out += '\n';
    };
    for (const Control box : texts) {
        line(box, "", form.text(box));
    }
    for (const Control control : visibilities) {
        line(control, ".Visible", form.isVisible(control) ? "1" : "0");
    }
    for (const Control control : colours) {
        line(control, ".ForeColor", hex(form.foreColor(control)));
    }
    for (const Control option : options) {
        line(option, ".Value", form.isSelected(option) ? "1" : "0");
    }
    out += "end\n";
    return out;
}

} // namespace tarvo
