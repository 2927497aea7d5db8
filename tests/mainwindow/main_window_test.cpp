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

    // Every control's rectangle in pixels, worked from the layout's twips (15 to a pixel,
    // rounded): the twips stand in each row's comment.
    void everyControlIsNamedAndPlaced() {
        const std::pair<const char*, QRect> expected[] = {
            {"Command1", {456, 88, 89, 33}},  // 6840 1320 1335 495
            {"Command2", {464, 376, 73, 25}}, // 6960 5640 1095 375
            {"Command3", {464, 416, 73, 25}}, // 6960 6240 1095 375
            {"Command4", {456, 128, 89, 33}}, // 6840 1920 1335 495
            {"List1", {16, 104, 105, 36}},    // 240 1560 1575 540
            {"List2", {240, 104, 73, 36}},    // 3600 1560 1095 540
            {"Option1", {16, 40, 145, 25}},   // 240 600 2175 375
            {"Option2", {16, 72, 145, 25}},   // 240 1080 2175 375
            {"Text1", {0, 152, 81, 19}},      // 0 2280 1215 285
            {"Text2", {16, 184, 57, 19}},     // 240 2760 855 285
            {"Text3", {32, 216, 41, 19}},     // 480 3240 615 285
            {"Text4", {32, 248, 41, 19}},     // 480 3720 615 285
            {"Text5", {32, 280, 33, 19}},     // 480 4200 495 285
            {"Text6", {32, 312, 57, 19}},     // 480 4680 855 285
            {"Text7", {32, 344, 49, 19}},     // 480 5160 735 285
            {"Text8", {32, 376, 49, 19}},     // 480 5640 735 285
            {"Text9", {88, 144, 81, 25}},     // 1320 2160 1215 375
            {"Text10", {88, 176, 81, 25}},    // 1320 2640 1215 375
            {"Text11", {88, 208, 81, 25}},    // 1320 3120 1215 375
            {"Text12", {88, 240, 81, 25}},    // 1320 3600 1215 375
            {"Text13", {88, 272, 81, 25}},    // 1320 4080 1215 375
            {"Text14", {88, 304, 81, 27}},    // 1320 4560 1215 405
            {"Text15", {88, 336, 81, 25}},    // 1320 5040 1215 375
            {"Text16", {88, 368, 81, 25}},    // 1320 5520 1215 375
            {"Text17", {456, 48, 89, 33}},    // 6840 720 1335 495
            {"Text18", {24, 400, 89, 49}},    // 360 6000 1335 735
            {"Text19", {120, 400, 49, 25}},   // 1800 6000 735 375
            {"Text20", {8, 8, 577, 33}},      // 120 120 8655 495
            {"Text21", {184, 56, 257, 17}},   // 2760 840 3855 255
            {"Text22", {192, 144, 73, 25}},   // 2880 2160 1095 375
            {"Text23", {176, 176, 113, 27}},  // 2640 2640 1695 405
            {"Text24", {192, 208, 73, 25}},   // 2880 3120 1095 375
            {"Text25", {192, 240, 73, 25}},   // 2880 3600 1095 375
            {"Text26", {192, 272, 73, 25}},   // 2880 4080 1095 375
            {"Text27", {192, 304, 73, 25}},   // 2880 4560 1095 375
            {"Text28", {384, 192, 193, 169}}, // 5760 2880 2895 2535
            {"Text29", {128, 432, 105, 25}},  // 1920 6480 1575 375
            {"Text30", {192, 80, 145, 23}},   // 2880 1200 2175 345
            {"Text31", {192, 336, 73, 25}},   // 2880 5040 1095 375
            {"Text32", {128, 112, 73, 25}},   // 1920 1680 1095 375
            {"Text33", {192, 368, 73, 24}},   // 2880 5520 1095 360
            {"Text34", {328, 112, 49, 24}},   // 4920 1680 735 360
            {"Text35", {192, 400, 49, 25}},   // 2880 6000 735 375
            {"Text36", {256, 400, 97, 57}},   // 3840 6000 1455 855
            {"Text37", {288, 144, 25, 25}},   // 4320 2160 375 375
            {"Text38", {328, 152, 113, 17}},  // 4920 2280 1695 255
            {"Text39", {288, 176, 73, 25}},   // 4320 2640 1095 375
            {"Text40", {288, 208, 73, 25}},   // 4320 3120 1095 375
            {"Text41", {288, 240, 73, 24}},   // 4320 3600 1095 360
            {"Text42", {288, 272, 73, 25}},   // 4320 4080 1095 375
            {"Text43", {288, 304, 73, 25}},   // 4320 4560 1095 375
            {"Text44", {288, 336, 73, 25}},   // 4320 5040 1095 375
            {"Text45", {288, 368, 73, 25}},   // 4320 5520 1095 375
        };
        QCOMPARE(std::size(expected), allControls().size());
        for (const auto& [name, rect] : expected) {
            QWidget* widget = window().findChild<QWidget*>(name);
            QVERIFY2(widget != nullptr, name);
            QCOMPARE(widget->geometry(), rect);
        }
        // Fonts as laid out: the title, the prompt, the frequency and the unit.
        const std::tuple<Control, double, bool, bool> fonts[] = {
            {Text20, 18, true, true},       {Text30, 9.75, true, false},
            {Text17, 13.5, true, false},    {Text29, 13.5, true, false},
            {Text21, 12, true, false},      {Text1, 8.25, false, false},
            {Command1, 8.25, false, false}, {Command2, 9.75, false, false},
            {Text9, 9.75, false, false},
        };
        for (const auto& [control, points, bold, italic] : fonts) {
            const QFont font = window().control(control)->font();
            QCOMPARE(font.pointSizeF(), points);
            QCOMPARE(font.bold(), bold);
            QCOMPARE(font.italic(), italic);
        }
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
        // On paper the window keeps its screen size: 591 x 460 pixels at 96 to the inch are
        // 6.156 x 4.792 inches, 7387.5 x 5750 dots at 1200 dpi, 3693.75 x 2875 at 600.
        QCOMPARE(pagePlacement(picture.deviceIndependentSize(), 1200), QRectF(0, 0, 7387.5, 5750));
        QCOMPARE(pagePlacement(QSizeF(591, 460), 600), QRectF(0, 0, 3693.75, 2875));
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

    // Colours as the screen shows them: the window's table gives 0x00BBGGRR values and
    // system colours, so the title is blue, the prompt red, and a chosen list's caption takes
    // the palette's highlight colour while the other takes the text colour.
    void coloursAsShownOnTheScreen() {
        const auto shown = [this](Control control) {
            return window().control(control)->palette().color(QPalette::Text);
        };
        QCOMPARE(shown(Text20), QColor(0, 0, 255));
        QCOMPARE(shown(Text30), QColor(255, 0, 0));
        QCOMPARE(shown(Text22), QColor(0, 0, 255));
        test::WindowTarget target(window());
        QVERIFY(!target.click(Option2));
        QVERIFY(!target.select(List1, "1"));
        const QPalette system;
        QCOMPARE(shown(Text32), system.color(QPalette::Highlight));
        QCOMPARE(shown(Text34), system.color(QPalette::WindowText));
        QVERIFY(system.color(QPalette::Highlight) != system.color(QPalette::WindowText));
        QVERIFY(!target.select(List2, "25"));
        QCOMPARE(shown(Text34), system.color(QPalette::Highlight));
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
