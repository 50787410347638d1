// Kolvar: the program starts by showing its start menu; the model decides when it ends.

#include "app/identity.h"
#include "toolkit/program.h"
#include "toolkit/qt/frontend.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    kolvar::identify();
    kt::Program app;
    ktqt::Frontend frontend(app, ktqt::Frontend::Mode::RealTime);
    kolvar::start(app);
    return QApplication::exec();
}
