// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "frmsplash.h"

#include "battle/form1.h"
#include "shell/brow.h"
#include "shell/dialog.h"
#include "toolkit/numbers.h"
#include "toolkit/program.h"

namespace kolvar {

namespace {
void label(kt::Label& l, const char* caption, kt::Font font, kt::Align align = kt::Align::Left) {
    l.Caption = caption;
    l.font = font;
    l.Alignment = align;
    l.opaque = false;
    l.autoSize = true;
}
} // namespace

frmSplash::frmSplash(kt::Program& app)
    : Form(app) {
    Caption = "";
    ScaleWidth = 7365, ScaleHeight = 4260;
    border = kt::Border::FixedDialog;
    closeBox = false;
    centred = true;
    KeyPreview = true;

    // Tab order: frames and labels take no focus, so "gioca" has it when the menu opens.
    add(Frame1, "Frame1");
    kt::place(Frame1, 120, 60, 7080, 4050);
    Frame1.Click = [this](int) { Frame1_Click(); };

    add(lblWarning, "lblWarning", &Frame1);
    kt::place(lblWarning, 240, 3720, 6855, 195);
    label(lblWarning, "VERSIONE ITALIANA DIMOSTRATIVA", {"Arial", 8.25f, false});
    lblWarning.autoSize = false;

    add(lblVersion, "lblVersion", &Frame1);
    kt::place(lblVersion, 3720, 3360, 330, 285);
    label(lblVersion, "2.4", {"Arial", 12, true}, kt::Align::Right);

    add(lblPlatform, "lblPlatform", &Frame1);
    kt::place(lblPlatform, 5880, 2340, 975, 360);
    label(lblPlatform, " for pc", {"Arial", 15.75f, true}, kt::Align::Right);

    add(lblCompanyProduct, "lblCompanyProduct", &Frame1);
    kt::place(lblCompanyProduct, 2355, 720, 2475, 435);
    label(lblCompanyProduct, "Drellmark", {"Arial", 18, true});

    add(lblProductName, "lblProductName", &Frame1);
    kt::place(lblProductName, 1320, 1320, 4680, 765);
    label(lblProductName, "Velkarion", {"Arial", 32.25f, true});

    add(Label1, "Label1", &Frame1);
    kt::place(Label1, 5400, 3600, 1335, 255);
    label(Label1, "Ondrasti", font);
    Label1.autoSize = false;

    add(Command1, "Command1", &Frame1);
    kt::place(Command1, 960, 2400, 2535, 495);
    Command1.Caption = "gioca";
    Command1.Click = [this](int) { Command1_Click(); };

    add(command2, "command2", &Frame1);
    kt::place(command2, 3720, 2400, 1815, 495);
    command2.Caption = "esci";
    command2.Click = [this](int) { command2_Click(); };

    add(Command3, "Command3", &Frame1);
    kt::place(Command3, 5040, 240, 1815, 375);
    Command3.Caption = "sfondo...";
    Command3.Click = [this](int) { Command3_Click(); };

    add(Command4, "Command4", &Frame1);
    kt::place(Command4, 3360, 240, 1455, 375);
    Command4.Caption = "Help";
    Command4.Click = [this](int) { Command4_Click(); };

    focus = &Command1;
}

void frmSplash::Form_Load() {
    const kt::Identity& id = app.identity;
    lblVersion.Caption =
        "Version " + kt::plain(id.major) + "." + kt::plain(id.minor) + "." + kt::plain(id.revision);
    lblProductName.Caption = id.title;
    for (kt::Label* l : {&lblVersion, &lblProductName, &lblPlatform, &lblCompanyProduct})
        app.fitToCaption(*l);
}

void frmSplash::Form_KeyPress(int& key) {
    (void)key; // any character starts the battle; the key itself is not used
    startBattle();
}

void frmSplash::startBattle() {
    // Creating the battlefield runs the battle set-up, which closes this menu. A battlefield that
    // already exists (set up when a background was chosen) is shown as it is.
    app.get<Form1>().show();
    unload();
}

void frmSplash::command2_Click() {
    unload();
    app.end();
}

void frmSplash::Command3_Click() {
    app.get<brow>().show();
}

void frmSplash::Command4_Click() {
    app.get<Dialog>().show();
}

void showStartMenu(kt::Program& app) {
    app.get<frmSplash>().show();
}

} // namespace kolvar
