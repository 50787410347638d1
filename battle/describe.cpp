// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The battle state as JSON for the script runner and the tests, keyed by the state's own names.

#include "battle/form1.h"

#include <QJsonArray>
#include <span>

namespace kolvar {

template <class A> static QJsonArray array(const A& a) {
    QJsonArray out;
    for (auto v : a) out.append(int(v));
    return out;
}

void Form1::describe(QJsonObject& out) const {
    out["yen"] = yen, out["er"] = er, out["evol"] = evol, out["c"] = c, out["problemo"] = problemo;
    out["sel"] = sel, out["cur"] = cur, out["clock"] = clock, out["kills"] = kills, out["go"] = go;
    out["hitene"] = hitene, out["target"] = target, out["tgx"] = tgx, out["tgy"] = tgy,
    out["n"] = n;
    out["prog"] = prog, out["dmg"] = dmg;
    out["cost"] = array(cost), out["tempo"] = array(tempo), out["reach"] = array(reach);
    out["life"] = array(life), out["queue"] = array(queue);
    out["enedead"] = array(std::span(enedead.data(), 51));
    QJsonArray cells;
    for (int i = 0; i <= 50; ++i) cells.append(QJsonArray{enecell[0][i], enecell[1][i]});
    out["enecell"] = cells;
    QJsonArray units;
    for (const unirec& u : uni)
        units.append(QJsonObject{{"alive", u.alive},
                                 {"hp", u.hp},
                                 {"kind", u.kind},
                                 {"x", u.x},
                                 {"y", u.y},
                                 {"tx", u.tx},
                                 {"ty", u.ty},
                                 {"col", u.col},
                                 {"row", u.row},
                                 {"face", u.face}});
    out["uni"] = units;
}

} // namespace kolvar
