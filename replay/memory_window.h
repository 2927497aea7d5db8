// SPDX-License-Identifier: GPL-3.0-or-later
// The main window without a screen: the in-memory form, the design state and the engine's Click
// routing, taking events as the real window does.
#pragma once

#include "design/design_state.h"
#include "design/memory_form.h"
#include "replay/event_target.h"

namespace tarvo {

class MemoryWindow final : public EventTarget {
public:
    explicit MemoryWindow(std::string decimalSeparator = ".");

    std::optional<FaultReport> type(std::string_view text) override;
    std::optional<FaultReport> click(Control control) override;
    std::optional<FaultReport> select(Control list, std::string_view entry) override;
    const Form& form() const override { return m_form; }
    const DesignState& state() const { return m_state; }

private:
    std::optional<FaultReport> run(Control control);

    MemoryForm m_form;
    DesignState m_state;
};

} // namespace tarvo
