// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

// kolvar-replay [SCRIPT]: plays a script (a file, or standard input) against the real program on
// the offscreen platform and prints the program's state as JSON at every `dump`.

#include "replay.h"

#include "toolkit/program.h"
#include "toolkit/qt/frontend.h"

#include <QApplication>
#include <fstream>
#include <iostream>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() > 2) {
        std::cerr << "usage: kolvar-replay [SCRIPT]\n";
        return 2;
    }
    kt::Program app;
    ktqt::Frontend frontend(app, ktqt::Frontend::Mode::Scripted);
    kolvar::Replay replay(app, frontend, std::cout);
    kolvar::startProgram(app);
    if (args.size() == 2) {
        std::ifstream file(args[1].toStdString());
        if (!file) {
            std::cerr << "kolvar-replay: cannot read " << args[1].toStdString() << '\n';
            return 2;
        }
        return replay.run(file, std::cerr);
    }
    return replay.run(std::cin, std::cerr);
}
