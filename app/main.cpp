// tarvo: the antenna designer's window.
#include "mainwindow/main_window.h"

#include <QApplication>
#include <cstdlib>
#include <iostream>

namespace {

/// Whether a window can be shown at all: an X or Wayland display, or a platform chosen by hand.
bool haveDisplay() {
    for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0') {
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    if (!haveDisplay()) {
        std::cerr << "tarvo: no display to open the window on (DISPLAY is not set).\n"
                     "Start it from a desktop session, or use tarvo-cli for designs without "
                     "a window.\n";
        return 1;
    }
    QApplication app(argc, argv);
    tarvo::MainWindow window;
    window.show();
    // The program ends when its last window closes, the web link window included.
    return app.exec();
}
