// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The cheat box: a code acts the moment the box's whole text equals it, every time it does.

#include "battle/form1.h"

namespace kolvar {

void Form1::cheater_Change() {
    if (cheater.text() == "vildra") uni[0].hp = 255;
    if (cheater.text() == "pelmantra gox") Timer2.setEnabled(false);
    if (cheater.text() == "dek mova") uni[size_t(sel)].kind = cheatKind;
    if (cheater.text() == "frastol")
        for (n = 0; n <= 50; ++n) ene[n].setPicture(prete.picture);
}

} // namespace kolvar
