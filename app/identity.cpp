// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "identity.h"

#include "assets/assets.h"
#include "shell/frmsplash.h"
#include "shell/identity.h"
#include "toolkit/program.h"
#include "toolkit/qt/frontend.h"

#include <QApplication>
#include <QIcon>
#include <QTimer>

namespace kolvar {

namespace {

// Every size a title bar, taskbar or switcher draws, so the window manager never has to blur one
// into another. Each new window converts and sends all of them to the display server; the 256
// one alone would be three quarters of that, and the menus and docks that show such a size take
// it from the installed icon theme.
void setWindowIcon() {
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128})
        icon.addFile(QStringLiteral(":/icons/%1x%1/apps/org.kolvar.kolvar.png").arg(size),
                     QSize(size, size));
    QApplication::setWindowIcon(icon);
}

} // namespace

void identify() {
    const kt::Identity id = identity();
    QApplication::setApplicationName(QString::fromStdString(id.title));
    // Minor and revision at their usual widths: 1.2.45 reads "1.02.0045".
    QApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                            .arg(id.major)
                                            .arg(id.minor, 2, 10, QLatin1Char('0'))
                                            .arg(id.revision, 4, 10, QLatin1Char('0')));
    QApplication::setOrganizationName(QStringLiteral("Drellmark"));
    QApplication::setDesktopFileName(QStringLiteral("org.kolvar.kolvar"));
}

void start(kt::Program& app, ktqt::Frontend& frontend) {
    app.dispatch([&] { showStartMenu(app); });
    // Decoding the icon's sizes and the battlefield's art would hold up the menu's first paint;
    // once the menu is up they are done while the player looks at it. Until then the taskbar
    // names the game by its desktop id, which already carries the same icon.
    QTimer::singleShot(250, &frontend, [&frontend] {
        setWindowIcon();
        warmArt([&frontend](const kt::Picture& p) { frontend.prepare(p); });
    });
}

} // namespace kolvar
