// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once
// The program: its forms, its clock, its identity and the host that shows it. Every event enters
// through one of the input functions below, which run the handlers inside a dispatch; forms
// unloaded during a dispatch are destroyed when the outermost dispatch returns.

#include "clock.h"
#include "form.h"

#include <QSize>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <typeindex>
#include <vector>

namespace kt {

/// What shows the program to a player: the one seam between the model and a windowing backend.
/// This base is the headless host, the program with nobody watching: boxes are acknowledged at
/// once, captions keep their designed size, and the screen is a large one.
class Host {
public:
    virtual ~Host() = default;
    /// The model stands still and consistent (after every outermost dispatch, and before a
    /// message box opens): the place for a view to catch up with it.
    virtual void synced() {}
    /// Shows a modal message box and returns when the player has acknowledged it.
    virtual void messageBox(Form* owner, const std::string& text, const std::string& title) {
        (void)owner, (void)text, (void)title;
    }
    /// A caption's size in twips (width, height) in a font; none: labels keep their designed size.
    virtual std::optional<std::pair<float, float>> measure(const Font& font,
                                                           const std::string& text) {
        (void)font, (void)text;
        return std::nullopt;
    }
    /// The size of the screen the windows open on, in pixels.
    virtual QSize screen() const { return {3840, 2160}; }
    /// Runs `work` and returns when it is done. A host on a display may run it on another thread
    /// and keep the windows painted and answering the window manager meanwhile.
    virtual void aside(const std::function<void()>& work) { work(); }
    /// The program has ended (once, when the dispatch that ended it returns).
    virtual void ended() {}
};

/// Told after every timer's tick handler, inside the dispatch (the timer's form may have been
/// unloaded by it, but still exists): lets a checker look at the state a tick leaves.
class TickObserver {
public:
    virtual ~TickObserver() = default;
    virtual void ticked(Timer& t) = 0;
};

/// Who the program is: its title (the message boxes' title too) and its version.
struct Identity {
    std::string title;
    int major = 0, minor = 0, revision = 0;
};

/// Told of every input the program takes from outside, before it runs, and of every move of the
/// clock: what a recording needs to play a session again. Inputs a handler makes itself (inside a
/// dispatch) are not told.
class InputObserver {
public:
    virtual ~InputObserver() = default;
    virtual void mouseDown(Form& f, float x, float y, int button, int shift) = 0;
    virtual void mouseDownOn(Widget& w, int button, int shift, float x, float y) = 0;
    virtual void click(Widget& w) = 0;
    virtual void keyPress(Form& f, int code) = 0;
    /// `text` replaces the box's text, which still holds the old one.
    virtual void setText(TextBox& box, const std::string& text) = 0;
    /// `list` is a drive, folder or file list.
    virtual void choose(Widget& list, int row) = 0;
    virtual void focus(Widget& w) = 0;
    virtual void closeBox(Form& f) = 0;
    /// The clock moved by `ms`; `skipped`: a late timer skipped ticks on the way (a coalescing
    /// advance whose effect a plain one would not reproduce).
    virtual void advanced(int64_t ms, bool skipped) = 0;
};

class Program {
public:
    explicit Program(Identity identity = {});
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    const Identity identity;

    /// The form of class T, created on first access: members zeroed, designed widgets built,
    /// Form_Load run. A form created by an access stays hidden.
    template <class T> T& get() {
        if (T* f = loaded<T>()) return *f;
        auto owned = std::make_unique<T>(*this);
        T& f = *owned;
        adopt(typeid(T), std::move(owned));
        dispatch([&f] { f.Form_Load(); });
        return f;
    }
    /// The form of class T if it exists, without creating it.
    template <class T> T* loaded() const { return static_cast<T*>(find(typeid(T))); }
    /// Every existing form, in creation order.
    std::vector<Form*> forms() const;
    Form* formByName(const std::string& className) const;

    /// Ends the program at once: every form is destroyed without running a handler.
    void end();
    bool ended() const { return ended_; }

    // Input. Coordinates are twips relative to the form's client area.
    /// What a left press holds until its release: the widget pressed, in its form. Only the
    /// left button clicks, so any other press holds nothing.
    struct Pressed {
        FormId form;
        Widget* widget = nullptr;
    };
    /// A mouse button pressed: MouseDown of the topmost widget that takes the mouse there
    /// (widget-relative twips); no widget: the form's Form_MouseDown.
    Pressed pointerDown(Form& f, float x, float y, int button, int shift);
    /// A mouse button released: the left one over the widget its press held clicks it, if that
    /// widget's form is still the same.
    void pointerUp(const Pressed& pressed, float x, float y, int button);
    /// Press and release at one point.
    void press(Form& f, float x, float y, int button = LeftButton, int shift = 0);
    /// The form `id` remembers, if it is still the same one.
    Form* still(const FormId& id) const;
    /// MouseDown straight to a widget, widget-relative twips. Unlike a press, it reaches a
    /// hidden widget too: scripts and tests use it to drive a widget without its panel. Neither
    /// it nor any other input below reaches a form that is not shown.
    void mouseDownOn(Widget& w, int button, int shift, float x, float y);
    /// Click straight to a widget.
    void click(Widget& w);
    /// A character key pressed in form `f`: the form first when it has key preview; then Enter
    /// clicks the form's Default button and Escape its Cancel button, if it has one; any other
    /// character goes to the focused text box (printable characters are typed into it).
    void keyPress(Form& f, int code);
    /// Replaces a text box's text (Change runs when it differs).
    void setText(TextBox& box, const std::string& text);
    /// A row of a drive, folder or file list chosen by the player (mouse or keyboard); any
    /// other widget takes no choice.
    void choose(Widget& list, int row);
    /// The keyboard focus moved to a windowed widget of its form; no handler runs.
    void focusOn(Widget& w);
    /// The form's close box.
    void closeBox(Form& f);
    /// Runs `fn` as one dispatch.
    void dispatch(const std::function<void()>& fn);

    /// The topmost widget of `f` that takes a press at (x, y), form twips; null: the form.
    Widget* hit(Form& f, float x, float y) const;

    /// What a kind of widget keeps for as long as the program runs, past the forms that show it:
    /// one T per program, made on first use, gone with the program.
    template <class T> T& lasting() {
        std::shared_ptr<void>& kept = lasting_[std::type_index(typeid(T))];
        if (!kept) kept = std::make_shared<T>();
        return *std::static_pointer_cast<T>(kept);
    }

    // Time.
    Clock clock;
    /// Advances the virtual clock by `ms`, firing every due tick in order, all in one dispatch.
    /// Nothing ticks while a message box is open.
    void advance(int64_t ms, bool coalesce = false);

    // Message boxes.
    /// Shows a modal box with the program's title; the clock stands still until it returns.
    void msgbox(Form* owner, const std::string& text);
    std::vector<std::string> messageLog; ///< every text shown, in order
    bool messageBoxOpen() const { return msgboxDepth_ > 0; }

    // Slow work.
    /// Runs `work`, which touches nothing of the program (a picture read from a slow drive),
    /// through the host; the clock stands still and no input is taken until it returns.
    void aside(const std::function<void()>& work);
    bool waiting() const { return asideDepth_ > 0; }

    /// Sizes an auto-size label to its caption, keeping its Left and Top.
    void fitToCaption(Label& l);

    // The host, and who watches the program. Each is registered from now on until removed,
    // and must outlive its registration.
    /// Shows the program (null: the headless host).
    void setHost(Host* host) { host_ = host ? host : &headless_; }
    Host& host() const { return *host_; }
    /// Told of every tick, after those added before it.
    void watchTicks(TickObserver& o) { tickObservers_.push_back(&o); }
    void unwatchTicks(TickObserver& o);
    /// Told of every outside input and clock move; one at a time (a recording), replacing any.
    void watchInput(InputObserver& o) { observer_ = &o; }
    void unwatchInput(InputObserver& o) {
        if (observer_ == &o) observer_ = nullptr;
    }

    bool dispatching() const { return depth_ > 0; }

private:
    std::map<std::type_index, std::shared_ptr<void>> lasting_;
    friend class Form;
    void adopt(std::type_index type, std::unique_ptr<Form> form);
    Form* find(std::type_index type) const;
    void unload(Form& f);
    void collect();
    /// Tells the host the program has ended, once.
    void tellEnd();
    /// The observer, when the input comes from outside (no dispatch running).
    InputObserver* outside() const { return depth_ == 0 ? observer_ : nullptr; }

    struct Entry {
        std::type_index type;
        std::unique_ptr<Form> form;
    };
    std::vector<Entry> forms_;
    std::vector<std::unique_ptr<Form>> graveyard_;
    mutable Host headless_;
    Host* host_ = &headless_;
    InputObserver* observer_ = nullptr;
    std::vector<TickObserver*> tickObservers_;
    bool toldEnd_ = false;
    int depth_ = 0;
    int msgboxDepth_ = 0;
    int asideDepth_ = 0;
    bool ended_ = false;
    uint64_t serial_ = 0;
};

} // namespace kt
