// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "display.h"

#include "identity.h"
#include "toolkit/qt/frontend.h"

#include <QRegularExpression>
#include <QScreen>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <wayland-client.h>

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

// Qt names a platform it has no plugin for, then lists the ones it has in its fatal message.
[[noreturn]] void noPlugin(const QString& missing, const QString& fatal) {
    static const QRegularExpression listed("Available platform plugins are: ([^\\n]*)\\.");
    const QRegularExpressionMatch m = listed.match(fatal);
    const QString hint = missing.startsWith("wayland") ? " (Debian: apt install qt6-wayland)" : "";
    std::fprintf(stderr, "%s: Qt has no platform plugin \"%s\"%s; the ones installed are: %s\n",
                 name, qPrintable(missing), qPrintable(hint),
                 m.hasMatch() ? qPrintable(m.captured(1)) : "none");
    std::_Exit(1);
}

// Started from an ssh shell or a text console, Qt would abort with a core file after advising
// to reinstall. While Qt connects to the display its messages are held back: a fatal one becomes
// one line and status 1; the others are passed on once the connection stands.
QStringList held;
void hold(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtFatalMsg) {
        static const QRegularExpression unknown(
            "Could not find the Qt platform plugin \"([^\"]*)\"");
        for (const QString& m : held)
            if (const QRegularExpressionMatch found = unknown.match(m); found.hasMatch())
                noPlugin(found.captured(1), message);
        noDisplay();
    }
    held << message;
}

// Whether the Wayland compositor draws the title bars of its windows (it offers the decoration
// protocol); sway and KWin do, GNOME's mutter does not.
bool compositorDrawsFrames() {
    wl_display* display = wl_display_connect(nullptr);
    if (!display) return true; // Qt will say what is wrong with it
    bool offered = false;
    static const wl_registry_listener listener{
        [](void* data, wl_registry*, uint32_t, const char* interface, uint32_t) {
            if (std::strcmp(interface, "zxdg_decoration_manager_v1") == 0)
                *static_cast<bool*>(data) = true;
        },
        [](void*, wl_registry*, uint32_t) {}};
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &listener, &offered);
    wl_display_roundtrip(display);
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    return offered;
}

// Where the compositor draws no frames, Qt draws its own, with minimise and maximise on windows
// of fixed size, and the compositor neither centres a box on its window nor keeps it above.
// There the X server the desktop runs beside it (Xwayland) serves better: the desktop frames the
// windows as it frames every X program, and knows boxes from windows. Qt 5 did the same on GNOME;
// a player who names a platform gets it.
void preferFramedWindows() {
    if (qgetenv("XDG_SESSION_TYPE") != "wayland" || qEnvironmentVariableIsEmpty("DISPLAY")) return;
    if (!compositorDrawsFrames()) qputenv("QT_QPA_PLATFORM", "xcb");
}

// An 8-bit display shows every window black; the art needs thousands of colours at least.
constexpr int fewestBits = 15;

} // namespace

std::unique_ptr<QApplication> openDisplay(const char* program, int& argc, char** argv) {
    ktqt::FontConfigWarmup fontconfig;
    name = program;
    // Qt's own -platform option names a platform whatever the environment says.
    const bool named = std::any_of(argv + 1, argv + argc, [](const char* a) {
        return std::strcmp(a, "-platform") == 0 || std::strcmp(a, "--platform") == 0;
    });
    if (!named && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
        qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        noDisplay();
    if (!named && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) preferFramedWindows();
    // A running battle repaints its money label ten times a second. Through the X server's
    // shared memory, Qt waits for the server to let go of the last picture before each repaint:
    // a round trip that wakes the game twice. The label's few kilobytes sent down the connection
    // instead cost the idle battle a third less CPU, and a whole window a few milliseconds.
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM")) qputenv("QT_XCB_NO_MITSHM", "1");
    const QtMessageHandler previous = qInstallMessageHandler(hold);
    auto qapp = std::make_unique<QApplication>(argc, argv);
    qInstallMessageHandler(previous);
    if (const QScreen* screen = QGuiApplication::primaryScreen();
        screen && screen->depth() < fewestBits) {
        std::fprintf(stderr,
                     "%s: the display's colour depth (%d bits) is not supported: the game needs "
                     "%d bits or more\n",
                     name, screen->depth(), fewestBits);
        std::_Exit(1);
    }
    for (const QString& m : held) std::fprintf(stderr, "%s\n", qPrintable(m));
    held.clear();
    identify();
    fontconfig.join();
    return qapp;
}

} // namespace kolvar
