// SPDX-License-Identifier: GPL-3.0-or-later
// A window that takes the user's events one at a time: what a script plays on. The in-memory
// window below and the real Qt window (in its tests) both implement it.
#pragma once

#include "design/controls.h"
#include "design/faults.h"
#include "design/form.h"

#include <optional>
#include <string>
#include <string_view>

namespace tarvo {

/// What a front reports about a fault that stopped an event's operation.
struct FaultReport {
    FaultKind kind;
    std::string message;
};

class EventTarget {
public:
    virtual ~EventTarget() = default;
    /// The frequency box now holds `text`.
    virtual std::optional<FaultReport> type(std::string_view text) = 0;
    /// A click on an option button or a command; an option already selected does nothing.
    virtual std::optional<FaultReport> click(Control control) = 0;
    /// Selects the entry of a list and delivers the list's Click, even when already selected.
    virtual std::optional<FaultReport> select(Control list, std::string_view entry) = 0;
    virtual const Form& form() const = 0;

protected:
    EventTarget() = default;
    EventTarget(const EventTarget&) = default;
    EventTarget& operator=(const EventTarget&) = default;
};

} // namespace tarvo
