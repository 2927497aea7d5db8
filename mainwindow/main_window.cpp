// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/main_window.h"

#include "design/decimal_separator.h"
#include "design/faults.h"
#include "design/operations.h"
#include "mainwindow/layout.h"
#include "mainwindow/printing.h"
#include "weblink/web_link_window.h"
#include "weblink/window_font.h"

#include <QEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QTextEdit>

#include <algorithm>
#include <limits>
#include <vector>

namespace tarvo {
namespace {

using enum Control;

QRect geometryOf(const Placement& p) {
    return {pixels(p.left), pixels(p.top), pixels(p.width), pixels(p.height)};
}

Qt::Alignment alignmentOf(Align align) {
    switch (align) {
    case Align::Centre:
        return Qt::AlignHCenter;
    case Align::Right:
        return Qt::AlignRight;
    case Align::Left:
        break;
    }
    return Qt::AlignLeft;
}

QString qText(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

/// A text box; a caption is one too, light grey and no tab stop, editable to no effect.
QWidget* makeTextBox(const ControlInfo& info, const Placement& place, QWidget* parent) {
    const bool caption = info.kind == ControlKind::Caption;
    QWidget* widget = nullptr;
    if (place.multiLine) {
        auto* edit = new QTextEdit(parent);
        edit->setAcceptRichText(false);
        edit->setLineWrapMode(QTextEdit::WidgetWidth);
        edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        edit->setFrameShape(QFrame::NoFrame);
        edit->document()->setDocumentMargin(1);
        edit->setTabChangesFocus(true);
        edit->setAlignment(alignmentOf(place.align));
        widget = edit;
    } else {
        auto* line = new QLineEdit(parent);
        line->setMaxLength(info.limit == 0 ? std::numeric_limits<int>::max()
                                           : static_cast<int>(info.limit));
        line->setAlignment(alignmentOf(place.align) | Qt::AlignVCenter);
        if (caption) {
            line->setFrame(false);
            line->setTextMargins(0, 0, 0, 0);
        }
        widget = line;
    }
    if (caption) {
        widget->setFocusPolicy(Qt::ClickFocus);
        QPalette palette = widget->palette();
        palette.setColor(QPalette::Base, resolveColor(colors::lightGrey, palette));
        widget->setPalette(palette);
    }
    return widget;
}

QWidget* makeControl(const ControlInfo& info, const Placement& place, QWidget* parent) {
    switch (info.kind) {
    case ControlKind::TextBox:
    case ControlKind::Caption:
        return makeTextBox(info, place, parent);
    case ControlKind::ListBox: {
        auto* list = new QListWidget(parent);
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        for (const std::string& entry : listEntries(info.control)) {
            list->addItem(qText(entry));
        }
        return list;
    }
    case ControlKind::OptionButton:
        return new QRadioButton(qText(info.initialText), parent);
    case ControlKind::Button: {
        // At 8.25 pt CONVERT TO METRIC does not fit its button on one line.
        const QString caption =
            info.control == Command4 ? "CONVERT TO\nMETRIC" : qText(info.initialText);
        auto* button = new QPushButton(caption, parent);
        button->setAutoDefault(false);
        return button;
    }
    }
    return nullptr;
}

} // namespace

void showFaultMessage(QWidget* window, const std::exception& fault) {
    QMessageBox::critical(window, "TARVO", QString::fromUtf8(fault.what()));
}

MainWindow::MainWindow(QWidget* parent)
    : QWidget(parent)
    , m_form(m_widgets, userDecimalSeparator())
    , m_reportFault(showFaultMessage)
    , m_printerSource(defaultPrinter) {
    build();
    connectClicks();
}

MainWindow::~MainWindow() = default;

void MainWindow::build() {
    setObjectName("TARVO");
    setWindowTitle("TARVO");
    setFixedSize(pixels(windowWidthTwips), pixels(windowHeightTwips));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, resolveColor(colors::lightGrey, palette));
    setPalette(palette);
    setAutoFillBackground(true);
    substituteWindowFont();
    QFont windowFont("MS Sans Serif");
    windowFont.setPointSizeF(windowFontPoints);
    // Every character the window shows is in its font: no fallback fonts need to be found.
    windowFont.setStyleStrategy(QFont::NoFontMerging);
    setFont(windowFont);

    for (const ControlInfo& info : allControls()) {
        const Placement& place = placementOf(info.control);
        QWidget* widget = makeControl(info, place, this);
        widget->setObjectName(qText(info.name));
        widget->setGeometry(geometryOf(place));
        QFont font = windowFont;
        font.setPointSizeF(place.points);
        font.setBold(place.bold);
        font.setItalic(place.italic);
        widget->setFont(font);
        m_widgets[static_cast<std::size_t>(info.control)] = widget;
    }

    // Tab order: the tab indexes of the table, captions skipped by their focus policy.
    std::vector<Control> order;
    for (const ControlInfo& info : allControls()) {
        order.push_back(info.control);
    }
    std::sort(order.begin(), order.end(), [](Control a, Control b) {
        return placementOf(a).tabIndex < placementOf(b).tabIndex;
    });
    for (std::size_t i = 1; i < order.size(); ++i) {
        setTabOrder(control(order[i - 1]), control(order[i]));
    }

    for (const ControlInfo& info : allControls()) {
        QWidget* widget = control(info.control);
        m_form.setForeColor(info.control, info.initialForeColor);
        m_form.setText(info.control, startTextOf(info.control, m_form.decimalSeparator()));
        widget->setVisible(info.initiallyVisible);
    }
    control(Text9)->setFocus();
}

void MainWindow::connectClicks() {
    for (const Control button : {Command1, Command2, Command3, Command4}) {
        control(button)->installEventFilter(this);
    }
    connect(qobject_cast<QPushButton*>(control(Command1)), &QPushButton::clicked, this,
            [this] { click(Command1); });
    connect(qobject_cast<QPushButton*>(control(Command2)), &QPushButton::clicked, this,
            [this] { runGuarded([] { showWebLinkWindow(); }); });
    connect(qobject_cast<QPushButton*>(control(Command3)), &QPushButton::clicked, this,
            [this] { runGuarded([this] { print(); }); });
    connect(qobject_cast<QPushButton*>(control(Command4)), &QPushButton::clicked, this,
            [this] { click(Command4); });
    for (const Control option : {Option1, Option2}) {
        // An option's Click arrives when it becomes selected.
        connect(qobject_cast<QRadioButton*>(control(option)), &QRadioButton::toggled, this,
                [this, option](bool selected) {
                    if (selected) {
                        click(option);
                    }
                });
    }
    for (const Control listControl : {List1, List2}) {
        auto* list = qobject_cast<QListWidget*>(control(listControl));
        const std::size_t slot = listControl == List1 ? 0 : 1;
        list->viewport()->installEventFilter(this);
        connect(list, &QListWidget::itemSelectionChanged, this,
                [this, listControl] { click(listControl); });
        // A click on the entry already selected changes no selection but is a Click all the
        // same: after a millimetre choice it takes the highlighted inch entry again.
        connect(list, &QListWidget::itemClicked, this,
                [this, list, listControl, slot](QListWidgetItem* item) {
                    if (list->row(item) == m_rowBeforePress[slot] && item->isSelected()) {
                        click(listControl);
                    }
                });
    }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        // Enter presses the focused button, as Space does, like the buttons this window follows.
        const int key = static_cast<QKeyEvent*>(event)->key();
        auto* button = qobject_cast<QPushButton*>(watched);
        if (button != nullptr && (key == Qt::Key_Return || key == Qt::Key_Enter) &&
            (static_cast<QKeyEvent*>(event)->modifiers() & ~Qt::KeypadModifier) == 0) {
            button->click();
            return true;
        }
    }
    if (event->type() == QEvent::MouseButtonPress) {
        for (const Control listControl : {List1, List2}) {
            auto* list = qobject_cast<QListWidget*>(control(listControl));
            if (watched == list->viewport()) {
                const auto* item =
                    list->selectedItems().isEmpty() ? nullptr : list->selectedItems().front();
                m_rowBeforePress[listControl == List1 ? 0 : 1] = item ? list->row(item) : -1;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::click(Control control) {
    if (!runGuarded([this, control] { runDesignClick(control, m_form, m_state); })) {
        if (control == Command1) {
            emit computeFailed();
        }
        return;
    }
    if (control == Command1) {
        emit computed();
    } else if (control == Command4) {
        emit converted();
    }
}

bool MainWindow::runGuarded(const std::function<void()>& operation) {
    try {
        operation();
        return true;
    } catch (const std::exception& fault) {
        m_reportFault(this, fault);
        return false;
    }
}

void MainWindow::print() {
    const std::unique_ptr<QPrinter> printer = m_printerSource();
    printPicture(picture(printScale), *printer);
}

QImage MainWindow::picture(int scale) {
    QImage image(size() * scale, QImage::Format_RGB32);
    image.setDevicePixelRatio(scale);
    image.fill(palette().color(QPalette::Window));
    QPainter painter(&image);
    render(&painter);
    return image;
}

} // namespace tarvo
