// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Kolvar: the program starts by showing its start menu; the model decides when it ends.

#include "app/identity.h"
#include "toolkit/program.h"
#include "toolkit/qt/frontend.h"

#include <QApplication>

int main(int argc, char** argv) {
    ktqt::FontConfigWarmup fontconfig;
    QApplication qapp(argc, argv);
    kolvar::identify();
    fontconfig.join();
    kt::Program app;
    ktqt::Frontend frontend(app, ktqt::Frontend::Mode::RealTime);
    kolvar::start(app);
    return QApplication::exec();
}
