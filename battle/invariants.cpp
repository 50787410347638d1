// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "battle/invariants.h"

#include "battle/form1.h"
#include "shell/frmsplash.h"
#include "toolkit/numbers.h"
#include "toolkit/program.h"

#include <algorithm>
#include <set>

namespace kolvar {

namespace {

using Broken = std::vector<std::string>;

std::string n(long v) {
    return std::to_string(v);
}

// The windows: only loaded forms are reachable, each once, and the player always has one.
void checkWindows(const kt::Program& app, Broken& out) {
    std::set<std::string> classes;
    bool anyVisible = false;
    for (kt::Form* f : app.forms()) {
        const std::string cls = f->className();
        if (f->unloaded()) out.push_back(cls + " is unloaded but still among the windows");
        if (!classes.insert(cls).second) out.push_back("two windows of class " + cls);
        if (app.formByName(cls) != f) out.push_back(cls + " is not the window found by its name");
        for (const kt::Widget* w : f->widgets()) {
            if (w->form != f) out.push_back(cls + " holds a widget of another window: " + w->name);
            if (w->container && w->container->form != f)
                out.push_back(cls + "'s " + w->name + " lies in another window's frame");
        }
        if (f->focus && f->focus->form != f) out.push_back(cls + "'s focus is another window's");
        anyVisible = anyVisible || f->visible();
    }
    if (!app.ended() && !anyVisible) out.push_back("no window is shown");
}

} // namespace

// Friend of Form1: reads its private state.
Broken brokenInvariants(const kt::Program& app) {
    Broken out;
    checkWindows(app, out);
    const Form1* pf = app.loaded<Form1>();
    if (!pf) return out;
    const Form1& f = *pf;

    // The training queue against its captions and clock.
    for (int k = 0; k <= 6; ++k)
        if (kt::val(f.mk[k].Caption) != f.queue[size_t(k)])
            out.push_back("mk(" + n(k) + ") shows '" + f.mk[k].Caption + "' for a queue of " +
                          n(f.queue[size_t(k)]));
    for (size_t k = 7; k < f.queue.size(); ++k)
        if (f.queue[k] != 0) out.push_back("kind " + n(long(k)) + " is queued");
    if (f.make.enabled() != (f.cur != idle))
        out.push_back(std::string("make is ") + (f.make.enabled() ? "on" : "off") + " with cur " +
                      n(f.cur));
    if (f.cur != idle && (f.cur > 6 || f.queue[f.cur] < 1))
        out.push_back("cur " + n(f.cur) + " has nothing queued");
    if (f.make.interval() < 1) out.push_back("make's interval is " + n(f.make.interval()));

    // The unit table.
    if (f.c < 0 || f.c > 80) out.push_back("c is " + n(f.c));
    if (f.sel < 0 || f.sel > f.c) out.push_back("sel is " + n(f.sel) + " with c " + n(f.c));
    const int last = std::clamp<int>(f.c, 0, 80);
    std::set<const QImage*> sprites;
    for (const auto* store : {&f.front, &f.backimage, &f.sideimagel, &f.sideimager})
        for (int k = 0; k < store->bound(); ++k)
            if (store->exists(k)) sprites.insert((*store)[k].picture.image());
    const QImage* wreck = f.Image1[0].picture.image();
    for (int i = 0; i <= 80; ++i) {
        const unirec& u = f.uni[size_t(i)];
        const std::string slot = "unit " + n(i);
        if (i > last) {
            // The set-up marks every slot alive; a slot not yet trained has nothing else.
            if (u.alive != yes || u.hp != 0 || u.kind != 0 || u.x != 0 || u.y != 0)
                out.push_back(slot + " is above c but in use");
            if (f.ima.exists(i) && f.ima[i].Visible) out.push_back(slot + " is above c but shown");
            continue;
        }
        if (!f.ima.exists(i) || !f.OK.exists(i)) {
            out.push_back(slot + " has no image or caption");
            continue;
        }
        if (u.alive != 0 && u.alive != yes) out.push_back(slot + " has alive " + n(u.alive));
        const QImage* shown = f.ima[i].picture.image();
        if (u.alive != 0 && !sprites.count(shown)) out.push_back(slot + " lives but shows no unit");
        if (u.alive == 0 && shown != wreck) out.push_back(slot + " is dead but shows no wreck");
        if (i > 0 && f.OK[i].Visible) out.push_back("OK(" + n(i) + ") is shown");
    }

    // The enemies: the kills are the destroyed ones.
    int destroyed = 0;
    for (size_t i = 0; i < f.enedead.size(); ++i) {
        if (i <= 50 && f.enedead[i] == yes) ++destroyed;
        if (f.enedead[i] != 0 && (i > 50 || f.enedead[i] != yes))
            out.push_back("enedead(" + n(long(i)) + ") is " + n(f.enedead[i]));
    }
    if (destroyed != f.kills)
        out.push_back("kills is " + n(f.kills) + " with " + n(destroyed) + " enemies destroyed");

    // The rest of the bookkeeping.
    if (f.clock < 0) out.push_back("clock is " + n(f.clock));
    if (f.overtime > 4) out.push_back("overtime is " + n(f.overtime));
    if (f.hitene != 0 && f.hitene != yes) out.push_back("hitene is " + n(f.hitene));
    if (f.Frame2.Visible) out.push_back("the sprite store is shown");
    if (f.cur != idle ? f.cur <= 6 && f.prog >= f.tempo[f.cur] : f.prog != 0)
        out.push_back("prog is " + n(f.prog) + " with cur " + n(f.cur));
    return out;
}

InvariantWatch::InvariantWatch(kt::Program& app)
    : app_(app)
    , logged_(app.messageLog.size()) {
    app_.watchTicks(*this);
}

InvariantWatch::~InvariantWatch() {
    app_.unwatchTicks(*this);
}

void InvariantWatch::ticked(kt::Timer& t) {
    auto* f = dynamic_cast<Form1*>(t.form);
    if (!f) return;
    // Message boxes: one at most per battle, and the battle is over once it has been shown.
    if (app_.messageLog.size() > logged_) {
        const int shown = messages_[f->serial()] += int(app_.messageLog.size() - logged_);
        logged_ = app_.messageLog.size();
        if (shown > 1)
            seen_.push_back("battle " + n(long(f->serial())) + " showed " + n(shown) +
                            " message boxes");
        if (!f->unloaded()) seen_.push_back("a battle went on after its message box");
        const auto* menu = app_.loaded<frmSplash>();
        if (!menu || !menu->visible())
            seen_.push_back("the start menu is not back after a battle's message box");
    }
    if (f->unloaded()) return;
    if (&t == &f->Timer2) {
        const std::string money = kt::str(f->yen) + "000 euri";
        if (f->Label1.Caption != money)
            seen_.push_back("after a movement tick Label1 shows '" + f->Label1.Caption + "' for " +
                            money);
        if (f->Line3.Visible && !f->shotOutlastsTick())
            seen_.push_back("the player's shot is still shown after a tick");
        if (f->uni[0].alive == 0) seen_.push_back("the commander is dead and the battle goes on");
    }
    if (&t == &f->Timer1 && f->turnDue() && f->kills >= 50)
        seen_.push_back("an enemy turn with " + n(f->kills) + " kills did not end the battle");
}

InvariantWatch::Course InvariantWatch::courseOf(const Form1& f, uint64_t serial) {
    Course k;
    k.serial = serial;
    k.c = f.c, k.clock = f.clock, k.hitene = f.hitene;
    k.kills = f.kills, k.er = f.er, k.evol = f.evol;
    for (size_t i = 0; i < k.alive.size(); ++i) k.alive[i] = f.uni[i].alive;
    k.cost = f.cost, k.tempo = f.tempo, k.life = f.life, k.reach = f.reach;
    return k;
}

void InvariantWatch::compare(const Course& was, const Course& now) {
    auto grows = [&](const char* what, long a, long b) {
        if (b < a) seen_.push_back(std::string(what) + " went down from " + n(a) + " to " + n(b));
    };
    grows("c", was.c, now.c);
    grows("clock", was.clock, now.clock);
    grows("kills", was.kills, now.kills);
    grows("er", was.er, now.er);
    grows("evol", was.evol, now.evol);
    if (was.hitene == yes && now.hitene != yes) seen_.push_back("hitene went back to 0");
    for (size_t i = 0; i < now.alive.size(); ++i)
        if (was.alive[i] == 0 && now.alive[i] != 0 && long(i) <= was.c)
            seen_.push_back("unit " + n(long(i)) + " came back to life");
    if (was.cost != now.cost || was.tempo != now.tempo || was.life != now.life ||
        was.reach != now.reach)
        seen_.push_back("the per-kind tables changed during a battle");
}

std::vector<std::string> InvariantWatch::check() {
    Broken out = brokenInvariants(app_);
    if (const Form1* f = app_.loaded<Form1>()) {
        Course now = courseOf(*f, f->serial());
        if (course_ && course_->serial == now.serial) compare(*course_, now);
        course_ = now;
    } else {
        course_.reset();
    }
    // Messages can only come from a battle's ticks, which are watched above.
    if (app_.messageLog.size() > logged_) {
        seen_.push_back("a message box outside a battle's tick: " + app_.messageLog.back());
        logged_ = app_.messageLog.size();
    }
    out.insert(out.end(), seen_.begin(), seen_.end());
    seen_.clear();
    return out;
}

} // namespace kolvar
