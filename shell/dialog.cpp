// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "dialog.h"

#include "shell/frmsplash.h"
#include "toolkit/program.h"

namespace kolvar {

// Blanks and spelling as the game has always shown them.
static const char* const helpText =
    "Per giocare usare il mouse.  Per creare nouvi soldati premere sul edificio in alto.Tovo nn "
    "deve morire.obbiettivo:uccidere tutti i nemici.vi e un campo di forza verde che nn ti fa "
    "passare ma cadra presto.i trucchi ci sono esempio=cliccare sul bordo del rettangolo degli "
    "avvisi e scrivere -dek mova-.questo programma e shareware ed e totalmente gratis elibero da "
    "trojans o virus.boun divertimento.";

Dialog::Dialog(kt::Program& app)
    : Form(app) {
    Caption = "Dialog Caption";
    ScaleWidth = 6030, ScaleHeight = 3195;
    border = kt::Border::FixedDialog;
    position = {2760.0f, 3750.0f};
    // The help is read beside the game: a battle started under it does not bury it.
    floating = true;

    add(OKButton, "OKButton");
    OKButton.Left = 4680, OKButton.Top = 120, OKButton.Width = 1215, OKButton.Height = 375;
    OKButton.Caption = "OK";
    OKButton.Click = [this](int) { OKButton_Click(); };
    // Enter and Escape close the help as OK does, as in any dialog.
    OKButton.Default = true;
    OKButton.Cancel = true;

    add(Label1, "Label1");
    Label1.Left = 120, Label1.Top = 120, Label1.Width = 4335, Label1.Height = 2775;
    Label1.Caption = helpText;
    Label1.font = font;
    Label1.opaque = false;
    Label1.wordWrap = true;

    focus = &OKButton;
}

void Dialog::OKButton_Click() {
    hide();
    showStartMenu(app);
    unload();
}

} // namespace kolvar
