// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/window_form.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QTextEdit>
#include <QVariant>

namespace tarvo {
namespace {

// The colour a control was last given, kept as the window's table states it.
constexpr const char* foreColorProperty = "tarvoForeColor";

QString toQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

QColor resolveColor(std::uint32_t color, const QPalette& palette) {
    if ((color & 0x80000000U) != 0) {
        switch (color & 0xFFU) {
        case 0x0D:
            return palette.color(QPalette::Highlight);
        case 0x07:
            return palette.color(QPalette::WindowText); // menu text
        default:
            return palette.color(QPalette::Text); // window text
        }
    }
    return QColor(static_cast<int>(color & 0xFFU), static_cast<int>((color >> 8) & 0xFFU),
                  static_cast<int>((color >> 16) & 0xFFU));
}

WindowForm::WindowForm(const std::array<QWidget*, controlCount>& widgets,
                       std::string decimalSeparator)
    : m_widgets(widgets)
    , m_separator(std::move(decimalSeparator)) {}

std::string WindowForm::text(Control box) const {
    QWidget* w = widget(box);
    if (auto* line = qobject_cast<QLineEdit*>(w)) {
        return line->text().toStdString();
    }
    if (auto* edit = qobject_cast<QTextEdit*>(w)) {
        return edit->toPlainText().replace('\n', "\r\n").toStdString();
    }
    if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        return button->text().toStdString();
    }
    return {};
}

void WindowForm::setText(Control box, std::string_view text) {
    QWidget* w = widget(box);
    if (auto* line = qobject_cast<QLineEdit*>(w)) {
        line->setText(toQString(text));
        // Show the start of a number, not its tail.
        line->setCursorPosition(0);
    } else if (auto* edit = qobject_cast<QTextEdit*>(w)) {
        const Qt::Alignment alignment = edit->alignment();
        edit->setPlainText(toQString(text).replace("\r\n", "\n"));
        edit->selectAll();
        edit->setAlignment(alignment);
        edit->moveCursor(QTextCursor::Start);
    }
}

bool WindowForm::isVisible(Control control) const {
    return !widget(control)->isHidden();
}

void WindowForm::setVisible(Control control, bool visible) {
    widget(control)->setVisible(visible);
}

std::uint32_t WindowForm::foreColor(Control control) const {
    return widget(control)->property(foreColorProperty).toUInt();
}

void WindowForm::setForeColor(Control control, std::uint32_t color) {
    QWidget* w = widget(control);
    w->setProperty(foreColorProperty, QVariant::fromValue(color));
    QPalette palette = w->palette();
    const QColor shown = resolveColor(color, QPalette());
    for (const auto role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText}) {
        palette.setColor(role, shown);
    }
    w->setPalette(palette);
}

bool WindowForm::isSelected(Control option) const {
    const auto* button = qobject_cast<QRadioButton*>(widget(option));
    return button != nullptr && button->isChecked();
}

std::optional<std::string> WindowForm::selectedEntry(Control list) const {
    const auto* listWidget = qobject_cast<QListWidget*>(widget(list));
    if (listWidget == nullptr || listWidget->selectedItems().isEmpty()) {
        return std::nullopt;
    }
    return listWidget->selectedItems().front()->text().toStdString();
}

std::string WindowForm::decimalSeparator() const {
    return m_separator;
}

} // namespace tarvo
