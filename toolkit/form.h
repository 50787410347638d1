// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once
// A form: a top-level window of the program, with its designed widgets as members and one
// handler per event. Forms are created by the Program on first access and never by hand.

#include "widgetarray.h"
#include "widgets.h"

#include <QJsonObject>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kt {

class Program;

/// The character codes a form's keyboard rules name.
namespace keys {
inline constexpr int backspace = 8, enter = 13, escape = 27, space = 32;
}

/// A form remembered across input that may unload it: `Program::still` finds it again only if it
/// is the same form, not unloaded and not created anew under its class.
struct FormId {
    std::string className;
    uint64_t serial = 0;
};

enum class Border {
    FixedDialog, ///< not resizable, no minimise/maximise, close box only if closeBox is set
    Fixed,       ///< not resizable, close box, no minimise/maximise
    Sizable,     ///< resizable, minimise, maximise and close
};

class Form : public Layers {
public:
    explicit Form(Program& app);
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    /// The class name used by scripts and dumps ("Form1").
    virtual const char* className() const = 0;

    // Designed window properties.
    std::string Caption;
    float ScaleWidth = 0, ScaleHeight = 0; ///< client area, twips
    Border border = Border::Fixed;
    bool closeBox = true;
    std::optional<std::pair<float, float>>
        position;         ///< client area on screen, twips; none: centred
    bool centred = false; ///< centred on the screen (ignored when position is set)
    Color BackColor = colors::buttonFace;
    Picture picture; ///< drawn at natural size from the top-left corner, behind the widgets
    bool KeyPreview = false;
    /// A modeless dialog that stays above the program's other windows, as a tool window does:
    /// showing another window does not hide it.
    bool floating = false;
    /// While shown, the window the floating dialogs belong to and stay above (the battlefield);
    /// while none is, they belong to the window shown last.
    bool holdsFloating = false;
    Font font{"MS Sans Serif", 8.25f, false};
    bool Enabled = true;

    bool visible() const { return visible_; }
    /// Makes the form visible (modeless) and brings it up.
    void show();
    void hide();
    /// Hides the form, stops its timers and takes it out of the program at once; the object itself
    /// is destroyed when the outermost dispatch returns. The next access creates a new form.
    void unload();
    bool unloaded() const { return unloaded_; }

    /// Unique per created form: a form created anew has a new serial.
    uint64_t serial() const { return serial_; }
    FormId id() const { return {className(), serial_}; }

    /// Whether a character key pressed anywhere in the window is the form's, not its focused
    /// control's: with key preview every key is; Enter is when a button is the Default, Escape
    /// when one is the Cancel.
    bool takesKey(int code) const;
    /// The button that Enter (Default) or Escape (Cancel) clicks now: shown, enabled, handled.
    CommandButton* keyButton(int code) const;
    /// Bumped by show(): the view raises the window when it changes.
    uint64_t raiseCount() const { return raise_; }

    Program& app;

    // Events. Handlers run inside a dispatch.
    virtual void Form_Load() {}
    virtual void Form_MouseDown(int button, int shift, float x, float y) {
        (void)button, (void)shift, (void)x, (void)y;
    }
    /// A character key; with key preview it arrives before the focused widget sees it.
    virtual void Form_KeyPress(int& key) { (void)key; }
    /// The window's close box (or the window manager's close).
    virtual void Form_Close() { unload(); }
    /// Adds the form's own state (not its widgets) to a dump.
    virtual void describe(QJsonObject& out) const { (void)out; }

    /// Registers a designed widget in this form, inside `container` (null: the form itself).
    void add(Widget& w, const std::string& name, Frame* container = nullptr);
    /// Every widget of the form, in creation order.
    const std::vector<Widget*>& widgets() const { return all_; }
    Widget* find(const std::string& key) const;
    /// Brings a widget to the front of its layer.
    void zorder(Widget& w);

    /// The widget that has the keyboard focus (null: none).
    Widget* focus = nullptr;

private:
    friend class Program;
    friend void attachWidget(Form&, Widget&, Frame*);
    void attach(Widget& w, Frame* container);
    std::vector<Widget*> all_;
    bool visible_ = false;
    bool unloaded_ = false;
    uint64_t serial_ = 0;
    uint64_t raise_ = 0;
};

} // namespace kt
