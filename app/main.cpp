// Kolvar: the program starts by showing its start menu; the model decides when it ends.

#include "shell/frmsplash.h"
#include "toolkit/program.h"
#include "toolkit/qt/frontend.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kolvar"));
    QApplication::setApplicationVersion(QStringLiteral("1.02.0045"));
    QApplication::setOrganizationName(QStringLiteral("Drellmark"));
    QApplication::setDesktopFileName(QStringLiteral("org.kolvar.Kolvar"));

    kt::Program app;
    ktqt::Frontend frontend(app, ktqt::Frontend::Mode::RealTime);
    app.dispatch([&] { kolvar::showStartMenu(app); });
    return QApplication::exec();
}
