// SPDX-License-Identifier: GPL-3.0-or-later
// How responsive the window stays while nec2c works: a timer asks the event loop every 2 ms and
// the longest wait between its calls is the longest any event was blocked. Measured over a
// whole NEC-2 analysis from the menu and over the workshop sheet's tolerance runs. Needs nec2c.
#include "mainwindow/desktop_window.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <iostream>

namespace {

/// The longest gap between the event loop's turns while `work` runs, in milliseconds.
double longestGap(const std::function<void(QEventLoop&)>& work) {
    QElapsedTimer clock;
    clock.start();
    qint64 last = clock.nsecsElapsed();
    qint64 longest = 0;
    QTimer probe;
    probe.setInterval(2);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        longest = std::max(longest, now - last);
        last = now;
    });
    probe.start();
    QEventLoop loop;
    QTimer::singleShot(0, [&] { work(loop); });
    loop.exec();
    return static_cast<double>(longest) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    tarvo::DesktopWindow desktop;
    desktop.setQuiet(true);
    desktop.show();
    using enum tarvo::Control;
    tarvo::MainWindow& window = desktop.calculator();
    qobject_cast<QLineEdit*>(window.control(Text17))->setText("144");
    qobject_cast<QRadioButton*>(window.control(Option2))->setChecked(true);
    qobject_cast<QListWidget*>(window.control(List1))->setCurrentRow(2);
    qobject_cast<QPushButton*>(window.control(Command1))->click();

    tarvo::AnalysisWindow& analysis = desktop.analysisWindow();
    bool succeeded = false;
    const double duringAnalysis = longestGap([&](QEventLoop& loop) {
        QObject::connect(&analysis, &tarvo::AnalysisWindow::finished, &loop, [&](bool ok) {
            succeeded = ok;
            loop.quit();
        });
        desktop.action("analyze")->trigger();
    });
    if (!succeeded) {
        std::cerr << "responsiveness: the analysis failed: " << analysis.statusText().toStdString()
                  << '\n';
        return 1;
    }
    QTemporaryDir folder;
    desktop.setSaveChooser([&](const QString&, const QString&, const QString&, QString* filter) {
        *filter = "PDF (*.pdf)";
        return folder.filePath("sheet.pdf");
    });
    const double duringSheet = longestGap([&](QEventLoop& loop) {
        desktop.action("saveSheet")->trigger(); // returns when the sheet is written
        loop.quit();
    });
    std::cout << "window responsiveness, longest event-loop wait: during a NEC-2 analysis "
              << duringAnalysis << " ms, during the workshop sheet's tolerance runs " << duringSheet
              << " ms (target < 50 ms)\n";
    return 0;
}
