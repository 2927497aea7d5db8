// SPDX-License-Identifier: GPL-3.0-or-later
// Saves pictures of the windows for the README: the main window after the 144 MHz worked example
// (metallic boom, 1 inch), after CONVERT TO METRIC, and the web link window.
#include "mainwindow/main_window.h"
#include "weblink/web_link_window.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <iostream>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString("docs");
    tarvo::MainWindow window;
    window.show();
    using enum tarvo::Control;
    qobject_cast<QLineEdit*>(window.control(Text17))->setText("144");
    qobject_cast<QRadioButton*>(window.control(Option2))->setChecked(true);
    auto* inches = qobject_cast<QListWidget*>(window.control(List1));
    inches->setCurrentRow(2); // "1"
    qobject_cast<QPushButton*>(window.control(Command1))->click();
    bool saved = window.grab().save(folder + "/tarvo-144mhz.png");
    qobject_cast<QPushButton*>(window.control(Command4))->click();
    saved = window.grab().save(folder + "/tarvo-144mhz-metric.png") && saved;
    QWidget* web = tarvo::showWebLinkWindow();
    saved = web->grab().save(folder + "/web-page-link.png") && saved;
    if (!saved) {
        std::cerr << "screenshot: cannot write into " << folder.toStdString() << '\n';
        return 1;
    }
    return 0;
}
