// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once
// The real program for tests: the model, the Qt views on the offscreen platform, and the script
// runner, all in this process. A test drives it with script lines and reads its JSON dump.
//
// A battle's time in the tests: the battle starts at virtual time 0; Timer1 and Timer2 tick every
// 100 ms from then on (Timer2 adds the income), `make` ticks every 50 ms from the moment training
// is switched on. When ticks fall due together, Timer1 comes first, then Timer2, then `make`.
// Enemy turns start at 25.5 s, so every scenario that needs calm stays below that.

#include "battle/form1.h"
#include "battle/invariants.h"
#include "shell/identity.h"
#include "toolkit/describe.h"
#include "toolkit/program.h"
#include "toolkit/qt/frontend.h"
#include "tools/replay/replay.h"

#include <QColor>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QRect>
#include <QWidget>
#include <array>
#include <functional>
#include <initializer_list>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace kolvar {

/// Whether this is the AddressSanitizer build: its shadow memory alone takes terabytes of
/// address space, and it keeps the heap's count itself.
bool sanitized();
/// Bytes the program holds on the heap right now.
size_t liveHeap();

/// Reads and writes the battlefield's private state, for tests that set up a situation directly.
struct BattleProbe {
    Form1& f;
    auto& uni() { return f.uni; }
    auto& sel() { return f.sel; }
    auto& clock() { return f.clock; }
    auto& kills() { return f.kills; }
    auto& enedead() { return f.enedead; }
    auto& enecell() { return f.enecell; }
    auto& cur() { return f.cur; }
    auto& queue() { return f.queue; }
    auto& dmg() { return f.dmg; }
    auto& tgx() { return f.tgx; }
    auto& tgy() { return f.tgy; }
    auto& cost() { return f.cost; }
};

/// Script errors from Game::run, caught by the test framework as failures.
struct ScriptError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class Game {
public:
    /// Starts the program with its start menu shown.
    Game()
        : frontend(std::make_unique<ktqt::Frontend>(app, ktqt::Frontend::Mode::Scripted)) {
        startProgram(app);
    }
    ~Game() { frontend.reset(); } // views go before the forms they show

    kt::Program app{kolvar::identity()};
    std::unique_ptr<ktqt::Frontend> frontend;

    /// Runs script lines as kolvar-replay does; a failing line throws a ScriptError naming it.
    void run(const std::string& script) {
        std::ostringstream out, err;
        std::istringstream in(script);
        if (Replay(app, *frontend, out).run(in, err) != 0)
            throw ScriptError("script '" + script + "', " + err.str());
    }
    /// The whole program state, as `dump` prints it.
    QJsonObject dump() { return kt::describe(app); }
    /// Shortcuts into the dump.
    QJsonObject window(const QString& name) {
        return dump()["windows"].toObject()[name].toObject();
    }
    QJsonObject state() { return window("Form1")["state"].toObject(); }
    QJsonObject widget(const QString& form, const QString& key) {
        return window(form)["widgets"].toObject()[key].toObject();
    }
    bool exists(const QString& form) { return dump()["windows"].toObject().contains(form); }

    /// The battlefield, created by "gioca" if needed.
    Form1& battle() {
        if (auto* f = app.loaded<Form1>()) return *f;
        run("click frmSplash Command1");
        return *app.loaded<Form1>();
    }
    BattleProbe probe() { return BattleProbe{battle()}; }
    /// Advances the clock in steps of `ms`.
    void wait(int ms) { app.advance(ms); }
};

/// A game whose battle has started, as "gioca" starts it, and that battle.
struct Battle : Game {
    Form1& f = battle();
};

/// A game the invariant checker watches from its start menu on.
struct Watched : Game {
    InvariantWatch watch{app};
    /// A watch that came after something else watching the ticks, when there is one.
    std::unique_ptr<InvariantWatch> late;
    std::vector<std::string> check() { return late ? late->check() : watch.check(); }
};
/// What the checker found, as one line.
QString joined(const std::vector<std::string>& broken);

/// The middle of a designed widget in its window, pixels.
QPoint middle(const kt::Widget& w);
/// The native widget of class T that shows windowed widget `w` in its form's window `view`.
template <class T = QWidget> T* nativeOf(QWidget* view, const kt::Widget& w) {
    for (QWidget* q = view->childAt(middle(w)); q && q != view; q = q->parentWidget())
        if (auto* t = qobject_cast<T*>(q)) return t;
    return nullptr;
}

// ---- The battlefield in the dump ---------------------------------------------------------

/// Unit i's record in the battle state.
inline QJsonObject unit(Game& g, int i) {
    return g.state()["uni"].toArray()[i].toObject();
}
/// Units of a kind waiting in the training queue.
inline int queued(Game& g, int kind) {
    return g.state()["queue"].toArray()[kind].toInt();
}

/// A number as `fields` writes it: at most ten significant digits.
inline QString number(double v) {
    return QString::number(v, 'g', 10);
}
/// Values of the dump by path, as one line of words, so that one check reads several: "yen" and
/// "uni[1].hp" are the battle state's, "news.Caption" a battlefield widget's, "frmSplash.visible"
/// a window's, "brow:Label1.Caption" a widget of another form and "messages" the dump's own.
/// Besides its properties a widget has ".at" (Left,Top), a line ".ends" (X1,Y1 X2,Y2) and ".look"
/// (r,g,b width style), a unit record ".pos" (x,y) and ".dest" (tx,ty). Numbers have at most ten
/// significant digits, what the dump lacks is none, and a word that is empty or holds a blank is
/// quoted: '' or ' lo scudo'.
QString fields(Game& g, const QString& paths);
/// The same of a dump kolvar-replay printed.
QString fields(const QJsonObject& dump, const QString& paths);
/// Each path whose value is not its word in `wanted` (written as `fields` writes them), with
/// both values; empty when all agree.
QString unlikeFields(Game& g, const QString& paths, const QString& wanted);
QString unlikeFields(const QJsonObject& dump, const QString& paths, const QString& wanted);
/// Fails the test, naming every path that differs, unless the dump (or a game's) holds the values
/// wanted.
#define CHECK_FIELDS(g, paths, wanted)                                                             \
    do {                                                                                           \
        const QString unlike_ = ::kolvar::unlikeFields(g, paths, wanted);                          \
        QVERIFY2(unlike_.isEmpty(), qPrintable(unlike_));                                          \
    } while (false)

/// One step of a scenario: script lines, then the values the dump must hold after them.
struct Stage {
    std::string script;
    QString paths, wanted;
};
/// Runs the steps in turn up to the first whose values the dump does not hold: that step's
/// script and each path that differs, or empty when all agree.
QString unlikeSteps(Game& g, std::initializer_list<Stage> steps);
/// Fails the test at the first step whose values the dump does not hold.
#define CHECK_STEPS(g, ...)                                                                        \
    do {                                                                                           \
        const QString unlike_ = ::kolvar::unlikeSteps(g, __VA_ARGS__);                             \
        QVERIFY2(unlike_.isEmpty(), qPrintable(unlike_));                                          \
    } while (false)

// ---- Data tables --------------------------------------------------------------------------

/// A data table of one string a row, {name, words}: one line a case, read back by `row`.
void table(std::initializer_list<std::pair<const char*, const char*>> rows);
/// The words of the current row of such a table (a quoted one as `fields` writes it).
QStringList row();
/// The first N words of the current row, as numbers.
template <size_t N> std::array<int, N> ints() {
    const QStringList w = row();
    std::array<int, N> out{};
    for (size_t i = 0; i < N; ++i) out[i] = w.value(qsizetype(i)).toInt();
    return out;
}

// ---- Script lines ------------------------------------------------------------------------

/// A number for a script line: at most ten significant digits, no trailing zeros.
inline std::string num(double v) {
    return number(v).toStdString();
}
/// A press on the battlefield at form twips (x, y), with a line end.
std::string press(double x, double y, int button = 1);
/// A press inside enemy i, away from its neighbours (enemies overlap by up to 150 twips).
std::string pressEnemy(Form1& f, int i, int button);
/// Lines that queue `count` units of `kind` with as few presses as the modifiers allow:
/// Shift+Ctrl 20, Ctrl 10, Shift 5, a plain press 1.
std::string order(int kind, int count);
/// Presses on the building and, in the open training panel, on the evolution button.
inline constexpr const char* pressBuilding = "press Form1 500 700";
inline constexpr const char* pressEvolve = "press Form1 3900 1500";
/// A press on the mine button inside the construction panel, wherever the panel stands now.
std::string pressMine(Game& g);

// ---- Setting up a battle -----------------------------------------------------------------

/// Puts unit i at (x, y), standing still there: record, image and cell kept in step.
void put(Form1& f, int i, int x, int y);
/// Trains one unit of `kind` at the building as the player does; returns the slot it got.
int train(Game& g, int kind);
/// Trains one builder (kind 6, 250 ms) into slot 1 and selects it; the construction panel opens.
void trainBuilder(Game& g);
/// Lets the clock run to tick `t`: the probe moves it to t - 1, one real tick does the rest
/// (Timer1 first, then Timer2, as they fall due together).
void tickTo(Game& g, int t);

// ---- Windows and files -------------------------------------------------------------------

/// The window of a form by its class name; null while the form is not loaded.
ktqt::FormView* viewOf(Game& g, const char* name);
/// Writes a file whole; the test fails if it cannot be opened.
void writeFile(const QString& path, const QByteArray& bytes);

/// The kolvar-replay a test under CTest runs (empty when the test runs alone).
inline QString replayTool() {
    return qEnvironmentVariable("KOLVAR_REPLAY");
}
/// How a run of kolvar-replay ended: its status (-1: it crashed or did not end in time).
struct Ran {
    int status = -1;
    QByteArray out, err;
};
/// kolvar-replay with `args` in `folder` (the test's own if empty), headless on the offscreen
/// platform, `input` on its standard input; `env` changes the test's environment (a value of "-"
/// takes the variable away), and `limit` runs in the child before it starts.
Ran runReplay(const QStringList& args, const QString& folder = {}, const QByteArray& input = {},
              const QMap<QString, QString>& env = {}, const std::function<void()>& limit = {},
              int waitMs = 120000);
/// Each dump the run printed, one a line.
QList<QJsonObject> dumps(const Ran& r);
/// Where two JSON values part, as paths into them ("windows.Form1.state.kills: 3 / 2"), at most
/// eight of them.
QStringList jsonDifferences(const QJsonValue& a, const QJsonValue& b);
/// A JPEG of w x h pixels of colour c, with a dark diagonal for some detail to encode.
QByteArray jpegBytes(int w, int h, QColor c);

/// Lets every pending event and repaint of the windows happen.
void settle();
/// What a window shows, its backing store as the last repaints left it, against a full paint of
/// the model as it is now, after every pending repaint: empty when the two are the same, else
/// where they first differ. A hidden window shows nothing and always passes.
QString unlikeFullPaint(QWidget& view);
/// A rectangle as "x,y wxh", for failure messages.
QString rectText(const QRect& r);

} // namespace kolvar
