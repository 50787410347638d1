// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The battlefield's frame against its floor, the bare blit of a window-sized JPEG:
//
//   BackgroundBlit      QPainter draws the decoded 794 x 642 JPEG into a QImage (the floor)
//   FullFrame/1         the whole battlefield window, children and all, rendered into a QImage
//   FullFrame/2         the same into a QImage of device pixel ratio 2 (a HiDPI screen)
//   IdleTick            not judged, for looking into the idle battle's CPU: 50 ms of a battle
//                       left alone (Timer1 and Timer2 tick every other time; nothing trains)
//                       with the view brought up to date and what changed repainted into a
//                       QImage
//
// Both targets are RGB32 images, the format of a 24-bit X11 window's backing store.
// `--png=DIR` also writes the two frames as DIR/frame-1x.png and DIR/frame-2x.png.

#include "scene.h"

#include "toolkit/qt/view.h"

#include <QApplication>
#include <QPainter>
#include <benchmark/benchmark.h>
#include <cstring>
#include <memory>

namespace {

std::unique_ptr<kolvar::Game> game;
QWidget* field = nullptr;
QImage background;

QImage frameImage(int ratio) {
    QImage img(794 * ratio, 642 * ratio, QImage::Format_RGB32);
    img.setDevicePixelRatio(ratio);
    img.fill(Qt::black);
    return img;
}

void render(QImage& img) {
    field->render(&img, QPoint(), QRegion(), QWidget::DrawChildren);
}

void BackgroundBlit(benchmark::State& state) {
    QImage img = frameImage(1);
    for (auto _ : state) {
        QPainter p(&img);
        p.drawImage(0, 0, background);
        p.end();
        benchmark::DoNotOptimize(img.constBits());
    }
}
BENCHMARK(BackgroundBlit)->Unit(benchmark::kMicrosecond);

void FullFrame(benchmark::State& state) {
    QImage img = frameImage(int(state.range(0)));
    render(img); // pictures are prepared for a ratio on first use: that is not the frame
    for (auto _ : state) {
        render(img);
        benchmark::DoNotOptimize(img.constBits());
    }
}
BENCHMARK(FullFrame)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

void IdleTick(benchmark::State& state) {
    kolvar::Game g;
    kolvar::Form1& f = g.battle();
    QWidget* view = g.frontend->view(f);
    QImage img = frameImage(1);
    for (auto _ : state) {
        kolvar::BattleProbe{f}.uni()[0].hp = 255; // no defeat box stops the clock
        g.wait(50);
        auto* fv = static_cast<ktqt::FormView*>(view);
        if (!fv->lastDirty().isEmpty())
            view->render(&img, fv->lastDirty().boundingRect().topLeft(), fv->lastDirty(),
                         QWidget::DrawChildren);
        benchmark::DoNotOptimize(img.constBits());
    }
}
// 30 s of a battle, as the CPU benchmark leaves one alone.
BENCHMARK(IdleTick)->Iterations(600)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    QString pngDir;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--png=", 6) == 0)
            pngDir = QString::fromLocal8Bit(argv[i] + 6);
        else
            argv[kept++] = argv[i];
    }
    argc = kept;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;
    // Pure raster work at a known scale, whatever the session's display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_SCALE_FACTOR", "1");
    QApplication qapp(argc, argv);

    game = std::make_unique<kolvar::Game>();
    kbench::fullBattlefield(*game);
    field = game->frontend->view(*game->app.formByName("Form1"));
    background = QImage::fromData(kbench::backgroundJpeg(), "JPG");
    if (!field || background.isNull()) {
        std::fprintf(stderr, "kolvar-bench-frame: no battlefield or no JPEG reader\n");
        return 1;
    }
    if (!pngDir.isEmpty()) {
        for (int ratio : {1, 2}) {
            QImage img = frameImage(ratio);
            render(img);
            img.save(pngDir + QStringLiteral("/frame-%1x.png").arg(ratio));
        }
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    field = nullptr;
    game.reset();
    return 0;
}
