// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Sessions recorded as a person plays them: kolvar-replay --record runs on an X server of the
// test's own under a window manager, reached only by real X input (pointer, buttons, keys), and
// is ended as a player ends it. The script it wrote, played headless in the same folder, must
// print the very state the recording wrote down when it ended. A watched script shows its
// windows on the same desktop and ends where its headless run does.

#include "battle/form1.h"
#include "desktop.h"
#include "harness.h"
#include "shell/brow.h"
#include "shell/frmsplash.h"
#include "toolkit/program.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <functional>
#include <map>
#include <numeric>
#include <random>
#include <set>
#include <sys/resource.h>

using kolvar::middle;
using kolvar::Ran;

namespace {

kolvar::Desktop* desk = nullptr;

const QString menuTitle = "Kolvar", fieldTitle = "Gioco fatto da Ondrasti", browserTitle = "Form2";

/// The forms as designed, in a program of the test's own that opens no window: where a player
/// finds each widget on the screen.
struct Design {
    kt::Program app;
    kolvar::Form1& field = app.get<kolvar::Form1>();
    kolvar::brow& browser = app.get<kolvar::brow>();
    kolvar::frmSplash& menu = app.get<kolvar::frmSplash>();
};
Design* design = nullptr;

/// Client pixels of a point of a form, given in twips.
QPoint pixels(float x, float y) {
    return QPoint(int(x / kt::twipsPerPixel), int(y / kt::twipsPerPixel));
}

QImage grab(const QRect& onScreen) {
    return QGuiApplication::primaryScreen()
        ->grabWindow(0, onScreen.x(), onScreen.y(), onScreen.width(), onScreen.height())
        .toImage();
}

/// What the battlefield's news line shows, inside its border, left of the cheat box standing
/// over its end.
QImage news(unsigned long field) {
    const kt::Label& n = design->field.news;
    const QPoint size = pixels(design->field.cheater.Left - n.Left, n.Height);
    const QRect at(desk->clientArea(field).topLeft() + pixels(n.Left, n.Top),
                   QSize(size.x(), size.y()));
    return grab(at.adjusted(2, 2, -2, -2));
}

bool showsText(const QImage& img) {
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qGray(img.pixel(x, y)) < 96) return true;
    return false;
}

/// Waits until the news line tells that the force field has fallen: until it shows a text other
/// than `before`. It tells on the field's last tick; shots go through from the next one.
bool theFieldFalls(unsigned long field, const QImage& before) {
    const bool told = QTest::qWaitFor(
        [&] {
            const QImage now = news(field);
            return now != before && showsText(now);
        },
        40000);
    QTest::qWait(300);
    return told;
}

/// Where the OK button of a message box shows, as a player finds it: the only thing drawn on the
/// plain face in the box's lower right quarter (the text stands above it). Null while the box is
/// not painted yet.
QPoint okButton(unsigned long box) {
    const QImage shot = grab(desk->clientArea(box));
    if (shot.width() < 20 || shot.height() < 20) return {};
    const QRgb face = shot.pixel(1, shot.height() - 2);
    QRect drawn;
    for (int y = shot.height() / 2; y < shot.height() - 1; ++y)
        for (int x = shot.width() / 2; x < shot.width() - 1; ++x)
            if (shot.pixel(x, y) != face) drawn |= QRect(x, y, 1, 1);
    return drawn.width() > 10 && drawn.height() > 10 ? drawn.center() : QPoint();
}

struct Window {
    unsigned long id;
    QString title;
    bool box; ///< a message box: transient for the window that opened it
};

QByteArray read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

/// A working folder for a session, holding one small picture for the browser to list.
struct Folder {
    QTemporaryDir dir;
    Folder() {
        kolvar::writeFile(path() + "/meadow.jpg", kolvar::jpegBytes(40, 30, Qt::darkGreen));
    }
    QString path() const { return dir.path(); }
    QString script() const { return dir.path() + "/session.replay"; }
    QStringList record() const { return {"--record", script()}; }
    QStringList lines() const {
        return QString::fromUtf8(read(script())).split('\n', Qt::SkipEmptyParts);
    }
    QJsonObject state() const { return QJsonDocument::fromJson(read(script() + ".json")).object(); }
};

/// kolvar-replay started with `args` in `folder`, its windows on the test's display.
class Child {
public:
    /// On the test's desktop, or on `display`; `limit` runs in the child before it starts.
    Child(const QString& folder, const QStringList& args, const QString& display = {},
          const std::function<void()>& limit = {}) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "xcb");
        if (!display.isEmpty()) env.insert("DISPLAY", display);
        process_.setProcessEnvironment(env);
        if (limit) process_.setChildProcessModifier(limit);
        process_.setWorkingDirectory(folder);
        process_.start(kolvar::replayTool(), args);
        process_.waitForStarted();
    }
    ~Child() {
        if (running()) {
            process_.kill();
            process_.waitForFinished();
        }
    }

    bool running() const { return process_.state() == QProcess::Running; }

    /// Every shown window of the program.
    std::vector<Window> windows() {
        std::vector<Window> shown;
        if (!running()) return shown;
        const QString ids = desk->run(
            "xdotool", {"search", "--onlyvisible", "--pid", QString::number(process_.processId())});
        for (const QString& id : ids.split('\n', Qt::SkipEmptyParts)) {
            bool named = false;
            const QString title = desk->run("xdotool", {"getwindowname", id}, &named).trimmed();
            if (!named) continue; // gone meanwhile
            const bool box = title == menuTitle &&
                             desk->run("xprop", {"-id", id, "WM_TRANSIENT_FOR"}).contains("window");
            shown.push_back({id.toULong(), title, box});
        }
        return shown;
    }

    /// A shown window titled `title`, a message box or not, once there is one; 0 if none comes
    /// within `ms` (0: look once). The window manager has placed it once it is found.
    unsigned long window(const QString& title, bool box = false, int ms = 15000) {
        unsigned long id = 0;
        const auto found = [&] {
            for (const Window& w : windows())
                if (w.title == title && w.box == box) id = w.id;
            return id != 0 || !running();
        };
        if (ms == 0)
            found();
        else if (QTest::qWaitFor(found, ms) && id)
            QTest::qWait(250);
        return id;
    }
    unsigned long messageBox(int ms) { return window(menuTitle, true, ms); }
    /// The battlefield, shown by a click on "gioca" in the start menu; 0 if either did not show.
    unsigned long battle() {
        const unsigned long menu = window(menuTitle);
        return menu && desk->click(menu, middle(design->menu.Command1)) ? window(fieldTitle) : 0;
    }

    /// Waits up to `ms` for the program to end by itself.
    Ran ended(int ms) {
        Ran e;
        if (running() && !process_.waitForFinished(ms)) return e;
        if (process_.exitStatus() == QProcess::NormalExit) e.status = process_.exitCode();
        e.out = process_.readAllStandardOutput();
        e.err = process_.readAllStandardError();
        return e;
    }
    /// Ends the program as Ctrl+C, a shutdown or a closed terminal does, with a signal.
    Ran terminated(int signal = SIGTERM) {
        ::kill(pid_t(process_.processId()), signal);
        return ended(15000);
    }

private:
    QProcess process_;
};

/// What is wrong with a recording that ended as `e` says in `folder`: empty when it ended with
/// status 0 on a closing "dump" and, played headless there, its last line of output is exactly
/// the state it wrote; else what differs (recorded / replayed).
QString unreproduced(const Ran& e, const Folder& folder) {
    if (e.status != 0) return QString("the recording ended with %1: %2").arg(e.status).arg(e.err);
    if (!folder.lines().endsWith("dump")) return "no closing dump";
    const QByteArray recorded = read(folder.script() + ".json");
    if (!recorded.endsWith('\n') || recorded.count('\n') != 1)
        return "the recorded state is not one line with its newline: " + recorded.left(200);
    const Ran r = kolvar::runReplay({folder.script()}, folder.path());
    if (r.status != 0) return QString("the replay ended with %1: %2").arg(r.status).arg(r.err);
    const QByteArray replayed = r.out.trimmed().split('\n').last();
    if (replayed == recorded.chopped(1)) return {};
    return "the replay ends elsewhere: " +
           kolvar::jsonDifferences(QJsonDocument::fromJson(recorded).object(),
                                   QJsonDocument::fromJson(replayed).object())
               .join("; ");
}

/// A random point of a window of `size`, in pixels: half the time on one of its designed widgets
/// (a name first, then an element of its array), where the game has something to do with a
/// press; else anywhere.
QPoint somewhere(const Window& w, QSize size, const std::function<int(int)>& below) {
    const kt::Form* form = nullptr; // the designed form the window shows, if any
    if (w.title == fieldTitle) form = &design->field;
    if (w.title == browserTitle) form = &design->browser;
    if (w.title == menuTitle && !w.box) form = &design->menu;
    if (!form || below(2) == 0) return QPoint(below(size.width()), below(size.height()));
    std::map<std::string, std::vector<const kt::Widget*>> named;
    for (const kt::Widget* x : form->widgets())
        if (x->takesMouse() && x->Width >= kt::twipsPerPixel && x->Height >= kt::twipsPerPixel &&
            x != &design->field.Frame2 && x->container != &design->field.Frame2) // never shown
            named[x->name].push_back(x);
    auto name = named.begin();
    std::advance(name, below(int(named.size())));
    const kt::Widget& x = *name->second[size_t(below(int(name->second.size())))];
    return pixels(x.formLeft() + float(below(int(x.Width))),
                  x.formTop() + float(below(int(x.Height))));
}

/// Right presses on enemies, all in one go, as a quick hand makes them.
bool fireAt(unsigned long field, const std::vector<int>& enemies) {
    QStringList args;
    for (int i : enemies)
        args << desk->pointerTo(field, middle(design->field.ene[i])) << "click"
             << "3";
    return desk->xdotool(args);
}

} // namespace

class RecordingTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY2(!kolvar::replayTool().isEmpty(), "the test runs under CTest"); }

    // A whole battle played with the mouse and the keyboard, ended by the terminal's hang-up
    // while it runs. A second recording started at once into the same file is refused.
    void aWholeSessionPlaysBackToItsEnd() {
        Folder folder;
        Child first(folder.path(), folder.record()), second(folder.path(), folder.record());
        QTRY_VERIFY_WITH_TIMEOUT(!first.running() || !second.running(), 15000);
        Child& rec = first.running() ? first : second;
        const Ran other = (first.running() ? second : first).ended(0);
        QCOMPARE(other.status, 2);
        QVERIFY2(other.err.endsWith(" exists: a recording writes only new files\n"),
                 other.err.constData());
        kolvar::Form1& f = design->field;

        // A background from the browser first; OK returns to the menu. The picture sets up the
        // battle, hidden: its clock runs from here.
        unsigned long menu = rec.window(menuTitle);
        QVERIFY(menu);
        QVERIFY(desk->click(menu, middle(design->menu.Command3)));
        const unsigned long browser = rec.window(browserTitle);
        QVERIFY(browser);
        const kt::Widget& files = design->browser.File1;
        QVERIFY(desk->click(browser, pixels(files.formLeft(), files.formTop()) + QPoint(30, 9)));
        QTest::qWait(300);
        QVERIFY(desk->click(browser, middle(design->browser.OK)));
        const unsigned long field = rec.battle();
        QVERIFY(field);

        // Training: the builder first, which makes it the first unit (a kind in training keeps
        // its place), then every other kind with Shift, Ctrl, right presses that take back, a
        // middle press and a double click.
        QVERIFY(desk->click(field, middle(f.Image2)));
        QTest::qWait(200);
        QVERIFY(desk->click(field, middle(f.Command1[6])));
        QVERIFY(desk->click(field, middle(f.Command1[0]), 1, "shift"));
        QVERIFY(desk->click(field, middle(f.Command1[0]), 3));
        QVERIFY(desk->click(field, middle(f.Command1[1]), 1, "ctrl"));
        QVERIFY(desk->click(field, middle(f.Command1[1]), 3, "shift"));
        QVERIFY(desk->click(field, middle(f.Command1[2]), 2));
        QVERIFY(desk->click(field, middle(f.Command1[2])));
        QVERIFY(desk->click(field, middle(f.Command1[3]), 1, "", 2));
        QVERIFY(desk->click(field, middle(f.Command1[4])));
        QVERIFY(desk->click(field, middle(f.Command1[5])));
        QVERIFY(desk->click(field, middle(f.evo)));

        // The builder, trained first, stands in the first place in front of the building; its
        // panel opens at its feet. A mine there, then the builder walks away.
        const float builderLeft = 2940, builderTop = 3000;
        const float feet = builderTop + f.front[6].Height;
        QVERIFY(desk->click(field, pixels(builderLeft + 175, builderTop + 200)));
        QTest::qWait(200);
        QVERIFY(desk->click(field, pixels(builderLeft + f.command2.Left + f.command2.Width / 2,
                                          feet + f.command2.Top + f.command2.Height / 2)));
        QVERIFY(desk->click(field, pixels(1500, 4200)));

        // Tovo walks to where his reach covers every enemy; a shot through the standing force
        // field is refused, and the news says so.
        QVERIFY(desk->click(field, middle(f.ima[0])));
        QVERIFY(desk->click(field, pixels(6000, 3900)));
        const QImage before = news(field);
        QVERIFY(fireAt(field, {5}));
        QImage refused;
        QTRY_VERIFY((refused = news(field)) != before && showsText(refused));

        // A cheat with a typo taken back, then a paste of line breaks, a CR, a NUL and escape
        // bytes after it: one input, on one line.
        QVERIFY(desk->click(field, middle(f.cheater)));
        QVERIFY(desk->xdotool({"type", "--delay", "80", "vildrx"}));
        QVERIFY(desk->keys({"BackSpace"}));
        QVERIFY(desk->xdotool({"type", "a"}));
        const QString pasted =
            QString::fromUtf8("vildra\nshot Form1 x.png\nwait 5\r\x1b]0;owned\x07") + QChar(0) +
            "\\\r";
        QGuiApplication::clipboard()->setText(pasted);
        QVERIFY(desk->keys({"ctrl+v"}));
        // The test serves the clipboard while it waits.
        QVERIFY(QTest::qWaitFor(
            [&] {
                return folder.lines().filter(QRegularExpression("^text Form1 cheater ")).size();
            },
            10000));

        // Once the field has fallen (the news tells), three shots that destroy.
        QVERIFY(theFieldFalls(field, refused));
        QVERIFY(fireAt(field, {0, 1, 2}));
        QTest::qWait(300);

        QCOMPARE(unreproduced(rec.terminated(SIGHUP), folder), QString());
        const QStringList lines = folder.lines();
        QVERIFY2(lines.contains("text Form1 cheater vildravildra\\nshot Form1 x.png\\n"
                                "wait 5\\r\\x1b]0;owned\\x07\\0\\\\\\r"),
                 qPrintable(lines.join('\n')));
        QVERIFY(lines.filter(QRegularExpression("^shot")).isEmpty());
        QVERIFY(!QFile::exists(folder.path() + "/x.png"));

        // What was done is in the state the recording ended with.
        const QJsonObject end = folder.state();
        const QJsonObject window = end["windows"].toObject()["Form1"].toObject();
        const QJsonObject s = window["state"].toObject();
        QCOMPARE(window["Picture"].toString(), QString("meadow"));
        QCOMPARE(window["widgets"].toObject()["cheater"].toObject()["Text"].toString(),
                 "vildra" + pasted);
        QCOMPARE(s["kills"].toInt(), 3);
        QCOMPARE(s["er"].toInt(), 2); // one mine
        std::set<int> kinds;
        for (int i = 1; i <= s["c"].toInt(); ++i)
            kinds.insert(s["uni"].toArray()[i].toObject()["kind"].toInt());
        QCOMPARE(kinds, (std::set<int>{0, 1, 2, 3, 4, 5, 6}));
    }

    // A battle's end: a defeat's message box closed by a click on OK and the program ended by
    // "esci", or a victory's box open when a signal ends the program, which still writes the
    // state. What the game does after either box is the same, and test_reliability's.
    void aBattlesEndPlaysBack_data() {
        QTest::addColumn<bool>("victory");
        QTest::newRow("a defeat, OK, esci") << false;
        QTest::newRow("a victory, ended under its box") << true;
    }
    void aBattlesEndPlaysBack() {
        QFETCH(bool, victory);
        Folder folder;
        Child rec(folder.path(), folder.record());
        const unsigned long field = rec.battle();
        QVERIFY(field);
        if (victory) {
            // Tovo, selected from the start, goes where his reach covers every enemy; once the
            // field has fallen, each enemy is shot before they march.
            QVERIFY(desk->click(field, pixels(6000, 3500)));
            QVERIFY(theFieldFalls(field, news(field)));
            std::vector<int> all(51);
            std::iota(all.begin(), all.end(), 0);
            QVERIFY(fireAt(field, all));
        }
        // Left alone, Tovo dies when the enemies reach him.
        const unsigned long box = rec.messageBox(60000);
        QVERIFY2(box, "a message box");
        Ran e;
        if (victory) {
            QTest::qWait(300);
            e = rec.terminated();
        } else {
            QPoint ok;
            QVERIFY(QTest::qWaitFor([&] { return !(ok = okButton(box)).isNull(); }, 5000));
            QVERIFY(desk->click(box, ok));
            QVERIFY(QTest::qWaitFor([&] { return !rec.messageBox(0); }, 5000));
            const unsigned long menu = rec.window(menuTitle);
            QVERIFY(menu && desk->click(menu, middle(design->menu.command2)));
            e = rec.ended(15000);
        }
        QCOMPARE(unreproduced(e, folder), QString());

        const QString said = victory ? "Hai vinto!!" : " Missione Fallita Game Over";
        const QJsonObject end = folder.state();
        QCOMPARE(end["messages"].toArray(), QJsonArray{said});
    }

    // Whatever a player does, at random, with every button, modifier and key, in whatever window
    // shows, plays back to where it ended.
    void randomSessionsPlayBack_data() {
        QTest::addColumn<unsigned>("seed");
        for (unsigned seed : {11u, 2026u})
            QTest::newRow(qPrintable(QString("seed %1").arg(seed))) << seed;
    }
    void randomSessionsPlayBack() {
        QFETCH(unsigned, seed);
        std::mt19937 random(seed);
        const std::function<int(int)> below = [&](int n) {
            return int(random() % unsigned(std::max(1, n)));
        };
        static const char* const keys[] = {"a",      "g",      "v",     "shift+k", "BackSpace",
                                           "Return", "Escape", "space", "Tab",     "shift+Tab",
                                           "Left",   "Down",   "7",     "ctrl+a",  "Delete"};
        static const char* const modifiers[] = {"", "", "", "shift", "ctrl", "ctrl+shift"};
        static const int buttons[] = {1, 1, 1, 2, 3, 3};
        Folder folder;
        Child rec(folder.path(), folder.record());
        QVERIFY(rec.battle());

        QElapsedTimer played;
        played.start();
        while (played.elapsed() < 15000 && rec.running()) {
            const std::vector<Window> shown = rec.windows();
            if (shown.empty()) {
                QTest::qWait(100);
                continue;
            }
            const Window& w = shown[size_t(below(int(shown.size())))];
            const QPoint at = somewhere(w, desk->clientArea(w.id).size(), below);
            // Half the turns a click, then keys, a typed word or a pause.
            if (const int turn = below(10); turn < 5)
                desk->click(w.id, at, buttons[below(6)], modifiers[below(6)], below(4) == 0 ? 2 : 1,
                            40 + below(120));
            else if (turn < 7)
                desk->keys({keys[below(int(std::size(keys)))]});
            else if (turn == 7) {
                QString word;
                for (int n = 1 + below(5); n > 0; --n) word += QChar('a' + below(26));
                desk->xdotool({"type", "--delay", "50", word});
            } else
                QTest::qWait(100 + below(600));
        }
        // A click on "esci" may have ended it already.
        QCOMPARE(unreproduced(rec.running() ? rec.terminated() : rec.ended(0), folder), QString());
        QVERIFY(folder.lines().contains("click frmSplash Command1"));
    }

    // A recording cut short keeps every whole line written before, which plays headless, and
    // claims no closing state: a write that fails (here at a file size limit, as on a full disk)
    // ends it with one line and status 2; so does the display server dying under it.
    void aRecordingCutShortKeepsItsLines_data() {
        QTest::addColumn<bool>("fullDisk");
        QTest::newRow("a write fails") << true;
        QTest::newRow("the display dies") << false;
    }
    void aRecordingCutShortKeepsItsLines() {
        QFETCH(bool, fullDisk);
        Folder folder;
        Ran e;
        if (fullDisk) {
            Child rec(folder.path(), folder.record(), {}, [] {
                const rlimit small{400, 400};
                ::setrlimit(RLIMIT_FSIZE, &small);
            });
            const unsigned long field = rec.battle();
            QVERIFY(field);
            for (int i = 0; i < 40 && rec.running(); ++i)
                desk->click(field, pixels(1500 + 100 * float(i), 4200));
            e = rec.ended(15000);
            QCOMPARE(e.status, 2);
            QCOMPARE(QString::fromUtf8(e.err).split('\n').filter("kolvar-replay").join('\n'),
                     "kolvar-replay: cannot write " + folder.script() + ": File too large");
            const QByteArray kept = read(folder.script());
            QVERIFY(kept.size() > 100 && kept.size() <= 400 && kept.endsWith('\n'));
            QVERIFY(folder.lines().contains("click frmSplash Command1"));
        } else {
            QString display;
            const kolvar::Started server = kolvar::Desktop::startServer(display);
            QVERIFY(server);
            Child child(folder.path(), folder.record(), display);
            // No window manager there: keys go to the window under the pointer, the menu in the
            // middle of the screen.
            QVERIFY(QTest::qWaitFor(
                [&] {
                    desk->run("xdotool", {"mousemove", "640", "512", "key", "g"}, nullptr, display);
                    return folder.lines().contains("key frmSplash 103");
                },
                20000));
            QTest::qWait(1000); // the battle's clock runs
            server->kill();
            server->waitForFinished();
            e = child.ended(15000);
            QVERIFY2(e.status != 0, e.err.constData());
            QVERIFY(folder.lines().contains("key frmSplash 103"));
        }
        QVERIFY(!folder.lines().contains("dump"));
        QVERIFY(!QFile::exists(folder.script() + ".json"));
        const Ran played = kolvar::runReplay({folder.script()}, folder.path());
        QVERIFY2(played.status == 0, played.err.constData());
    }

    // A watched script shows the battlefield on the display, ends by itself, and prints what its
    // headless run prints.
    void aWatchedScriptShowsItsWindowsAndEndsWhereHeadlessDoes() {
        Folder folder;
        const QString script = folder.path() + "/watched.replay";
        kolvar::writeFile(script, "click frmSplash Command1\n"
                                  "wait 400\n"
                                  "click Form1 Image2\n"
                                  "down Form1 Command1(0) 1 1 10 10\n"
                                  "wait 600\n"
                                  "click Form1 ima(0)\n"
                                  "press Form1 6000 3500\n"
                                  "wait 3000\n"
                                  "dump\n"
                                  "press Form1 6200 6400 2\n"
                                  "wait 1000\n"
                                  "dump\n");
        const Ran alone = kolvar::runReplay({script}, folder.path());
        QVERIFY2(alone.status == 0, alone.err.constData());
        QCOMPARE(alone.out.count('\n'), 2);

        Child watch(folder.path(), {"--watch", script, "--speed", "4"});
        // The battlefield shows, at its designed size (a window that went away meanwhile has none).
        QSize shown;
        QElapsedTimer t;
        t.start();
        while (watch.running() && t.elapsed() < 30000 && shown != QSize(794, 642)) {
            for (const Window& w : watch.windows())
                if (w.title == fieldTitle) shown = desk->clientArea(w.id).size();
            QTest::qWait(50);
        }
        QCOMPARE(shown, QSize(794, 642));
        const Ran e = watch.ended(30000);
        QVERIFY2(e.status == 0, e.err.constData());
        QCOMPARE(e.out, alone.out);
    }
};

int main(int argc, char** argv) {
    kolvar::Desktop desktop;
    if (!desktop.error().isEmpty()) {
        std::fprintf(stderr, "SKIP: %s\n", qPrintable(desktop.error()));
        return 77;
    }
    QApplication app(argc, argv);
    desk = &desktop;
    Design forms;
    design = &forms;
    RecordingTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_recording.moc"
