// SPDX-License-Identifier: GPL-3.0-or-later
// Plays script events on the real main window through real widgets: typing into the frequency
// box, mouse clicks on options, commands and list entries. Faults are collected instead of
// shown in a message box.
#pragma once

#include "mainwindow/main_window.h"
#include "replay/event_target.h"

#include <QLineEdit>
#include <QListWidget>
#include <QTest>

namespace tarvo::test {

class WindowTarget final : public EventTarget {
public:
    explicit WindowTarget(MainWindow& window)
        : m_window(window) {
        m_window.setFaultReporter([this](QWidget*, const std::exception& error) {
            const auto* fault = dynamic_cast<const Fault*>(&error);
            m_fault = FaultReport{fault != nullptr ? fault->kind() : FaultKind::InvalidOperation,
                                  error.what()};
        });
    }

    std::optional<FaultReport> type(std::string_view text) override {
        auto* box = qobject_cast<QLineEdit*>(m_window.control(Control::Text17));
        box->setFocus();
        box->selectAll();
        QTest::keyClick(box, Qt::Key_Delete);
        QTest::keyClicks(box, QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
        return take();
    }

    std::optional<FaultReport> click(Control control) override {
        QTest::mouseClick(m_window.control(control), Qt::LeftButton);
        return take();
    }

    std::optional<FaultReport> select(Control list, std::string_view entry) override {
        auto* listWidget = qobject_cast<QListWidget*>(m_window.control(list));
        const auto items = listWidget->findItems(
            QString::fromUtf8(entry.data(), static_cast<qsizetype>(entry.size())),
            Qt::MatchExactly);
        if (items.isEmpty()) {
            return FaultReport{FaultKind::Conversion, "no such entry"};
        }
        listWidget->scrollToItem(items.front());
        QTest::mouseClick(listWidget->viewport(), Qt::LeftButton, {},
                          listWidget->visualItemRect(items.front()).center());
        return take();
    }

    const Form& form() const override { return m_window.form(); }

private:
    std::optional<FaultReport> take() { return std::exchange(m_fault, std::nullopt); }

    MainWindow& m_window;
    std::optional<FaultReport> m_fault;
};

} // namespace tarvo::test
