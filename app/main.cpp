// Kolvar: the program starts by showing its start menu; the model decides when it ends.

#include "shell/frmsplash.h"
#include "toolkit/program.h"
#include "toolkit/qt/frontend.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kolvar"));
    QApplication::setApplicationVersion(QStringLiteral("1.02.0045"));
    QApplication::setOrganizationName(QStringLiteral("Drellmark"));
    QApplication::setDesktopFileName(QStringLiteral("org.kolvar.Kolvar"));
    // Every size, so the window manager never has to blur one into another.
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/%1x%1/apps/org.kolvar.Kolvar.png").arg(size),
                     QSize(size, size));
    QApplication::setWindowIcon(icon);

    kt::Program app;
    ktqt::Frontend frontend(app, ktqt::Frontend::Mode::RealTime);
    app.dispatch([&] { kolvar::showStartMenu(app); });
    return QApplication::exec();
}
