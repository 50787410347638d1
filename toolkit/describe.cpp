// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "describe.h"

#include "form.h"
#include "program.h"

#include <QJsonArray>

namespace kt {

static QJsonValue text(const std::string& s) {
    return QString::fromStdString(s);
}
static QJsonArray rgb(Color c) {
    return {c.r, c.g, c.b};
}

static QJsonArray list(const ListBase& l) {
    QJsonArray a;
    for (const auto& e : l.entries) a.append(text(e));
    return a;
}

QJsonObject describe(const Widget& w) {
    QJsonObject o;
    const auto place = [&] {
        o["Visible"] = w.Visible;
        o["Left"] = w.Left, o["Top"] = w.Top, o["Width"] = w.Width, o["Height"] = w.Height;
    };
    visit(w, overloaded{
                 [&](const Timer& t) {
                     o["Interval"] = t.interval();
                     o["Enabled"] = t.enabled();
                 },
                 [&](const Line& l) {
                     o["Visible"] = w.Visible;
                     o["X1"] = l.X1, o["Y1"] = l.Y1, o["X2"] = l.X2, o["Y2"] = l.Y2;
                     o["BorderColor"] = rgb(l.BorderColor);
                     o["BorderWidth"] = l.BorderWidth;
                     o["BorderStyle"] = l.BorderStyle;
                 },
                 [&](const Image& i) {
                     place();
                     o["Picture"] = text(i.picture.name());
                 },
                 [&](const Label& l) {
                     place();
                     o["Caption"] = text(l.Caption);
                     o["BackColor"] = rgb(l.BackColor);
                 },
                 [&](const Shape& s) {
                     place();
                     o["BorderColor"] = rgb(s.BorderColor);
                 },
                 [&](const Frame& f) {
                     place();
                     o["Caption"] = text(f.Caption);
                 },
                 [&](const CommandButton& b) {
                     place();
                     o["Caption"] = text(b.Caption);
                     if (b.graphical) o["Picture"] = text(b.picture.name());
                 },
                 [&](const TextBox& t) {
                     place();
                     o["Text"] = text(t.text());
                 },
                 [&](const ListBase& l) {
                     place();
                     // The rows of a window nobody sees (the browser the battle's set-up makes
                     // hidden) hold only the folder and drives the program runs from: left out,
                     // a dump is the same wherever a replay runs.
                     if (w.form && !w.form->visible()) return;
                     o["List"] = list(l);
                     o["ListIndex"] = l.ListIndex;
                 },
             });
    return o;
}

QJsonObject describe(const Form& f) {
    QJsonObject o;
    o["loaded"] = true;
    o["visible"] = f.visible();
    o["Caption"] = text(f.Caption);
    o["Picture"] = text(f.picture.name());
    QJsonObject widgets;
    for (const Widget* w : f.widgets()) widgets[QString::fromStdString(w->key())] = describe(*w);
    o["widgets"] = widgets;
    QJsonObject state;
    f.describe(state);
    if (!state.isEmpty()) o["state"] = state;
    return o;
}

QJsonObject describe(const Program& p) {
    QJsonObject o;
    QJsonObject windows;
    for (const Form* f : p.forms()) windows[f->className()] = describe(*f);
    o["windows"] = windows;
    QJsonArray messages;
    for (const auto& m : p.messageLog) messages.append(text(m));
    o["messages"] = messages;
    o["time"] = qint64(p.clock.now());
    o["ended"] = p.ended();
    return o;
}

} // namespace kt
