// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once
// The widget kinds a form is built from. Widgets are plain structs: their designed properties are
// public fields in twips (32-bit floats), read and written by the game directly. The view reads
// them after every dispatch; nothing needs to be told that a field changed.
//
// Graphic widgets (image, label, line, shape) are drawn on their container; windowed widgets
// (frame, button, text box, lists) sit above every graphic widget of the same container.

#include "files.h"
#include "picture.h"

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

namespace kt {

class Form;
struct Frame;

struct Color {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Color&) const = default;
};
namespace colors {
constexpr Color black{0, 0, 0}, white{255, 255, 255}, red{255, 0, 0}, green{0, 255, 0},
    blue{0, 0, 255}, yellow{255, 255, 0}, silver{192, 192, 192}, buttonFace{240, 240, 240},
    menu{240, 240, 240}, windowText{0, 0, 0};
}

/// A font by design name ("Arial") and point size; the view maps Arial to Liberation Sans.
struct Font {
    std::string name = "Arial";
    float size = 8.25f; ///< points
    bool bold = false;
    bool operator==(const Font&) const = default;
};

enum class Kind {
    Image,
    Label,
    Line,
    Shape,
    Frame,
    Button,
    TextBox,
    Timer,
    DriveList,
    DirList,
    FileList
};

/// Mouse-button codes and shift-state bits of mouse events.
enum Button : int { LeftButton = 1, RightButton = 2, MiddleButton = 4 };
enum ShiftBit : int { ShiftMask = 1, CtrlMask = 2, AltMask = 4 };

struct Widget {
    explicit Widget(Kind k)
        : kind(k) {}
    virtual ~Widget() = default;
    Widget(const Widget&) = default;
    Widget& operator=(const Widget&) = delete;
    /// A copy of this widget (kind, picture, size, position, handlers), for widget arrays.
    virtual std::unique_ptr<Widget> clone() const = 0;

    const Kind kind;
    std::string name; ///< designed name, "ima"
    int index = -1;   ///< element index within its array, -1 for a single widget
    Form* form = nullptr;
    Frame* container = nullptr; ///< the frame it lies in, or null for the form itself

    float Left = 0, Top = 0, Width = 0, Height = 0; ///< twips, relative to the container
    bool Visible = true;
    bool Enabled = true;

    /// Handlers; an array's handler gets the element index (a single widget gets -1).
    std::function<void(int index)> Click;
    std::function<void(int index, int button, int shift, float x, float y)> MouseDown;

    /// "ima(3)" for an array element, "Label1" otherwise.
    std::string key() const { return index < 0 ? name : name + "(" + std::to_string(index) + ")"; }
    bool windowed() const;
    /// Lines and shapes let presses through to what lies beneath.
    bool takesMouse() const {
        return kind != Kind::Line && kind != Kind::Shape && kind != Kind::Timer;
    }
    /// Visible and every enclosing frame visible.
    bool shown() const;
    /// Left and Top in the form's client coordinates.
    float formLeft() const;
    float formTop() const;
};

/// Sets a widget's designed place and size, twips.
inline void place(Widget& w, float left, float top, float width, float height) {
    w.Left = left, w.Top = top, w.Width = width, w.Height = height;
}

template <class T> struct WidgetOf : Widget {
    WidgetOf()
        : Widget(T::staticKind) {}
    std::unique_ptr<Widget> clone() const override {
        return std::make_unique<T>(static_cast<const T&>(*this));
    }
};

struct Image : WidgetOf<Image> {
    static constexpr Kind staticKind = Kind::Image;
    Picture picture;
    /// Takes the picture and the picture's natural size (15 twips a pixel). A Width set
    /// afterwards clips or pads: the picture is never stretched.
    void setPicture(const Picture& p) {
        picture = p;
        Width = float(p.width()) * twipsPerPixel;
        Height = float(p.height()) * twipsPerPixel;
    }
};

enum class Align { Left, Right, Center };

struct Label : WidgetOf<Label> {
    static constexpr Kind staticKind = Kind::Label;
    std::string Caption;
    Color BackColor = colors::buttonFace;
    Color ForeColor = colors::windowText;
    bool opaque = true;  ///< paints its background
    int BorderStyle = 0; ///< 0 none, 1 single
    Align Alignment = Align::Left;
    Font font;
    bool wordWrap = true;
    bool autoSize = false; ///< sized to its caption by Program::fitToCaption, Left kept
    /// A caption too wide for the label is shown on one line, shortened in its middle, with the
    /// whole caption as the label's tooltip; Caption itself keeps every character.
    bool ellipsis = false;
    /// With an ellipsis: the caption's last `keep` bytes (a file's name and a reason) stay whole
    /// while there is room for them; the shortening takes its characters from what comes before.
    size_t keep = 0;
};

struct Line : WidgetOf<Line> {
    static constexpr Kind staticKind = Kind::Line;
    float X1 = 0, Y1 = 0, X2 = 0, Y2 = 0; ///< twips
    Color BorderColor = colors::black;
    int BorderWidth = 1; ///< pixels
    int BorderStyle = 1; ///< 1 solid, 2 dash, 3 dot, 4 dash-dot
};

struct Shape : WidgetOf<Shape> {
    static constexpr Kind staticKind = Kind::Shape;
    enum { Rectangle = 0, Oval = 2 };
    int shape = Oval;
    Color BorderColor = colors::black;
    Color FillColor = colors::black;
    bool filled = false; ///< fill style solid rather than transparent
    int BorderWidth = 1;
};

/// A container: children lists kept in z-order, back to front, one list per layer.
struct Layers {
    std::vector<Widget*> graphic;
    std::vector<Widget*> windowed;
};

struct Frame : WidgetOf<Frame>, Layers {
    static constexpr Kind staticKind = Kind::Frame;
    Frame() = default;
    Frame(const Frame& o)
        : WidgetOf<Frame>(o)
        , Caption(o.Caption)
        , font(o.font) {} // a copied frame starts empty
    std::string Caption;
    Font font;
};

struct CommandButton : WidgetOf<CommandButton> {
    static constexpr Kind staticKind = Kind::Button;
    std::string Caption;
    Picture picture; ///< shown by a graphical button
    bool graphical = false;
    Font font;
    bool Default = false; ///< Enter anywhere in its form clicks it
    bool Cancel = false;  ///< Escape anywhere in its form clicks it
};

struct TextBox : WidgetOf<TextBox> {
    static constexpr Kind staticKind = Kind::TextBox;
    Color BackColor = colors::white;
    std::function<void()> Change;
    const std::string& text() const { return text_; }
    /// Replaces the text; Change runs when the text differs. Call inside a dispatch.
    void setText(const std::string& t) {
        if (t == text_) return;
        text_ = t;
        if (Change) Change();
    }

private:
    std::string text_;
};

class Clock;

struct Timer : WidgetOf<Timer> {
    static constexpr Kind staticKind = Kind::Timer;
    Timer() { Visible = false; }
    /// A copy is not on any clock until its form registers it.
    Timer(const Timer& o)
        : WidgetOf<Timer>(o)
        , Tick(o.Tick)
        , interval_(o.interval_)
        , enabled_(o.enabled_) {}
    ~Timer() override;
    std::function<void()> Tick;
    int interval() const { return interval_; }
    bool enabled() const { return enabled_; }
    /// Setting a new interval restarts the countdown; 0 stops the ticks.
    void setInterval(int ms);
    /// Switching on starts a countdown of one interval; switching on a running timer changes
    /// nothing.
    void setEnabled(bool on);

private:
    friend class Clock;
    void rearm();
    int interval_ = 0;
    bool enabled_ = true;
    Clock* clock_ = nullptr;
    int64_t due_ = 0;     ///< virtual ms of the next tick
    uint64_t serial_ = 0; ///< creation order, breaks ties between timers due at once
};

/// Drive, folder and file lists: the rows shown and the chosen one. A list that cannot read a
/// place reports it through Fail and keeps showing the last place it could read.
struct ListBase {
    virtual ~ListBase() = default;
    std::vector<std::string> entries; ///< text of each row, as shown
    std::vector<int> depth;           ///< indentation of each row (folder list)
    int ListIndex = -1;               ///< chosen row, -1 none
    std::function<void()> Change;
    std::function<void(const std::string& place, Failure why)> Fail;
    Font font;
    /// The player picks a row, by mouse or keyboard. Call inside a dispatch.
    virtual void activate(int row) = 0;
};

struct DriveList : WidgetOf<DriveList>, ListBase {
    static constexpr Kind staticKind = Kind::DriveList;
    std::vector<files::Drive> drives;
    /// Reads the drives mounted now: the system's mount table (a test gives its own).
    std::function<std::vector<files::Drive>()> mounted = files::drives;
    /// Lists the drives mounted now, choosing the one that holds `path`. Runs no handler.
    void refresh(const std::string& path);
    /// The chosen drive's root folder.
    std::string Drive() const;
    /// The chosen drive's current folder: the program's current folder on the drive that holds
    /// it; on another drive the folder last opened there while the program runs, else the root.
    std::string folder() const;
    /// Notes `path` as the current folder of the drive that holds it.
    void remember(const std::string& path);
    /// The current folder of each drive but the one holding the program's current folder, by the
    /// drive's root: the program keeps it past the browser, so that a drive chosen again returns
    /// there while the program runs.
    struct Memory {
        std::map<std::string, std::string> folders;
    };
    /// Shows the drive holding `path` as chosen, without running Change.
    void follow(const std::string& path);
    /// Chooses a drive, after reading again which drives are mounted: a drive gone meanwhile is
    /// refused through Fail and leaves the list; choosing the one already chosen changes nothing
    /// and runs no handler.
    void activate(int row) override;
};

struct DirList : WidgetOf<DirList>, ListBase {
    static constexpr Kind staticKind = Kind::DirList;
    std::string Path;               ///< the open folder, raw bytes, canonical
    std::vector<std::string> paths; ///< the folder of each row
    /// Opens a folder: the rows become its ancestors and its subfolders and Change runs. A folder
    /// that cannot be read runs Fail instead and changes nothing.
    bool setPath(const std::string& path);
    /// Opens the folder without running Change (the list's state at creation).
    bool load(const std::string& path);
    void activate(int row) override;
};

struct FileList : WidgetOf<FileList>, ListBase {
    static constexpr Kind staticKind = Kind::FileList;
    std::string Path;               ///< the folder listed, raw bytes
    std::string Pattern = "*.*";    ///< which names are listed, case-insensitive
    std::vector<std::string> names; ///< raw name of each row
    /// Lists the matching files of a folder; on failure runs Fail and keeps the old rows.
    bool setPath(const std::string& path);
    /// The chosen file's raw name, empty when none is chosen.
    std::string FileName() const;
    void activate(int row) override; ///< chooses the row and runs Click
};

/// The widget as a `T`, when it is one; else null.
template <class T> T* as(Widget* w) {
    return w && w->kind == T::staticKind ? static_cast<T*>(w) : nullptr;
}
template <class T> const T* as(const Widget* w) {
    return w && w->kind == T::staticKind ? static_cast<const T*>(w) : nullptr;
}

/// Overloads gathered into one callable, for visit().
template <class... F> struct overloaded : F... { using F::operator()...; };
template <class... F> overloaded(F...) -> overloaded<F...>;

/// Calls `f` with the widget as what it is. `f` takes every kind of widget (an overload each, or
/// one for a base they share): a kind added to the toolkit fails to compile wherever it is not
/// handled.
template <class W, class F>
requires std::is_same_v<std::remove_const_t<W>, Widget>
decltype(auto) visit(W& w, F&& f) {
    constexpr bool c = std::is_const_v<W>;
    auto as = [&w]<class T>() -> std::conditional_t<c, const T&, T&> {
        return static_cast<std::conditional_t<c, const T&, T&>>(w);
    };
    switch (w.kind) {
    case Kind::Image:
        return f(as.template operator()<Image>());
    case Kind::Label:
        return f(as.template operator()<Label>());
    case Kind::Line:
        return f(as.template operator()<Line>());
    case Kind::Shape:
        return f(as.template operator()<Shape>());
    case Kind::Frame:
        return f(as.template operator()<Frame>());
    case Kind::Button:
        return f(as.template operator()<CommandButton>());
    case Kind::TextBox:
        return f(as.template operator()<TextBox>());
    case Kind::Timer:
        return f(as.template operator()<Timer>());
    case Kind::DriveList:
        return f(as.template operator()<DriveList>());
    case Kind::DirList:
        return f(as.template operator()<DirList>());
    case Kind::FileList:
        return f(as.template operator()<FileList>());
    }
    // Every kind returned above; a widget whose kind is out of range is a broken object.
    std::abort();
}

/// The widget's rows when it is one of the lists, else null.
template <class W> auto* asList(W& w) {
    using List = std::conditional_t<std::is_const_v<W>, const ListBase, ListBase>;
    return visit(w, [](auto& x) -> List* {
        if constexpr (std::is_base_of_v<ListBase, std::remove_cvref_t<decltype(x)>>)
            return &x;
        else
            return nullptr;
    });
}

} // namespace kt
