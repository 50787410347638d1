// Kolvar: the program starts by showing its start menu; the model decides when it ends.

#include "app/identity.h"
#include "shell/frmsplash.h"
#include "toolkit/program.h"
#include "toolkit/qt/frontend.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    kolvar::identify();
    kt::Program app;
    ktqt::Frontend frontend(app, ktqt::Frontend::Mode::RealTime);
    app.dispatch([&] { kolvar::showStartMenu(app); });
    return QApplication::exec();
}
