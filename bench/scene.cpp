// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "scene.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <random>

namespace kbench {

QByteArray backgroundJpeg() {
    QImage img(794, 642, QImage::Format_RGB32);
    {
        QPainter p(&img);
        QLinearGradient sky(0, 0, 794, 642);
        sky.setColorAt(0, QColor(96, 140, 72));
        sky.setColorAt(0.6, QColor(150, 160, 90));
        sky.setColorAt(1, QColor(120, 96, 60));
        p.fillRect(img.rect(), sky);
    }
    // Grain, so the encoder works as hard as on a photograph; seeded, so every run draws the same.
    std::mt19937 rng(8);
    std::uniform_int_distribution<int> grain(-24, 24);
    for (int y = 0; y < img.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const int d = grain(rng);
            const QRgb c = row[x];
            row[x] = qRgb(std::clamp(qRed(c) + d, 0, 255), std::clamp(qGreen(c) + d, 0, 255),
                          std::clamp(qBlue(c) + d / 2, 0, 255));
        }
    }
    QByteArray bytes;
    QBuffer out(&bytes);
    out.open(QIODevice::WriteOnly);
    img.save(&out, "JPG", 90);
    return bytes;
}

void trainSoldiers(kolvar::Game& g, int n) {
    kolvar::Form1& f = g.battle();
    f.yen = 30000;
    g.run("click Form1 Image2"); // the training panel, where the buttons are
    for (int queued = 0; queued < n; queued += 20) g.run("down Form1 Command1(0) 1 3 10 10");
    // Each evolution halves the training tick: 50 ms down to 1 ms.
    while (f.make.interval() > 1) g.run("click Form1 evo");
    f.yen = 30000;
    for (int i = 0; i < 100 && f.c < n; ++i) g.wait(100);
    // The queue holds a multiple of 20; the rest is taken back, the last one never.
    kolvar::BattleProbe{f}.queue()[0] = 0;
    f.make.setEnabled(false);
}

void fullBattlefield(kolvar::Game& g) {
    kolvar::Form1& f = g.battle();
    trainSoldiers(g, 80);
    kt::Failure reason = kt::Failure::None;
    f.picture = kt::Picture::fromData(backgroundJpeg(), QSize(794, 642), reason, "bench");
    // Every enemy aims at a unit, and the tank's shot is on its way.
    for (int i = 1; i <= 50; ++i) {
        kt::Line& shot = f.Line4[i];
        const kt::Image& unit = f.ima[i % 80 + 1];
        shot.X1 = f.ene[i].Left + 120, shot.Y1 = f.ene[i].Top + 120;
        shot.X2 = unit.Left - 120, shot.Y2 = unit.Top + 150;
        shot.BorderColor = kt::colors::blue;
        shot.BorderWidth = 1;
        shot.Visible = true;
    }
    f.Line3.X1 = f.ima[7].Left + 200, f.Line3.Y1 = f.ima[7].Top + 200;
    f.Line3.X2 = f.ene[3].Left, f.Line3.Y2 = f.ene[3].Top;
    f.Line3.BorderColor = kt::colors::green;
    f.Line3.BorderWidth = 2;
    f.Line3.Visible = true;
    // The selection, its health caption, a notice, and both panels open.
    g.run("click Form1 ima(7)\nclick Form1 Image2");
    f.OK[7].Visible = true;
    f.news.Caption = "ALL ATTACCO";
    f.build.Visible = true;
    f.build.Left = 2040, f.build.Top = 2400;
    g.app.dispatch([] {}); // the views catch up
}

} // namespace kbench
