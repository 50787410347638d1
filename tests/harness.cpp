// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "harness.h"

#include "toolkit/describe.h"

#include <QBackingStore>
#include <QCoreApplication>
#include <QJsonDocument>
#include <QWidget>

namespace kolvar {

Game::Game()
    : frontend(std::make_unique<ktqt::Frontend>(app, ktqt::Frontend::Mode::Scripted)) {
    startProgram(app);
}

Game::~Game() {
    // Views go before the forms they show.
    frontend.reset();
}

void Game::run(const std::string& script) {
    std::ostringstream out;
    Replay replay(app, *frontend, out);
    std::istringstream in(script);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        try {
            replay.step(line);
        } catch (const std::exception& e) {
            throw ScriptError("script line " + std::to_string(number) + " '" + line +
                              "': " + e.what());
        }
    }
}

QJsonObject Game::dump() {
    return kt::describe(app);
}

Form1& Game::battle() {
    if (auto* f = app.loaded<Form1>()) return *f;
    run("click frmSplash Command1");
    return *app.loaded<Form1>();
}

void settle() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

QString unlikeFullPaint(QWidget& view) {
    settle();
    if (!view.isVisible()) return {};
    QBackingStore* store = view.backingStore();
    QPaintDevice* device = store ? store->paintDevice() : nullptr;
    if (!device || device->devType() != QInternal::Image) return "the window has no raster image";
    const QImage& held = *static_cast<QImage*>(device);
    const qreal ratio = view.devicePixelRatioF();
    QImage full((QSizeF(view.size()) * ratio).toSize(), QImage::Format_RGB32);
    full.setDevicePixelRatio(ratio);
    full.fill(Qt::black);
    view.render(&full, QPoint(), QRegion(), QWidget::DrawChildren);
    const QImage shown = held.copy(QRect(QPoint(), full.size())).convertToFormat(full.format());
    QRect unlike;
    QPoint first;
    QRgb was = 0, is = 0;
    for (int y = 0; y < full.height(); ++y) {
        const auto* a = reinterpret_cast<const QRgb*>(shown.constScanLine(y));
        const auto* b = reinterpret_cast<const QRgb*>(full.constScanLine(y));
        for (int x = 0; x < full.width(); ++x)
            if ((a[x] | 0xff000000) != (b[x] | 0xff000000)) {
                if (unlike.isNull()) first = QPoint(x, y), was = a[x], is = b[x];
                unlike |= QRect(x, y, 1, 1);
            }
    }
    if (unlike.isNull()) return {};
    return QStringLiteral("shown %1 where a full paint gives %2 at device pixel %3,%4; unlike "
                          "within %5,%6 %7x%8")
        .arg(was & 0xffffff, 6, 16, QLatin1Char('0'))
        .arg(is & 0xffffff, 6, 16, QLatin1Char('0'))
        .arg(first.x())
        .arg(first.y())
        .arg(unlike.x())
        .arg(unlike.y())
        .arg(unlike.width())
        .arg(unlike.height());
}

} // namespace kolvar
