// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Plays arbitrary bytes as a session of real Qt events on the program's real windows (offscreen):
// presses and releases, a quick second press delivered as Qt delivers it (a double click alone),
// right and middle presses with any modifiers on buttons, labels, pictures and lists, keys with
// and without modifiers, Tab, keyboard moves in the browser's lists, close boxes and time. The
// same session, as the presses, keys and choices the player meant, goes through the model's input
// functions of a second copy of the program that has no windows. After every event each shown
// window must hold what a full paint of its form gives; after every gesture both programs must
// dump the same state. Otherwise the run stops with the session so far and the difference.

#include "harness.h"

#include "shell/brow.h"
#include "shell/identity.h"
#include "toolkit/describe.h"
#include "toolkit/files.h"
#include "toolkit/qt/geometry.h"
#include "toolkit/qt/view.h"

#include "tree.h"

#include <QApplication>
#include <QBackingStore>
#include <QComboBox>
#include <QJsonDocument>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QWindow>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <malloc.h>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

using kolvar::fuzz::inTree;
using kolvar::fuzz::tree;

/// The input, read a byte at a time; zeros once it is used up.
struct Bytes {
    const uint8_t* p;
    size_t n;
    bool done() const { return n == 0; }
    unsigned byte() {
        if (!n) return 0;
        --n;
        return *p++;
    }
    unsigned word() { return byte() << 8 | byte(); }
};

// The keys of a US keyboard that a player may press, and the text X11 gives each.
const Qt::Key keys[] = {
    Qt::Key_A,         Qt::Key_B,        Qt::Key_D,      Qt::Key_E,       Qt::Key_I,
    Qt::Key_L,         Qt::Key_M,        Qt::Key_O,      Qt::Key_R,       Qt::Key_S,
    Qt::Key_V,         Qt::Key_X,        Qt::Key_Z,      Qt::Key_0,       Qt::Key_1,
    Qt::Key_7,         Qt::Key_Space,    Qt::Key_Return, Qt::Key_Enter,   Qt::Key_Escape,
    Qt::Key_Backspace, Qt::Key_Delete,   Qt::Key_Tab,    Qt::Key_Backtab, Qt::Key_Up,
    Qt::Key_Down,      Qt::Key_Left,     Qt::Key_Right,  Qt::Key_Home,    Qt::Key_End,
    Qt::Key_PageUp,    Qt::Key_PageDown, Qt::Key_Shift,  Qt::Key_Control, Qt::Key_Alt,
    Qt::Key_F4,
};

// The key and text a press gives with these modifiers: Shift turns a digit into its symbol,
// Control a letter into its control character. Qt Test gives the rest, but for the text X11
// gives Backtab and Delete.
std::pair<Qt::Key, QString> typed(Qt::Key k, Qt::KeyboardModifiers m) {
    const bool shift = m & Qt::ShiftModifier, ctrl = m & Qt::ControlModifier;
    const bool letter = k >= Qt::Key_A && k <= Qt::Key_Z;
    if (letter && ctrl) return {k, QString(QChar(k - Qt::Key_A + 1))};
    if (shift && k >= Qt::Key_0 && k <= Qt::Key_9) {
        const char symbol = ")!@#$%^&*("[k - Qt::Key_0];
        return {Qt::Key(symbol), QString(QChar(symbol))};
    }
    if (k == Qt::Key_Space && ctrl) return {k, {}};
    const char ascii = k == Qt::Key_Backtab  ? '\t'
                       : k == Qt::Key_Delete ? '\x7f'
                                             : QTest::keyToAscii(k);
    const QString text = ascii ? QString(QChar(ascii)) : QString();
    return {k, letter && shift ? text.toUpper() : text};
}

int shiftOf(Qt::KeyboardModifiers m) {
    return (m & Qt::ShiftModifier ? kt::ShiftMask : 0) |
           (m & Qt::ControlModifier ? kt::CtrlMask : 0) | (m & Qt::AltModifier ? kt::AltMask : 0);
}

// Qt Test's remark on every key or press a widget leaves to its parent, and the offscreen
// platform's on every raise and keyboard grab, are routine here.
QtMessageHandler qtHandler = nullptr;
void quietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.contains(QLatin1String("not accepted by receiving widget")) ||
        message.startsWith(QLatin1String("This plugin does not support")))
        return;
    if (qtHandler) qtHandler(type, context, message);
}

// The program without windows: the model, driven through its input functions as the player
// meant. Its host measures text as the real one does and shows nothing, so that no window of it
// takes the keyboard from the program under test, and nothing of it is painted.
struct Model : kt::Host {
    ktqt::Fonts fonts;
    kt::Program app{kolvar::identity()};
    Model() {
        app.setHost(this);
        kolvar::startProgram(app);
    }
    std::optional<std::pair<float, float>> measure(const kt::Font& font,
                                                   const std::string& text) override {
        return fonts.measure(font, text);
    }
};

// What the player meant by one event, for the windowless program, and how the session reads it.
struct Meant {
    std::string what;
    std::function<void(kt::Program&)> act;
};

struct Session {
    explicit Session(Bytes bytes)
        : in(bytes) {}

    kolvar::Game a; // the program with its windows, under real events
    Model b;
    Bytes in;
    std::string log;
    QLineEdit shadow; // edits as the cheat box does, to know what a key makes of its text
    ulong stamp = 1;  // event time, ms

    void note(const std::string& s) { log += s + "\n"; }

    [[noreturn]] void fail(const std::string& why) {
        std::fprintf(stderr, "session:\n%sBROKEN: %s\n", log.c_str(), why.c_str());
        std::abort();
    }

    ktqt::FormView* viewOf(const kt::Form& f) const { return a.frontend->view(f); }

    // The windowed model widget a native widget of a view stands for: same kind, same place in
    // its container. A native shown where the model has no shown widget is a fault in itself.
    kt::Widget* modelOf(kt::Form& f, QWidget* q, std::initializer_list<kt::Kind> kinds) {
        ktqt::FormView* v = viewOf(f);
        for (kt::Widget* w : f.widgets())
            if (std::count(kinds.begin(), kinds.end(), w->kind) && w->shown() &&
                q->geometry() == ktqt::pxRect(w->Left, w->Top, w->Width, w->Height) &&
                (w->container == nullptr) == (q->parentWidget() == v))
                return w;
        fail(std::string(q->isVisible() ? "a shown " : "a hidden ") + q->metaObject()->className() +
             " at " + std::to_string(q->x()) + "," + std::to_string(q->y()) + " in " +
             f.className() + " (in a " + q->parentWidget()->metaObject()->className() +
             ") stands for no shown widget of the form");
    }

    // Runs the player's meaning on the windowless program, on its form of the same class.
    void mean(const Meant& m) {
        if (!m.act) return;
        note("  meant: " + m.what);
        m.act(b.app);
    }

    static kt::Form& formIn(kt::Program& app, const std::string& cls) {
        if (kt::Form* f = app.formByName(cls)) return *f;
        throw std::runtime_error("no form " + cls);
    }
    static kt::Widget& widgetIn(kt::Program& app, const std::string& cls, const std::string& key) {
        if (kt::Widget* w = formIn(app, cls).find(key)) return *w;
        throw std::runtime_error("no widget " + key);
    }

    // A press at one point, released there or at another: the widget pressed is clicked only
    // when the release is on it too.
    static Meant pressAt(const kt::Form& f, QPoint p, QPoint q, int button, int shift) {
        const std::string cls = f.className();
        const float x = float(p.x()) * kt::twipsPerPixel, y = float(p.y()) * kt::twipsPerPixel;
        const float u = float(q.x()) * kt::twipsPerPixel, v = float(q.y()) * kt::twipsPerPixel;
        return {"down " + cls + " " + std::to_string(int(x)) + " " + std::to_string(int(y)) + " " +
                    std::to_string(button) + " " + std::to_string(shift) + ", up " +
                    std::to_string(int(u)) + " " + std::to_string(int(v)),
                [=](kt::Program& app) {
                    app.pointerUp(app.pointerDown(formIn(app, cls), x, y, button, shift), u, v,
                                  button);
                }};
    }
    static Meant choose(const std::string& cls, const std::string& key, int row) {
        return {"choose " + key + " row " + std::to_string(row), [=](kt::Program& app) {
                    kt::ListBase& l = *kt::asList(widgetIn(app, cls, key));
                    app.dispatch([&] { l.activate(row); });
                }};
    }

    // The shown forms of the program under test, each with its shown window.
    std::vector<kt::Form*> shown() {
        std::vector<kt::Form*> out;
        for (kt::Form* f : a.app.forms())
            if (f->visible() && viewOf(*f) && viewOf(*f)->isVisible()) out.push_back(f);
        return out;
    }

    // A player works in the window that has the keyboard, as the window manager gives it.
    void activate(QWidget* v) {
        if (QApplication::activeWindow() == v) return;
        v->activateWindow();
        QCoreApplication::processEvents();
        if (QApplication::activeWindow() != v) fail("the window manager did not activate a window");
    }

    // After every event: a window is shown exactly when its form is, and shows what a full
    // paint of the model gives.
    void checkWindows() {
        kolvar::settle();
        for (kt::Form* f : a.app.forms()) {
            ktqt::FormView* v = viewOf(*f);
            if (!v) fail(std::string("form ") + f->className() + " has no window");
            if (v->isVisible() != f->visible())
                fail(std::string("the window of ") + f->className() +
                     (f->visible() ? " is hidden while its form is shown"
                                   : " is shown while its form is hidden"));
            if (!f->visible()) continue;
            const QString unlike = kolvar::unlikeFullPaint(*v);
            if (unlike.isEmpty()) continue;
            if (const char* dir = std::getenv("KOLVAR_FUZZ_SHOTS")) { // both images, to look at
                static_cast<QImage*>(v->backingStore()->paintDevice())
                    ->copy(QRect(QPoint(), (QSizeF(v->size()) * v->devicePixelRatioF()).toSize()))
                    .save(QString(dir) + "/shown.png");
                v->grab().save(QString(dir) + "/full.png");
            }
            fail(std::string("window ") + f->className() + ": " + unlike.toStdString());
        }
    }

    // After every gesture: the browser's lists show the model's rows, the file list highlights
    // the chosen file and no other, the drive list shows the chosen drive; and both programs are
    // in the same state.
    void checkLists() {
        for (kt::Form* f : shown()) {
            for (QListWidget* l : viewOf(*f)->findChildren<QListWidget*>()) {
                if (!l->isVisible()) continue;
                kt::Widget* w = modelOfList(*f, l);
                const auto& rows = *kt::asList(std::as_const(*w));
                checkRows(*l, rows, w->key());
                if (w->kind != kt::Kind::FileList) continue;
                std::vector<int> lit;
                for (const QListWidgetItem* item : l->selectedItems()) lit.push_back(l->row(item));
                if (lit != (rows.ListIndex < 0 ? std::vector<int>{} : std::vector{rows.ListIndex}))
                    fail("list " + w->key() + " highlights " +
                         (lit.empty() ? std::string("no row") : "row " + std::to_string(lit[0])) +
                         " while the model has chosen row " + std::to_string(rows.ListIndex));
            }
            for (QComboBox* c : viewOf(*f)->findChildren<QComboBox*>()) {
                if (!c->isVisible()) continue;
                kt::Widget* w = modelOf(*f, c, {kt::Kind::DriveList});
                const auto& rows = *kt::asList(std::as_const(*w));
                checkRows(*c, rows, w->key());
                if (c->currentIndex() != rows.ListIndex)
                    fail("list " + w->key() + " shows another choice");
            }
        }
    }

    void compare() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        checkLists();
        const QJsonObject x = kt::describe(a.app), y = kt::describe(b.app);
        if (x == y) return;
        fail("the two programs differ (with windows / without):\n  " +
             kolvar::jsonDifferences(x, y).join("\n  ").toStdString());
    }

    void sendMouse(QWidget* r, QEvent::Type type, QPoint local, Qt::MouseButton button,
                   Qt::KeyboardModifiers mods) {
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : button;
        const Qt::MouseButton which = type == QEvent::MouseMove ? Qt::NoButton : button;
        QMouseEvent e(type, local, r->mapToGlobal(local), which, held, mods,
                      QPointingDevice::primaryPointingDevice());
        e.setTimestamp(stamp);
        QSpontaneKeyEvent::setSpontaneous(&e);
        QApplication::instance()->notify(r, &e);
    }

    // The list a widget belongs to: its viewport, its scroll bars, its frame.
    template <class List> static List* listOf(QWidget* r) {
        for (; r; r = r->parentWidget())
            if (auto* l = qobject_cast<List*>(r)) return l;
        return nullptr;
    }

    // One press at a form pixel and its release there, or at `to` after a move with the button
    // held; the second press of a double click is delivered as the double click alone. Returns
    // false when the press was not made.
    bool press(kt::Form& f, QPoint p, Qt::MouseButton button, Qt::KeyboardModifiers mods,
               bool second, std::optional<QPoint> to = std::nullopt) {
        ktqt::FormView* v = viewOf(f);
        activate(v);
        QWidget* r = v->childAt(p);
        if (!r) r = v;
        // The drive list opens a popup on a press, which takes the mouse from every window.
        if (listOf<QComboBox>(r)) return false;
        const QPoint local = r->mapFrom(v, p);
        const int b = button == Qt::LeftButton    ? kt::LeftButton
                      : button == Qt::RightButton ? kt::RightButton
                                                  : kt::MiddleButton;
        Meant meant = pressAt(f, p, to.value_or(p), b, shiftOf(mods));
        QListWidget* l = listOf<QListWidget>(r);
        if (l && r == l->viewport()) {
            kt::Widget* w = modelOfList(f, l);
            const int row = l->indexAt(local).row();
            checkRows(*l, *kt::asList(*w), w->key());
            meant = {};
            // A file is chosen by every left press on it; a folder opens on the second.
            if (button == Qt::LeftButton && row >= 0) {
                if (w->kind == kt::Kind::FileList) meant = choose(f.className(), w->key(), row);
                if (w->kind == kt::Kind::DirList && second) {
                    if (!inTree(static_cast<kt::DirList&>(*w).paths[size_t(row)])) return false;
                    meant = choose(f.className(), w->key(), row);
                }
            }
        } else if (l && r != l) {
            meant = {}; // its scroll bar: the player scrolls
        }
        note(std::string(second ? "double " : "press ") + f.className() + " " +
             std::to_string(p.x()) + "," + std::to_string(p.y()) + " button " + std::to_string(b) +
             " shift " + std::to_string(shiftOf(mods)) + " on " + r->metaObject()->className() +
             (to ? " to " + std::to_string(to->x()) + "," + std::to_string(to->y()) : ""));
        QPointer<QWidget> target(r);
        stamp += second ? 90 : 700;
        sendMouse(r, second ? QEvent::MouseButtonDblClick : QEvent::MouseButtonPress, local, button,
                  mods);
        checkWindows();
        stamp += 40;
        // The move and the release go where the press went, unless that is no longer shown.
        const QPoint end = to ? (target ? target->mapFrom(v, *to) : QPoint()) : local;
        if (to && target && target->isVisible()) {
            sendMouse(target, QEvent::MouseMove, end, button, mods);
            checkWindows();
        }
        if (target && target->isVisible()) {
            sendMouse(target, QEvent::MouseButtonRelease, end, button, mods);
            checkWindows();
        }
        mean(meant);
        return true;
    }

    kt::Widget* modelOfList(kt::Form& f, QListWidget* l) {
        return modelOf(f, l, {kt::Kind::FileList, kt::Kind::DirList});
    }

    // A list shows the model's rows: a player presses on what he sees.
    template <class List>
    void checkRows(List& l, const kt::ListBase& rows, const std::string& key) {
        bool same = size_t(l.count()) == rows.entries.size();
        for (int i = 0; same && i < l.count(); ++i)
            same = l.model()->index(i, 0).data().toString() ==
                   QString::fromStdString(rows.entries[size_t(i)]);
        if (!same) fail("list " + key + " shows other rows than its model");
    }

    void mouse(kt::Form& f, QPoint p, Qt::MouseButton button, Qt::KeyboardModifiers mods,
               bool twice, std::optional<QPoint> to) {
        const kt::FormId id = f.id();
        if (!press(f, p, button, mods, false, to) || !twice) return;
        // The second press reaches the same window only while it stays there.
        kt::Form* now = a.app.still(id);
        if (!now || !now->visible() || a.app.ended()) return;
        press(*now, p, button, mods, true);
    }

    // The widget that has the keyboard in window v: its focus widget, else the window itself.
    static QWidget* keyboardOf(ktqt::FormView* v) {
        QWidget* focus = QApplication::focusWidget();
        return focus && focus->window() == v ? focus : v;
    }

    // One key pressed and released in a window. Returns false when it was not pressed.
    bool key(kt::Form& f, Qt::Key k, Qt::KeyboardModifiers mods) {
        const auto [code, text] = typed(k, mods);
        if (code == Qt::Key_Backtab) mods |= Qt::ShiftModifier;
        QPointer<ktqt::FormView> v = viewOf(f);
        activate(v);
        QWidget* r = keyboardOf(v);
        const std::string cls = f.className();
        Meant meant;
        QMetaObject::Connection moved;
        int movedTo = -1;
        QPointer<QListWidget> litList;
        bool wasLit = false;
        std::string list; // the key of the list the keyboard moves in
        if (const std::optional<int> typedChar = ktqt::FormView::characterOf(code, text);
            typedChar && f.takesKey(*typedChar)) {
            const int c = *typedChar;
            meant = {"key " + cls + " " + std::to_string(c),
                     [=](kt::Program& app) { app.keyPress(formIn(app, cls), c); }};
        } else if (auto* e = qobject_cast<QLineEdit*>(r)) {
            // Undo has a history the shadow does not share.
            if ((mods & Qt::ControlModifier) && (code == Qt::Key_Z || code == Qt::Key_Y))
                return false;
            shadow.setText(e->text());
            shadow.setCursorPosition(e->cursorPosition());
            if (e->hasSelectedText()) { // selected from the end the cursor is not at
                const int at = e->cursorPosition(), s = e->selectionStart();
                const int from = at == s ? e->selectionEnd() : s;
                shadow.setSelection(from, at - from);
            }
            QTest::sendKeyEvent(QTest::Press, &shadow, code, text, mods);
            QTest::sendKeyEvent(QTest::Release, &shadow, code, text, mods);
            if (shadow.text() != e->text()) {
                const std::string key = modelOf(f, e, {kt::Kind::TextBox})->key();
                const std::string now = shadow.text().toStdString();
                meant = {"type " + key + " '" + now + "'", [=](kt::Program& app) {
                             app.setText(static_cast<kt::TextBox&>(widgetIn(app, cls, key)), now);
                         }};
            }
        } else if (auto* pb = qobject_cast<QPushButton*>(r)) {
            if (code == Qt::Key_Space) {
                const std::string key = modelOf(f, pb, {kt::Kind::Button})->key();
                meant = {"click " + key,
                         [=](kt::Program& app) { app.click(widgetIn(app, cls, key)); }};
            }
        } else if (auto* l = qobject_cast<QListWidget*>(r)) {
            kt::Widget* w = modelOfList(f, l);
            checkRows(*l, *kt::asList(*w), w->key());
            if (code == Qt::Key_Return || code == Qt::Key_Enter) {
                const int row = l->currentRow();
                if (row >= 0) {
                    if (w->kind == kt::Kind::DirList &&
                        !inTree(static_cast<kt::DirList&>(*w).paths[size_t(row)]))
                        return false;
                    meant = choose(cls, w->key(), row);
                }
            } else if (w->kind == kt::Kind::FileList) {
                // A file is chosen by the keyboard moving onto it: the row the list moves to.
                list = w->key();
                moved = QObject::connect(l, &QListWidget::currentRowChanged,
                                         [&movedTo](int row) { movedTo = row; });
                // Or a search lands on the row already current and lights it.
                litList = l;
                wasLit = l->currentItem() && l->currentItem()->isSelected();
            }
        } else if (auto* c = qobject_cast<QComboBox*>(r)) {
            list = modelOf(f, c, {kt::Kind::DriveList})->key();
            moved = QObject::connect(c, &QComboBox::currentIndexChanged,
                                     [&movedTo](int row) { movedTo = row; });
        }
        note("key " + cls + " " +
             QKeySequence(QKeyCombination(mods, code)).toString().toStdString() + " text " +
             QByteArray(text.toUtf8().toHex()).toStdString() + " to " +
             r->metaObject()->className());
        QTest::sendKeyEvent(QTest::Press, r, code, text, mods);
        QObject::disconnect(moved);
        checkWindows();
        // The release goes to whatever has the keyboard now.
        if (v && v->isVisible()) {
            QTest::sendKeyEvent(QTest::Release, keyboardOf(v), code, text, mods);
            checkWindows();
        }
        closePopup();
        if (movedTo < 0 && litList && !wasLit && litList->currentItem() &&
            litList->currentItem()->isSelected())
            movedTo = litList->currentRow();
        if (movedTo >= 0) meant = choose(cls, list, movedTo);
        mean(meant);
        return true;
    }

    // A popup the keyboard opened (the drive list's) goes away with Escape, choosing nothing.
    void closePopup() {
        QWidget* popup = QApplication::activePopupWidget();
        if (!popup) return;
        note("  escape from the popup");
        QWidget* r = popup->focusWidget() ? popup->focusWidget() : popup;
        QTest::sendKeyEvent(QTest::Click, r, Qt::Key_Escape, QStringLiteral("\x1b"), {});
        if (QApplication::activePopupWidget()) fail("a popup stays open after Escape");
        checkWindows();
    }

    kt::Form* pickForm() {
        const std::vector<kt::Form*> forms = shown();
        const unsigned b = in.byte();
        return forms.empty() ? nullptr : forms[b % forms.size()];
    }

    // A point of the window, on a shown widget that takes the mouse or anywhere.
    QPoint pickPoint(kt::Form& f, bool onWidget) {
        ktqt::FormView* v = viewOf(f);
        QRect area = v->rect();
        if (onWidget) {
            std::vector<kt::Widget*> ws;
            for (kt::Widget* w : f.widgets())
                if (w->shown() && w->takesMouse()) ws.push_back(w);
            if (!ws.empty()) {
                const kt::Widget& w = *ws[in.word() % ws.size()];
                const QRect r = ktqt::pxRect(w.formLeft(), w.formTop(), w.Width, w.Height);
                if (r.intersects(area)) area &= r;
            }
        }
        const int x = area.left() + int(in.byte() * unsigned(area.width()) / 256);
        const int y = area.top() + int(in.byte() * unsigned(area.height()) / 256);
        return {x, y};
    }

    static Qt::KeyboardModifiers modifiers(unsigned bits) {
        return (bits & 1 ? Qt::ShiftModifier : Qt::NoModifier) |
               (bits & 2 ? Qt::ControlModifier : Qt::NoModifier) |
               (bits & 4 ? Qt::AltModifier : Qt::NoModifier);
    }

    void wait(int ms) {
        note("wait " + std::to_string(ms));
        a.app.advance(ms);
        b.app.advance(ms);
        checkWindows();
    }

    void play() {
        const unsigned op = in.byte() % 16;
        kt::Form* f = pickForm();
        if (!f) fail("no window is shown");
        switch (op < 7 ? 0u : op < 10 ? 7u : op) { // 0 to 6 a press, 7 to 9 a key
        case 0: {                                  // on a widget up to 4, else anywhere
            const QPoint p = pickPoint(*f, op <= 4);
            static const Qt::MouseButton buttons[] = {Qt::LeftButton, Qt::LeftButton,
                                                      Qt::RightButton, Qt::MiddleButton};
            const Qt::MouseButton button = buttons[in.byte() % 4];
            const Qt::KeyboardModifiers mods = modifiers(in.byte());
            const unsigned how = in.byte(); // a double click, a drag or a click
            std::optional<QPoint> to;
            if (how % 8 == 2) to = pickPoint(*f, false);
            mouse(*f, p, button, mods, how % 4 == 0, to);
            break;
        }
        case 7: { // a key
            const Qt::Key k = keys[in.byte() % std::size(keys)];
            const unsigned m = in.byte();
            key(*f, k, m < 128 ? Qt::KeyboardModifiers() : modifiers(m));
            break;
        }
        case 10: { // the cheat box: pressed, then a code or some letters typed into it
            auto* battle = a.app.loaded<kolvar::Form1>();
            if (!battle || !battle->visible()) break;
            const QRect box = ktqt::pxRect(battle->cheater.Left, battle->cheater.Top,
                                           battle->cheater.Width, battle->cheater.Height);
            press(*battle, box.center(), Qt::LeftButton, {}, false);
            const unsigned b = in.byte();
            // A code replaces the whole text, as the player types it over what he selected.
            if (b < 128 && (battle = a.app.loaded<kolvar::Form1>()) && battle->visible())
                key(*battle, Qt::Key_A, Qt::ControlModifier);
            static const char* const codes[] = {"vildra", "pelmantra gox", "dek mova", "frastol"};
            const QString word =
                b < 128 ? QString(codes[b % 4]) : QString(QChar('a' + int(b % 26)));
            for (QChar ch : word) {
                battle = a.app.loaded<kolvar::Form1>();
                if (!battle || !battle->visible()) break;
                const Qt::Key k =
                    ch == ' ' ? Qt::Key_Space : Qt::Key(Qt::Key_A + (ch.unicode() - 'a'));
                key(*battle, k, {});
            }
            break;
        }
        case 11: { // Tab until a list of the browser has the keyboard, then a key there
            auto* br = a.app.loaded<kolvar::brow>();
            if (!br || !br->visible()) break;
            for (int i = 0; i < 8 && !a.app.ended(); ++i) {
                QWidget* r = keyboardOf(viewOf(*br));
                if (qobject_cast<QListWidget*>(r) || qobject_cast<QComboBox*>(r)) break;
                key(*br, Qt::Key_Tab, {});
                br = a.app.loaded<kolvar::brow>();
                if (!br || !br->visible()) return;
            }
            static const Qt::Key moves[] = {
                Qt::Key_Up,       Qt::Key_Down,   Qt::Key_Home, Qt::Key_End, Qt::Key_PageUp,
                Qt::Key_PageDown, Qt::Key_Return, Qt::Key_B,    Qt::Key_P,   Qt::Key_Tab};
            key(*br, moves[in.byte() % std::size(moves)], {});
            break;
        }
        case 12: { // the close box, now and then
            if (in.byte() % 8) break;
            note(std::string("close ") + f->className());
            const std::string cls = f->className();
            viewOf(*f)->windowHandle()->close();
            checkWindows();
            mean({"close " + cls, [=](kt::Program& app) { app.closeBox(formIn(app, cls)); }});
            break;
        }
        default: // time: the same for both, compared with the next gesture
            wait(int(in.word() % 2001));
            return;
        }
        compare();
    }
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // Qt's caches grow during a session, so libFuzzer would run nearly every input a second time
    // to look for a leak that the sanitizer options of our runs do not report anyway. Given first,
    // the flag yields to one on the command line. (libFuzzer reads its flags after this call.)
    static char noLeakRerun[] = "-detect_leaks=0";
    static std::vector<char*> args(*argv, *argv + *argc);
    args.insert(args.begin() + (args.empty() ? 0 : 1), noLeakRerun);
    args.push_back(nullptr);
    *argc = int(args.size()) - 1;
    *argv = args.data();
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // Scale 1 unless KOLVAR_SCALE asks for another (a long run at 1.5 or 2 reaches the paths
    // where device pixels and twips do not meet).
    const char* scale = std::getenv("KOLVAR_SCALE");
    setenv("QT_SCALE_FACTOR", scale && *scale ? scale : "1", 1);
    // Never destroyed: Qt cannot tear down an application from an exit handler.
    static auto* qapp = new QApplication(*argc, *argv);
    (void)qapp;
    qtHandler = qInstallMessageHandler(quietHandler);
    // Every check paints a window into fresh images of two megabytes: kept in the heap rather
    // than mapped and faulted in anew each time, they cost a quarter of the time.
    mallopt(M_MMAP_THRESHOLD, 256 << 20);
    mallopt(M_TRIM_THRESHOLD, 512 << 20);
    kolvar::fuzz::makeTree();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The browser opens on the current folder, and a drive chosen in it returns to the folder
    // last opened there: both lead into the tree, whichever drive the player picks.
    const kolvar::fuzz::InTree here;
    {
        Session s(Bytes{data, size});
        const std::vector<kt::files::Drive> drives = kt::files::drives();
        const int home = kt::files::driveOf(drives, tree);
        for (auto* app : {&s.a.app, &s.b.app})
            for (size_t d = 0; d < drives.size(); ++d)
                if (int(d) != home)
                    app->lasting<kt::DriveList::Memory>().folders[drives[d].root] = tree + "/sub";
        s.checkWindows();
        // Each input is a short session: a longer one is a longer input, up to this many gestures.
        for (int step = 0; step < 60 && !s.in.done() && !s.a.app.ended(); ++step) s.play();
        s.compare();
        if (std::getenv("KOLVAR_FUZZ_TRACE")) std::fprintf(stderr, "%s", s.log.c_str());
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}
