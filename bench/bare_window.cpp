// SPDX-License-Identifier: GPL-3.0-or-later
// The baseline for the window's start: a bare Qt window of the same size, nothing in it.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle("BARE");
    window.resize(591, 479);
    window.show();
    return app.exec();
}
