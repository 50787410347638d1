// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Replays: a session recorded as the program takes its input plays back headless to the very
// state it ended in; kolvar-replay refuses what it cannot record or watch before a window opens;
// a watched script does to the program what it does headless.

#include "harness.h"
#include "shell/brow.h"
#include "tools/replay/recorder.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <unistd.h>

using kolvar::brow;
using kolvar::Game;

namespace {

using Run = kolvar::Ran;

/// kolvar-replay with `args` in `folder` (the test's own if empty), in `env` on top of the test's
/// own environment (a value of "-" takes the variable away).
Run replay(const QStringList& args, const QMap<QString, QString>& env = {},
           const QString& folder = {}) {
    return kolvar::runReplay(args, folder, {}, env);
}

QByteArray read(const QFileInfo& f) {
    QFile file(f.filePath());
    return f.isFile() && file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray lastLine(const QByteArray& out) {
    return out.trimmed().split('\n').last();
}

kt::Widget& widget(Game& g, const char* form, const char* key) {
    kt::Form* f = g.app.formByName(form);
    if (!f) throw kolvar::ScriptError(std::string("no window ") + form);
    kt::Widget* w = f->find(key);
    if (!w) throw kolvar::ScriptError(std::string("no widget ") + key);
    return *w;
}

kt::Form& form(Game& g, const char* name) {
    return *g.app.formByName(name);
}

/// What typing into the cheat box hands the program: the whole new text after each key.
void typeInto(Game& g, const std::string& text) {
    auto& box = static_cast<kt::TextBox&>(widget(g, "Form1", "cheater"));
    for (char c : text) g.app.setText(box, box.text() + c);
}

/// A press and release where a player would make them: the view's MouseDown, then its Click
/// when the release falls on what took the press.
void pressAt(Game& g, const char* name, float x, float y, int button = 1, int shift = 0) {
    g.app.press(form(g, name), x, y, button, shift);
}

void pressEnemies(Game& g) {
    for (int i = 0; i <= 50; ++i) {
        kt::Widget& e = widget(g, "Form1", ("ene(" + std::to_string(i) + ")").c_str());
        pressAt(g, "Form1", e.Left + 200, e.Top + 200, 2);
    }
}

/// The clock as a late real-time driver moves it: in uneven steps, some longer than a timer's
/// interval, so that late timers skip ticks.
void lateClock(Game& g, int ms) {
    static const int steps[] = {16, 40, 3, 250, 17, 101, 330, 9, 64};
    for (size_t i = 0; ms > 0; ++i) {
        const int step = std::min(ms, steps[i % std::size(steps)]);
        g.app.advance(step, true);
        ms -= step;
    }
}

struct Session {
    const char* name;
    std::function<void(Game&)> play;
    QStringList lines;     ///< lines the recording must hold; one ending in '*' is a beginning
    const char* ends = ""; ///< what the last dump must hold
    bool anywhere = true;  ///< plays back from any folder: the browser was never shown
    bool watched = false;  ///< also watched at twenty times the speed, to the same state
};

// The folder a browser session starts in: its path ends in "a" and holds a folder "a" too, so
// one name stands for two rows of the folder list, and a picture whose name breaks a line.
QTemporaryDir* pictures = nullptr;

const std::vector<Session>& sessions() {
    static const std::vector<Session> all = {
        {"the menu, the help and keys",
         [](Game& g) {
             g.app.click(widget(g, "frmSplash", "Command4"));
             g.app.advance(700);
             g.app.keyPress(form(g, "Dialog"), 27);
             g.app.focusOn(widget(g, "frmSplash", "command2"));
             g.app.advance(1200);
             g.app.keyPress(form(g, "frmSplash"), 'G');
             lateClock(g, 3000);
             g.app.closeBox(form(g, "Form1"));
         },
         {"click frmSplash Command4", "wait 700", "key Dialog 27", "focus frmSplash command2",
          "wait 1200", "key frmSplash 71", "close Form1"}},
        {"training, orders, a mine, an evolution and a corrected cheat",
         [](Game& g) {
             const kt::Widget& gioca = widget(g, "frmSplash", "Command1");
             pressAt(g, "frmSplash", gioca.formLeft() + 100, gioca.formTop() + 100);
             pressAt(g, "Form1", 400, 300); // the building
             for (int k = 0; k <= 6; ++k)
                 g.app.mouseDownOn(
                     widget(g, "Form1", ("Command1(" + std::to_string(k) + ")").c_str()),
                     k == 3 ? 2 : 1, k % 3, 10, 10);
             lateClock(g, 9000);
             g.app.click(widget(g, "Form1", "ima(6)"));
             g.app.click(widget(g, "Form1", "command2"));
             g.app.click(widget(g, "Form1", "ima(1)"));
             pressAt(g, "Form1", 1600.5f, 3700.25f);
             g.app.click(widget(g, "Form1", "evo"));
             pressAt(g, "Form1", 5000, 7000, 2); // a shot refused by the force field
             typeInto(g, "vildrx");
             g.app.setText(static_cast<kt::TextBox&>(widget(g, "Form1", "cheater")), "vildr");
             typeInto(g, "a");
             g.app.setText(static_cast<kt::TextBox&>(widget(g, "Form1", "cheater")), "dek mova");
             g.app.setText(static_cast<kt::TextBox&>(widget(g, "Form1", "cheater")), "");
             typeInto(g, " x");
             lateClock(g, 12000);
             g.app.click(widget(g, "Form1", "ima(0)"));
             pressEnemies(g);
             lateClock(g, 2500);
         },
         {"mousedown frmSplash *", "click frmSplash Command1", "down Form1 Command1(3) 2 0 10 10",
          "mousedown Form1 1600.5 3700.25 1 0", "type Form1 cheater x", "erase Form1 cheater",
          "type Form1 cheater a", "text Form1 cheater dek mova", "text Form1 cheater ",
          "text Form1 cheater  ", "catchup 250"}},
        {"a picture chosen in the browser, a folder named twice",
         [](Game& g) {
             g.app.click(widget(g, "frmSplash", "Command3"));
             auto& b = *g.app.loaded<brow>();
             g.app.choose(b.Drive1, b.Drive1.ListIndex);
             const int ancestor = int(b.Dir1.entries.size()) - 2; // "a", the open folder
             g.app.choose(b.Dir1, ancestor + 1);                  // the subfolder "a"
             g.app.choose(b.Dir1, ancestor);                      // back up
             g.app.advance(300);
             g.app.choose(b.File1, kolvar::rowNamed(b.File1, "sky.jpg"));
             g.app.advance(900);
             g.app.click(b.OK);
             g.app.click(widget(g, "frmSplash", "Command1"));
             lateClock(g, 2000);
         },
         {"choose brow dir a", "pick brow dir *", "choose brow file sky.jpg", "click brow OK"},
         "",
         false},
        {"a paste of line breaks, a CR, a NUL and escape bytes, and an odd file name",
         [](Game& g) {
             g.app.click(widget(g, "frmSplash", "Command3"));
             auto& b = *g.app.loaded<brow>();
             g.app.choose(b.File1, kolvar::rowNamed(b.File1, "line\nbreak\\.jpg"));
             g.app.click(b.OK);
             g.app.click(widget(g, "frmSplash", "Command1"));
             auto& box = static_cast<kt::TextBox&>(widget(g, "Form1", "cheater"));
             g.app.setText(box, std::string("vildra\nshot Form1 x.png\nwait 5\r\0\x1b[2J\\", 37));
             typeInto(g, "\\");
             g.app.advance(300);
         },
         {"choose brow file line\\nbreak\\\\.jpg",
          "text Form1 cheater vildra\\nshot Form1 x.png\\nwait 5\\r\\0\\x1b[2J\\\\",
          "type Form1 cheater \\\\"},
         R"("Text":"vildra\nshot Form1 x.png\nwait 5\r\u0000\u001b[2J\\\\")",
         false},
        {"a victory",
         [](Game& g) {
             g.app.click(widget(g, "frmSplash", "Command1"));
             pressAt(g, "Form1", 6000, 3500);
             g.app.advance(20100);
             pressEnemies(g);
             lateClock(g, 20000); // late ticks make a slower battle
         },
         {},
         "\"messages\":[\"Hai vinto!!\"]",
         true,
         true},
        {"a defeat, then the next battle",
         [](Game& g) {
             g.app.click(widget(g, "frmSplash", "Command1"));
             lateClock(g, 3000);
             g.app.advance(37000);
             g.app.click(widget(g, "frmSplash", "Command1"));
             lateClock(g, 1000);
             g.app.closeBox(form(g, "Form1"));
             g.app.click(widget(g, "frmSplash", "command2")); // esci
         },
         {"click frmSplash command2"},
         "\"messages\":[\" Missione Fallita Game Over\"]"},
    };
    return all;
}

// A folder a stranger's script or a recording must leave as it is: a file, a recording and a
// recording's state made before, a link to nowhere, a link to another folder, a subfolder.
QTemporaryDir *hostile = nullptr, *elsewhere = nullptr, *runtime = nullptr;

/// Every name below `folder`, with its bytes or where it links to.
QStringList snapshot(const QString& folder) {
    QStringList all;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo f(it.next());
        all << f.filePath() + " " +
                   (f.isSymLink() ? "-> " + f.symLinkTarget() : QString::number(qHash(read(f))));
    }
    all.sort();
    return all;
}
QStringList snapshot() {
    return snapshot(hostile->path()) + snapshot(elsewhere->path());
}

/// Status 2 and one line on standard error, with no byte of the script's sent to the terminal.
bool refusedInOneLine(const Run& r) {
    return r.status == 2 && r.err.endsWith('\n') && r.err.count('\n') == 1 &&
           std::none_of(r.err.begin(), r.err.end() - 1,
                        [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; });
}

} // namespace

class ReplaysTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY2(!kolvar::replayTool().isEmpty(), "the test runs under CTest");
        // Qt warns on standard error without one, and the refusals are held to one line there.
        if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
            runtime = new QTemporaryDir;
            qputenv("XDG_RUNTIME_DIR", runtime->path().toUtf8());
        }
        pictures = new QTemporaryDir;
        QVERIFY(QDir(pictures->path()).mkpath("a/a"));
        QImage sky(40, 30, QImage::Format_RGB32);
        sky.fill(QColor(90, 140, 220));
        QVERIFY(sky.save(pictures->path() + "/a/sky.jpg", "JPEG"));
        QVERIFY(sky.save(pictures->path() + "/a/line\nbreak\\.jpg", "JPEG"));
        hostile = new QTemporaryDir;
        elsewhere = new QTemporaryDir;
        const QString h = hostile->path();
        QVERIFY(QDir(h).mkdir("sub"));
        for (const char* name : {"kept.png", "kept.replay", "fresh.replay.json"}) {
            QFile f(h + "/" + name);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write("made before\n") > 0);
        }
        QVERIFY(QFile::link(h + "/nowhere", h + "/link.png"));
        QVERIFY(QFile::link(h + "/nowhere", h + "/link.replay"));
        QVERIFY(QFile::link(elsewhere->path(), h + "/away"));
    }
    void cleanupTestCase() {
        delete runtime;
        delete pictures;
        delete hostile;
        delete elsewhere;
    }

    void aRecordedSessionPlaysBackToTheStateItEndedIn_data() {
        QTest::addColumn<int>("session");
        for (size_t i = 0; i < sessions().size(); ++i) QTest::newRow(sessions()[i].name) << int(i);
    }
    void aRecordedSessionPlaysBackToTheStateItEndedIn() {
        QFETCH(int, session);
        const Session& s = sessions()[size_t(session)];
        const QString here = QDir::currentPath();
        QVERIFY(QDir::setCurrent(pictures->path() + "/a"));
        QTemporaryDir dir;
        const QString file = dir.path() + "/session.replay";
        const int out = ::open(file.toLocal8Bit().constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        QVERIFY(out >= 0);
        std::string ended;
        {
            Game g;
            kolvar::Recorder recorder(g.app, out);
            try {
                s.play(g);
            } catch (const std::exception& e) {
                ::close(out);
                QFAIL(e.what());
            }
            ended = recorder.finish();
            QCOMPARE(recorder.error(), std::string());
        }
        ::close(out);
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(f.readAll()).split('\n');
        for (const QString& want : s.lines) {
            const bool begins = want.endsWith('*');
            const QString head = begins ? want.chopped(1) : want;
            QVERIFY2(std::any_of(
                         lines.begin(), lines.end(),
                         [&](const QString& l) { return begins ? l.startsWith(head) : l == head; }),
                     qPrintable("no line '" + want + "'"));
        }
        QCOMPARE(lines.last(), QString()); // the file ends with a newline
        QCOMPARE(lines[lines.size() - 2], QString("dump"));
        QCOMPARE(lines[0], "# recorded in " + pictures->path() + "/a");
        // Whatever was typed or pasted, each input stays one line.
        QVERIFY(std::none_of(lines.begin(), lines.end(),
                             [](const QString& l) { return l.startsWith("shot"); }));

        // Played where it was recorded, and from another folder unless the browser was shown.
        for (const QString& folder : {pictures->path() + "/a", dir.path()}) {
            if (folder == dir.path() && !s.anywhere) continue;
            const Run r = replay({file}, {{"QT_QPA_PLATFORM", "offscreen"}}, folder);
            QVERIFY2(r.status == 0, r.err.constData());
            QCOMPARE(lastLine(r.out), QByteArray::fromStdString(ended));
        }
        if (s.watched) {
            // Its box closes by itself; 40 s of game take 2 s, the box 2 s, the windows 2 s more.
            QElapsedTimer took;
            took.start();
            const Run r = replay({"--watch", file, "--speed", "20"},
                                 {{"QT_QPA_PLATFORM", "offscreen"}}, dir.path());
            QVERIFY2(r.status == 0, r.err.constData());
            QCOMPARE(lastLine(r.out), QByteArray::fromStdString(ended));
            QVERIFY2(took.elapsed() >= 5000, qPrintable(QString::number(took.elapsed())));
        }
        QDir::setCurrent(here);
        QVERIFY2(ended.find(s.ends) != std::string::npos, ended.c_str());
        QVERIFY(!QFile::exists(pictures->path() + "/a/x.png"));
    }

    // A bad line stops a script with its number and why; numbers out of an int's range used to
    // be converted anyway, which has no defined result.
    void aBadLineStopsTheScriptAndIsNamed_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("error"); ///< empty: the script runs to its end
        static const struct {
            const char *name, *script, *error;
        } rows[] = {
            {"an unknown command after a comment", "dump\n# a comment\nwait 10\nfly me\ndump",
             "line 4: unknown command 'fly'\n"},
            {"a word for a number", "press frmSplash ten 20", "line 1: expected a number for X"},
            {"erase needs its box", "erase Form1", "line 1: usage: erase FORM WIDGET"},
            {"erase in a label", "click frmSplash Command1\nerase Form1 news",
             "line 2: news is not a text box"},
            {"text in a missing box", "text Form1 nothing", "line 1: window Form1"},
            {"pick takes a number", "click frmSplash Command3\npick brow dir x",
             "line 2: expected a number for ROW"},
            {"pick a row past the end", "click frmSplash Command3\npick brow drive 1000",
             "the drive list has no row 1000"},
            {"pick names a list", "pick brow disk 0", "takes drive, dir or file"},
            {"catchup forward only", "catchup -5", "catchup takes a duration"},
            {"a line takes no focus", "click frmSplash Command1\nfocus Form1 Line3",
             "Line3 takes no focus"},
            {"mousedown needs a point", "mousedown frmSplash 10",
             "usage: mousedown FORM X Y [BUTTON [SHIFT]]"},
            {"huge wait", "wait 1e20", "MS is out of range"},
            {"not a number", "wait nan", "expected a number for MS"},
            {"infinity", "press frmSplash inf 3", "expected a number for X"},
            {"just in range", "press frmSplash -1e9 1e9", ""},
            {"just out of range", "press frmSplash 1000000001 0", "X is out of range"},
            {"huge key", "key frmSplash 3e9", "CODE is out of range"},
            {"fraction", "wait 2.5", "expected a whole number for MS"},
            {"huge index", "click frmSplash Command1(99999999999999999999)", "has no widget"},
            // The rest of the line, blanks included, is what is typed.
            {"type sends its blanks",
             "click frmSplash Command1\ntype Form1 cheater  pelmantra gox ", ""},
        };
        for (const auto& r : rows) QTest::newRow(r.name) << QString(r.script) << QString(r.error);
    }
    void aBadLineStopsTheScriptAndIsNamed() {
        QFETCH(QString, script);
        QFETCH(QString, error);
        Game g;
        std::ostringstream out, err;
        kolvar::Replay replay(g.app, *g.frontend, out);
        std::istringstream in(script.toStdString() + "\n");
        QCOMPARE(replay.run(in, err), error.isEmpty() ? 0 : 2);
        QVERIFY2(QString::fromStdString(err.str()).contains(error), err.str().c_str());
        if (script.contains("type"))
            QCOMPARE(g.widget("Form1", "cheater")["Text"].toString(), QString(" pelmantra gox "));
    }

    void whatCannotBeRecordedOrWatchedIsRefusedBeforeAnyWindow_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("says");
        QTemporaryDir* dir = pictures;
        const QString bad = dir->path() + "/bad.replay", h = hostile->path();
        QFile f(bad);
        if (f.open(QIODevice::WriteOnly)) f.write("# fine\nwait 10\nwait ten\n");
        const QString range = "kolvar-replay: --speed takes a number from 0.01 to 1000, not ";
        QTest::newRow("an unwritable recording")
            << QStringList{"--record", "/nonexistent/kolvar/x.replay"}
            << "kolvar-replay: cannot write /nonexistent/kolvar/x.replay: No such file or "
               "directory";
        QTest::newRow("a missing script")
            << QStringList{"--watch", dir->path() + "/none.replay"}
            << "kolvar-replay: cannot read " + dir->path() + "/none.replay";
        QTest::newRow("a malformed script")
            << QStringList{"--watch", bad}
            << "kolvar-replay: " + bad + " line 3: expected a number for MS, got 'ten'";
        QTest::newRow("no speed") << QStringList{"--watch", bad, "--speed", "0"} << range + "'0'";
        QTest::newRow("a speed that is no number")
            << QStringList{"--watch", bad, "--speed", "fast"} << range + "'fast'";
        QTest::newRow("an empty speed")
            << QStringList{"--watch", bad, "--speed", ""} << range + "''";
        QTest::newRow("an unknown option")
            << QStringList{"--replay", bad} << "kolvar-replay: Unknown option 'replay'.";
        QTest::newRow("two uses at once")
            << QStringList{"--record", h + "/new.replay", bad}
            << "kolvar-replay: these arguments go together in none of its uses";
        QTest::newRow("a folder as the script")
            << QStringList{h} << "kolvar-replay: " + h + " is a folder, not a script";
        QTest::newRow("a folder to watch")
            << QStringList{"--watch", h} << "kolvar-replay: " + h + " is a folder, not a script";
        QTest::newRow("a name of escape bytes")
            << QStringList{"\x1b]0;owned\x07\r"}
            << "kolvar-replay: cannot read \\x1b]0;owned\\x07\\r: No such file or directory";
        QTest::newRow("a recording over a file")
            << QStringList{"--record", h + "/kept.replay"}
            << "kolvar-replay: " + h + "/kept.replay exists: a recording writes only new files";
        QTest::newRow("a recording over the state of one")
            << QStringList{"--record", h + "/fresh.replay"}
            << "kolvar-replay: " + h +
                   "/fresh.replay.json exists: a recording writes only new files";
        QTest::newRow("a recording through a link")
            << QStringList{"--record", h + "/link.replay"}
            << "kolvar-replay: " + h + "/link.replay exists: a recording writes only new files";
        QTest::newRow("a recording to /dev/full")
            << QStringList{"--record", "/dev/full"}
            << "kolvar-replay: /dev/full exists: a recording writes only new files";
        // Nothing to refuse, but no display: nothing is left behind to refuse the next try.
        QTest::newRow("a recording without a display")
            << QStringList{"--record", h + "/new.replay"}
            << "kolvar-replay: no graphical display found";
    }
    void whatCannotBeRecordedOrWatchedIsRefusedBeforeAnyWindow() {
        QFETCH(QStringList, args);
        QFETCH(QString, says);
        const QStringList before = snapshot();
        // Without a display a window would have ended the run with status 1 and its own line.
        const Run r =
            replay(args, {{"DISPLAY", "-"}, {"WAYLAND_DISPLAY", "-"}, {"QT_QPA_PLATFORM", "-"}});
        QVERIFY2(r.err.startsWith(says.toUtf8()), r.err.constData());
        if (says.contains("display"))
            QCOMPARE(r.status, 1);
        else if (says.contains("these arguments") || says.contains("Unknown"))
            QVERIFY(r.err.contains("usage: kolvar-replay"));
        else
            QVERIFY2(refusedInOneLine(r), r.err.constData());
        QVERIFY(r.out.isEmpty());
        QCOMPARE(snapshot(), before);
    }

    // A stranger's script: its bytes never reach the terminal, and its screenshots go only into
    // new files under the folder it runs in.
    void aStrangersScriptWritesNothingButNewShots_data() {
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<QString>("says"); ///< empty: it runs
        const QString over =
            "line 1: cannot write %1: it exists, and a shot writes only a new file";
        QTest::newRow("a shot outside") << QByteArray("shot frmSplash ../outside.png\n")
                                        << "line 1: shot writes only under the current folder, not "
                                           "to '../outside.png'";
        QTest::newRow("a shot anywhere")
            << ("shot frmSplash " + elsewhere->path().toUtf8() + "/x.png\n")
            << "line 1: shot writes only under the current folder, not to '" + elsewhere->path() +
                   "/x.png'";
        QTest::newRow("a shot over a file")
            << QByteArray("shot frmSplash kept.png\n") << over.arg("kept.png");
        QTest::newRow("a shot through a link")
            << QByteArray("shot frmSplash link.png\n") << over.arg("link.png");
        QTest::newRow("a shot through a linked folder")
            << QByteArray("shot frmSplash sub/../away/x.png\n")
            << "line 1: shot writes only under the current folder, not to 'sub/../away/x.png'";
        QTest::newRow("a shot into a linked folder")
            << QByteArray("shot frmSplash ./away/x.png\n")
            << "line 1: cannot write ./away/x.png: away is not a folder (or is a link)";
        QTest::newRow("a new shot")
            << QByteArray("wait 10\nshot frmSplash sub/new.png\n") << QString();
        QTest::newRow("a byte-order mark")
            << QByteArray("\xEF\xBB\xBFwait 10\r\ndump\n") << QString();
        // Escape bytes, a NUL, a CR, a C1 control in UTF-8 and a byte that is no UTF-8.
        QTest::newRow("control bytes")
            << QByteArray("\x1b]0;owned\x07\0\r\xC2\x9B"
                          "2J\xFF\n",
                          18)
            << "line 1: unknown command '\\x1b]0;owned\\x07\\0\\r\\xc2\\x9b2J\\xff'";
        QTest::newRow("a number with bytes after a NUL")
            << QByteArray("wait 1\0\r5\n", 10)
            << "line 1: expected a number for MS, got '1\\0\\r5'";
        QTest::newRow("an unknown escape")
            << QByteArray("click frmSplash Command1\ntype Form1 cheater a\\q\n")
            << "line 2: a backslash starts one of the escapes n, r, t, 0, xHH or a second "
               "backslash";
        QTest::newRow("no line break at all")
            << QByteArray(int(kolvar::longestLine) + 1, 'w') << "line 1: longer than 1048576 bytes";
    }
    void aStrangersScriptWritesNothingButNewShots() {
        QFETCH(QByteArray, script);
        QFETCH(QString, says);
        QFile file(pictures->path() + "/stranger.replay");
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(script) == script.size());
        file.close();
        const QStringList before = snapshot();
        const Run r =
            replay({file.fileName()}, {{"QT_QPA_PLATFORM", "offscreen"}}, hostile->path());
        const QString made = hostile->path() + "/sub/new.png";
        if (says.isEmpty()) {
            QVERIFY2(r.status == 0, r.err.constData());
            QCOMPARE(r.out.count('\n'), script.count("dump"));
            if (script.contains("new.png")) {
                QVERIFY(!QImage(made, "PNG").isNull());
                QVERIFY(QFile::remove(made));
            }
        } else {
            QVERIFY2(refusedInOneLine(r), r.err.constData());
            QCOMPARE(QString::fromUtf8(r.err.trimmed()), says);
        }
        QCOMPARE(snapshot(), before);
    }

    // The help is made from the interpreter's own table of commands: it is there at all.
    void helpNamesTheCommands() {
        const Run r = replay({"--help"}, {{"DISPLAY", "-"}, {"QT_QPA_PLATFORM", "-"}});
        QCOMPARE(r.status, 0);
        QVERIFY(r.out.startsWith("usage: kolvar-replay"));
        QVERIFY(r.out.contains("\nmousedown FORM X Y [BUTTON [SHIFT]]"));
    }
};

QTEST_MAIN(ReplaysTest)
#include "test_replays.moc"
