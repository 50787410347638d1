// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Kolvar: the program starts by showing its start menu; the model decides when it ends.

#include "app/identity.h"
#include "toolkit/program.h"
#include "toolkit/qt/frontend.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

constexpr const char* noDisplay =
    "kolvar: no graphical display found: start the game from a desktop session "
    "(DISPLAY or WAYLAND_DISPLAY names no running display)\n";

// Started from an ssh shell or a text console, Qt would abort with a core file after advising
// to reinstall. While Qt connects to the display its messages are held back: a fatal one becomes
// the one line above and status 1; the others are passed on once the connection stands.
QStringList held;
void hold(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtFatalMsg) {
        std::fputs(noDisplay, stderr);
        std::_Exit(1);
    }
    held << message;
}

std::unique_ptr<QApplication> connect(int& argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        std::fputs(noDisplay, stderr);
        std::_Exit(1);
    }
    const QtMessageHandler previous = qInstallMessageHandler(hold);
    auto qapp = std::make_unique<QApplication>(argc, argv);
    qInstallMessageHandler(previous);
    for (const QString& m : held) std::fprintf(stderr, "%s\n", qPrintable(m));
    held.clear();
    return qapp;
}

} // namespace

int main(int argc, char** argv) {
    ktqt::FontConfigWarmup fontconfig;
    const auto qapp = connect(argc, argv);
    kolvar::identify();
    fontconfig.join();
    kt::Program app;
    ktqt::Frontend frontend(app, ktqt::Frontend::Mode::RealTime);
    kolvar::start(app);
    return QApplication::exec();
}
