// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "display.h"

#include "identity.h"
#include "toolkit/qt/frontend.h"

#include <cstdio>
#include <cstdlib>

namespace kolvar {

namespace {

const char* name = "kolvar";

[[noreturn]] void noDisplay() {
    std::fprintf(stderr,
                 "%s: no graphical display found: start the game from a desktop session "
                 "(DISPLAY or WAYLAND_DISPLAY names no running display)\n",
                 name);
    std::_Exit(1);
}

// Started from an ssh shell or a text console, Qt would abort with a core file after advising
// to reinstall. While Qt connects to the display its messages are held back: a fatal one becomes
// the one line above and status 1; the others are passed on once the connection stands.
QStringList held;
void hold(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtFatalMsg) noDisplay();
    held << message;
}

} // namespace

std::unique_ptr<QApplication> openDisplay(const char* program, int& argc, char** argv) {
    ktqt::FontConfigWarmup fontconfig;
    name = program;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        noDisplay();
    // A running battle repaints its money label ten times a second. Through the X server's
    // shared memory, Qt waits for the server to let go of the last picture before each repaint:
    // a round trip that wakes the game twice. The label's few kilobytes sent down the connection
    // instead cost the idle battle a third less CPU, and a whole window a few milliseconds.
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM")) qputenv("QT_XCB_NO_MITSHM", "1");
    const QtMessageHandler previous = qInstallMessageHandler(hold);
    auto qapp = std::make_unique<QApplication>(argc, argv);
    qInstallMessageHandler(previous);
    for (const QString& m : held) std::fprintf(stderr, "%s\n", qPrintable(m));
    held.clear();
    identify();
    fontconfig.join();
    return qapp;
}

} // namespace kolvar
