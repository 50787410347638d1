// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Kolvar: the program starts by showing its start menu; the model decides when it ends.

#include "app/display.h"
#include "app/identity.h"
#include "shell/identity.h"
#include "toolkit/program.h"
#include "toolkit/qt/frontend.h"

int main(int argc, char** argv) {
    const auto qapp = kolvar::openDisplay("kolvar", argc, argv);
    kt::Program app{kolvar::identity()};
    ktqt::Frontend frontend(app, ktqt::Frontend::Mode::RealTime);
    kolvar::start(app, frontend);
    return QApplication::exec();
}
