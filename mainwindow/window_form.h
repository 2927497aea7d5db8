// SPDX-License-Identifier: GPL-3.0-or-later
// The Form over the main window's real widgets, reached by control name.
#pragma once

#include "design/form.h"

#include <QColor>
#include <QPalette>
#include <array>
#include <string>

class QWidget;

namespace tarvo {

/// A colour of the window's table (0x00BBGGRR or a system colour reference) as the palette
/// shows it: 0x8000000D the highlight colour, 0x80000007 the menu text, 0x80000008 window text.
QColor resolveColor(std::uint32_t color, const QPalette& palette);

class WindowForm final : public Form {
public:
    /// The widgets in the order of enum Control, filled in by the window that owns them both.
    /// `decimalSeparator`: the user's, taken once when the window opens.
    WindowForm(const std::array<QWidget*, controlCount>& widgets, std::string decimalSeparator);

    std::string text(Control box) const override;
    void setText(Control box, std::string_view text) override;
    bool isVisible(Control control) const override;
    void setVisible(Control control, bool visible) override;
    std::uint32_t foreColor(Control control) const override;
    void setForeColor(Control control, std::uint32_t color) override;
    bool isSelected(Control option) const override;
    std::optional<std::string> selectedEntry(Control list) const override;
    std::string decimalSeparator() const override;

private:
    QWidget* widget(Control control) const { return m_widgets[static_cast<std::size_t>(control)]; }

    const std::array<QWidget*, controlCount>& m_widgets;
    std::string m_separator;
};

} // namespace tarvo
