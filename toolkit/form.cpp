// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "form.h"

#include "program.h"

#include <algorithm>

namespace kt {

bool Widget::windowed() const {
    // Windowed widgets are drawn by the platform's own controls and lie above the graphic ones.
    return visit(
        *this,
        overloaded{[](const Frame&) { return true; }, [](const CommandButton&) { return true; },
                   [](const TextBox&) { return true; }, [](const ListBase&) { return true; },
                   [](const Image&) { return false; }, [](const Label&) { return false; },
                   [](const Line&) { return false; }, [](const Shape&) { return false; },
                   [](const Timer&) { return false; }});
}

bool Widget::shown() const {
    for (const Widget* w = this; w; w = w->container)
        if (!w->Visible) return false;
    return true;
}

float Widget::formLeft() const {
    return Left + (container ? container->formLeft() : 0.0f);
}
float Widget::formTop() const {
    return Top + (container ? container->formTop() : 0.0f);
}

void attachWidget(Form& form, Widget& w, Frame* container) {
    form.attach(w, container);
}

Form::Form(Program& a)
    : app(a) {}

// Timers leave the clock themselves when they are destroyed with their form.
Form::~Form() = default;

void Form::show() {
    if (unloaded_) return;
    visible_ = true;
    ++raise_;
}

void Form::hide() {
    visible_ = false;
}

void Form::unload() {
    app.unload(*this);
}

void Form::add(Widget& w, const std::string& name, Frame* container) {
    w.name = name;
    attach(w, container);
}

void Form::attach(Widget& w, Frame* container) {
    w.form = this;
    w.container = container;
    Layers& layers = container ? static_cast<Layers&>(*container) : static_cast<Layers&>(*this);
    if (Timer* t = as<Timer>(&w))
        app.clock.add(*t);
    else
        (w.windowed() ? layers.windowed : layers.graphic).push_back(&w);
    all_.push_back(&w);
}

Widget* Form::find(const std::string& key) const {
    for (Widget* w : all_)
        if (w->key() == key) return w;
    return nullptr;
}

bool Form::takesKey(int code) const {
    if (KeyPreview) return true;
    if (code != keys::enter && code != keys::escape) return false;
    return std::any_of(all_.begin(), all_.end(), [&](const Widget* w) {
        const auto* b = as<CommandButton>(w);
        return b && (code == keys::enter ? b->Default : b->Cancel);
    });
}

CommandButton* Form::keyButton(int code) const {
    if (code != keys::enter && code != keys::escape) return nullptr;
    for (Widget* w : all_) {
        auto* b = as<CommandButton>(w);
        if (b && b->shown() && b->Enabled && b->Click &&
            (code == keys::enter ? b->Default : b->Cancel))
            return b;
    }
    return nullptr;
}

void Form::zorder(Widget& w) {
    Layers& layers = w.container ? static_cast<Layers&>(*w.container) : static_cast<Layers&>(*this);
    auto& list = w.windowed() ? layers.windowed : layers.graphic;
    // From the top down: a widget brought forward is often brought forward again (an enemy's
    // shot line every turn), so it is found near the end.
    auto it = std::find(list.rbegin(), list.rend(), &w);
    if (it != list.rend()) std::rotate(std::prev(it.base()), it.base(), list.end());
}

} // namespace kt
