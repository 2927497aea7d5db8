// SPDX-License-Identifier: GPL-3.0-or-later
// Same plan, same files: what the window saves, exports, prints and analyses after the
// sequences builders were seen to follow equals, byte for byte, what tarvo-cli writes for the
// same design and options. Both sides run nec2c itself; tarvo-cli is the built program.
#include "analysis/nec_runner.h"
#include "mainwindow/desktop_window.h"
#include "sheetpaint/sheet_painter.h"

#include <QAction>
#include <QDoubleSpinBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMap>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>

using namespace tarvo;

namespace {

using enum Control;

/// Types the frequency, chooses the boom (an inch entry, or NON METALLIC when empty) and
/// presses COMPUTE, by real clicks.
void compute(DesktopWindow& window, const QString& frequency, const QString& inchBoom) {
    MainWindow& calculator = window.calculator();
    auto* box = qobject_cast<QLineEdit*>(calculator.control(Text17));
    box->selectAll();
    QTest::keyClicks(box, frequency);
    if (inchBoom.isEmpty()) {
        QTest::mouseClick(calculator.control(Option1), Qt::LeftButton, {}, QPoint(6, 8));
    } else {
        QTest::mouseClick(calculator.control(Option2), Qt::LeftButton, {}, QPoint(6, 8));
        auto* inches = qobject_cast<QListWidget*>(calculator.control(List1));
        const auto items = inches->findItems(inchBoom, Qt::MatchExactly);
        QVERIFY(!items.isEmpty());
        QTest::mouseClick(inches->viewport(), Qt::LeftButton, {},
                          inches->visualItemRect(items.front()).center());
    }
    QTest::mouseClick(calculator.control(Command1), Qt::LeftButton);
}

QByteArray contentOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll()
                                          : QByteArray("(missing: " + path.toUtf8() + ")");
}

/// A PDF apart from the moment it was made.
QByteArray withoutDate(QByteArray pdf) {
    static const QRegularExpression date(R"(/CreationDate \(D:[^)]*\))");
    return QString::fromLatin1(pdf).remove(date).toLatin1();
}

} // namespace

class SameFilesTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_folder;
    QMap<QString, QString> m_cliFolders; ///< tarvo-cli's files of each option set, made once
    std::atomic<int> m_necRuns{0};

    /// nec2c itself, counted.
    analysis::NecRunner countedNec2c() {
        return [this](const std::string& deck) {
            ++m_necRuns;
            return analysis::runNec2c(deck);
        };
    }

    /// Runs tarvo-cli with the options; what it prints goes to `printed`.
    static void runCli(const QStringList& options, const QString& printed) {
        QProcess cli;
        cli.setStandardOutputFile(printed);
        cli.start(TARVO_CLI, options);
        QVERIFY(cli.waitForFinished(300000));
        QVERIFY2(cli.exitCode() == 0, cli.readAllStandardError().constData());
    }

    /// The folder of tarvo-cli's files for the options: beam.* for every export, symbolic.nec
    /// and what it printed with --analyze, made once.
    QString cliFiles(const QStringList& design) {
        const QString key = design.join(' ');
        if (m_cliFolders.contains(key)) {
            return m_cliFolders[key];
        }
        const QString folder = m_folder.filePath("cli-" + QString::number(m_cliFolders.size()));
        QDir().mkpath(folder);
        runCli(design + QStringList{"--export", folder + "/beam.maa", "--export",
                                    folder + "/beam.nec", "--export", folder + "/beam.csv",
                                    "--export", folder + "/beam.s1p", "--export-symbolic",
                                    folder + "/symbolic.nec", "--analyze"},
               folder + "/printed.txt");
        m_cliFolders[key] = folder;
        return folder;
    }

    /// tarvo-cli's sheet for the options, "sheet.svg" or "sheet.pdf", made once.
    QString cliSheet(const QStringList& design, const QString& name) {
        const QString path = cliFiles(design) + "/" + name;
        if (!QFile::exists(path)) {
            runCli(design + QStringList{"--sheet", path}, path + ".txt");
        }
        return path;
    }

    /// The window's sheet (SVG and PDF) and every export, saved through its menus into a
    /// folder of their own, compared with tarvo-cli's for the options.
    void sameFiles(DesktopWindow& window, const QStringList& design, const QString& tag,
                   bool sheets) {
        const QString cli = cliFiles(design);
        const QString mine = m_folder.filePath(tag);
        QDir().mkpath(mine);
        struct Save {
            const char* action;
            QString name; // as typed; without an extension the filter's is added
            QString filter;
        };
        const Save saves[] = {
            {"saveSheet", "sheet", "SVG (*.svg)"},
            {"saveSheet", "sheet.pdf", "PDF (*.pdf)"},
            {"export", "beam", "MMANA-GAL model (*.maa)"},
            {"export", "beam.nec", "MMANA-GAL model (*.maa)"}, // the name's extension decides
            {"export", "beam.csv", "Design table (*.csv)"},
            {"export", "beam", "Touchstone S11 over the sweep (*.s1p)"},
            {"export", "symbolic", "NEC-2 deck with SY variables (*.nec)"},
        };
        for (const Save& save : saves) {
            if (!sheets && save.action == std::string("saveSheet")) {
                continue;
            }
            window.setSaveChooser(
                [&](const QString&, const QString&, const QString&, QString* filter) {
                    *filter = save.filter;
                    return mine + "/" + save.name;
                });
            window.action(save.action)->trigger();
        }
        for (const char* name : {"beam.maa", "beam.nec", "beam.csv", "beam.s1p", "symbolic.nec"}) {
            QVERIFY2(contentOf(mine + "/" + name) == contentOf(cli + "/" + name),
                     qPrintable(tag + ": " + name + " differs from tarvo-cli's; " +
                                window.lastMessage()));
        }
        if (sheets) {
            QVERIFY2(contentOf(mine + "/sheet.svg") == contentOf(cliSheet(design, "sheet.svg")),
                     qPrintable(tag + ": sheet.svg differs from tarvo-cli's"));
            QVERIFY2(withoutDate(contentOf(mine + "/sheet.pdf")) ==
                         withoutDate(contentOf(cliSheet(design, "sheet.pdf"))),
                     qPrintable(tag + ": sheet.pdf differs from tarvo-cli's"));
        }
        // Nothing else, no "beam.nec.maa" among them.
        QCOMPARE(QDir(mine).entryList(QDir::Files).size(), sheets ? 7 : 5);
    }

    /// What the window's Ctrl+P would print, drawn as the SVG a save makes.
    QByteArray printed(DesktopWindow& window) {
        QByteArray svg;
        window.setSheetPrinter([&svg](const workshop::DisplayList& list) {
            svg = sheetpaint::renderDocument(list, sheetpaint::Format::Svg);
        });
        window.action("printSheet")->trigger();
        return svg;
    }

private slots:
    void initTestCase() {
        QVERIFY(m_folder.isValid());
        QVERIFY(QDir::home().mkpath("Documents"));
        QVERIFY2(!analysis::findNec2c().empty(), "these comparisons run nec2c itself");
    }
    void init() { QSettings("TARVO", "TARVO").clear(); }

    /// NON METALLIC, 1296, COMPUTE, then the sheet and every export; then COMPUTE at 432 and
    /// print: the second design's sheet, not the first one's again.
    void freshStart() {
        DesktopWindow window;
        window.setQuiet(true);
        window.setRunner(countedNec2c());
        window.show();
        compute(window, "1296", "");
        sameFiles(window, {"--freq", "1296", "--nonmetallic"}, "fresh", true);
        QVERIFY(contentOf(m_folder.filePath("fresh/beam.s1p")).count('\n') > 10);
        // One sheet computation served the SVG, the PDF and now the print.
        const int runs = m_necRuns;
        const QByteArray first = printed(window);
        QCOMPARE(m_necRuns.load(), runs);
        QCOMPARE(first, contentOf(cliSheet({"--freq", "1296", "--nonmetallic"}, "sheet.svg")));
        compute(window, "432", "1");
        QCOMPARE(printed(window),
                 contentOf(cliSheet({"--freq", "432", "--inch", "1"}, "sheet.svg")));
        QVERIFY(m_necRuns > runs);
    }

    /// Analyze at 144 and close the window; COMPUTE at 1296; Ctrl+P: 1296's own materials.
    void analysisAtOneBandThenComputeAtAnother() {
        DesktopWindow window;
        window.setQuiet(true);
        window.show();
        compute(window, "144", "1");
        AnalysisWindow& analysis = window.analysisWindow();
        QSignalSpy finished(&analysis, &AnalysisWindow::finished);
        window.action("analyze")->trigger();
        QVERIFY(finished.wait(60000));
        analysis.close();
        compute(window, "1296", "");
        QCOMPARE(printed(window),
                 contentOf(cliSheet({"--freq", "1296", "--nonmetallic"}, "sheet.svg")));
        sameFiles(window, {"--freq", "1296", "--nonmetallic"}, "after-144", false);
    }

    /// The analysis window open at 144, COMPUTE at 432, Run again: 432 MHz with 432's
    /// materials, and nothing remembered for either band.
    void runAgain() {
        DesktopWindow window;
        window.setQuiet(true);
        window.show();
        compute(window, "144", "1");
        AnalysisWindow& analysis = window.analysisWindow();
        QSignalSpy finished(&analysis, &AnalysisWindow::finished);
        window.action("analyze")->trigger();
        QVERIFY(finished.wait(60000));
        compute(window, "432", "1");
        QVERIFY(analysis.rerunOffered());
        QTest::mouseClick(analysis.findChild<QPushButton*>("run"), Qt::LeftButton);
        QVERIFY(finished.wait(60000));
        const QByteArray cli =
            contentOf(cliFiles({"--freq", "432", "--inch", "1"}) + "/printed.txt");
        QVERIFY2(cli.endsWith(analysis.reportText().toUtf8()),
                 qPrintable("the analysis window shows:\n" + analysis.reportText()));
        QVERIFY(QSettings("TARVO", "TARVO").allKeys().filter("materials").isEmpty());
        sameFiles(window, {"--freq", "432", "--inch", "1"}, "run-again", false);
    }

    /// Other wire chosen at 144, then COMPUTE at 1296: 1296's recommended materials there; back
    /// at 144 the chosen wire again, as tarvo-cli --wire-mm has it.
    void materialsChangedThenComputeAtAnotherBand() {
        DesktopWindow window;
        window.setQuiet(true);
        window.show();
        compute(window, "144", "1");
        AnalysisWindow& analysis = window.analysisWindow();
        QSignalSpy finished(&analysis, &AnalysisWindow::finished);
        window.action("analyze")->trigger();
        QVERIFY(finished.wait(60000));
        analysis.findChild<QDoubleSpinBox*>("wireMm")->setValue(3.25);
        QTest::mouseClick(analysis.findChild<QPushButton*>("run"), Qt::LeftButton);
        QVERIFY(finished.wait(60000));
        analysis.close();
        compute(window, "1296", "");
        sameFiles(window, {"--freq", "1296", "--nonmetallic"}, "materials-1296", false);
        compute(window, "144", "1");
        sameFiles(window, {"--freq", "144", "--inch", "1", "--wire-mm", "3.25"}, "materials-144",
                  false);
    }

    /// On a German desktop the trim report and the title bar read as the boxes do: commas.
    void aGermanTrimReadsInCommas() {
        qputenv("LC_ALL", "de_DE.UTF-8");
        DesktopWindow window;
        qputenv("LC_ALL", "C");
        window.setQuiet(true);
        window.show();
        compute(window, "144", "1");
        window.action("trim")->trigger();
        const QString report = window.lastMessage();
        QVERIFY2(
            report.startsWith("TRIMMED for loops of 2,05 mm wire and directors of 4,76 mm rod"),
            qPrintable(report));
        QVERIFY2(report.contains("REFLECTOR   89,35     "), qPrintable(report));
        QVERIFY2(!report.contains(QRegularExpression(R"(\d\.\d)")), qPrintable(report));
        QVERIFY(window.useTrimmedLengths());
        QCOMPARE(
            window.windowTitle(),
            QString("TARVO - 144 MHz, 6 directors, trimmed for 2,05 mm wire and 4,76 mm rods"));
        // Other wire ends the trim: it was found for 2.05 mm. The deck then builds the design's
        // reflector, 89.35 in round, a side of 22.3375 in, +-0.283686 m from the boom, of
        // 3.25 mm wire (radius 0.001625 m), and the title no longer claims a trim.
        AnalysisWindow& analysis = window.analysisWindow();
        QSignalSpy finished(&analysis, &AnalysisWindow::finished);
        window.action("analyze")->trigger();
        QVERIFY(finished.wait(60000));
        analysis.findChild<QDoubleSpinBox*>("wireMm")->setValue(3.25);
        QTest::mouseClick(analysis.findChild<QPushButton*>("run"), Qt::LeftButton);
        QVERIFY(finished.wait(60000));
        analysis.close();
        QCOMPARE(window.windowTitle(), QString("TARVO - 144 MHz, 6 directors"));
        const QString deck = m_folder.filePath("other-wire.nec");
        window.setSaveChooser(
            [&](const QString&, const QString&, const QString&, QString*) { return deck; });
        window.action("export")->trigger();
        QFile file(deck);
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(window.lastMessage()));
        const QString cards = QString::fromUtf8(file.readAll());
        QVERIFY2(cards.contains("\nGW 1 11 0.000000 -0.283686 -0.283686 0.000000 0.283686 "
                                "-0.283686 0.001625\n"),
                 qPrintable(cards.left(600)));
    }

    /// A trim accepted with Use trimmed lengths: the title says so, and the sheet and every
    /// export are tarvo-cli --trim's, until the next COMPUTE.
    void trimCarriesOn() {
        DesktopWindow window;
        window.setQuiet(true);
        window.show();
        compute(window, "144", "1");
        QCOMPARE(window.windowTitle(), QString("TARVO - 144 MHz, 6 directors"));
        QString asked;
        window.setSaveChooser([&](const QString&, const QString& name, const QString&, QString*) {
            asked = name;
            return QString();
        });
        window.action("export")->trigger();
        // The first save dialog opens in the user's documents folder (the test's own home).
        QCOMPARE(asked, QDir::home().filePath("Documents/tarvo-144mhz-beam.maa"));
        window.action("trim")->trigger();
        QVERIFY2(window.lastMessage().startsWith("TRIMMED"), qPrintable(window.lastMessage()));
        QVERIFY(window.useTrimmedLengths());
        QCOMPARE(
            window.windowTitle(),
            QString("TARVO - 144 MHz, 6 directors, trimmed for 2.05 mm wire and 4.76 mm rods"));
        sameFiles(window, {"--freq", "144", "--inch", "1", "--trim"}, "trimmed", true);
        // The next save dialog opens where the last file went, and names the trimmed lengths.
        window.setSaveChooser([&](const QString&, const QString& name, const QString&, QString*) {
            asked = name;
            return QString();
        });
        window.action("saveSheet")->trigger();
        QCOMPARE(asked, m_folder.filePath("trimmed/tarvo-144mhz-trimmed-sheet.pdf"));
        // A new COMPUTE builds the design's lengths again.
        compute(window, "144", "1");
        QCOMPARE(window.windowTitle(), QString("TARVO - 144 MHz, 6 directors"));
        QVERIFY(!window.useTrimmedLengths());
        sameFiles(window, {"--freq", "144", "--inch", "1"}, "untrimmed", false);
    }

    /// Design > Boom study... up to 7 directors: the table tarvo-cli --boom-study 7 prints; its
    /// trimmed 7 taken into the plan gives the files of tarvo-cli --directors 7 --trim, and the
    /// rule's 6 those of the table.
    void theBoomStudyIsTarvoClis() {
        DesktopWindow window;
        window.setQuiet(true);
        window.show();
        compute(window, "144", "1");
        QVERIFY2(window.studyBoom(7), qPrintable(window.lastMessage()));
        BoomStudyDialog* dialog = window.boomStudyDialog();
        QVERIFY(dialog->isVisible());
        const QString report = dialog->findChild<QPlainTextEdit*>("studyReport")->toPlainText();
        runCli({"--freq", "144", "--inch", "1", "--boom-study", "7"}, m_folder.filePath("study"));
        QVERIFY(report.startsWith("BOOM STUDY at 144 MHz, 6, 7 directors"));
        QVERIFY2(contentOf(m_folder.filePath("study")).endsWith(report.toUtf8()),
                 qPrintable(report));
        QVERIFY(!dialog->findChild<QLabel*>("studyPlot")->pixmap().isNull());

        auto* directors = dialog->findChild<QSpinBox*>("directors");
        QCOMPARE(directors->minimum(), 6);
        QCOMPARE(directors->maximum(), 7);
        directors->setValue(7);
        QTest::mouseClick(dialog->findChild<QPushButton*>("useTrimmed"), Qt::LeftButton);
        QCOMPARE(
            window.windowTitle(),
            QString("TARVO - 144 MHz, 7 directors, trimmed for 2.05 mm wire and 4.76 mm rods"));
        sameFiles(window, {"--freq", "144", "--inch", "1", "--directors", "7", "--trim"},
                  "study-trimmed", false);
        directors->setValue(6);
        QTest::mouseClick(dialog->findChild<QPushButton*>("useRule"), Qt::LeftButton);
        QCOMPARE(window.windowTitle(), QString("TARVO - 144 MHz, 6 directors"));
        sameFiles(window, {"--freq", "144", "--inch", "1"}, "study-rule", false);
        // A COMPUTE of another design leaves the study behind: nothing of it is taken.
        compute(window, "145", "1");
        directors->setValue(7);
        QTest::mouseClick(dialog->findChild<QPushButton*>("useRule"), Qt::LeftButton);
        QCOMPARE(window.windowTitle(), QString("TARVO - 145 MHz, 6 directors"));
        QVERIFY2(window.lastMessage().contains("run it again"), qPrintable(window.lastMessage()));
    }
};

QTEST_MAIN(SameFilesTest)
#include "same_files_test.moc"
