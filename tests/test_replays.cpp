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
#include <QTemporaryDir>
#include <QTest>
#include <fcntl.h>
#include <functional>
#include <unistd.h>

using namespace kolvar;

namespace {

QByteArray read(const QFileInfo& f) {
    QFile file(f.filePath());
    return f.isFile() && file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

/// Shots at every enemy, wherever they stand now.
std::string pressEnemies(Game& g) {
    std::string lines;
    for (int i = 0; i <= 50; ++i) lines += pressEnemy(g.battle(), i, 2);
    return lines;
}

/// The clock as a late real-time driver moves it: in uneven steps, some longer than a timer's
/// interval, so that late timers skip ticks.
std::string late(int ms) {
    static const int steps[] = {16, 40, 3, 250, 17, 101, 330, 9, 64};
    std::string lines;
    for (size_t i = 0; ms > 0; ms -= steps[i++ % std::size(steps)])
        lines += "catchup " + std::to_string(std::min(ms, steps[i % std::size(steps)])) + "\n";
    return lines;
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
QTemporaryDir pictures;

const std::vector<Session>& sessions() {
    // Each plays the program's input functions as a player's input would reach them: a press
    // where the player makes it, a text box's whole new text after each change.
    static const std::vector<Session> all = {
        {"the menu, the help and keys, a defeat, then the next battle",
         [](Game& g) {
             g.run("click frmSplash Command4\nwait 700\nkey Dialog 27\nfocus frmSplash command2\n"
                   "wait 1200\nkey frmSplash 71\n" +
                   late(3000) + "wait 37000\nclick frmSplash Command1\n" + late(1000) +
                   "close Form1\nclick frmSplash command2"); // esci
         },
         {"click frmSplash Command4", "wait 700", "key Dialog 27", "focus frmSplash command2",
          "wait 1200", "key frmSplash 71", "close Form1", "click frmSplash command2"},
         "\"messages\":[\" Missione Fallita Game Over\"]"},
        {"training, orders, a mine, an evolution and a corrected cheat",
         [](Game& g) {
             const kt::Widget& gioca = *g.app.formByName("frmSplash")->find("Command1");
             std::string lines = "press frmSplash " + num(gioca.formLeft() + 100) + " " +
                                 num(gioca.formTop() + 100) + "\npress Form1 400 300\n";
             for (int k = 0; k <= 6; ++k)
                 lines += "down Form1 Command1(" + std::to_string(k) + ") " +
                          (k == 3 ? "2 " : "1 ") + std::to_string(k % 3) + " 10 10\n";
             g.run(lines + late(9000) +
                   "click Form1 ima(6)\nclick Form1 command2\nclick Form1 ima(1)\n"
                   "press Form1 1600.5 3700.25\nclick Form1 evo\n"
                   "press Form1 5000 7000 2\n" // a shot refused by the force field
                   "type Form1 cheater vildrx\ntext Form1 cheater vildr\ntype Form1 cheater a\n"
                   "text Form1 cheater dek mova\ntext Form1 cheater \ntype Form1 cheater  x\n" +
                   late(12000) + "click Form1 ima(0)");
             g.run(pressEnemies(g) + late(2500));
         },
         {"mousedown frmSplash *", "click frmSplash Command1", "down Form1 Command1(3) 2 0 10 10",
          "mousedown Form1 1600.5 3700.25 1 0", "type Form1 cheater x", "erase Form1 cheater",
          "type Form1 cheater a", "text Form1 cheater dek mova", "text Form1 cheater ",
          "text Form1 cheater  ", "catchup 250"}},
        {"a picture chosen in the browser, a folder named twice, an odd file name, a backslash",
         [](Game& g) {
             g.run("click frmSplash Command3");
             auto& b = *g.app.loaded<brow>();
             const int ancestor = int(b.Dir1.entries.size()) - 2; // "a", the open folder
             // The drive shown, the subfolder "a", back up.
             g.run("pick brow drive " + std::to_string(b.Drive1.ListIndex) + "\npick brow dir " +
                   std::to_string(ancestor + 1) + "\npick brow dir " + std::to_string(ancestor) +
                   "\nwait 300\nchoose brow file sky.jpg\nwait 900\n" +
                   R"(choose brow file line\nbreak\\.jpg
click brow OK
click frmSplash Command1
type Form1 cheater \\
)" + late(2000));
         },
         {"choose brow dir a", "pick brow dir *", "choose brow file sky.jpg",
          "choose brow file line\\nbreak\\\\.jpg", "click brow OK", "type Form1 cheater \\\\"},
         R"("Text":"\\")",
         false},
        {"a victory",
         [](Game& g) {
             g.run("click frmSplash Command1\npress Form1 6000 3500\nwait 20100");
             g.run(pressEnemies(g) + late(20000)); // late ticks make a slower battle
         },
         {},
         "\"messages\":[\"Hai vinto!!\"]",
         true,
         true},
    };
    return all;
}

// A folder a stranger's script or a recording must leave as it is: a file, a recording and a
// recording's state made before, a link to nowhere, a link to another folder, a subfolder.
QTemporaryDir hostile, elsewhere, runtime;

/// Every name below the two folders, with its bytes or where it links to.
QStringList snapshot() {
    QStringList all;
    for (const QString& folder : {hostile.path(), elsewhere.path()}) {
        QDirIterator it(folder,
                        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QFileInfo f(it.next());
            all << f.filePath() + " " +
                       (f.isSymLink() ? "-> " + f.symLinkTarget()
                                      : QString::number(qHash(read(f))));
        }
    }
    all.sort();
    return all;
}

/// Status 2 and one line on standard error, with no byte of the script's sent to the terminal.
bool refusedInOneLine(const Ran& r) {
    return r.status == 2 && r.err.endsWith('\n') && r.err.count('\n') == 1 &&
           std::none_of(r.err.begin(), r.err.end() - 1,
                        [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; });
}

} // namespace

class ReplaysTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY2(!replayTool().isEmpty(), "the test runs under CTest");
        // Qt warns on standard error without one, and the refusals are held to one line there.
        if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
            qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
        QVERIFY(QDir(pictures.path()).mkpath("a/a"));
        for (const char* name : {"/a/sky.jpg", "/a/line\nbreak\\.jpg"})
            writeFile(pictures.path() + name, jpegBytes(40, 30, QColor(90, 140, 220)));
        const QString h = hostile.path();
        QVERIFY(QDir(h).mkdir("sub"));
        for (const char* name : {"kept.png", "kept.replay", "fresh.replay.json"})
            writeFile(h + "/" + name, "made before\n");
        QVERIFY(QFile::link(h + "/nowhere", h + "/link.png"));
        QVERIFY(QFile::link(h + "/nowhere", h + "/link.replay"));
        QVERIFY(QFile::link(elsewhere.path(), h + "/away"));
    }

    void aRecordedSessionPlaysBackToTheStateItEndedIn_data() {
        QTest::addColumn<int>("session");
        for (size_t i = 0; i < sessions().size(); ++i) QTest::newRow(sessions()[i].name) << int(i);
    }
    void aRecordedSessionPlaysBackToTheStateItEndedIn() {
        QFETCH(int, session);
        const Session& s = sessions()[size_t(session)];
        const QString here = QDir::currentPath();
        QVERIFY(QDir::setCurrent(pictures.path() + "/a"));
        QTemporaryDir dir;
        const QString file = dir.path() + "/session.replay";
        const int out = ::open(file.toLocal8Bit().constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        QVERIFY(out >= 0);
        std::string ended, error;
        try {
            Game g;
            Recorder recorder(g.app, out);
            s.play(g);
            ended = recorder.finish();
            error = recorder.error();
        } catch (const std::exception& e) {
            error = e.what();
        }
        ::close(out);
        QCOMPARE(QString::fromStdString(error), QString());
        const QString text = QString::fromUtf8(read(QFileInfo(file)));
        for (const QString& want : s.lines) // a line, or the beginning of one if it ends in '*'
            QVERIFY2(text.contains("\n" + (want.endsWith('*') ? want.chopped(1) : want + "\n")),
                     qPrintable("no line '" + want + "'"));
        // Where it was recorded, and a dump at its end, with a newline after it.
        const QStringList lines = text.split('\n');
        QCOMPARE(lines.first() + "|" + lines[lines.size() - 2] + "|" + lines.last(),
                 "# recorded in " + pictures.path() + "/a|dump|");

        // Played where it was recorded, from another folder unless the browser was shown, and
        // watched at twenty times the speed: its box closes by itself; 40 s of game take 2 s,
        // the box 2 s, the windows 2 s more.
        QList<std::pair<QStringList, QString>> plays{{{file}, pictures.path() + "/a"}};
        if (s.anywhere) plays.append({{file}, dir.path()});
        if (s.watched) plays.append({{"--watch", file, "--speed", "20"}, dir.path()});
        for (const auto& [args, folder] : plays) {
            QElapsedTimer took;
            took.start();
            const Ran r = runReplay(args, folder);
            QVERIFY2(r.status == 0, r.err.constData());
            const QList<QJsonObject> d = dumps(r);
            QCOMPARE(d.value(d.size() - 1), QJsonDocument::fromJson(ended.c_str()).object());
            QVERIFY2(args.size() == 1 || took.elapsed() >= 5000, qPrintable(args.join(' ')));
        }
        QDir::setCurrent(here);
        QVERIFY2(ended.find(s.ends) != std::string::npos, ended.c_str());
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
            {"infinity", "press frmSplash inf 3", "expected a number for X"},
            {"just in range", "press frmSplash -1e9 1e9", ""},
            {"just out of range", "press frmSplash 1000000001 0", "X is out of range"},
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
        Replay replay(g.app, *g.frontend, out);
        std::istringstream in(script.toStdString() + "\n");
        QCOMPARE(replay.run(in, err), error.isEmpty() ? 0 : 2);
        QVERIFY2(QString::fromStdString(err.str()).contains(error), err.str().c_str());
        if (script.contains("type"))
            QCOMPARE(g.widget("Form1", "cheater")["Text"].toString(), QString(" pelmantra gox "));
    }

    // Arguments split at '|'; %d stands for the pictures' folder, %h for the hostile one.
    void whatCannotBeRecordedOrWatchedIsRefusedBeforeAnyWindow_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("says");
        writeFile(pictures.path() + "/bad.replay", "# fine\nwait 10\nwait ten\n");
        static const char* const rows[][3] = {
            {"an unwritable recording", "--record|/nonexistent/kolvar/x.replay",
             "cannot write /nonexistent/kolvar/x.replay: No such file or directory"},
            {"a missing script", "--watch|%d/none.replay", "cannot read %d/none.replay"},
            {"a malformed script", "--watch|%d/bad.replay",
             "%d/bad.replay line 3: expected a number for MS, got 'ten'"},
            {"too slow", "--watch|%d/bad.replay|--speed|0.005",
             "--speed takes a number from 0.01 to 1000, not '0.005'"},
            {"too fast", "--watch|%d/bad.replay|--speed|1001",
             "--speed takes a number from 0.01 to 1000, not '1001'"},
            {"a speed that is no number", "--watch|%d/bad.replay|--speed|fast",
             "--speed takes a number from 0.01 to 1000, not 'fast'"},
            {"an unknown option", "--replay|%d/bad.replay", "Unknown option 'replay'."},
            {"two uses at once", "--record|%h/new.replay|%d/bad.replay",
             "these arguments go together in none of its uses"},
            {"a folder as the script", "%h", "%h is a folder, not a script"},
            {"a folder to watch", "--watch|%h", "%h is a folder, not a script"},
            {"a name of escape bytes", "\x1b]0;owned\x07\r",
             "cannot read \\x1b]0;owned\\x07\\r: No such file or directory"},
            {"a recording over a file", "--record|%h/kept.replay",
             "%h/kept.replay exists: a recording writes only new files"},
            {"a recording over the state of one", "--record|%h/fresh.replay",
             "%h/fresh.replay.json exists: a recording writes only new files"},
            {"a recording through a link", "--record|%h/link.replay",
             "%h/link.replay exists: a recording writes only new files"},
            // Nothing to refuse, but no display: nothing is left behind to refuse the next try.
            {"a recording without a display", "--record|%h/new.replay",
             "no graphical display found"},
        };
        const auto fill = [](QString t) {
            return t.replace("%d", pictures.path()).replace("%h", hostile.path());
        };
        for (const auto& r : rows)
            QTest::newRow(r[0]) << fill(r[1]).split('|') << "kolvar-replay: " + fill(r[2]);
    }
    void whatCannotBeRecordedOrWatchedIsRefusedBeforeAnyWindow() {
        QFETCH(QStringList, args);
        QFETCH(QString, says);
        const QStringList before = snapshot();
        // Without a display a window would have ended the run with status 1 and its own line.
        const Ran r = runReplay(
            args, {}, {}, {{"DISPLAY", "-"}, {"WAYLAND_DISPLAY", "-"}, {"QT_QPA_PLATFORM", "-"}});
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
        const QString over = "cannot write %1: it exists, and a shot writes only a new file",
                      under = "shot writes only under the current folder, not to '%1'";
        const QByteArray anywhere = elsewhere.path().toUtf8() + "/x.png";
        const std::tuple<const char*, QByteArray, QString> rows[] = {
            {"a shot outside", "shot frmSplash ../outside.png", under.arg("../outside.png")},
            {"a shot anywhere", "shot frmSplash " + anywhere, under.arg(anywhere)},
            {"a shot over a file", "shot frmSplash kept.png", over.arg("kept.png")},
            {"a shot through a link", "shot frmSplash link.png", over.arg("link.png")},
            {"a shot through a linked folder", "shot frmSplash sub/../away/x.png",
             under.arg("sub/../away/x.png")},
            {"a shot into a linked folder", "shot frmSplash ./away/x.png",
             "cannot write ./away/x.png: away is not a folder (or is a link)"},
            {"a new shot", "wait 10\nshot frmSplash sub/new.png", ""},
            {"a byte-order mark", "\xEF\xBB\xBFwait 10\r\ndump", ""},
            // Escape bytes, a NUL, a CR, a C1 control in UTF-8 and a byte that is no UTF-8.
            {"control bytes", QByteArray("\x1b]0;owned\x07\0\r\xC2\x9B\x32J\xFF", 17),
             "unknown command '\\x1b]0;owned\\x07\\0\\r\\xc2\\x9b2J\\xff'"},
            {"a number with bytes after a NUL", QByteArray("wait 1\0\r5", 9),
             "expected a number for MS, got '1\\0\\r5'"},
            {"an unknown escape", "click frmSplash Command1\ntype Form1 cheater a\\q",
             "a backslash starts one of the escapes n, r, t, 0, xHH or a second backslash"},
        };
        // The line refused is the script's last.
        for (const auto& [name, script, says] : rows)
            QTest::newRow(name) << script + "\n"
                                << (says.isEmpty()
                                        ? says
                                        : QString("line %1: ").arg(script.count('\n') + 1) + says);
        QTest::newRow("no line break at all")
            << QByteArray(int(longestLine) + 1, 'w') << "line 1: longer than 1048576 bytes";
    }
    void aStrangersScriptWritesNothingButNewShots() {
        QFETCH(QByteArray, script);
        QFETCH(QString, says);
        const QString file = pictures.path() + "/stranger.replay";
        writeFile(file, script);
        const QStringList before = snapshot();
        const Ran r = runReplay({file}, hostile.path());
        const QString made = hostile.path() + "/sub/new.png";
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
        const Ran r = runReplay({"--help"}, {}, {}, {{"DISPLAY", "-"}, {"QT_QPA_PLATFORM", "-"}});
        QCOMPARE(r.status, 0);
        QVERIFY(r.out.startsWith("usage: kolvar-replay"));
        QVERIFY(r.out.contains("\nmousedown FORM X Y [BUTTON [SHIFT]]"));
    }
};

QTEST_MAIN(ReplaysTest)
#include "test_replays.moc"
