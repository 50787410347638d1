#include "identity.h"

#include "assets/assets.h"
#include "shell/frmsplash.h"
#include "toolkit/program.h"

#include <QApplication>
#include <QIcon>
#include <QTimer>

namespace kolvar {

void identify() {
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
}

void start(kt::Program& app) {
    app.dispatch([&] { showStartMenu(app); });
    QTimer::singleShot(250, [] { warmArt(); });
}

} // namespace kolvar
