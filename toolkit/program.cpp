// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "program.h"

#include <algorithm>
#include <cassert>

namespace kt {

Program::Program(Identity identity)
    : identity(std::move(identity)) {}

Program::~Program() {
    // Forms refer to the clock; destroy them first, newest first.
    while (!forms_.empty()) forms_.pop_back();
    graveyard_.clear();
}

void Program::adopt(std::type_index type, std::unique_ptr<Form> form) {
    form->serial_ = ++serial_;
    forms_.push_back({type, std::move(form)});
}

Form* Program::find(std::type_index type) const {
    for (const Entry& e : forms_)
        if (e.type == type) return e.form.get();
    return nullptr;
}

std::vector<Form*> Program::forms() const {
    std::vector<Form*> out;
    for (const Entry& e : forms_) out.push_back(e.form.get());
    return out;
}

Form* Program::formByName(const std::string& className) const {
    for (const Entry& e : forms_)
        if (className == e.form->className()) return e.form.get();
    return nullptr;
}

void Program::unload(Form& f) {
    if (f.unloaded_) return;
    f.visible_ = false;
    f.unloaded_ = true;
    for (Widget* w : f.all_)
        if (Timer* t = as<Timer>(w)) clock.remove(*t);
    auto it = std::find_if(forms_.begin(), forms_.end(),
                           [&](const Entry& e) { return e.form.get() == &f; });
    assert(it != forms_.end());
    if (it == forms_.end()) return;
    graveyard_.push_back(std::move(it->form));
    forms_.erase(it);
    if (depth_ == 0) collect();
}

void Program::collect() {
    // Destroying a form runs no handler, so this cannot unload anything further.
    graveyard_.clear();
}

void Program::end() {
    if (ended_) return;
    ended_ = true;
    while (!forms_.empty()) unload(*forms_.back().form);
    if (depth_ == 0) tellEnd();
}

void Program::tellEnd() {
    if (toldEnd_) return;
    toldEnd_ = true;
    host_->ended();
}

void Program::fitToCaption(Label& l) {
    if (!l.autoSize) return;
    if (const auto size = host_->measure(l.font, l.Caption))
        l.Width = size->first, l.Height = size->second;
}

void Program::unwatchTicks(TickObserver& o) {
    std::erase(tickObservers_, &o);
}

void Program::dispatch(const std::function<void()>& fn) {
    ++depth_;
    fn();
    if (--depth_ > 0) return;
    collect();
    host_->synced();
    if (ended_) tellEnd();
}

// A window system delivers no input to a window that is not shown: a script or a recording that
// names a hidden form does nothing, as a player's mouse and keyboard could not reach it.
static bool takesInput(const Form* f) {
    return f && f->Enabled && f->visible();
}

static bool contains(const Widget& w, float x, float y) {
    return x >= w.Left && y >= w.Top && x < w.Left + w.Width && y < w.Top + w.Height;
}

// Topmost widget of one container taking a press at container-relative (x, y); the frame itself
// when the press falls on its free area.
static Widget* hitIn(const Layers& layers, float x, float y) {
    for (auto it = layers.windowed.rbegin(); it != layers.windowed.rend(); ++it) {
        Widget* w = *it;
        if (!w->Visible || !contains(*w, x, y)) continue;
        if (Frame* frame = as<Frame>(w))
            if (Widget* inner = hitIn(*frame, x - w->Left, y - w->Top)) return inner;
        return w;
    }
    for (auto it = layers.graphic.rbegin(); it != layers.graphic.rend(); ++it) {
        Widget* w = *it;
        if (w->Visible && w->takesMouse() && contains(*w, x, y)) return w;
    }
    return nullptr;
}

Widget* Program::hit(Form& f, float x, float y) const {
    return hitIn(f, x, y);
}

Form* Program::still(const FormId& id) const {
    Form* now = formByName(id.className);
    return now && now->serial() == id.serial ? now : nullptr;
}

Program::Pressed Program::pointerDown(Form& f, float x, float y, int button, int shift) {
    if (InputObserver* o = outside()) o->mouseDown(f, x, y, button, shift);
    Pressed pressed{f.id()};
    dispatch([&] {
        if (!takesInput(&f)) return;
        Widget* target = hit(f, x, y);
        if (!target) {
            f.Form_MouseDown(button, shift, x, y);
            return;
        }
        if (button == LeftButton) pressed.widget = target;
        if (!target->Enabled) return;
        if (target->windowed() && target->kind != Kind::Frame) f.focus = target;
        if (target->MouseDown)
            target->MouseDown(target->index, button, shift, x - target->formLeft(),
                              y - target->formTop());
    });
    // The press may have unloaded the form: its widget is then no longer held.
    if (!still(pressed.form)) pressed.widget = nullptr;
    return pressed;
}

void Program::pointerUp(const Pressed& pressed, float x, float y, int button) {
    if (button != LeftButton || !pressed.widget) return;
    Form* f = still(pressed.form);
    if (f && hit(*f, x, y) == pressed.widget) click(*pressed.widget);
}

void Program::press(Form& f, float x, float y, int button, int shift) {
    pointerUp(pointerDown(f, x, y, button, shift), x, y, button);
}

void Program::mouseDownOn(Widget& w, int button, int shift, float x, float y) {
    if (InputObserver* o = outside()) o->mouseDownOn(w, button, shift, x, y);
    dispatch([&] {
        if (w.MouseDown && w.Enabled && takesInput(w.form))
            w.MouseDown(w.index, button, shift, x, y);
    });
}

void Program::click(Widget& w) {
    if (InputObserver* o = outside()) o->click(w);
    dispatch([&] {
        if (w.Click && w.Enabled && takesInput(w.form)) w.Click(w.index);
    });
}

void Program::keyPress(Form& f, int code) {
    if (InputObserver* o = outside()) o->keyPress(f, code);
    dispatch([&] {
        if (!takesInput(&f)) return;
        int key = code;
        if (f.KeyPreview) f.Form_KeyPress(key);
        if (key == 0 || f.unloaded()) return;
        if (CommandButton* b = f.keyButton(key)) {
            b->Click(b->index);
            return;
        }
        auto* focused = as<TextBox>(f.focus);
        if (!focused) return;
        TextBox& box = *focused;
        std::string t = box.text();
        if (key == keys::backspace) {
            if (!t.empty()) t.pop_back();
        } else if (key >= keys::space) {
            t.push_back(char(key));
        }
        box.setText(t);
    });
}

void Program::setText(TextBox& box, const std::string& text) {
    if (InputObserver* o = outside()) o->setText(box, text);
    dispatch([&] {
        if (takesInput(box.form)) box.setText(text);
    });
}

void Program::choose(Widget& list, int row) {
    ListBase* l = asList(list);
    if (!l) return;
    if (InputObserver* o = outside()) o->choose(list, row);
    dispatch([&] {
        if (takesInput(list.form)) l->activate(row);
    });
}

void Program::focusOn(Widget& w) {
    if (!takesInput(w.form) || w.form->focus == &w) return;
    if (InputObserver* o = outside()) o->focus(w);
    w.form->focus = &w;
}

void Program::closeBox(Form& f) {
    if (InputObserver* o = outside()) o->closeBox(f);
    dispatch([&] {
        if (takesInput(&f)) f.Form_Close();
    });
}

void Program::advance(int64_t ms, bool coalesce) {
    if (messageBoxOpen() || waiting() || ended_) return;
    InputObserver* const o = outside();
    const int64_t from = clock.now();
    const uint64_t skips = clock.skips();
    const int64_t limit = clock.now() + ms;
    // One dispatch for the whole batch: a view syncs once, not once per tick. A form unloaded by
    // a tick has its timers off the clock at once, so no later tick of the batch reaches it.
    dispatch([&] {
        while (!ended_ && !messageBoxOpen()) {
            Timer* t = clock.popDue(limit, coalesce);
            if (!t) break;
            if (t->Tick) t->Tick();
            // By index: an observer may stop watching as it is told.
            for (size_t i = 0; i < tickObservers_.size(); ++i) tickObservers_[i]->ticked(*t);
        }
    });
    if (o && clock.now() > from) o->advanced(clock.now() - from, clock.skips() != skips);
}

void Program::msgbox(Form* owner, const std::string& text) {
    messageLog.push_back(text);
    ++msgboxDepth_;
    host_->synced();
    host_->messageBox(owner, text, identity.title);
    --msgboxDepth_;
}

void Program::aside(const std::function<void()>& work) {
    ++asideDepth_;
    host_->aside(work);
    --asideDepth_;
}

} // namespace kt
