// SPDX-License-Identifier: GPL-3.0-or-later
// The program's window with its menu bar: the calculator's client area untouched below it, the
// menus waiting for a COMPUTE, the analysis window filled from a recorded nec2c session, Cancel
// ending a slow nec2c at once, and the sheet, the exports and the About box from the menus.
#include "analysis/geometry.h"
#include "analysis/nec_runner.h"
#include "mainwindow/desktop_window.h"
#include "plan/workshop.h"
#include "tests/lib/recorded_session.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <QSet>
#include <QSettings>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <cmath>
#include <complex>
#include <csignal>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>

using namespace tarvo;

namespace {

using enum Control;

/// Types the frequency, chooses a 1 inch metallic boom and presses COMPUTE, by real clicks.
void compute(DesktopWindow& window, const QString& frequency) {
    MainWindow& calculator = window.calculator();
    auto* box = qobject_cast<QLineEdit*>(calculator.control(Text17));
    box->selectAll();
    QTest::keyClicks(box, frequency);
    QTest::mouseClick(calculator.control(Option2), Qt::LeftButton, {}, QPoint(6, 8));
    auto* inches = qobject_cast<QListWidget*>(calculator.control(List1));
    const auto items = inches->findItems("1", Qt::MatchExactly);
    QVERIFY(!items.isEmpty());
    QTest::mouseClick(inches->viewport(), Qt::LeftButton, {},
                      inches->visualItemRect(items.front()).center());
    QTest::mouseClick(calculator.control(Command1), Qt::LeftButton);
}

/// The 144 MHz, 1 inch design's nec2c session as recorded: each deck with nec2c's output.
analysis::NecRunner recordedSession() {
    return test::recordedSession(std::string(TARVO_TEST_DATA) + "/nec2c_144mhz_session.txt");
}

/// A text box's claim on Ctrl+E, as QLineEdit makes it under X11's key bindings.
class EndOfLineKeys : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::ShortcutOverride &&
            static_cast<QKeyEvent*>(event)->keyCombination() == (Qt::CTRL | Qt::Key_E)) {
            event->accept();
            return true;
        }
        return false;
    }
};

} // namespace

class DesktopWindowTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_folder;

private slots:
    void init() {
        // Each test starts from no remembered choices (in the test's own settings folder).
        QSettings("TARVO", "TARVO").clear();
    }

    void theCalculatorKeepsItsClientArea() {
        DesktopWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const int menu = window.menuBar()->height();
        QVERIFY(menu > 0);
        QCOMPARE(window.calculator().geometry(), QRect(0, menu, 591, 460));
        QCOMPARE(window.size(), QSize(591, 460 + menu));
        // Controls where the layout table puts them in the client area (twips / 15).
        const std::pair<Control, QRect> placed[] = {
            {Text29, {128, 432, 105, 25}},  // 1920 6480 1575 375
            {Text28, {384, 192, 193, 169}}, // 5760 2880 2895 2535
            {Text45, {288, 368, 73, 25}},   // 4320 5520 1095 375
        };
        for (const auto& [control, rect] : placed) {
            QWidget* widget = window.calculator().control(control);
            QCOMPARE(QRect(widget->mapTo(&window.calculator(), QPoint(0, 0)), widget->size()),
                     rect);
        }
        // PRINT still prints the client area alone.
        QCOMPARE(window.calculator().picture(1).size(), QSize(591, 460));
    }

    void designMenusWaitForCompute() {
        DesktopWindow window;
        window.show();
        const int menuHeight = window.menuBar()->height();
        for (const char* name :
             {"analyze", "trim", "printSheet", "saveSheet", "export", "compare"}) {
            QVERIFY2(!window.action(name)->isEnabled(), name);
            QVERIFY(window.action(name)->toolTip().contains("Press COMPUTE first"));
        }
        QVERIFY(window.action("quit")->isEnabled());
        QCOMPARE(window.action("quit")->shortcut(), QKeySequence(QKeySequence::Quit));
        QCOMPARE(window.menuBar()->actions().at(0)->text(), QString("&File"));
        QCOMPARE(window.menuBar()->actions().at(1)->text(), QString("&Design"));
        QCOMPARE(window.menuBar()->actions().at(2)->text(), QString("&Help"));
        QCOMPARE(window.menuBar()->actions().at(1)->menu()->actions().at(0)->objectName(),
                 QString("analyze"));
        compute(window, "144");
        for (const char* name :
             {"analyze", "trim", "printSheet", "saveSheet", "export", "compare"}) {
            QVERIFY2(window.action(name)->isEnabled(), name);
        }
        QCOMPARE(window.plan()->design.freq, 144.0F);
        // A boom beyond the correction's range: the warning goes with the design (and so into
        // the analysis window's warnings). 40 mm at 432 MHz: the largest in range is 38.
        auto* millimetres = qobject_cast<QListWidget*>(window.calculator().control(List2));
        const auto forty = millimetres->findItems("40", Qt::MatchExactly);
        QVERIFY(!forty.isEmpty());
        auto* box = qobject_cast<QLineEdit*>(window.calculator().control(Text17));
        box->selectAll();
        QTest::keyClicks(box, "432");
        QTest::mouseClick(millimetres->viewport(), Qt::LeftButton, {},
                          millimetres->visualItemRect(forty.front()).center());
        QTest::mouseClick(window.calculator().control(Command1), Qt::LeftButton);
        QCOMPARE(window.plan()->warnings.size(), std::size_t{1});
        QVERIFY(QString::fromStdString(window.plan()->warnings.front()).contains("is 38"));
        // Said at COMPUTE, at the menu bar's end, the calculator's area untouched and unmoved.
        auto* warning = window.menuBar()->findChild<QToolButton*>("boomWarning");
        QVERIFY(warning != nullptr && warning->isVisible());
        QVERIFY2(warning->toolTip().contains("is 38"), qPrintable(warning->toolTip()));
        QCOMPARE(window.calculator().geometry(), QRect(0, menuHeight, 591, 460));
        compute(window, "144");
        QVERIFY(window.plan()->warnings.empty());
        QVERIFY(!warning->isVisible());
        // At 1296 MHz a 1 inch boom is 25.4 / (299792.458 / 1296) = 0.110 wavelength thick.
        compute(window, "1296");
        QVERIFY(warning->isVisible());
        QVERIFY2(warning->toolTip().contains("is 0.110 wavelengths thick at 1296 MHz"),
                 qPrintable(warning->toolTip()));
        compute(window, "144");
        // A COMPUTE that stops on a fault may leave the boxes with parts of two designs: no
        // menu works on either until a COMPUTE succeeds, and the title says why. The builder's
        // choices (here ten directors) wait for that COMPUTE.
        window.action("longBoom")->trigger();
        window.longBoomDialog()->findChild<QSpinBox*>("directors")->setValue(10);
        QTest::mouseClick(window.longBoomDialog()->findChild<QPushButton*>("use"), Qt::LeftButton);
        window.calculator().setFaultReporter([](QWidget*, const std::exception&) {});
        compute(window, "-5");
        QVERIFY(!window.plan());
        QCOMPARE(window.windowTitle(),
                 QString("TARVO - no design: the last COMPUTE stopped on a fault"));
        for (const char* name :
             {"printSheet", "saveSheet", "export", "analyze", "trim", "longBoom"}) {
            QVERIFY2(!window.action(name)->isEnabled(), name);
            QVERIFY2(
                window.action(name)->toolTip().startsWith("The last COMPUTE stopped on a fault"),
                name);
        }
        QVERIFY(!window.longBoomDialog()->isVisible());
        compute(window, "146");
        QCOMPARE(window.plan()->design.freq, 146.0F);
        QCOMPARE(window.plan()->directors, 10);
        QVERIFY(window.action("export")->isEnabled());
        QCOMPARE(window.windowTitle(), QString("TARVO - 146 MHz, 10 directors"));
    }

    void keysWorkWhateverHasTheFocus() {
        DesktopWindow window;
        window.setQuiet(true);
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        compute(window, "144");
        QStringList asked;
        window.setSaveChooser([&](const QString& title, const QString&, const QString&, QString*) {
            asked << title;
            return QString();
        });
        // In the frequency box Ctrl+E is also the end of the line, as X11's key bindings have
        // it (the test's platform has other bindings: the box is given X11's here). The
        // window's key comes first.
        QWidget* box = window.calculator().control(Text17);
        EndOfLineKeys endOfLine;
        box->installEventFilter(&endOfLine);
        box->setFocus();
        QTRY_VERIFY(box->hasFocus());
        QTest::keyClick(box, Qt::Key_E, Qt::ControlModifier);
        QTest::keyClick(box, Qt::Key_S, Qt::ControlModifier);
        // And from the table's boxes and the lists.
        QWidget* list = window.calculator().control(List1);
        list->setFocus();
        QTest::keyClick(list, Qt::Key_E, Qt::ControlModifier);
        QCOMPARE(asked, QStringList({"Export for other tools", "Save workshop sheet",
                                     "Export for other tools"}));
        // And from the Longer boom dialog beside the calculator.
        window.action("longBoom")->trigger();
        QWidget* directors = window.longBoomDialog()->findChild<QSpinBox*>("directors");
        QApplication::setActiveWindow(window.longBoomDialog());
        QVERIFY(QTest::qWaitForWindowActive(window.longBoomDialog()));
        directors->setFocus();
        QTRY_VERIFY(directors->hasFocus());
        asked.clear();
        QTest::keyClick(directors, Qt::Key_S, Qt::ControlModifier);
        QTest::keyClick(directors, Qt::Key_E, Qt::ControlModifier);
        QCOMPARE(asked, QStringList({"Save workshop sheet", "Export for other tools"}));
        window.longBoomDialog()->close();
        // Each menu's entries, and the menus themselves, each have a letter of their own.
        const auto letters = [](const QList<QAction*>& actions) {
            QStringList found;
            for (const QAction* action : actions) {
                const qsizetype at = action->text().indexOf('&');
                if (at >= 0) {
                    found << action->text().mid(at + 1, 1).toUpper();
                }
            }
            return found;
        };
        const QList<QAction*> menus = window.menuBar()->actions();
        const QStringList menuLetters = letters(menus);
        QCOMPARE(menuLetters.size(), menus.size());
        QCOMPARE(QSet<QString>(menuLetters.begin(), menuLetters.end()).size(), menus.size());
        for (const QAction* menu : menus) {
            const QStringList own = letters(menu->menu()->actions());
            QCOMPARE(QSet<QString>(own.begin(), own.end()).size(), own.size());
            QVERIFY2(own.size() >= 2, qPrintable(menu->text()));
        }
    }

    // Design > Longer boom... at 144 MHz, 1 inch boom: DIR 7 ... DIR 10 by the rule on the shown
    // texts (worked by hand: 35.1547 - k x 0.7751; 26.0026 - k x 0.9331; 163.570 summed on),
    // refused where DIR 20 is under 0.3 wavelength, the plan then building the ten directors in
    // every output, also after CONVERT TO METRIC and the next COMPUTE; the calculator untouched.
    void longerBoomExtendsThePlan() {
        DesktopWindow window;
        window.setQuiet(true);
        window.show();
        QVERIFY(!window.action("longBoom")->isEnabled());
        compute(window, "144");
        window.action("longBoom")->trigger();
        LongBoomDialog* dialog = window.longBoomDialog();
        QVERIFY(dialog != nullptr && dialog->isVisible());
        auto* directors = dialog->findChild<QSpinBox*>("directors");
        auto* table = dialog->findChild<QPlainTextEdit*>("table");
        auto* use = dialog->findChild<QPushButton*>("use");
        QCOMPARE(directors->value(), 6);
        directors->setValue(10);
        for (const char* row : {"DIR 7       34.3796   25.0695   188.639",
                                "DIR 10      32.0543   22.2702   258.249"}) {
            QVERIFY2(table->toPlainText().contains(row), qPrintable(table->toPlainText()));
        }
        QCOMPARE(window.plan()->directors, 6); // not before Use
        QTest::mouseClick(use, Qt::LeftButton);
        QCOMPARE(window.plan()->directors, 10);
        QCOMPARE(window.plan()->table.added.size(), std::size_t{4});
        QCOMPARE(window.plan()->added.size(), std::size_t{4});
        const std::string csv = exportText(*window.plan(), ExportFormat::Csv, std::nullopt);
        QVERIFY(csv.find("DIR 10,32.0543,22.2702,258.249\r\n") != std::string::npos);
        QCOMPARE(modelOf(*window.plan()).wires.size(), std::size_t{18});
        // The title and the suggested names say which design the menus work on: ten directors'
        // files never replace the six's by accident.
        QCOMPARE(window.windowTitle(), QString("TARVO - 144 MHz, 10 directors"));
        QString asked;
        window.setSaveChooser([&](const QString&, const QString& name, const QString&, QString*) {
            asked = QFileInfo(name).fileName();
            return QString();
        });
        window.action("saveSheet")->trigger();
        QCOMPARE(asked, QString("tarvo-144mhz-10dir-sheet.pdf"));
        window.action("export")->trigger();
        QCOMPARE(asked, QString("tarvo-144mhz-10dir-beam.maa"));
        // The box offers what the design holds, 19 at 144 MHz, and says why no more: DIR 20,
        // 35.1547 - 14 x 0.7751 = 24.3033 in, 24.17 in without the 0.1366 in of the boom's
        // correction, would be shorter than 0.3 x 983.6 / 144 x 12 = 24.59 in.
        auto* message = dialog->findChild<QLabel*>("message");
        QCOMPARE(directors->maximum(), 19);
        QVERIFY2(message->text().contains(
                     "At most 19: DIR 20 would be 24.3033 in long (24.17 in without the boom's "
                     "correction), shorter than 0.3 wavelength (24.59 in)"),
                 qPrintable(message->text()));
        QCOMPARE(window.plan()->directors, 10);
        // A number picked and not used stays picked through CONVERT TO METRIC, whose rows are the
        // rule on the centimetre texts (89.2930 - 4 x 1.9687 = 81.4182), as is the limit: DIR 20
        // 89.2930 - 14 x 1.9687 = 61.7312 cm, 24.1667 in = 61.38 cm bare, under 62.46 cm.
        directors->setValue(12);
        QTest::mouseClick(window.calculator().control(Command4), Qt::LeftButton);
        QCOMPARE(window.plan()->table.added.back().length, std::string("81.4182"));
        QCOMPARE(directors->value(), 12);
        QVERIFY2(message->text().contains("At most 19: DIR 20 would be 61.7312 cm long (61.38 cm "
                                          "without the boom's correction), shorter than 0.3 "
                                          "wavelength (62.46 cm)"),
                 qPrintable(message->text()));
        directors->setValue(10);
        QVERIFY(table->toPlainText().contains("DIR 10      81.4182   56.5658   655.952"));
        // Enter after typing a number uses it, as the default button.
        directors->setValue(6);
        QTest::mouseClick(use, Qt::LeftButton);
        QCOMPARE(window.plan()->directors, 6);
        directors->selectAll();
        QTest::keyClicks(directors, "10");
        QTest::keyClick(directors, Qt::Key_Return);
        QCOMPARE(window.plan()->directors, 10);
        QVERIFY(dialog->isVisible());
        // The next COMPUTE keeps the ten directors; the calculator's boxes never had them.
        compute(window, "144");
        QCOMPARE(window.plan()->directors, 10);
        QCOMPARE(window.plan()->table.added.back().length, std::string("32.0543"));
        // COMPUTE at 146 MHz: the open dialog shows 146's rows, DIR 7 the DIR 6 box less the
        // box of REDUCE EACH ADDITIONAL DIRECTOR BY, never 144's 34.3796.
        compute(window, "146");
        const auto box = [&](Control control) {
            return qobject_cast<QLineEdit*>(window.calculator().control(control))
                ->text()
                .toDouble();
        };
        const QString shown = table->toPlainText();
        const QString dir7 = shown.mid(shown.indexOf("DIR 7 ")).section('\n', 0, 0);
        QVERIFY2(!dir7.isEmpty() && !shown.contains("34.3796"), qPrintable(shown));
        QVERIFY2(std::abs(dir7.split(' ', Qt::SkipEmptyParts).at(2).toDouble() -
                          (box(Text16) - box(Text19))) < 1.5e-4,
                 qPrintable(dir7 + " against DIR 6 " + QString::number(box(Text16)) + " less " +
                            QString::number(box(Text19))));
        const int menu = window.menuBar()->height();
        QCOMPARE(window.calculator().geometry(), QRect(0, menu, 591, 460));
    }

    void theSheetTakesTheUsersSeparatorAndFilesAPoint() {
        // A German desktop, and no nec2c: the sheet without its NEC-2 figures comes at once.
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", "/nonexistent");
        qputenv("LC_ALL", "de_DE.UTF-8");
        DesktopWindow window;
        qputenv("LC_ALL", "C");
        window.setQuiet(true);
        window.show();
        compute(window, "144");
        workshop::DisplayList printed;
        window.setSheetPrinter([&](const workshop::DisplayList& list) { printed = list; });
        window.action("printSheet")->trigger();
        window.setSaveChooser([&](const QString&, const QString&, const QString&, QString* filter) {
            *filter = "Design table (*.csv)";
            return m_folder.filePath("german");
        });
        window.action("export")->trigger();
        qputenv("PATH", path);
        QStringList texts;
        for (const workshop::DrawItem& item : printed.items) {
            texts << QString::fromStdString(item.text);
        }
        QVERIFY2(texts.contains("2269,5"), qPrintable(texts.join(" | ").left(400)));
        QVERIFY(texts.filter(QRegularExpression(R"(\d\.\d)")).isEmpty());
        // The table's boxes show commas; the CSV for other programs has points.
        QFile csv(m_folder.filePath("german.csv"));
        QVERIFY2(csv.open(QIODevice::ReadOnly), qPrintable(window.lastMessage()));
        const QList<QByteArray> lines = csv.readAll().split('\n');
        QVERIFY(lines.size() > 8);
        QVERIFY2(lines[1].startsWith("REFLECTOR,89.") && lines[1].count(',') == 3,
                 lines[1].constData());
    }

    void printPreviewOpensLargeAndFittedToWidth() {
        // No nec2c: the sheet without its NEC-2 figures comes at once.
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", "/nonexistent");
        DesktopWindow window;
        window.setQuiet(true);
        window.show();
        compute(window, "144");
        QSize size;
        int zoomMode = -1;
        QTimer look;
        connect(&look, &QTimer::timeout, [&] {
            auto* preview = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget());
            if (preview == nullptr || !preview->isVisible()) {
                return;
            }
            look.stop();
            size = preview->size();
            if (auto* page = preview->findChild<QPrintPreviewWidget*>()) {
                zoomMode = page->zoomMode();
            }
            preview->reject();
        });
        look.start(50);
        window.action("printSheet")->trigger();
        qputenv("PATH", path);
        const QRect room = window.screen()->availableGeometry();
        QVERIFY2(size.width() >= room.width() * 8 / 10 && size.height() >= room.height() * 8 / 10,
                 qPrintable(QString("%1 x %2 on %3 x %4")
                                .arg(size.width())
                                .arg(size.height())
                                .arg(room.width())
                                .arg(room.height())));
        QCOMPARE(zoomMode, int(QPrintPreviewWidget::FitToWidth));
    }

    void analysisWindowFillsFromARecordedRun() {
        DesktopWindow window;
        window.setRunner(recordedSession());
        window.show();
        compute(window, "144");
        AnalysisWindow& analysis = window.analysisWindow();
        QSignalSpy finished(&analysis, &AnalysisWindow::finished);
        window.action("analyze")->trigger();
        QVERIFY(analysis.isVisible());
        QCOMPARE(analysis.windowTitle(), QString("TARVO: NEC-2 analysis"));
        QVERIFY(finished.wait(10000));
        QCOMPARE(finished.at(0).at(0).toBool(), true);
        // The figures tarvo-cli --freq 144 --inch 1 --analyze prints for the same session.
        const QString report = analysis.reportText();
        for (const char* line :
             {"  Forward gain                 13.59 dBi", "  Front-to-back ratio          25.6 dB",
              "  Feed impedance               49.6 + j1.9 ohm",
              "  SWR <= 2 from                141.51 to 145.25 MHz (3.75 MHz)"}) {
            QVERIFY2(report.contains(line), line);
        }
        QCOMPARE(analysis.performance()->design.elevation.size(), std::size_t{362});
        // Each plot draws its curves: the gain in blue, F/B in green and SWR in red.
        const auto count = [](const QImage& image, QRgb colour) {
            int found = 0;
            for (int y = 0; y < image.height(); ++y) {
                for (int x = 0; x < image.width(); ++x) {
                    found += image.pixel(x, y) == colour ? 1 : 0;
                }
            }
            return found;
        };
        const QList<QImage> plots = analysis.plotPictures();
        QCOMPARE(plots.size(), 3);
        for (const QImage& plot : plots) {
            QVERIFY(count(plot, qRgb(0, 0, 200)) > 100);
        }
        QVERIFY(count(plots[2], qRgb(0, 140, 0)) > 100);
        QVERIFY(count(plots[2], qRgb(200, 0, 0)) > 100);

        // A later COMPUTE offers to run again, and the run takes the new design.
        QVERIFY(!analysis.rerunOffered());
        compute(window, "145");
        QVERIFY2(analysis.staleText().contains(
                     "The design was computed again: these figures are of the design before."),
                 qPrintable(analysis.staleText()));
    }

    void aMeasurementIsComparedAndKeptUntilTheWindowCloses() {
        QVERIFY2(!analysis::findNec2c().empty(), "nec2c (Debian package nec2c) is needed");
        QVERIFY(m_folder.isValid());
        const auto write = [](const QString& path, const QByteArray& text) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QCOMPARE(file.write(text), text.size());
        };
        DesktopWindow window;
        window.setQuiet(true);
        window.show();
        compute(window, "144");
        // A malformed file is refused with its line; the plan takes nothing from it.
        const QString truncated = m_folder.filePath("truncated.s1p");
        write(truncated, "# MHZ S RI R 50\n144 0.1 0.2\n145 0.1\n");
        QVERIFY(!window.compareWithMeasurement(truncated));
        QVERIFY2(window.lastMessage().contains("truncated.s1p: line 3: a truncated data line"),
                 qPrintable(window.lastMessage()));
        QVERIFY(!window.plan()->measurement);
        QVERIFY(!window.analysisWindow().isVisible());
        // So is one no passive antenna gives: 0.72 + 0.96j is |S11| = 1.2.
        const QString above = m_folder.filePath("above.s1p");
        write(above, "# MHZ S RI R 50\n144 0.72 0.96\n");
        QVERIFY(!window.compareWithMeasurement(above));
        QVERIFY2(window.lastMessage().contains("above.s1p: line 2: |S11| is 1.2, above 1"),
                 qPrintable(window.lastMessage()));
        QVERIFY(!window.plan()->measurement);

        // A 300 ohm resistor (6 normalised to 50) across 140 to 148 MHz: no antenna, and no
        // driven loop's length explains it, so no cut is advised.
        QByteArray text = "! a 300 ohm resistor\n# MHZ Z RI R 50\n";
        for (int i = 0; i <= 16; ++i) {
            text += QByteArray::number(140 + 0.5 * i) + " 6 0\n";
        }
        const QString resistor = m_folder.filePath("resistor.s1p");
        write(resistor, text);
        QString filtersAsked;
        window.setOpenChooser([&](const QString&, const QString& filters) {
            filtersAsked = filters;
            return resistor;
        });
        AnalysisWindow& analysis = window.analysisWindow();
        QSignalSpy finished(&analysis, &AnalysisWindow::finished);
        window.action("compare")->trigger();
        QVERIFY(filtersAsked.contains("*.s1p"));
        QVERIFY(analysis.isVisible());
        QVERIFY(window.plan()->measurement);
        QCOMPARE(window.plan()->measurement->measurement.points.size(), std::size_t{17});
        QVERIFY(finished.wait(120000));
        QCOMPARE(finished.at(0).at(0).toBool(), true);
        const QString report = analysis.reportText();
        QVERIFY2(report.contains("Measurement: 17 points, 140 to 148 MHz (Touchstone 1.x, Z RI"),
                 qPrintable(report));
        QVERIFY2(report.contains("NO CUT ADVISED"), qPrintable(report));
        QVERIFY(!report.contains("Driven loop: measured as if"));
        // The analysis of the design follows the advice, as Design > Analyze shows it.
        QVERIFY(report.contains("  Feed impedance               49.6 + j1.9 ohm"));
        QVERIFY(analysis.statusText().contains("compared with resistor.s1p"));
        QVERIFY(analysis.advice() && !analysis.advice()->advised);
        QCOMPARE(analysis.advice()->atFeed.size(), std::size_t{17});
        QCOMPARE(analysis.advice()->atFeed.front().impedance, std::complex<double>(300, 0));

        // A COMPUTE while the comparison is open keeps it, for Run again.
        compute(window, "144");
        QVERIFY(window.plan()->measurement);

        // Closed, the window lets the measurement go; the next analysis is the design's alone.
        analysis.close();
        QVERIFY(!window.plan()->measurement);
        window.action("analyze")->trigger();
        QVERIFY(finished.wait(120000));
        QVERIFY(!analysis.reportText().contains("Measurement:"));
        QVERIFY(!analysis.advice());
    }

    /// A sweep taken at the shack end of 5 m of coax (velocity factor 0.66): nec2c's 144 MHz
    /// design with its driven loop 2 % long, moved through the line (tests/data). Given the line
    /// in the dialog, the window advises the cut: 2 % of 85.655 in (2175.6 mm) from 2219.1 mm.
    /// The line is remembered for the next measurement.
    void aSweepThroughCoaxGetsItsCutWithTheFeedLineGiven() {
        QVERIFY2(!analysis::findNec2c().empty(), "nec2c (Debian package nec2c) is needed");
        const QString sweep = QString(TARVO_TEST_DATA) + "/driven-long-through-5m-coax.s1p";
        DesktopWindow window;
        window.show();
        compute(window, "144");
        AnalysisWindow& analysis = window.analysisWindow();
        QSignalSpy finished(&analysis, &AnalysisWindow::finished);
        // Answers the feed line dialog as a builder would: `fill` reads and sets its boxes.
        const auto answer = [](const std::function<void(QDialog&)>& fill) {
            QTimer::singleShot(0, [fill] {
                auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                QVERIFY(dialog != nullptr && dialog->objectName() == "feedLineDialog");
                fill(*dialog);
            });
        };
        const auto spin = [](QDialog& dialog, const char* name) {
            return dialog.findChild<QDoubleSpinBox*>(name);
        };
        answer([&](QDialog& dialog) {
            auto* through = dialog.findChild<QCheckBox*>("throughLine");
            QVERIFY(!through->isChecked() && !spin(dialog, "lengthM")->isEnabled());
            through->click();
            spin(dialog, "lengthM")->setValue(5);
            spin(dialog, "velocityFactor")->setValue(0.66);
            QCOMPARE(spin(dialog, "z0Ohms")->value(), 50.0);
            QCOMPARE(spin(dialog, "lossDbPer100m")->text(), QString("lossless"));
            dialog.accept();
        });
        QVERIFY(window.compareWithMeasurement(sweep));
        QVERIFY(finished.wait(120000));
        const QString report = analysis.reportText();
        for (const char* line :
             {"Feed line: moved to the feed point through 5 m of 50 ohm line, velocity factor "
              "0.66, lossless",
              "Driven loop: measured as if 2.0 % long: cut 44 mm (from 2219.1 mm, 87.37 in to "
              "2175.6 mm, 85.65 in) to bring it to the design"}) {
            QVERIFY2(report.contains(line), qPrintable(report));
        }
        // The advice wraps to the window: nothing of it lies beyond a sideways scroll.
        auto* shown = analysis.findChild<QPlainTextEdit*>("report");
        QCoreApplication::processEvents();
        QCOMPARE(shown->horizontalScrollBar()->maximum(), 0);

        // The next measurement starts from the same line; Cancel compares nothing.
        bool offered = false;
        answer([&](QDialog& dialog) {
            offered = dialog.findChild<QCheckBox*>("throughLine")->isChecked() &&
                      spin(dialog, "lengthM")->value() == 5 &&
                      spin(dialog, "velocityFactor")->value() == 0.66;
            dialog.reject();
        });
        QVERIFY(!window.compareWithMeasurement(sweep));
        QVERIFY(offered);
    }

    /// After Use trimmed lengths, Run again compares the measurement with the trimmed design:
    /// the driven loop is brought to the trimmed length, not the table's 85.655 in.
    void aMeasurementAfterUseTrimmedLengthsIsComparedWithTheTrimmedDesign() {
        QVERIFY2(!analysis::findNec2c().empty(), "nec2c (Debian package nec2c) is needed");
        QVERIFY(m_folder.isValid());
        QByteArray text = "# MHZ Z RI R 50\n";
        for (int i = 0; i <= 16; ++i) {
            text += QByteArray::number(140 + 0.5 * i) + " 6 0\n";
        }
        const QString resistor = m_folder.filePath("resistor-trimmed.s1p");
        QFile file(resistor);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(text), text.size());
        file.close();
        DesktopWindow window;
        window.setQuiet(true);
        window.show();
        compute(window, "144");
        AnalysisWindow& analysis = window.analysisWindow();
        QSignalSpy finished(&analysis, &AnalysisWindow::finished);
        QVERIFY(window.compareWithMeasurement(resistor));
        QVERIFY(finished.wait(120000));
        QVERIFY(analysis.advice() && !analysis.advice()->trimmedDesign);
        // 85.655 in of the table.
        QVERIFY(std::fabs(analysis.advice()->loops.at(0).designedMm - 85.655 * 25.4) < 0.01);
        window.action("trim")->trigger();
        QVERIFY(window.useTrimmedLengths());
        // The banner names what changed: no COMPUTE was pressed.
        QVERIFY2(analysis.staleText().contains(
                     "The trimmed lengths were taken: these figures are of the design before."),
                 qPrintable(analysis.staleText()));
        QTest::mouseClick(analysis.findChild<QPushButton*>("run"), Qt::LeftButton);
        QVERIFY(finished.wait(120000));
        QVERIFY(analysis.advice() && analysis.advice()->trimmedDesign);
        // The status line names the design the figures are of, its trim included.
        QCOMPARE(analysis.statusText(),
                 QString("NEC-2 analysis of the 144 MHz design, 6 directors, trimmed for 2.05 mm "
                         "wire and 4.76 mm rods, free space, compared with resistor-trimmed.s1p."));
        // The trimmed driven loop of the 144 MHz design for 2.05 mm wire: 85.7012 in, whose
        // deck's four sides (tarvo-cli --trim --nec, 4 x 0.544202 m) come to 2176.81 mm.
        const double designed = analysis.advice()->loops.at(0).designedMm;
        QVERIFY2(std::fabs(designed - 2176.81) < 0.05, qPrintable(QString::number(designed)));

        // Other wire in the analysis window would end the trim: the banner says so before Run.
        analysis.findChild<QDoubleSpinBox*>("wireMm")->setValue(3.25);
        QVERIFY2(
            analysis.staleText().contains(
                "Run again ends the trim (lengths trimmed for 2.05 mm wire and 4.76 mm rods)."),
            qPrintable(analysis.staleText()));
        analysis.findChild<QDoubleSpinBox*>("wireMm")->setValue(2.05);

        // A longer boom ends the trim, which was found for six directors: said before Use and
        // after it, beside the number, and the banner names the change.
        window.action("longBoom")->trigger();
        LongBoomDialog* dialog = window.longBoomDialog();
        auto* message = dialog->findChild<QLabel*>("message");
        dialog->findChild<QSpinBox*>("directors")->setValue(9);
        QVERIFY2(message->text().contains("Use ends the trim: lengths trimmed for 2.05 mm wire and "
                                          "4.76 mm rods were found for 6 directors."),
                 qPrintable(message->text()));
        QTest::mouseClick(dialog->findChild<QPushButton*>("use"), Qt::LeftButton);
        QCOMPARE(window.windowTitle(), QString("TARVO - 144 MHz, 9 directors"));
        QVERIFY2(message->text().contains(
                     "The trim ended: lengths trimmed for 2.05 mm wire and 4.76 mm rods were "
                     "found for 6 directors. Design > Trim for my materials finds them for 9."),
                 qPrintable(message->text()));
        QVERIFY2(analysis.staleText().contains(
                     "The plan now builds 9 directors: these figures are of the design before."),
                 qPrintable(analysis.staleText()));
    }

    void cancelEndsASlowNec2cAtOnce() {
        QVERIFY(m_folder.isValid());
        const QString started = m_folder.filePath("started");
        QFile fake(m_folder.filePath("nec2c"));
        QVERIFY(fake.open(QIODevice::WriteOnly));
        fake.write(QString("#!/bin/sh\necho $$ > '%1'\nexec sleep 30\n").arg(started).toUtf8());
        fake.close();
        fake.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", m_folder.path().toUtf8() + ":" + path);

        DesktopWindow window;
        window.show();
        compute(window, "144");
        AnalysisWindow& analysis = window.analysisWindow();
        QSignalSpy finished(&analysis, &AnalysisWindow::finished);
        window.action("analyze")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(started), 5000);
        QTest::qWait(50);
        QFile pidFile(started);
        QVERIFY(pidFile.open(QIODevice::ReadOnly));
        const pid_t pid = pidFile.readAll().trimmed().toInt();
        QElapsedTimer timer;
        timer.start();
        QTest::mouseClick(analysis.findChild<QPushButton*>("cancel"), Qt::LeftButton);
        QVERIFY(finished.wait(5000));
        const qint64 took = timer.elapsed();
        qputenv("PATH", path);
        QVERIFY2(took < 200, qPrintable(QString("Cancel took %1 ms").arg(took)));
        QCOMPARE(analysis.statusText(), QString("Cancelled."));
        QVERIFY(::kill(pid, 0) != 0); // the slow nec2c is gone, not left running
        QVERIFY(!analysis.running());
    }

    void missingNec2cIsNamedWithItsPackage() {
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", "/nonexistent");
        DesktopWindow window;
        window.show();
        compute(window, "144");
        AnalysisWindow& analysis = window.analysisWindow();
        QSignalSpy finished(&analysis, &AnalysisWindow::finished);
        window.action("analyze")->trigger();
        QVERIFY(finished.wait(5000));
        qputenv("PATH", path);
        QVERIFY2(analysis.statusText().contains("install the Debian package nec2c"),
                 qPrintable(analysis.statusText()));
    }

    void diametersAreRemembered() {
        {
            DesktopWindow window;
            window.setRunner(recordedSession());
            window.show();
            compute(window, "144");
            window.action("analyze")->trigger();
            AnalysisWindow& analysis = window.analysisWindow();
            QSignalSpy finished(&analysis, &AnalysisWindow::finished);
            QVERIFY(finished.wait(10000));
            analysis.findChild<QDoubleSpinBox*>("wireMm")->setValue(3.25);
            QTest::mouseClick(analysis.findChild<QPushButton*>("run"), Qt::LeftButton);
            QVERIFY(finished.wait(10000)); // no recording for 3.25 mm: fails, but is kept
        }
        DesktopWindow window;
        window.show();
        compute(window, "144");
        window.setRunner(
            [](const std::string&) -> std::string { throw analysis::AnalysisError("not run"); });
        window.action("analyze")->trigger();
        AnalysisWindow& analysis = window.analysisWindow();
        QCOMPARE(analysis.findChild<QDoubleSpinBox*>("wireMm")->value(), 3.25);
        QCOMPARE(analysis.findChild<QDoubleSpinBox*>("rodMm")->value(), 4.76);
        QSignalSpy finished(&analysis, &AnalysisWindow::finished);
        QVERIFY(finished.wait(5000));
    }

    /// What a COMPUTE keeps of the builder's choices, read off the NEC-2 deck the window
    /// exports: the loop wire's radius (half the diameter in metres), the rods' and the sweep's
    /// FR card (start at f x (1 - sweep), a step of f x 0.25 %, 2 x sweep / 0.25 + 1 points).
    /// Wire chosen at 146 MHz stays with the 144 MHz band, off its centre and after a restart,
    /// never with 432 MHz; the analysis options stay with every band.
    void aComputeKeepsTheBuildersChoicesForTheirBand() {
        struct Step {
            const char* frequency;
            double wireMm; ///< set in the analysis window before the export, 0 for none
            double sweepPercent;
            bool restart; ///< a new window, as after quitting: only the settings remain
            const char* loop;
            const char* rod;
            const char* sweep;
        };
        const Step steps[] = {
            {"144", 0, 0, false, "0.001025", "0.00238", "FR 0 25 0 0 139.68 0.36"},
            {"146", 3.25, 5, false, "0.001625", "0.00238", "FR 0 41 0 0 138.7 0.365"},
            {"144", 0, 0, false, "0.001625", "0.00238", "FR 0 41 0 0 136.8 0.36"},
            {"432", 0, 0, false, "0.000815", "0.0015875", "FR 0 41 0 0 410.4 1.08"},
            {"144.5", 0, 0, false, "0.001625", "0.00238", "FR 0 41 0 0 137.275 0.36125"},
            {"145", 0, 0, true, "0.001625", "0.00238", "FR 0 25 0 0 140.65 0.3625"},
            {"1296", 0, 0, false, "0.00051", "0.000795", "FR 0 25 0 0 1257.12 3.24"},
        };
        std::unique_ptr<DesktopWindow> window;
        int n = 0;
        for (const Step& step : steps) {
            if (!window || step.restart) {
                window = std::make_unique<DesktopWindow>();
                window->setQuiet(true);
                window->setRunner([](const std::string&) -> std::string {
                    throw analysis::AnalysisError("not run");
                });
                window->show();
            }
            compute(*window, step.frequency);
            if (step.wireMm > 0) {
                window->action("analyze")->trigger();
                AnalysisWindow& analysis = window->analysisWindow();
                QSignalSpy finished(&analysis, &AnalysisWindow::finished);
                QVERIFY(finished.wait(5000));
                analysis.findChild<QDoubleSpinBox*>("wireMm")->setValue(step.wireMm);
                analysis.findChild<QDoubleSpinBox*>("sweepPercent")->setValue(step.sweepPercent);
                QTest::mouseClick(analysis.findChild<QPushButton*>("run"), Qt::LeftButton);
                QVERIFY(finished.wait(5000));
                analysis.close();
            }
            const QString path = m_folder.filePath(QString("rules-%1.nec").arg(n++));
            window->setSaveChooser(
                [&](const QString&, const QString&, const QString&, QString*) { return path; });
            window->action("export")->trigger();
            std::ifstream deck(path.toStdString());
            std::map<std::string, std::string> cards; // GW 1, GW 9 (DIR 1), the sweep's FR
            for (std::string line; std::getline(deck, line);) {
                std::istringstream fields(line);
                std::string card, tag;
                fields >> card >> tag;
                std::string last;
                for (std::string field; fields >> field;) {
                    last = field;
                }
                if (card == "GW" && (tag == "1" || tag == "9")) {
                    cards["GW " + tag] = last;
                } else if (card == "FR" && tag == "0" &&
                           line != std::string("FR 0 1 0 0 ") + step.frequency + " 0") {
                    cards["FR"] = line;
                }
            }
            const QString at = QString("COMPUTE %1 MHz").arg(step.frequency);
            QVERIFY2(cards["GW 1"] == step.loop,
                     qPrintable(at + ": loop radius " + QString::fromStdString(cards["GW 1"])));
            QVERIFY2(cards["GW 9"] == step.rod,
                     qPrintable(at + ": rod radius " + QString::fromStdString(cards["GW 9"])));
            QVERIFY2(cards["FR"] == step.sweep,
                     qPrintable(at + ": " + QString::fromStdString(cards["FR"])));
        }
    }

    void aNameCompletedHereAsksBeforeReplacingAFile() {
        // "beam" typed with the MMANA-GAL filter becomes beam.maa after the dialog asked about
        // "beam": an existing beam.maa is replaced only if the builder says so.
        QFile old(m_folder.filePath("beam.maa"));
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("OLD") == 3);
        old.close();
        DesktopWindow window;
        window.show();
        compute(window, "144");
        window.setSaveChooser([&](const QString&, const QString&, const QString&, QString* f) {
            *f = "MMANA-GAL model (*.maa)";
            return m_folder.filePath("beam");
        });
        for (const auto answer : {QMessageBox::No, QMessageBox::Yes}) {
            QString asked;
            QTimer answering;
            connect(&answering, &QTimer::timeout, [&] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                if (box == nullptr) {
                    return;
                }
                asked = box->text();
                box->button(asked.contains("already exists") ? answer : QMessageBox::Ok)->click();
            });
            answering.start(20);
            window.action("export")->trigger();
            answering.stop();
            QFile maa(m_folder.filePath("beam.maa"));
            QVERIFY(maa.open(QIODevice::ReadOnly));
            const QByteArray content = maa.readAll();
            QCOMPARE(content == "OLD", answer == QMessageBox::No);
        }
    }

    void sheetExportsAndAboutFromTheMenus() {
        DesktopWindow window;
        window.setQuiet(true);
        window.show();
        compute(window, "144");
        QString asked;
        window.setSaveChooser(
            [&](const QString& title, const QString& name, const QString&, QString* filter) {
                asked = title + " " + name;
                if (title.startsWith("Export")) {
                    *filter = "MMANA-GAL model (*.maa)";
                    return m_folder.filePath("beam");
                }
                *filter = "SVG (*.svg)";
                return m_folder.filePath("sheet.svg");
            });
        window.action("export")->trigger();
        QVERIFY2(asked.startsWith("Export for other tools /") &&
                     asked.endsWith("/tarvo-144mhz-beam.maa"),
                 qPrintable(asked));
        QFile maa(m_folder.filePath("beam.maa"));
        QVERIFY2(maa.open(QIODevice::ReadOnly), qPrintable(window.lastMessage()));
        QVERIFY(maa.readAll().contains("***Wires***\n14\n"));

        // The sheet with its tolerances: nec2c itself, as tarvo-cli runs it.
        if (!analysis::findNec2c().empty()) {
            window.action("saveSheet")->trigger();
            QFile sheet(m_folder.filePath("sheet.svg"));
            QVERIFY2(sheet.open(QIODevice::ReadOnly), qPrintable(window.lastMessage()));
            const QByteArray svg = sheet.readAll();
            QVERIFY(svg.contains("TARVO workshop sheet: 144 MHz loop beam"));
            QVERIFY(svg.contains(">2269.5<")); // the reflector loop, 89.35 in
            workshop::DisplayList printed;
            window.setSheetPrinter([&](const workshop::DisplayList& list) { printed = list; });
            window.action("printSheet")->trigger();
            QCOMPARE(printed.widthMm, 210.0);
            QVERIFY(printed.items.size() > 100);
            // Design > Trim for my materials...: the report in the design's unit.
            window.action("trim")->trigger();
            QVERIFY2(window.lastMessage().startsWith("TRIMMED for loops of 2.05 mm wire and "
                                                     "directors of 4.76 mm rod, lengths in INCHES"),
                     qPrintable(window.lastMessage()));
            // The dialog's band box, the design frequency +-0.25 % until changed: the band typed
            // there is the one the report says the limits hold over.
            window.setQuiet(false);
            QString offered;
            QTimer::singleShot(0, &window, [&] {
                auto* ask = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                auto* band = ask ? ask->findChild<QLineEdit*>("band") : nullptr;
                if (band == nullptr) {
                    return;
                }
                offered = band->text();
                band->setText("143.9-144.4");
                // The report's own dialog is closed as soon as it opens.
                auto* closer = new QTimer(&window);
                connect(closer, &QTimer::timeout, closer, [closer] {
                    auto* shown = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                    if (shown != nullptr && shown->findChild<QPlainTextEdit*>() != nullptr) {
                        closer->stop();
                        shown->reject();
                    }
                });
                closer->start(50);
                ask->accept();
            });
            window.action("trim")->trigger();
            window.setQuiet(true);
            QCOMPARE(offered, QString("143.64-144.36"));
            QVERIFY2(window.lastMessage().contains("Limits met: F/B >= 20 dB and SWR <= 1.5 over "
                                                   "143.9 - 144.4 MHz"),
                     qPrintable(window.lastMessage()));
        }
        // A file that cannot be written is reported, never passed over in silence.
        window.setSaveChooser([](const QString&, const QString&, const QString&, QString* filter) {
            *filter = "Design table (*.csv)";
            return QString("/nonexistent/folder/table.csv");
        });
        window.action("export")->trigger();
        QVERIFY2(window.lastMessage().startsWith("The export could not be written to "
                                                 "/nonexistent/folder/table.csv"),
                 qPrintable(window.lastMessage()));
        window.action("about")->trigger();
        QVERIFY(window.lastMessage().contains("GPL-3.0-or-later"));
        QVERIFY(window.lastMessage().contains("TARVO 0."));
    }
};

QTEST_MAIN(DesktopWindowTest)
#include "desktop_window_test.moc"
