// SPDX-License-Identifier: GPL-3.0-or-later
// The seam between the design operations and a window: the only way the engine reads or writes
// the controls. The Qt main window and the in-memory form both implement it.
#pragma once

#include "design/controls.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarvo {

class Form {
public:
    virtual ~Form() = default;

    virtual std::string text(Control box) const = 0;
    /// Writes a box's text; callers have already cut it to limitOf(box) (see box_text.h).
    virtual void setText(Control box, std::string_view text) = 0;
    virtual bool isVisible(Control control) const = 0;
    virtual void setVisible(Control control, bool visible) = 0;
    /// 0x00BBGGRR or a system colour reference 0x800000nn.
    virtual std::uint32_t foreColor(Control control) const = 0;
    virtual void setForeColor(Control control, std::uint32_t color) = 0;
    virtual bool isSelected(Control option) const = 0;
    /// The text of the list's selected entry, or nothing when no entry is selected.
    virtual std::optional<std::string> selectedEntry(Control list) const = 0;
    /// The user's locale's decimal separator, in which the boxes show and read numbers.
    virtual std::string decimalSeparator() const = 0;

protected:
    Form() = default;
    Form(const Form&) = default;
    Form& operator=(const Form&) = default;
};

} // namespace tarvo
