// SPDX-License-Identifier: GPL-3.0-or-later
// The main window TARVO: its controls as the layout table places them, the eight Click events
// and the one place that reports a fault.
#pragma once

#include "design/design_state.h"
#include "mainwindow/window_form.h"

#include <QWidget>
#include <array>
#include <exception>
#include <functional>
#include <memory>

class QPrinter;
class QListWidget;

namespace tarvo {

class MainWindow final : public QWidget {
    Q_OBJECT

public:
    /// Reports a fault that stopped an operation; the default shows a modal message box.
    using FaultReporter = std::function<void(QWidget* window, const std::exception& fault)>;
    /// Gives the printer PRINT prints on; the default is the system's default printer.
    using PrinterSource = std::function<std::unique_ptr<QPrinter>()>;

    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    const Form& form() const { return m_form; }
    const DesignState& state() const { return m_state; }
    /// The control's widget, named after the control.
    QWidget* control(Control control) const { return m_widgets[static_cast<std::size_t>(control)]; }

    void setFaultReporter(FaultReporter reporter) { m_reportFault = std::move(reporter); }
    void setPrinterSource(PrinterSource source) { m_printerSource = std::move(source); }

    /// The window's client area as it looks now, drawn at `scale` times its size.
    QImage picture(int scale);

signals:
    /// COMPUTE finished without a fault: state() holds the new design.
    void computed();
    /// CONVERT TO METRIC finished without a fault: the boxes show the design in centimetres.
    void converted();
    /// COMPUTE stopped on a fault: what it had written stays, so the boxes may show parts of
    /// two designs.
    void computeFailed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build();
    void connectClicks();
    /// Runs one Click's operation; a fault stops it and is reported, the window stays as it is.
    bool runGuarded(const std::function<void()>& operation);
    void click(Control control);
    void print();

    std::array<QWidget*, controlCount> m_widgets{};
    WindowForm m_form;
    DesignState m_state;
    FaultReporter m_reportFault;
    PrinterSource m_printerSource;
    /// The list row under a mouse press before the press, to tell a click on the entry already
    /// selected (its Click comes with the click) from one that changes the selection.
    std::array<int, 2> m_rowBeforePress{-1, -1};
};

/// The message box every fault in the window is reported with.
void showFaultMessage(QWidget* window, const std::exception& fault);

} // namespace tarvo
