// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The battle's model alone, without drawing (absolute targets, Release build):
//
//   Timer2_80Walking   one movement tick with 80 trained units and the commander all walking
//   Raid_51x81         one enemy turn: 51 enemies march and aim, over 81 units, and the units hit
//                      fire back
//   ScriptedBattle     a whole battle, headless on the virtual clock: 80 soldiers trained, 50
//                      enemies destroyed by the commander, victory; ten minutes of game time

#include "scene.h"

#include "shell/frmsplash.h"
#include "shell/identity.h"
#include "tools/replay/replay.h"

#include <QApplication>
#include <benchmark/benchmark.h>

namespace {

using kolvar::BattleProbe;
using kolvar::Form1;

void Timer2_80Walking(benchmark::State& state) {
    kolvar::Game g;
    Form1& f = g.battle();
    kbench::trainSoldiers(g, 80);
    BattleProbe probe{f};
    probe.clock() = 300; // the force field is down: every destination is allowed
    auto& uni = probe.uni();
    bool east = false;
    for (auto _ : state) {
        // A far destination on both axes, alternating, so every unit takes a step every tick.
        east = !east;
        for (int i = 0; i <= 80; ++i) {
            uni[size_t(i)].tx = east ? 11000 : 500;
            uni[size_t(i)].ty = east ? 500 : 9000;
        }
        f.Timer2_Timer();
    }
    if (f.c != 80) state.SkipWithError("the units were not trained");
}
BENCHMARK(Timer2_80Walking)->Unit(benchmark::kMicrosecond);

void Raid_51x81(benchmark::State& state) {
    kolvar::Game g;
    Form1& f = g.battle();
    BattleProbe probe{f};
    auto& uni = probe.uni();
    // 81 units: 69 on the upper field, out of every enemy's aim, and the last 12 on the front
    // line, one per column, so each enemy scans nearly the whole table before it finds its target.
    f.c = 80;
    for (int i = 0; i <= 80; ++i) {
        const bool front = i >= 69;
        const int col = front ? i - 69 : i % 12;
        const int row = front ? 4 : i / 12 % 3;
        kt::Image& im = f.ima[i];
        if (i > 0) im.setPicture(f.front[0].picture);
        im.Left = float(col * 1000 + 300), im.Top = float(row * 1000 + 400);
        im.Visible = true;
        uni[size_t(i)].alive = kolvar::yes;
        uni[size_t(i)].kind = i == 0 ? kolvar::commanderKind : 0;
        uni[size_t(i)].x = uni[size_t(i)].tx = int16_t(im.Left);
        uni[size_t(i)].y = uni[size_t(i)].ty = int16_t(im.Top);
        uni[size_t(i)].col = uint8_t(col), uni[size_t(i)].row = uint8_t(row);
    }
    float start[51][2];
    for (int i = 0; i <= 50; ++i) start[i][0] = f.ene[i].Left, start[i][1] = f.ene[i].Top;
    for (auto _ : state) {
        // The same turn every time: enemies back at their posts, units at full health.
        for (int i = 0; i <= 50; ++i) f.ene[i].Left = start[i][0], f.ene[i].Top = start[i][1];
        for (int i = 0; i <= 80; ++i) uni[size_t(i)].hp = 255;
        probe.clock() = 254; // the next tick is an enemy turn
        f.Timer1_Timer();
    }
    int aimed = 0;
    for (int i = 1; i <= 50; ++i) aimed += f.Line4[i].Visible;
    state.counters["shots"] = aimed;
    if (aimed < 40) state.SkipWithError("the enemies found nothing to aim at");
}
BENCHMARK(Raid_51x81)->Unit(benchmark::kMicrosecond);

// The battle, played through the program's own entry points. Returns whether it was won.
bool playBattle() {
    kt::Program app{kolvar::identity()};
    kolvar::startProgram(app);
    app.click(*app.formByName("frmSplash")->find("Command1"));
    Form1& f = *app.loaded<Form1>();
    BattleProbe probe{f};
    const auto second = [&](double s) { app.advance(int64_t(s * 1000) - app.clock.now()); };
    // Eighty soldiers queued at the building, twenty a press; selecting Tovo closes the panel,
    // and he walks to the middle of the field.
    app.click(f.Image2);
    for (int i = 0; i < 4; ++i)
        app.mouseDownOn(f.Command1[0], kt::LeftButton, kt::ShiftMask | kt::CtrlMask, 10, 10);
    app.click(f.ima[0]);
    app.press(f, 5000, 3100);
    // The force field falls at 20 s: Tovo destroys 49 enemies from the middle, one every tenth
    // of a second, before the first enemy turn; two enemies at the left edge are spared.
    second(20.2);
    for (int i = 0; i <= 50; ++i) {
        if (i == 11 || i == 12) continue;
        app.mouseDownOn(f.ene[i], kt::RightButton, 0, 10, 10);
        app.advance(100);
    }
    // Every ten seconds the army moves between two lines on the upper field, one order per unit.
    auto manoeuvre = [&](int k) {
        for (int i = 1; i <= f.c; ++i) {
            app.click(f.ima[i]);
            app.press(f, float(2000 + 110 * i), float(k % 2 ? 1500 : 2700));
        }
        app.click(f.ima[0]);
    };
    // The spared enemies climb to the top edge and walk off to the right along it; Tovo follows
    // the second one on the row below (out of its aim) and destroys it at eight minutes, while it
    // is in reach. The victory comes with the next enemy turn and the battlefield goes.
    for (int k = 0; k < 57; ++k) {
        second(30 + 10 * k);
        if (app.loaded<Form1>() != &f) break;
        manoeuvre(k);
        if (k == 6) app.press(f, 32700, 1500);
        if (k >= 45 && probe.kills() < 50) app.mouseDownOn(f.ene[12], kt::RightButton, 0, 10, 10);
    }
    second(600);
    return std::find(app.messageLog.begin(), app.messageLog.end(), "Hai vinto!!") !=
           app.messageLog.end();
}

void ScriptedBattle(benchmark::State& state) {
    bool won = true;
    for (auto _ : state) won = playBattle() && won;
    if (!won) state.SkipWithError("the battle was not won");
}
BENCHMARK(ScriptedBattle)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_SCALE_FACTOR", "1");
    QApplication qapp(argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
