// SPDX-License-Identifier: GPL-3.0-or-later
#include "replay/memory_window.h"

#include "design/operations.h"

#include <stdexcept>

namespace tarvo {

MemoryWindow::MemoryWindow(std::string decimalSeparator)
    : m_form(std::move(decimalSeparator)) {}

std::optional<FaultReport> MemoryWindow::type(std::string_view text) {
    m_form.setText(Control::Text17, text);
    return std::nullopt;
}

std::optional<FaultReport> MemoryWindow::click(Control control) {
    if (control == Control::Option1 || control == Control::Option2) {
        // An option's Click arrives only when it becomes selected.
        if (m_form.isSelected(control)) {
            return std::nullopt;
        }
        m_form.selectOption(control);
    }
    return run(control);
}

std::optional<FaultReport> MemoryWindow::select(Control list, std::string_view entry) {
    if (!m_form.selectEntry(list, entry)) {
        throw std::invalid_argument("no entry \"" + std::string(entry) + "\" in " +
                                    std::string(nameOf(list)));
    }
    return run(list);
}

std::optional<FaultReport> MemoryWindow::run(Control control) {
    if (!isDesignClick(control)) {
        throw std::invalid_argument(std::string(nameOf(control)) + " has no Click here");
    }
    try {
        runDesignClick(control, m_form, m_state);
    } catch (const Fault& fault) {
        return FaultReport{fault.kind(), fault.what()};
    }
    return std::nullopt;
}

} // namespace tarvo
