// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "describe.h"

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
    if (w.kind == Kind::Timer) {
        auto& t = static_cast<const Timer&>(w);
        o["Interval"] = t.interval();
        o["Enabled"] = t.enabled();
        return o;
    }
    o["Visible"] = w.Visible;
    if (w.kind == Kind::Line) {
        auto& l = static_cast<const Line&>(w);
        o["X1"] = l.X1, o["Y1"] = l.Y1, o["X2"] = l.X2, o["Y2"] = l.Y2;
        o["BorderColor"] = rgb(l.BorderColor);
        o["BorderWidth"] = l.BorderWidth;
        o["BorderStyle"] = l.BorderStyle;
        return o;
    }
    o["Left"] = w.Left, o["Top"] = w.Top, o["Width"] = w.Width, o["Height"] = w.Height;
    switch (w.kind) {
    case Kind::Image:
        o["Picture"] = text(static_cast<const Image&>(w).picture.name());
        break;
    case Kind::Label: {
        auto& l = static_cast<const Label&>(w);
        o["Caption"] = text(l.Caption);
        o["BackColor"] = rgb(l.BackColor);
        break;
    }
    case Kind::Shape:
        o["BorderColor"] = rgb(static_cast<const Shape&>(w).BorderColor);
        break;
    case Kind::Frame:
        o["Caption"] = text(static_cast<const Frame&>(w).Caption);
        break;
    case Kind::Button: {
        auto& b = static_cast<const CommandButton&>(w);
        o["Caption"] = text(b.Caption);
        if (b.graphical) o["Picture"] = text(b.picture.name());
        break;
    }
    case Kind::TextBox:
        o["Text"] = text(static_cast<const TextBox&>(w).text());
        break;
    case Kind::DriveList:
    case Kind::DirList:
    case Kind::FileList: {
        const auto& l = dynamic_cast<const ListBase&>(w);
        o["List"] = list(l);
        o["ListIndex"] = l.ListIndex;
        break;
    }
    default:
        break;
    }
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
