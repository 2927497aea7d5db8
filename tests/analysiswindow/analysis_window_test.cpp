// SPDX-License-Identifier: GPL-3.0-or-later
// The analysis window as a builder uses it: its keys wherever the focus is, the plots read off
// their pixels (where a negative gain lies, which way forward points, the grid), a second run
// showing its own figures, figures marked as stale after Cancel and after Defaults, the layout
// still while nec2c runs, the report's columns at the smallest window, and the user's decimal
// separator in everything the window shows.
#include "analysis/nec_runner.h"
#include "analysiswindow/analysis_window.h"
#include "analysiswindow/plots.h"
#include "plan/plan.h"
#include "replay/memory_window.h"
#include "tests/lib/recorded_session.h"

#include <QAbstractButton>
#include <QDoubleSpinBox>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>

#include <chrono>
#include <cmath>
#include <sstream>
#include <thread>

using namespace tarvo;
using Pattern = std::vector<std::pair<double, double>>;

namespace {

/// The plan of the 144 MHz design with a 1 inch metallic boom, as COMPUTE stores it.
Plan plan144() {
    MemoryWindow window;
    window.type("144");
    window.click(Control::Option2);
    window.select(Control::List1, "1");
    window.click(Control::Command1);
    return nextPlan(window.form(), window.state(), std::nullopt);
}

analysis::NecRunner recorded() {
    return test::recordedSession(std::string(TARVO_TEST_DATA) + "/nec2c_144mhz_session.txt");
}

/// The recorded answers with every pattern gain (vertical, horizontal, total) `db` lower: a
/// beam that radiates 20 dB less in every direction, with the same F/B, SWR and beamwidths.
analysis::NecRunner lowered(analysis::NecRunner runner, double db) {
    return [runner, db](const std::string& deck) {
        std::istringstream in(runner(deck));
        std::string out;
        for (std::string line; std::getline(in, line);) {
            std::istringstream words(line);
            std::vector<std::string> w;
            for (std::string word; words >> word;) {
                w.push_back(word);
            }
            // A pattern line: theta, phi, three gains, axial ratio, tilt, then the sense.
            const auto number = [](const std::string& word) {
                char* end = nullptr;
                std::strtod(word.c_str(), &end);
                return !word.empty() && *end == '\0';
            };
            const bool pattern = w.size() >= 12 && number(w[0]) && number(w[1]) && number(w[2]) &&
                                 number(w[3]) && number(w[4]) &&
                                 std::isalpha(static_cast<unsigned char>(w[7][0]));
            if (pattern) {
                char gains[64];
                std::snprintf(gains, sizeof gains, "%.2f %.2f %.2f", std::stod(w[2]) - db,
                              std::stod(w[3]) - db, std::stod(w[4]) - db);
                line = w[0] + " " + w[1] + " " + gains;
                for (std::size_t i = 5; i < w.size(); ++i) {
                    if (i == 8 || i == 10) {
                        // The field strengths' magnitudes, from which the gain is worked.
                        char field[32];
                        std::snprintf(field, sizeof field, "%.4E",
                                      std::stod(w[i]) * std::pow(10.0, -db / 20));
                        line += std::string(" ") + field;
                    } else {
                        line += " " + w[i];
                    }
                }
            }
            out += line + "\n";
        }
        return out;
    };
}

/// How much of a curve's colour a pixel holds: a blend of white and `colour`, weighted by how
/// far it is from white; 0 for any other colour.
double inkOf(QRgb pixel, QRgb colour) {
    const double w = 255 - qRed(pixel) + 255 - qGreen(pixel) + 255 - qBlue(pixel);
    if (w < 30) {
        return 0;
    }
    // The blend lies on the line from white to the colour.
    const double t = w / (3 * 255.0 - qRed(colour) - qGreen(colour) - qBlue(colour));
    const auto near = [t](int got, int of) { return std::abs(got - (255 - t * (255 - of))) < 14; };
    return near(qRed(pixel), qRed(colour)) && near(qGreen(pixel), qGreen(colour)) &&
                   near(qBlue(pixel), qBlue(colour))
               ? w
               : 0;
}

constexpr QRgb blue = qRgb(0, 0, 200);
constexpr QRgb green = qRgb(0, 140, 0);
constexpr QRgb grid = qRgb(200, 200, 200);

/// The row at the ink's centre of weight, within columns [x0, x1).
double inkRow(const QImage& image, QRgb colour, int x0, int x1) {
    double sum = 0;
    double weight = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = x0; x < x1; ++x) {
            const double w = inkOf(image.pixel(x, y), colour);
            sum += w * y;
            weight += w;
        }
    }
    return weight > 0 ? sum / weight : std::nan("");
}

/// The rows (or columns) where at least `least` pixels have exactly this colour.
QList<int> linesOf(const QImage& image, QRgb colour, int least, bool rows) {
    QList<int> found;
    const int outer = rows ? image.height() : image.width();
    const int inner = rows ? image.width() : image.height();
    for (int i = 0; i < outer; ++i) {
        int count = 0;
        for (int j = 0; j < inner; ++j) {
            count += (rows ? image.pixel(j, i) : image.pixel(i, j)) == colour ? 1 : 0;
        }
        if (count >= least) {
            found << i;
        }
    }
    return found;
}

/// A polar plot's reach from its centre, as a share of its outer ring, towards the right, up,
/// the left and down. The centre and the ring are where the spoke from 180 to 0 deg lies and
/// ends.
std::array<double, 4> reach(const QImage& image) {
    const QList<int> row = linesOf(image, grid, image.width() / 3, true);
    if (row.size() != 1) {
        return {-1, -1, -1, -1};
    }
    int left = image.width();
    int right = 0;
    for (int x = 0; x < image.width(); ++x) {
        if (image.pixel(x, row[0]) == grid) {
            left = std::min(left, x);
            right = std::max(right, x);
        }
    }
    const QPointF centre((left + right + 1) / 2.0, row[0] + 0.5);
    const double radius = (right - left) / 2.0;
    std::array<double, 4> most{};
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (inkOf(image.pixel(x, y), blue) < 200) {
                continue;
            }
            const double dx = (x + 0.5 - centre.x()) / radius;
            const double dy = (y + 0.5 - centre.y()) / radius;
            most[0] = std::max(most[0], dx);
            most[1] = std::max(most[1], -dy);
            most[2] = std::max(most[2], -dx);
            most[3] = std::max(most[3], dy);
        }
    }
    return most;
}

/// A lobe 10 dBi towards `towardsDeg` and 26.4 dB weaker the opposite way.
std::vector<std::pair<double, double>> lobe(double towardsDeg) {
    std::vector<std::pair<double, double>> pattern;
    for (int a = 0; a <= 360; ++a) {
        const double c = std::cos((a - towardsDeg) * M_PI / 180);
        pattern.emplace_back(a, 10 + 20 * std::log10(((1 + c) / 2 + 0.05) / 1.05));
    }
    return pattern;
}

std::vector<analysis::SweepPoint> flatSweep(double fromMhz, double toMhz, double gain,
                                            double frontToBack) {
    std::vector<analysis::SweepPoint> sweep;
    for (int i = 0; i <= 24; ++i) {
        const double f = fromMhz + (toMhz - fromMhz) * i / 24;
        sweep.push_back({f, gain, frontToBack, 4.2, {50, 0}}); // away from the dB curves
    }
    return sweep;
}

/// A stand-in nec2c that says where it started and then sleeps: a slow run to cancel.
struct SlowNec2c {
    QTemporaryDir folder;
    QByteArray path = qgetenv("PATH");
    QString started = folder.filePath("started");

    SlowNec2c() {
        QFile fake(folder.filePath("nec2c"));
        if (fake.open(QIODevice::WriteOnly)) {
            fake.write(QString("#!/bin/sh\necho $$ > '%1'\nexec sleep 30\n").arg(started).toUtf8());
        }
        fake.close();
        fake.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("PATH", folder.path().toUtf8() + ":" + path);
    }
    ~SlowNec2c() { qputenv("PATH", path); }
    SlowNec2c(const SlowNec2c&) = delete;
    SlowNec2c& operator=(const SlowNec2c&) = delete;
};

/// Waits for the window's next finished run after the `runs` seen so far: a run may already
/// have finished by the time a click or a key returns.
bool nextRun(const QSignalSpy& finished, qsizetype& runs, int ms) {
    const bool ran = QTest::qWaitFor([&] { return finished.size() > runs; }, ms);
    runs = finished.size();
    return ran;
}

QPushButton* button(AnalysisWindow& window, const char* name) {
    return window.findChild<QPushButton*>(name);
}

QDoubleSpinBox* box(AnalysisWindow& window, const char* name) {
    return window.findChild<QDoubleSpinBox*>(name);
}

} // namespace

class AnalysisWindowTest : public QObject {
    Q_OBJECT

private slots:
    void eachMnemonicOnceAndAltRRuns() {
        AnalysisWindow window;
        QStringList keys;
        const QRegularExpression mnemonic("&([^&])");
        for (const QLabel* label : window.findChildren<QLabel*>()) {
            const auto found = mnemonic.match(label->text());
            if (label->buddy() != nullptr && found.hasMatch()) {
                keys << found.captured(1).toLower();
            }
        }
        for (const QAbstractButton* b : window.findChildren<QAbstractButton*>()) {
            const auto found = mnemonic.match(b->text());
            if (found.hasMatch()) {
                keys << found.captured(1).toLower();
            }
        }
        QCOMPARE(keys.size(), 6);
        QCOMPARE(QSet<QString>(keys.begin(), keys.end()).size(), keys.size());

        window.setRunner(recorded());
        QSignalSpy finished(&window, &AnalysisWindow::finished);
        qsizetype runs = 0;
        window.analyse(plan144());
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QVERIFY(nextRun(finished, runs, 10000));
        // Alt+O goes to the rod box; Alt+R from there runs.
        QTest::keyClick(window.focusWidget(), Qt::Key_O, Qt::AltModifier);
        QCOMPARE(QApplication::focusWidget(), box(window, "rodMm"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_R, Qt::AltModifier);
        QVERIFY(nextRun(finished, runs, 10000));
        QCOMPARE(finished.size(), 2);
    }

    // Ctrl+R runs, Escape and Ctrl+W close, with the focus in a box, on a button or in the
    // report.
    void keysWorkWhereverTheFocusIs_data() {
        QTest::addColumn<QString>("focus");
        QTest::newRow("wire box") << "wireMm";
        QTest::newRow("sweep box") << "sweepPercent";
        QTest::newRow("report") << "report";
        QTest::newRow("defaults") << "defaults";
    }
    void keysWorkWhereverTheFocusIs() {
        QFETCH(QString, focus);
        AnalysisWindow window;
        window.setRunner(recorded());
        QSignalSpy finished(&window, &AnalysisWindow::finished);
        qsizetype runs = 0;
        window.analyse(plan144());
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QVERIFY(nextRun(finished, runs, 10000));
        for (const QKeySequence& key :
             {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)}) {
            auto* widget = window.findChild<QWidget*>(focus);
            widget->setFocus();
            QCOMPARE(QApplication::focusWidget(), widget);
            QTest::keySequence(widget, QKeySequence(Qt::CTRL | Qt::Key_R));
            QVERIFY2(nextRun(finished, runs, 10000), "Ctrl+R did not run");
            widget->setFocus();
            QTest::keySequence(widget, key);
            QVERIFY2(!window.isVisible(), qPrintable(key.toString() + " did not close"));
            window.show();
            QVERIFY(QTest::qWaitForWindowActive(&window));
        }
    }

    void aSecondRunShowsItsOwnFigures() {
        AnalysisWindow window;
        window.setRunner(recorded());
        QSignalSpy finished(&window, &AnalysisWindow::finished);
        qsizetype runs = 0;
        window.analyse(plan144());
        QVERIFY(nextRun(finished, runs, 10000));
        QVERIFY(window.reportText().contains("  Forward gain                 13.59 dBi\n"));
        const QList<QImage> first = window.plotPictures();
        // Forward is to the right in both cuts: the recorded beam's main lobe lies there.
        for (int cut = 0; cut < 2; ++cut) {
            const auto r = reach(first[cut]);
            QVERIFY2(r[0] > 0.9 && r[2] < 0.75,
                     qPrintable(QString("cut %1: right %2, left %3").arg(cut).arg(r[0]).arg(r[2])));
        }

        // The same beam 20 dB weaker everywhere: every gain 20 dB lower, the ratios as before.
        window.setRunner(lowered(recorded(), 20));
        QTest::mouseClick(button(window, "run"), Qt::LeftButton);
        QVERIFY(nextRun(finished, runs, 10000));
        QVERIFY2(finished.last().at(0).toBool(), qPrintable(window.statusText()));
        const QString report = window.reportText();
        for (const char* line :
             {"  Forward gain                 -6.41 dBi\n",
              "  Front-to-back ratio          25.6 dB\n",
              "  Worst rear lobe              -22.45 dBi (front to rear 16.0 dB)\n",
              "  Feed impedance               49.6 + j1.9 ohm\n",
              "  144.000       -6.41     25.6   1.04\n"}) {
            QVERIFY2(report.contains(line), line);
        }
        QVERIFY(!report.contains("13.59"));
        QCOMPARE(window.statusText(),
                 QString("NEC-2 analysis of the 144 MHz design, 6 directors, free space."));
        QVERIFY(!window.rerunOffered());
        const QList<QImage> second = window.plotPictures();
        QVERIFY(second[2] != first[2]);
        // The sweep's gain (-6.4 ... -7.3 dBi) now lies below the 0 dB line, F/B above it.
        const QImage& sweep = second[2];
        const QList<int> zero = linesOf(sweep, qRgb(0, 0, 0), sweep.width() / 2, true);
        QCOMPARE(zero.size(), 1);
        const int x0 = sweep.width() * 6 / 10;
        const int x1 = sweep.width() * 9 / 10;
        QVERIFY(inkRow(sweep, blue, x0, x1) > zero[0] + 5);
        QVERIFY(inkRow(sweep, green, x0, x1) < zero[0] - 5);
        QVERIFY(inkRow(first[2], blue, x0, x1) <
                linesOf(first[2], qRgb(0, 0, 0), sweep.width() / 2, true).value(0, -1) - 5);
    }

    // Gain and F/B drawn in proportion on each side of the 0 dB line: their distances from it
    // are as their values.
    void theSweepPlotDrawsNegativeValuesWhereTheyAre_data() {
        QTest::addColumn<double>("gain");
        QTest::addColumn<double>("frontToBack");
        QTest::newRow("gain below, F/B above") << -6.0 << 12.0;
        QTest::newRow("F/B below, gain above") << 4.0 << -8.0;
        QTest::newRow("both below") << -3.0 << -9.0;
        QTest::newRow("both above") << 13.5 << 27.0;
    }
    void theSweepPlotDrawsNegativeValuesWhereTheyAre() {
        QFETCH(double, gain);
        QFETCH(double, frontToBack);
        SweepPlot plot;
        plot.resize(560, 300);
        plot.setSweep(flatSweep(139.68, 148.32, gain, frontToBack), 144);
        const QImage image = plot.grab().toImage();
        const QList<int> zero = linesOf(image, qRgb(0, 0, 0), image.width() / 2, true);
        QCOMPARE(zero.size(), 1);
        const double gainRow = inkRow(image, blue, 336, 532);
        const double fbRow = inkRow(image, green, 336, 532);
        QVERIFY2(std::abs(gainRow - zero[0]) > 8, qPrintable(QString::number(gainRow)));
        QCOMPARE((gainRow - zero[0]) < 0, gain > 0); // up the page is more
        QCOMPARE((fbRow - zero[0]) < 0, frontToBack > 0);
        const double ratio = (gainRow - zero[0]) / (fbRow - zero[0]);
        QVERIFY2(std::abs(ratio - gain / frontToBack) < 0.06,
                 qPrintable(QString("%1 against %2").arg(ratio).arg(gain / frontToBack)));
        // A grid: at least four lines each way across the plot.
        QVERIFY(linesOf(image, grid, 200, true).size() >= 4);
        QVERIFY(linesOf(image, grid, 100, false).size() >= 4);
        // Ticks labelled: MHz every 2 MHz, dB every 5 dB, SWR 1 to 5.
        const QStringList texts = plot.texts();
        for (const char* label : {"140", "142", "144", "146", "148", "MHz", "0", "SWR", "dB"}) {
            QVERIFY2(texts.contains(label), label);
        }
        QCOMPARE(!texts.filter(QRegularExpression("^-\\d+$")).isEmpty(),
                 gain < 0 || frontToBack < 0);
    }

    // Forward to the right, 90 deg up (counter-clockwise), as the plots say.
    void thePolarPlotPointsWhereItSays_data() {
        QTest::addColumn<double>("towards");
        QTest::addColumn<int>("side"); // right, up, left, down
        QTest::newRow("forward") << 0.0 << 0;
        QTest::newRow("90 deg") << 90.0 << 1;
        QTest::newRow("back") << 180.0 << 2;
        QTest::newRow("270 deg") << 270.0 << 3;
    }
    void thePolarPlotPointsWhereItSays() {
        QFETCH(double, towards);
        QFETCH(int, side);
        PolarPlot plot("Horizontal pattern");
        plot.resize(300, 300);
        plot.setPattern(lobe(towards));
        const auto r = reach(plot.grab().toImage());
        QVERIFY2(r[side] > 0.93 && r[(side + 2) % 4] < 0.5,
                 qPrintable(QString("%1 %2 %3 %4").arg(r[0]).arg(r[1]).arg(r[2]).arg(r[3])));
        // The rings are labelled from the largest gain down, the angles and forward named.
        for (const char* label :
             {"10 dBi", "0 dBi", "-10 dBi", "forward", "0\u00b0", "90\u00b0", "180\u00b0"}) {
            QVERIFY2(plot.texts().contains(QString::fromUtf8(label)), label);
        }
    }

    // The labels never hide the trace: every trace pixel of the plot drawn without its labels
    // is a trace pixel with them, whichever way the lobe points, for a round pattern lying on
    // a ring, and for the 144 MHz design's own rear lobes.
    void theLabelsNeverHideTheTrace_data() {
        QTest::addColumn<Pattern>("pattern");
        for (const double towards : {0.0, 90.0, 97.0, 180.0, 263.0}) {
            QTest::newRow(qPrintable(QString("lobe towards %1").arg(towards))) << lobe(towards);
        }
        Pattern round;
        for (int a = 0; a <= 360; ++a) {
            round.emplace_back(a, a % 2 == 0 ? 0.0 : -10.0); // a thick band across two rings
        }
        QTest::newRow("round, across two rings") << round;
    }
    void theLabelsNeverHideTheTrace() {
        QFETCH(Pattern, pattern);
        PolarPlot plot("Horizontal pattern");
        plot.resize(300, 300);
        plot.setPattern(pattern);
        const QImage labelled = plot.grab().toImage();
        plot.setLabelsShown(false);
        const QImage bare = plot.grab().toImage();
        const auto trace = [](QRgb pixel) {
            return qBlue(pixel) > 150 && qRed(pixel) < 120 && qGreen(pixel) < 120;
        };
        int traced = 0;
        int hidden = 0;
        for (int y = 0; y < bare.height(); ++y) {
            for (int x = 0; x < bare.width(); ++x) {
                if (trace(bare.pixel(x, y))) {
                    ++traced;
                    hidden += trace(labelled.pixel(x, y)) ? 0 : 1;
                }
            }
        }
        // A label over the line would hide a stretch of it, tens of pixels; a few pixels of the
        // line's anti-aliased edge blend differently over a label's ground than over white.
        QVERIFY(traced > 200);
        QVERIFY2(hidden <= 8,
                 qPrintable(QString("%1 of %2 trace pixels hidden").arg(hidden).arg(traced)));
    }

    void cancelMarksTheFiguresBeforeAsStale() {
        AnalysisWindow window;
        window.setRunner(recorded());
        QSignalSpy finished(&window, &AnalysisWindow::finished);
        qsizetype runs = 0;
        window.analyse(plan144());
        QVERIFY(nextRun(finished, runs, 10000));
        QVERIFY(!window.rerunOffered());
        box(window, "wireMm")->setValue(3.25);
        SlowNec2c slow;
        window.setRunner({});
        QTest::mouseClick(button(window, "run"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(slow.started), 5000);
        QTest::mouseClick(button(window, "cancel"), Qt::LeftButton);
        QVERIFY(nextRun(finished, runs, 5000));
        QCOMPARE(window.statusText(), QString("Cancelled."));
        // The figures of 2.05 mm stay to compare with, and say plainly whose they are.
        QVERIFY(window.reportText().contains("13.59 dBi"));
        QVERIFY(window.rerunOffered());
        QVERIFY2(window.staleText().contains("These figures are of 2.05 mm wire, 4.76 mm rods "
                                             "and a sweep of +/-3 %, not of the settings above."),
                 qPrintable(window.staleText()));
        // Back to the settings the figures are of: they answer the boxes again.
        box(window, "wireMm")->setValue(2.05);
        QVERIFY(!window.rerunOffered());
    }

    void aLaterComputeMarksTheFiguresAsOfTheDesignBefore() {
        AnalysisWindow window;
        window.setRunner(recorded());
        QSignalSpy finished(&window, &AnalysisWindow::finished);
        qsizetype runs = 0;
        window.analyse(plan144());
        QVERIFY(nextRun(finished, runs, 10000));
        // The same lengths again (as CONVERT TO METRIC leaves them): the figures still hold.
        window.planChanged(plan144(), "The design was computed again");
        QVERIFY(!window.rerunOffered());
        MemoryWindow later;
        later.type("145");
        later.click(Control::Option2);
        later.select(Control::List1, "1");
        later.click(Control::Command1);
        window.planChanged(nextPlan(later.form(), later.state(), plan144()),
                           "The design was computed again");
        QVERIFY2(window.staleText().contains(
                     "The design was computed again: these figures are of the design before."),
                 qPrintable(window.staleText()));
        QVERIFY(window.reportText().contains("13.59 dBi"));
    }

    void defaultsMarkTheFiguresAsStaleUntilTheNextRun() {
        QVERIFY2(!analysis::findNec2c().empty(), "nec2c (Debian package nec2c) is needed");
        Plan plan = plan144();
        chooseMaterials(plan, {3.25, 4.76});
        AnalysisWindow window;
        QSignalSpy finished(&window, &AnalysisWindow::finished);
        qsizetype runs = 0;
        window.analyse(plan); // nec2c itself: no recording holds 3.25 mm wire
        QVERIFY(nextRun(finished, runs, 60000));
        QVERIFY2(finished.last().at(0).toBool(), qPrintable(window.statusText()));
        QVERIFY(window.reportText().contains("loops of copper wire 3.25 mm"));
        QVERIFY(!window.rerunOffered());
        QTest::mouseClick(button(window, "defaults"), Qt::LeftButton);
        QCOMPARE(box(window, "wireMm")->value(), 2.05);
        QVERIFY(window.rerunOffered());
        QVERIFY2(window.staleText().contains("These figures are of 3.25 mm wire"),
                 qPrintable(window.staleText()));
        window.setRunner(recorded());
        QTest::mouseClick(button(window, "run"), Qt::LeftButton);
        QVERIFY(nextRun(finished, runs, 10000));
        QVERIFY(!window.rerunOffered());
        QVERIFY(window.reportText().contains("loops of copper wire 2.05 mm"));
        QVERIFY(window.reportText().contains("13.59 dBi"));
    }

    void theLayoutStaysStillWhileNec2cRuns() {
        AnalysisWindow window;
        window.setRunner(recorded());
        QSignalSpy finished(&window, &AnalysisWindow::finished);
        qsizetype runs = 0;
        window.analyse(plan144());
        QVERIFY(nextRun(finished, runs, 10000));
        auto* report = window.findChild<QPlainTextEdit*>("report");
        QTest::qWait(100); // the layout settles after the run
        const QRect before = report->geometry();
        SlowNec2c slow;
        window.setRunner({});
        QTest::mouseClick(button(window, "run"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(slow.started), 5000);
        QVERIFY(window.findChild<QProgressBar*>("busy")->isVisible());
        QCOMPARE(report->geometry(), before);
        QTest::mouseClick(button(window, "cancel"), Qt::LeftButton);
        QVERIFY(nextRun(finished, runs, 5000));
        QTest::qWait(100);
        QCOMPARE(report->geometry(), before);
    }

    void theReportKeepsItsColumnsAtTheSmallestWindow() {
        AnalysisWindow window;
        window.setRunner(recorded());
        QSignalSpy finished(&window, &AnalysisWindow::finished);
        qsizetype runs = 0;
        window.analyse(plan144());
        QVERIFY(nextRun(finished, runs, 10000));
        window.resize(1, 1);
        QTest::qWait(50);
        QCOMPARE(window.size(), window.minimumSize());
        auto* report = window.findChild<QPlainTextEdit*>("report");
        int lines = 0;
        for (QTextBlock block = report->document()->begin(); block.isValid();
             block = block.next(), ++lines) {
            QVERIFY2(block.layout()->lineCount() <= 1, qPrintable(block.text()));
        }
        QVERIFY(lines > 40);
        // The figures and the sweep's table are seen whole, without scrolling.
        const QString row = "  Worst rear lobe              -2.45 dBi (front to rear 16.0 dB)";
        QVERIFY(report->viewport()->width() > report->fontMetrics().horizontalAdvance(row));
    }

    void everyNumberCarriesTheUsersSeparator() {
        const QByteArray before = qgetenv("LC_ALL");
        qputenv("LC_ALL", "de_DE.UTF-8");
        AnalysisWindow window;
        qputenv("LC_ALL", before);
        window.setRunner(recorded());
        QSignalSpy finished(&window, &AnalysisWindow::finished);
        qsizetype runs = 0;
        // With a boom-range warning, as a 40 mm boom at 432 MHz gives: a sentence that ends
        // in a number keeps its full stop.
        MemoryWindow thick;
        thick.type("432");
        thick.click(Control::Option2);
        thick.select(Control::List2, "40");
        thick.click(Control::Command1);
        Plan plan = plan144();
        plan.warnings = boomWarnings(thick.form(), thick.state());
        QCOMPARE(plan.warnings.size(), std::size_t{1});
        window.analyse(plan);
        QVERIFY(nextRun(finished, runs, 10000));
        const QString report = window.reportText();
        QVERIFY2(report.contains("up to 0,055 wavelengths") &&
                     report.contains(" within that range is 38.\n"),
                 qPrintable(report));
        for (const char* line :
             {"  loops of copper wire 2,05 mm, directors of aluminium rod 4,76 mm;",
              "  Forward gain                 13,59 dBi\n",
              "  Feed impedance               49,6 + j1,9 ohm\n",
              "  139,680       12,91     22,2   3,30\n",
              "  SWR <= 2 from                141,51 to 145,25 MHz (3,75 MHz)"}) {
            QVERIFY2(report.contains(QString::fromUtf8(line)), line);
        }
        QVERIFY(!report.contains(QRegularExpression("\\d\\.\\d")));
        QCOMPARE(box(window, "wireMm")->text(), QString("2,050 mm"));
        box(window, "rodMm")->setValue(5);
        QVERIFY2(window.staleText().contains("2,05 mm wire, 4,76 mm rods"),
                 qPrintable(window.staleText()));

        // The sweep's axis at +/-0.5 %: a tick every 0.5 MHz.
        SweepPlot plot(",");
        plot.resize(560, 300);
        plot.setSweep(flatSweep(143.28, 144.72, 13, 25), 144);
        plot.grab();
        for (const char* label : {"143,5", "144,0", "144,5"}) {
            QVERIFY2(plot.texts().contains(label), qPrintable(plot.texts().join(" | ")));
        }
        PolarPlot polar("Vertical", ",");
        polar.resize(300, 300);
        polar.setPattern(lobe(0));
        polar.grab();
        QVERIFY(!polar.texts().filter(QRegularExpression("\\d\\.\\d")).size());
    }
};

QTEST_MAIN(AnalysisWindowTest)
#include "analysis_window_test.moc"
