// SPDX-License-Identifier: GPL-3.0-or-later
// Saves pictures of the windows for the README: the program's window after the 144 MHz worked
// example (metallic boom, 1 inch), after CONVERT TO METRIC, the web link window, and the NEC-2
// analysis window of the same design (nec2c runs for it).
#include "mainwindow/desktop_window.h"
#include "weblink/web_link_window.h"

#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <iostream>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString("docs");
    tarvo::DesktopWindow desktop;
    desktop.show();
    tarvo::MainWindow& window = desktop.calculator();
    using enum tarvo::Control;
    qobject_cast<QLineEdit*>(window.control(Text17))->setText("144");
    qobject_cast<QRadioButton*>(window.control(Option2))->setChecked(true);
    auto* inches = qobject_cast<QListWidget*>(window.control(List1));
    inches->setCurrentRow(2); // "1"
    qobject_cast<QPushButton*>(window.control(Command1))->click();
    bool saved = desktop.grab().save(folder + "/tarvo-144mhz.png");

    // The analysis of the computed design, as Design > Analyze with NEC-2... shows it.
    tarvo::AnalysisWindow& analysis = desktop.analysisWindow();
    QEventLoop wait;
    bool analysed = false;
    QObject::connect(&analysis, &tarvo::AnalysisWindow::finished, [&](bool succeeded) {
        analysed = succeeded;
        wait.quit();
    });
    desktop.action("analyze")->trigger();
    QTimer::singleShot(60000, &wait, &QEventLoop::quit);
    wait.exec();
    if (!analysed) {
        std::cerr << "screenshot: the analysis failed: " << analysis.statusText().toStdString()
                  << '\n';
        return 1;
    }
    saved = analysis.grab().save(folder + "/analysis-window-144mhz.png") && saved;

    qobject_cast<QPushButton*>(window.control(Command4))->click();
    saved = desktop.grab().save(folder + "/tarvo-144mhz-metric.png") && saved;
    QWidget* web = tarvo::showWebLinkWindow();
    saved = web->grab().save(folder + "/web-page-link.png") && saved;
    if (!saved) {
        std::cerr << "screenshot: cannot write into " << folder.toStdString() << '\n';
        return 1;
    }
    return 0;
}
