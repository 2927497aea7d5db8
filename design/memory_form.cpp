// SPDX-License-Identifier: GPL-3.0-or-later
#include "design/memory_form.h"

#include "design/operations.h"

#include <algorithm>
#include <stdexcept>

namespace tarvo {

MemoryForm::MemoryForm(std::string decimalSeparator)
    : m_separator(std::move(decimalSeparator)) {
    for (const ControlInfo& info : allControls()) {
        State& state = at(info.control);
        state.text = startTextOf(info.control, m_separator);
        state.visible = info.initiallyVisible;
        state.foreColor = info.initialForeColor;
    }
}

std::string MemoryForm::text(Control box) const {
    return at(box).text;
}

void MemoryForm::setText(Control box, std::string_view text) {
    const std::size_t limit = limitOf(box);
    if (limit != 0 && text.size() > limit) {
        // The engine cuts every number text to its box first; a longer one is a fault of ours.
        throw std::logic_error("a text of " + std::to_string(text.size()) + " characters for " +
                               std::string(nameOf(box)) + ", which holds " + std::to_string(limit));
    }
    at(box).text = std::string(text);
}

bool MemoryForm::isVisible(Control control) const {
    return at(control).visible;
}

void MemoryForm::setVisible(Control control, bool visible) {
    at(control).visible = visible;
}

std::uint32_t MemoryForm::foreColor(Control control) const {
    return at(control).foreColor;
}

void MemoryForm::setForeColor(Control control, std::uint32_t color) {
    at(control).foreColor = color;
}

bool MemoryForm::isSelected(Control option) const {
    return at(option).selected;
}

std::optional<std::string> MemoryForm::selectedEntry(Control list) const {
    return at(list).entry;
}

void MemoryForm::selectOption(Control option) {
    at(Control::Option1).selected = option == Control::Option1;
    at(Control::Option2).selected = option == Control::Option2;
}

bool MemoryForm::selectEntry(Control list, std::string_view entry) {
    const auto entries = listEntries(list);
    if (std::find(entries.begin(), entries.end(), entry) == entries.end()) {
        return false;
    }
    at(list).entry = std::string(entry);
    return true;
}

} // namespace tarvo
