// SPDX-License-Identifier: GPL-3.0-or-later
// The main window through its real widgets: start state, layout, tab order, the worked example
// by clicks, faults in a message box, the list re-click, and PRINT.
#include "design/diameter_tables.h"
#include "design/faults.h"
#include "mainwindow/layout.h"
#include "mainwindow/main_window.h"
#include "mainwindow/printing.h"
#include "window_target.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <QTimer>

namespace tarvo {
namespace {

using enum Control;

QString textOf(const MainWindow& window, Control box) {
    return QString::fromStdString(window.form().text(box));
}

/// Clicks a widget while a modal message box may come up; gives the box's text and closes it.
QString clickExpectingMessage(QWidget* widget) {
    QString message;
    QTimer::singleShot(0, [&message] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            message = box->text();
            box->accept();
        }
    });
    QTest::mouseClick(widget, Qt::LeftButton);
    return message;
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<MainWindow> m_window;

    MainWindow& window() { return *m_window; }

private slots:
    void init() {
        m_window = std::make_unique<MainWindow>();
        m_window->show();
        QApplication::setActiveWindow(m_window.get());
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }
    void cleanup() { m_window.reset(); }

    void startsAsLaidOut() {
        QCOMPARE(window().windowTitle(), QString("TARVO"));
        QCOMPARE(window().size(), QSize(591, 460));
        QVERIFY(window().minimumSize() == window().maximumSize());
        QCOMPARE(textOf(window(), Text17), QString("0.0"));
        QCOMPARE(textOf(window(), Text37), QString("0"));
        QCOMPARE(textOf(window(), Text29), QString("INCHES"));
        QCOMPARE(textOf(window(), Text9), QString());
        for (const Control hidden : {Text30, List1, Text32, List2, Text34}) {
            QVERIFY2(window().control(hidden)->isHidden(), nameOf(hidden).data());
        }
        QVERIFY(!qobject_cast<QRadioButton*>(window().control(Option1))->isChecked());
        QVERIFY(!qobject_cast<QRadioButton*>(window().control(Option2))->isChecked());
        QCOMPARE(QApplication::focusWidget(), window().control(Text9));
    }

    void everyControlIsNamedAndPlaced() {
        for (const ControlInfo& info : allControls()) {
            QWidget* widget = window().findChild<QWidget*>(QString::fromUtf8(info.name.data()));
            QVERIFY2(widget != nullptr, info.name.data());
            const Placement& place = placementOf(info.control);
            QCOMPARE(widget->geometry(), QRect(pixels(place.left), pixels(place.top),
                                               pixels(place.width), pixels(place.height)));
        }
        QCOMPARE(window().control(Text17)->geometry(), QRect(456, 48, 89, 33));
        QCOMPARE(window().control(Text14)->height(), 27);
        const QFont title = window().control(Text20)->font();
        QCOMPARE(title.pointSizeF(), 18.0);
        QVERIFY(title.bold() && title.italic());
        QCOMPARE(qobject_cast<QLineEdit*>(window().control(Text11))->maxLength(), 7);
        QCOMPARE(qobject_cast<QLineEdit*>(window().control(Text19))->maxLength(), 6);
        QCOMPARE(qobject_cast<QListWidget*>(window().control(List1))->count(), 9);
        QCOMPARE(qobject_cast<QListWidget*>(window().control(List2))->count(), 33);
    }

    void noCaptionIsClipped() {
        for (const ControlInfo& info : allControls()) {
            QWidget* widget = window().control(info.control);
            if (auto* line = qobject_cast<QLineEdit*>(widget); line && !line->text().isEmpty()) {
                const int room = line->contentsRect().width() - 4;
                QVERIFY2(line->fontMetrics().horizontalAdvance(line->text()) <= room,
                         info.name.data());
            } else if (auto* edit = qobject_cast<QTextEdit*>(widget)) {
                // The closing CR LF leaves an empty last line, which shows nothing.
                QTextBlock last = edit->document()->lastBlock();
                while (last.isValid() && last.text().isEmpty()) {
                    last = last.previous();
                }
                const QRectF bottom = edit->document()->documentLayout()->blockBoundingRect(last);
                QVERIFY2(bottom.bottom() <= edit->viewport()->height(), info.name.data());
            } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
                QVERIFY2(button->sizeHint().width() <= button->width() + 8, info.name.data());
                QVERIFY2(button->sizeHint().height() <= button->height() + 8, info.name.data());
            }
        }
    }

    void tabSkipsEveryCaption() {
        QWidget* start = QApplication::focusWidget();
        QCOMPARE(start, window().control(Text9));
        QStringList visited;
        for (int step = 0; step < 60; ++step) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QWidget* now = QApplication::focusWidget();
            if (now == start) {
                break;
            }
            visited << now->objectName();
        }
        for (const ControlInfo& info : allControls()) {
            const QString name = QString::fromUtf8(info.name.data());
            if (info.kind == ControlKind::Caption) {
                QVERIFY2(!visited.contains(name), qPrintable(name));
            } else if (info.kind == ControlKind::TextBox || info.kind == ControlKind::Button) {
                QVERIFY2(visited.contains(name) || info.control == Text9, qPrintable(name));
            }
        }
        QCOMPARE(visited.mid(0, 9), QStringList({"Text10", "Text11", "Text12", "Text13", "Text14",
                                                 "Text15", "Text16", "Text17", "Command1"}));
    }

    void workedExampleByClicks() {
        test::WindowTarget target(window());
        QVERIFY(!target.type("144"));
        QVERIFY(!target.click(Option2));
        QVERIFY(window().control(List1)->isVisible());
        QVERIFY(!target.select(List1, "1"));
        QVERIFY(!target.click(Command1));

        const std::pair<Control, const char*> expected[] = {
            {Text9, "89.35"},    {Text10, "85.655"},  {Text11, "36.2771"}, {Text16, "35.1547"},
            {Text22, "17.5162"}, {Text25, "31.5580"}, {Text33, "26.0026"}, {Text43, "110.631"},
            {Text45, "163.570"}, {Text19, "0.7751"},  {Text35, "0.9331"},  {Text29, "INCHES"},
        };
        for (const auto& [box, text] : expected) {
            QCOMPARE(textOf(window(), box), QString(text));
        }
        QVERIFY(window().control(Text30)->isHidden());
        // A written box shows the start of its text.
        QCOMPARE(qobject_cast<QLineEdit*>(window().control(Text43))->cursorPosition(), 0);

        QVERIFY(!target.click(Command4));
        QCOMPARE(textOf(window(), Text9), QString("226.948"));
        QCOMPARE(textOf(window(), Text19), QString("1.9687"));
        QCOMPARE(textOf(window(), Text35), QString("2.3702"));
        QCOMPARE(textOf(window(), Text45), QString("415.468"));
        QCOMPARE(textOf(window(), Text29), QString("CM"));
    }

    void computeAtStartShowsDivisionByZero() {
        const QString message = clickExpectingMessage(window().control(Command1));
        QCOMPARE(message, QString("Division by zero."));
        QCOMPARE(textOf(window(), Text29), QString("INCHES"));
        QVERIFY(!window().control(Text30)->isHidden());
        QCOMPARE(textOf(window(), Text9), QString());
        QCOMPARE(textOf(window(), Text17), QString("0.0"));
        // The window goes on working.
        test::WindowTarget target(window());
        QVERIFY(!target.type("432"));
        QVERIFY(!target.click(Command1));
        QVERIFY(!textOf(window(), Text9).isEmpty());
    }

    void faultMessagesNameTheKind_data() {
        QTest::addColumn<QString>("frequency");
        QTest::addColumn<QString>("message");
        QTest::newRow("not a number") << "14x4"
                                      << "The frequency is not a number: \"14x4\".";
        QTest::newRow("negative") << "-144"
                                  << "The frequency must be greater than 0 MHz.";
        QTest::newRow("too large") << "1e39"
                                   << "Overflow: the number 1e39 is too large.";
        QTest::newRow("too long for the box")
            << "0.001"
            << "Overflow: the number 1.28664E+07 does not fit into Text9.";
    }
    void faultMessagesNameTheKind() {
        QFETCH(QString, frequency);
        QFETCH(QString, message);
        auto* box = qobject_cast<QLineEdit*>(window().control(Text17));
        box->setText(frequency);
        QCOMPARE(clickExpectingMessage(window().control(Command1)), message);
    }

    void aBoomTooThickForTheFrequencyIsReportedAtDirectorOne() {
        test::WindowTarget target(window());
        QVERIFY(!target.type("144"));
        QVERIFY(!target.click(Option2));
        QVERIFY(!target.select(List2, "51"));
        QVERIFY(!target.click(Command1));
        QVERIFY(!target.type("1296"));
        const auto fault = target.click(Command1);
        QVERIFY(fault.has_value());
        QCOMPARE(fault->kind, FaultKind::OutOfRange);
        QCOMPARE(QString::fromStdString(fault->message),
                 QString("The boom is too thick for this frequency: with its correction DIR 1 "
                         "would be shorter than zero."));
        QCOMPARE(textOf(window(), Text9), QString("9.92777"));
        QCOMPARE(textOf(window(), Text11), QString("36.6228")); // 144 MHz with 51 mm, kept
        QCOMPARE(textOf(window(), Text22), QString("17.5162"));
    }

    void enterPressesTheFocusedButton_data() {
        QTest::addColumn<int>("key");
        QTest::newRow("Return") << int(Qt::Key_Return);
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter);
    }
    void enterPressesTheFocusedButton() {
        QFETCH(int, key);
        test::WindowTarget target(window());
        QVERIFY(!target.type("144"));
        QWidget* compute = window().control(Command1);
        compute->setFocus();
        const auto modifiers = key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier;
        QTest::keyClick(compute, static_cast<Qt::Key>(key), modifiers);
        QCOMPARE(textOf(window(), Text9), QString("89.35"));
        QWidget* metric = window().control(Command4);
        metric->setFocus();
        QTest::keyClick(metric, static_cast<Qt::Key>(key), modifiers);
        QCOMPARE(textOf(window(), Text29), QString("CM"));
        // Enter in the frequency box presses nothing.
        QVERIFY(!target.type("432"));
        window().control(Text17)->setFocus();
        QTest::keyClick(window().control(Text17), Qt::Key_Return);
        QCOMPARE(textOf(window(), Text9), QString("226.948"));
    }

    void aHugePasteGivesAShortMessage() {
        const QString pasted(1 << 20, QChar('7'));
        qobject_cast<QLineEdit*>(window().control(Text17))->setText(pasted + "x");
        const QString message = clickExpectingMessage(window().control(Command1));
        QCOMPARE(message, "The frequency is not a number: \"" + pasted.left(40) + "...\".");
    }

    // The window reads numbers as tarvo-cli does: a comma under de_DE.UTF-8, and under a locale
    // that this machine has not generated the "C" locale's point, whatever the locale's name.
    void numbersFollowTheSameLocaleAsTarvoCli_data() {
        QTest::addColumn<QByteArray>("locale");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("good");
        QTest::addColumn<QString>("bad");
        QTest::addColumn<QString>("reflector");
        QTest::newRow("German") << QByteArray("de_DE.UTF-8") << "0,0"
                                << "144,5"
                                << "144.5"
                                << "89,0408";
        QTest::newRow("not generated") << QByteArray("fr_FR.UTF-8") << "0.0"
                                       << "144.5"
                                       << "144,5"
                                       << "89.0408";
    }
    void numbersFollowTheSameLocaleAsTarvoCli() {
        QFETCH(QByteArray, locale);
        QFETCH(QString, start);
        QFETCH(QString, good);
        QFETCH(QString, bad);
        QFETCH(QString, reflector);
        const QByteArray before = qgetenv("LC_ALL");
        qputenv("LC_ALL", locale);
        MainWindow localised;
        qputenv("LC_ALL", before);
        localised.show();
        QCOMPARE(textOf(localised, Text17), start);
        auto* box = qobject_cast<QLineEdit*>(localised.control(Text17));
        box->setText(bad);
        QCOMPARE(clickExpectingMessage(localised.control(Command1)),
                 "The frequency is not a number: \"" + bad + "\".");
        box->setText(good);
        QCOMPARE(clickExpectingMessage(localised.control(Command1)), QString());
        QCOMPARE(textOf(localised, Text9), reflector);
    }

    void reclickingTheHighlightedInchEntryTakesItAgain() {
        test::WindowTarget target(window());
        QVERIFY(!target.type("144"));
        QVERIFY(!target.click(Option2));
        QVERIFY(!target.select(List1, "1"));
        QVERIFY(!target.select(List2, "51"));
        QCOMPARE(window().state().b, 51 * 0.0394F);
        QVERIFY(!target.select(List1, "1")); // still highlighted: no selection change
        QCOMPARE(window().state().b, 1.0F);
        QCOMPARE(window().form().foreColor(Text32), colors::highlight);
        QCOMPARE(window().form().foreColor(Text34), colors::menuText);
    }

    void keyboardSelectionIsAClickToo() {
        test::WindowTarget target(window());
        QVERIFY(!target.click(Option2));
        auto* list = qobject_cast<QListWidget*>(window().control(List1));
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Down);
        QVERIFY(list->currentRow() > 0);
        const InchDiameter& row = inchDiameters[static_cast<std::size_t>(list->currentRow())];
        QCOMPARE(list->currentItem()->text().toStdString(), std::string(row.entry));
        QCOMPARE(window().state().b, row.inches);
    }

    void optionsFormOneGroup() {
        test::WindowTarget target(window());
        QVERIFY(!target.click(Option2));
        QVERIFY(!target.click(Option1));
        QVERIFY(!window().form().isSelected(Option2));
        QVERIFY(window().form().isSelected(Option1));
        QVERIFY(window().control(List1)->isHidden());
        QCOMPARE(window().state().x, 0.00001F);
    }

    void printsTheWindowOnAPdfPrinter() {
        QTemporaryDir folder;
        const QString path = folder.filePath("tarvo.pdf");
        window().setPrinterSource([path] {
            auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
            printer->setOutputFormat(QPrinter::PdfFormat);
            printer->setOutputFileName(path);
            return printer;
        });
        test::WindowTarget target(window());
        QVERIFY(!target.type("144"));
        QVERIFY(!target.click(Command1));
        QVERIFY(!target.click(Command4));
        QVERIFY(!target.click(Command3));

        QFile pdf(path);
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        const QByteArray content = pdf.readAll();
        QVERIFY(content.startsWith("%PDF"));
        QVERIFY2(content.contains("/Width 2364") && content.contains("/Height 1840"),
                 "the window's picture at four times its size");

        const QImage picture = window().picture(printScale);
        QCOMPARE(picture.size(), QSize(591 * printScale, 460 * printScale));
        QSet<QRgb> colours;
        for (int y = 0; y < picture.height(); y += 7) {
            for (int x = 0; x < picture.width(); x += 7) {
                colours.insert(picture.pixel(x, y));
            }
        }
        QVERIFY2(colours.size() > 20, "the picture is not blank");
        QCOMPARE(textOf(window(), Text29), QString("CM"));
    }

    void aPrinterThatCannotBeOpenedIsReported() {
        window().setPrinterSource([] {
            auto printer = std::make_unique<QPrinter>();
            printer->setOutputFormat(QPrinter::PdfFormat);
            printer->setOutputFileName("/nonexistent/folder/tarvo.pdf");
            return printer;
        });
        const QString message = clickExpectingMessage(window().control(Command3));
        QCOMPARE(message, QString("The printer /nonexistent/folder/tarvo.pdf cannot be opened."));
    }

    void noDefaultPrinterIsReported() {
        const QString message = clickExpectingMessage(window().control(Command3));
        QCOMPARE(message, QString("There is no default printer to print on."));
        QCOMPARE(textOf(window(), Text17), QString("0.0"));
    }
};

} // namespace tarvo

QTEST_MAIN(tarvo::MainWindowTest)
#include "main_window_test.moc"
