// SPDX-License-Identifier: GPL-3.0-or-later
// A Form held in memory, starting as the main window starts. Serves the headless front and tests.
#pragma once

#include "design/form.h"

#include <array>
#include <optional>
#include <string>

namespace tarvo {

class MemoryForm final : public Form {
public:
    explicit MemoryForm(std::string decimalSeparator = ".");

    std::string text(Control box) const override;
    /// Throws std::logic_error for a text longer than the box's limit: callers cut first.
    void setText(Control box, std::string_view text) override;
    bool isVisible(Control control) const override;
    void setVisible(Control control, bool visible) override;
    std::uint32_t foreColor(Control control) const override;
    void setForeColor(Control control, std::uint32_t color) override;
    bool isSelected(Control option) const override;
    std::optional<std::string> selectedEntry(Control list) const override;
    std::string decimalSeparator() const override { return m_separator; }

    /// Selects an option button and clears the other one of the group.
    void selectOption(Control option);
    /// Selects the list entry with exactly this text; false when the list has no such entry.
    bool selectEntry(Control list, std::string_view entry);

private:
    struct State {
        std::string text;
        bool visible{};
        std::uint32_t foreColor{};
        bool selected{};
        std::optional<std::string> entry;
    };
    State& at(Control control) { return m_controls[static_cast<std::size_t>(control)]; }
    const State& at(Control control) const { return m_controls[static_cast<std::size_t>(control)]; }

    std::array<State, controlCount> m_controls;
    std::string m_separator;
};

} // namespace tarvo
