// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The battlefield as designed: every widget at its place with its designed properties. The order
// of creation is the drawing order: buildings and labels at the back, the selection marker under
// the units, enemies, then the lines (force field, destination cross, shots) over everything.

#include "assets/assets.h"
#include "battle/form1.h"

namespace kolvar {

namespace {

void ends(kt::Line& l, float x1, float y1, float x2, float y2) {
    l.X1 = x1, l.Y1 = y1, l.X2 = x2, l.Y2 = y2;
}

void sprite(kt::Image& im, float left, float top, const std::string& art) {
    im.Left = left, im.Top = top;
    im.setPicture(kolvar::art(art));
}

// Where the enemies stand when a battle begins (Left, Top), by index.
constexpr float enemyStart[51][2] = {
    {1560, 6240},  {2880, 6240}, {3840, 6840},  {4320, 6840},  {3360, 6840},  {5280, 6840},
    {4800, 6240},  {2400, 6840}, {1920, 6240},  {1560, 6840},  {6240, 6240},  {600, 6240},
    {1080, 6240},  {1920, 6840}, {1080, 6840},  {2880, 6840},  {6720, 6840},  {7200, 6840},
    {5760, 6240},  {600, 6840},  {5280, 6240},  {6720, 6240},  {4320, 6240},  {3840, 6240},
    {3360, 6240},  {2400, 6240}, {7200, 6240},  {4800, 6840},  {5760, 6840},  {6240, 6840},
    {7920, 6240},  {8400, 6240}, {7560, 6240},  {9360, 6240},  {10680, 6840}, {9720, 6840},
    {10200, 6840}, {9240, 6840}, {11160, 6840}, {10800, 6240}, {11280, 6240}, {8760, 6840},
    {8880, 6240},  {9840, 6240}, {10320, 6240}, {4680, 5400},  {5880, 7560},  {1560, 5160},
    {7680, 6840},  {8280, 6840}, {6240, 5160}};

// The training buttons and their count labels (Left, Top, Width, Height inside the panel).
constexpr float buttonPlace[7][4] = {
    {120, 240, 495, 375},   {720, 240, 495, 375},  {1320, 240, 495, 375}, {1920, 240, 495, 375},
    {5520, 240, 1215, 615}, {4800, 240, 615, 615}, {2760, 240, 495, 375}};
constexpr float countPlace[7][4] = {
    {120, 720, 495, 255},   {720, 720, 495, 255},  {1320, 720, 495, 255}, {1920, 720, 495, 255},
    {5520, 960, 1215, 255}, {4800, 960, 615, 255}, {2760, 720, 495, 255}};

} // namespace

Form1::Form1(kt::Program& app)
    : Form(app) {
    Caption = "Gioco fatto da Ondrasti";
    ScaleWidth = fieldWidth, ScaleHeight = fieldHeight;
    position = {45.0f, 330.0f};
    border = kt::Border::Fixed;
    BackColor = kt::colors::white;
    // The help read during a battle stays above the battlefield.
    holdsFloating = true;

    add(Image2, "Image2");
    sprite(Image2, 360, 120, "image2");
    Image2.Click = [this](int) { Image2_Click(); };

    sprite(Image3.design(0), 1800, 120, "image3_0");

    add(Label1, "Label1");
    kt::place(Label1, 240, 0, 1815, 255);
    Label1.Caption = "Label1";
    Label1.BackColor = {255, 255, 128};
    Label1.BorderStyle = 1;
    Label1.font = font;

    add(news, "news");
    kt::place(news, 7560, 120, 4215, 255);
    news.BackColor = kt::colors::buttonFace;
    news.font = font;

    add(cheater, "cheater");
    kt::place(cheater, 11280, 120, 495, 195);
    cheater.BackColor = kt::colors::menu;
    cheater.Change = [this] { cheater_Change(); };

    add(sh, "sh");
    kt::place(sh, 960, 3480, 345, 135);
    sh.shape = kt::Shape::Oval;
    sh.BorderColor = kt::colors::blue;
    sh.FillColor = kt::colors::white;

    kt::Image& commander = ima.design(0);
    sprite(commander, 960, 3000, "front_10");
    commander.Click = [this](int i) { ima_Click(i); };

    kt::Label& health = OK.design(0);
    kt::place(health, 960, 2760, 495, 255);
    health.Caption = "50/50";
    health.opaque = false;
    health.font = font;

    for (int i = 0; i < 51; ++i) {
        kt::Image& e = ene.design(i);
        sprite(e, enemyStart[i][0], enemyStart[i][1], "ene");
        e.MouseDown = [this](int k, int b, int s, float x, float y) {
            ene_MouseDown(k, b, s, x, y);
        };
    }

    kt::Line& field = Line4.design(0);
    ends(field, 0, 4800, 11880, 4800);
    field.BorderWidth = 4;

    add(Line1, "Line1");
    ends(Line1, 840, 720, 840, 1200);
    add(Line2, "Line2");
    ends(Line2, 960, 600, 960, 1440);
    add(Line3, "Line3");
    ends(Line3, 1200, 480, 1200, 1440);

    add(Timer1, "Timer1");
    Timer1.setInterval(100);
    Timer1.Tick = [this] { Timer1_Timer(); };
    add(Timer2, "Timer2");
    Timer2.setInterval(100);
    Timer2.Tick = [this] { Timer2_Timer(); };
    add(make, "make");
    make.setInterval(50);
    make.setEnabled(false);
    make.Tick = [this] { make_Timer(); };

    // The training panel.
    add(Frame1, "Frame1");
    kt::place(Frame1, 840, 240, 6975, 1695);
    Frame1.Caption = "addestra unita";
    Frame1.Visible = false;
    Frame1.font = font;
    for (int k = 0; k < 7; ++k) {
        kt::CommandButton& b = Command1.design(k, &Frame1);
        kt::place(b, buttonPlace[k][0], buttonPlace[k][1], buttonPlace[k][2], buttonPlace[k][3]);
        b.graphical = true;
        b.picture = art("command1_" + std::to_string(k));
        b.MouseDown = [this](int i, int bt, int s, float x, float y) {
            Command1_MouseDown(i, bt, s, x, y);
        };
        kt::Label& count = mk.design(k, &Frame1);
        kt::place(count, countPlace[k][0], countPlace[k][1], countPlace[k][2], countPlace[k][3]);
        count.Caption = "0";
        count.Alignment = kt::Align::Center;
        count.font = font;
    }
    add(qnty, "qnty", &Frame1);
    ends(qnty, 120, 1320, 2760, 1320);
    qnty.BorderWidth = 2;
    add(done, "done", &Frame1);
    ends(done, 120, 1320, 2760, 1320);
    done.BorderWidth = 2;
    add(evo, "evo", &Frame1);
    kt::place(evo, 3000, 1200, 1935, 375);
    evo.Caption = "Evolvi edificio";
    evo.Click = [this](int) { evo_Click(); };

    // The construction panel.
    add(build, "build");
    kt::place(build, 2040, 2760, 4455, 1095);
    build.Caption = "scegli edificio da costrire";
    build.Visible = false;
    build.font = font;
    add(command2, "command2", &build);
    kt::place(command2, 240, 360, 855, 495);
    command2.Caption = "Miniera";
    command2.Click = [this](int) { command2_Click(); };

    // The sprite store: pictures that orders copy into the visible images.
    add(Frame2, "Frame2");
    kt::place(Frame2, 3840, 8400, 6735, 3015);
    Frame2.Visible = false;
    float x = 0;
    auto store = [&](kt::Image& im, const std::string& name) {
        sprite(im, x, 120, name);
        x += 100;
    };
    for (int k : {0, 1, 2, 3, 4, 5, 6, 10, 11, 30})
        store(front.design(k, &Frame2), "front_" + std::to_string(k));
    for (int k : {0, 1, 2, 3, 4, 5, 10, 11}) {
        store(backimage.design(k, &Frame2), "backimage_" + std::to_string(k));
        store(sideimagel.design(k, &Frame2), "sideimagel_" + std::to_string(k));
        store(sideimager.design(k, &Frame2), "sideimager_" + std::to_string(k));
    }
    store(Image1.design(0, &Frame2), "image1_0");
    store(Image1.design(1, &Frame2), "image1_1");
    add(prete, "prete", &Frame2);
    store(prete, "prete");
}

} // namespace kolvar
