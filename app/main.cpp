// SPDX-License-Identifier: GPL-3.0-or-later
// tarvo: the antenna designer's window.
#include "mainwindow/desktop_window.h"

#include <QApplication>
#include <cstdlib>
#include <cstring>
#include <fontconfig/fontconfig.h>
#include <iostream>
#include <thread>

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

/// While the toolkit connects to the display, its fatal message (which would blame the
/// installation) becomes ours, naming the display, and the program exits with status 1.
void displayFailure(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type != QtFatalMsg) {
        std::cerr << message.toLocal8Bit().constData() << '\n';
        return;
    }
    const char* display = std::getenv("DISPLAY");
    std::cerr << "tarvo: cannot open the display "
              << (display != nullptr && *display != '\0' ? display : "(none)")
              << ": no display server answers there, or it refuses the connection.\n"
                 "Start TARVO from a desktop session, or use tarvo-cli for designs without "
                 "a window.\n";
    std::_Exit(1);
}

} // namespace

int main(int argc, char** argv) {
    if (!haveDisplay()) {
        std::cerr << "tarvo: no display to open the window on (DISPLAY is not set).\n"
                     "Start it from a desktop session, or use tarvo-cli for designs without "
                     "a window.\n";
        return 1;
    }
    // Reading fontconfig's configuration takes as long as connecting to the display: both at
    // once, so the window's first text does not wait for it.
    std::thread fontconfig([] { FcInit(); });
    const QtMessageHandler previous = qInstallMessageHandler(displayFailure);
    QApplication app(argc, argv);
    fontconfig.join();
    qInstallMessageHandler(previous);
    tarvo::DesktopWindow window;
    window.show();
    // The program ends when its last window closes, the web link window included.
    return app.exec();
}
