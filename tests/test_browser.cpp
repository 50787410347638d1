// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The background browser over a folder tree made here: choosing pictures, and everything a
// player's disk can throw at it.

#include "harness.h"
#include "shell/brow.h"
#include "shell/frmsplash.h"
#include "toolkit/files.h"
#include "toolkit/qt/text.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <fcntl.h>
#include <unistd.h>

using kolvar::Game;
using kolvar::jpegBytes;
using kolvar::writeFile;

namespace {

// Offset of the first scan's data (just past the SOS segment).
qsizetype scanStart(const QByteArray& jpeg) {
    const qsizetype sos = jpeg.indexOf("\xFF\xDA");
    return sos + 2 + ((uchar(jpeg[sos + 2]) << 8) | uchar(jpeg[sos + 3]));
}

struct Tree {
    QTemporaryDir dir;
    QString root() const { return dir.path(); }
    Tree() {
        writeFile(root() + "/red.jpg", jpegBytes(120, 90, Qt::red));
        writeFile(root() + "/HOLIDAY.JPG", jpegBytes(60, 40, Qt::yellow));
        writeFile(root() + "/notes.txt", "not a picture");
        QDir(root()).mkdir("sub");
        writeFile(root() + "/sub/blue.jpg", jpegBytes(200, 100, Qt::blue));
    }
};

kolvar::brow& openBrowser(Game& g, const QString& folder) {
    g.run("click frmSplash Command3");
    auto& b = *g.app.loaded<kolvar::brow>();
    g.app.dispatch([&] { b.Dir1.setPath(folder.toStdString()); });
    return b;
}

QString label(Game& g) {
    return g.widget("brow", "Label1")["Caption"].toString();
}

} // namespace

class BrowserTest : public QObject {
    Q_OBJECT
private slots:
    void choosingAPictureBeforeAndDuringABattle() {
        Tree t;
        Game g;
        kolvar::brow& b = openBrowser(g, t.root());
        QCOMPARE(label(g), QString("Label1"));
        QVERIFY(b.picture.empty());
        QCOMPARE(g.widget("brow", "File1")["List"].toArray(),
                 (QJsonArray{"HOLIDAY.JPG", "red.jpg"}));
        // The folder list: the tree's ancestors down to it, then its subfolder.
        const QJsonArray dirs = g.widget("brow", "Dir1")["List"].toArray();
        QCOMPARE(dirs.last().toString(), QString("sub"));
        QCOMPARE(dirs.first().toString(), QString("/"));

        // A choice with no battle sets one up, hidden, and the set-up closes the start menu.
        g.run("choose brow file red.jpg");
        QCOMPARE(label(g), t.root() + "/red.jpg");
        QCOMPARE(QString::fromStdString(b.doko), t.root() + "/red.jpg");
        QCOMPARE(b.picture.width(), 120);
        QVERIFY(g.exists("Form1"));
        QVERIFY(!g.window("Form1")["visible"].toBool());
        QCOMPARE(g.window("Form1")["Picture"].toString(), QString("red"));
        QVERIFY(!g.exists("frmSplash"));
        const uint64_t battle = g.app.loaded<kolvar::Form1>()->serial();

        // The battle's clocks run hidden; OK brings a new start menu; "gioca" shows that battle.
        g.run("wait 1000\nclick brow OK");
        QVERIFY(!g.exists("brow"));
        QVERIFY(g.window("frmSplash")["visible"].toBool());
        g.run("click frmSplash Command1");
        QCOMPARE(g.app.loaded<kolvar::Form1>()->serial(), battle);
        QVERIFY(g.window("Form1")["visible"].toBool());
        QCOMPARE(g.state()["clock"].toInt(), 10);
        QCOMPARE(g.state()["yen"].toInt(), 2010); // set up once: the money kept growing

        // During the battle a choice in a subfolder changes the background at once.
        g.run("close Form1\nclick frmSplash Command4\nclick frmSplash Command1\nclick Dialog "
              "OKButton");
        QCOMPARE(g.window("Form1")["Picture"].toString(), QString()); // a battle without a choice
        kolvar::brow& again = openBrowser(g, t.root() + "/sub");
        QVERIFY(again.picture.empty()); // the browser starts empty again
        g.run("choose brow file blue.jpg");
        QCOMPARE(label(g), t.root() + "/sub/blue.jpg");
        QCOMPARE(g.window("Form1")["Picture"].toString(), QString("blue"));
        QVERIFY(g.window("Form1")["visible"].toBool());
        // OK: the battlefield keeps its own copy.
        g.run("click brow OK");
        QCOMPARE(g.window("Form1")["Picture"].toString(), QString("blue"));
    }

    void pathsHaveOneSeparatorAndNamesMatchCaseInsensitively() {
        using kt::files::join;
        QCOMPARE(join("/", "a.jpg"), std::string("/a.jpg"));
        QCOMPARE(join("/media/usb", "a.jpg"), std::string("/media/usb/a.jpg"));
        QCOMPARE(join("/media/usb/", "a.jpg"), std::string("/media/usb/a.jpg"));
        QVERIFY(kt::files::matches("HOLIDAY.JPG", "*.jpg"));
        QVERIFY(kt::files::matches("x.jpg", "*.jpg"));
        QVERIFY(!kt::files::matches("x.jpeg", "*.jpg"));
        QVERIFY(!kt::files::matches("x.jpg.txt", "*.jpg"));
        QVERIFY(kt::files::matches(".jpg", "*.jpg"));
        const auto drives = kt::files::drives();
        QVERIFY(!drives.empty());
        QCOMPARE(drives[size_t(kt::files::driveOf(drives, "/etc"))].root, std::string("/"));
    }

    void theDrivesAreTheVolumesAPlayerWouldRecognise() {
        // Blanks in mount points come escaped; tabs may separate fields; system mounts, the
        // bare /media and /mnt, a second mount on the same point and blank lines are left out.
        const std::string table = "/dev/vda1 / ext4 rw,relatime 0 0\n"
                                  "proc /proc proc rw 0 0\n"
                                  "\n"
                                  "/dev/vdb1\t/home\text4 rw 0 0\n"
                                  "tmpfs /media tmpfs rw 0 0\n"
                                  "/dev/sdc1 /media/My\\040Stick vfat rw 0 0\n"
                                  "/dev/sdc1 /media/My\\040Stick vfat rw 0 0\n"
                                  "/dev/sdd /mnt/backup ext4 rw 0 0\n"
                                  "/dev/sde1 /run/media/ann/CAMERA exfat rw 0 0\n"
                                  "/dev/sdf1 /srv/data ext4 rw 0 0";
        std::string listed;
        for (const auto& d : kt::files::drivesIn(table, "/home/ann"))
            listed += d.root + "=" + d.name + ";";
        QCOMPARE(listed, std::string("/=vda1;/home=vdb1;/media/My Stick=sdc1;/mnt/backup=sdd;"
                                     "/run/media/ann/CAMERA=sde1;"));
        // Without a readable mount table there is still the root.
        QCOMPARE(kt::files::drivesIn("", "").size(), size_t(1));
        QCOMPARE(kt::files::drivesIn("", "")[0].root, std::string("/"));
    }

    void aDriveChangeMovesTheFolderListWhichMovesTheFileList() {
        Tree t;
        QDir(t.root()).mkpath("stick/photos");
        QDir(t.root()).mkdir(".cache");
        writeFile(t.root() + "/stick/photos/a.jpg", jpegBytes(10, 10, Qt::red));
        Game g;
        kolvar::brow& b = openBrowser(g, t.root());
        // Hidden folders are not listed.
        QVERIFY(!g.widget("brow", "Dir1")["List"].toArray().contains(".cache"));
        QVERIFY(g.widget("brow", "Dir1")["List"].toArray().contains("stick"));
        // Two drives: the program's own (the root file system, which holds the current folder)
        // and a stick mounted inside the tree.
        const std::string stick = t.root().toStdString() + "/stick";
        g.app.dispatch([&] {
            b.Drive1.drives = {{"/", "root"}, {stick, "STICK"}};
            b.Drive1.entries = {"/  [root]", stick + "  [STICK]"};
            b.Drive1.follow(b.Dir1.Path);
        });
        QCOMPARE(b.Drive1.ListIndex, 0);

        // Picking the drive already shown changes nothing.
        g.run("choose brow drive /");
        QCOMPARE(QString::fromStdString(b.Dir1.Path), t.root());
        // A drive never opened: its root; the files follow the folders.
        g.run("choose brow drive " + stick);
        QCOMPARE(b.Dir1.Path, stick);
        QCOMPARE(b.File1.Path, stick);
        g.run("choose brow dir photos");
        QCOMPARE(g.widget("brow", "File1")["List"].toArray(), QJsonArray{"a.jpg"});
        // Back on the program's drive: its current folder, not the root and not the tree.
        g.run("choose brow drive /");
        QCOMPARE(b.Dir1.Path, kt::files::current());
        // The stick again: the folder last opened on it, also in a browser opened anew.
        g.run("choose brow drive " + stick);
        QCOMPARE(b.Dir1.Path, stick + "/photos");
        g.run("click brow OK");
        kolvar::brow& again = openBrowser(g, t.root());
        g.app.dispatch([&] {
            again.Drive1.drives = {{"/", "root"}, {stick, "STICK"}};
            again.Drive1.entries = {"/  [root]", stick + "  [STICK]"};
            again.Drive1.follow(again.Dir1.Path);
        });
        g.run("choose brow drive " + stick);
        QCOMPARE(again.Dir1.Path, stick + "/photos");
        QCOMPARE(again.File1.Path, stick + "/photos");
    }

    void unusablePicturesChangeNothing_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");
        const QByteArray good = jpegBytes(300, 200, Qt::green);
        const qsizetype scan = scanStart(good);
        QTest::newRow("zero bytes") << QByteArray() << "  - file vuoto";
        QTest::newRow("cut in the header") << good.left(40) << "  - immagine non leggibile";
        QTest::newRow("cut at the scan") << good.left(scan) << "  - immagine non leggibile";
        QTest::newRow("cut inside the image data")
            << good.left(scan + (good.size() - scan) / 2) << "  - immagine non leggibile";
        QTest::newRow("cut before the end marker")
            << good.left(good.size() - 2) << "  - immagine non leggibile";
        QByteArray noise(5000, 0);
        for (int i = 0; i < noise.size(); ++i) noise[i] = char((i * 7919 + 13) % 251);
        QTest::newRow("random bytes") << noise << "  - immagine non leggibile";
        QByteArray liar = good.left(scan);
        const qsizetype sof = liar.indexOf("\xFF\xC0");
        liar[sof + 5] = char(0xFD), liar[sof + 6] = char(0xE8); // height 65000
        liar[sof + 7] = char(0xFD), liar[sof + 8] = char(0xE8); // width 65000
        liar.append(QByteArray(200, char(0x55)));
        QTest::newRow("a 65000 x 65000 header with little behind it")
            << liar << "  - immagine non leggibile";
        QByteArray corrupt = good;
        for (qsizetype i = scan + 10; i < scan + 60 && i < corrupt.size() - 2; ++i)
            corrupt[i] = char(0xFF);
        QTest::newRow("garbage inside the image data") << corrupt << "  - immagine non leggibile";
    }
    void unusablePicturesChangeNothing() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        writeFile(dir.path() + "/bad.jpg", bytes);
        Game g;
        kolvar::brow& b = openBrowser(g, dir.path());
        QElapsedTimer clock;
        clock.start();
        g.run("choose brow file bad.jpg");
        QVERIFY2(clock.elapsed() < 5000, "refused without decoding a huge picture");
        QCOMPARE(label(g), dir.path() + "/bad.jpg" + reason);
        QVERIFY(b.picture.empty());
        QVERIFY(b.doko.empty());
        QVERIFY(!g.exists("Form1")); // no battle was set up
        QVERIFY(g.exists("frmSplash"));
    }

    // The notice of a file too long for its label once read "/tmp/vac…non leggibile": the
    // shortening took the file's name. It takes from the folders; the reason gets a line.
    void aShortenedNoticeKeepsTheNameAndTheReason() {
        QTemporaryDir dir;
        const QString deep = dir.path() + "/vacanze/estate_2026/spiaggia/pics";
        QDir().mkpath(deep);
        writeFile(deep + "/notjpeg.jpg", "hello");
        writeFile(deep + "/a_rather_long_name.jpg", jpegBytes(20, 20, Qt::red));
        Game g;
        kolvar::brow& b = openBrowser(g, deep);
        ktqt::Fonts fonts;
        const QSize room(int(b.Label1.Width / kt::twipsPerPixel),
                         int(b.Label1.Height / kt::twipsPerPixel));
        g.run("choose brow file notjpeg.jpg");
        QCOMPARE(label(g), deep + "/notjpeg.jpg  - immagine non leggibile");
        QStringList shown = fonts.shortened(b.Label1, room);
        QCOMPARE(shown.size(), 2);
        QVERIFY2(shown[0].contains(QChar(0x2026)) && shown[0].endsWith("/pics/notjpeg.jpg"),
                 qPrintable(shown[0]));
        QCOMPARE(shown[1], QString("- immagine non leggibile"));
        g.run("choose brow file a_rather_long_name.jpg");
        shown = fonts.shortened(b.Label1, room);
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].endsWith("/a_rather_long_name.jpg"), qPrintable(shown[0]));
    }

    void aPngUnderAJpgNameIsUsed() {
        QTemporaryDir dir;
        QImage img(50, 40, QImage::Format_RGB32);
        img.fill(Qt::cyan);
        img.save(dir.path() + "/really.jpg", "PNG");
        Game g;
        openBrowser(g, dir.path());
        g.run("choose brow file really.jpg");
        QCOMPARE(label(g), dir.path() + "/really.jpg");
        QCOMPARE(g.window("Form1")["Picture"].toString(), QString("really"));
    }

    void aPictureKeepsWhatTheScreenCanShow() {
        // A background is drawn from the top-left corner at natural size: of a picture larger
        // than the host's screen only the part the screen can show is kept.
        struct SmallScreen : kt::Host {
            QSize screen() const override { return {150, 60}; }
        } host;
        Tree t;
        Game g;
        kolvar::brow& b = openBrowser(g, t.root());
        g.app.setHost(&host);
        g.run("choose brow file HOLIDAY.JPG"); // 60 x 40: kept whole
        const QSize holiday(b.picture.width(), b.picture.height());
        g.app.dispatch([&] { b.Dir1.setPath((t.root() + "/sub").toStdString()); });
        g.run("choose brow file blue.jpg"); // 200 x 100
        const QSize blue(b.picture.width(), b.picture.height());
        g.app.setHost(g.frontend.get());
        QCOMPARE(holiday, QSize(60, 40));
        QCOMPARE(blue, QSize(150, 60));
    }

    void placesThatCannotBeReadLeaveTheListsWhereTheyWere() {
        Tree t;
        Game g;
        kolvar::brow& b = openBrowser(g, t.root());
        const std::string before = b.Dir1.Path;
        // A file that vanished between the listing and the choice.
        QFile::remove(t.root() + "/red.jpg");
        g.run("choose brow file red.jpg");
        QCOMPARE(label(g), t.root() + "/red.jpg  - file non trovato");
        QVERIFY(!g.exists("Form1"));
        // A folder that is gone when opened.
        QDir(t.root() + "/sub").removeRecursively();
        g.run("choose brow dir sub");
        QCOMPARE(label(g), t.root() + "/sub  - cartella non trovata");
        QCOMPARE(b.Dir1.Path, before);
        QCOMPARE(b.File1.Path, before);
        // A folder the player may not read (root may read everything, so only as a user).
        if (::geteuid() != 0) {
            QDir(t.root()).mkdir("secret");
            QFile::setPermissions(t.root() + "/secret", {});
            g.app.dispatch([&] { b.Dir1.load(t.root().toStdString()); });
            g.run("choose brow dir secret");
            QCOMPARE(label(g), t.root() + "/secret  - cartella non leggibile");
            QCOMPARE(b.Dir1.Path, before);
            QFile::setPermissions(t.root() + "/secret",
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
    }

    void linkLoopsAndNamesThatAreNotUtf8() {
        QTemporaryDir dir;
        const std::string root = dir.path().toStdString();
        QVERIFY(::symlink("loop", (root + "/loop").c_str()) == 0); // a link to itself
        QVERIFY(::symlink("..", (root + "/up").c_str()) == 0);     // a link to its parent
        const std::string odd = root + "/caf\xE9.jpg";             // Latin-1, not UTF-8
        const QByteArray bytes = jpegBytes(30, 20, Qt::magenta);
        const int fd = ::open(odd.c_str(), O_WRONLY | O_CREAT, 0644);
        QVERIFY(fd >= 0);
        QCOMPARE(::write(fd, bytes.data(), size_t(bytes.size())), ssize_t(bytes.size()));
        ::close(fd);
        Game g;
        kolvar::brow& b = openBrowser(g, dir.path());
        const QJsonArray dirs = g.widget("brow", "Dir1")["List"].toArray();
        QCOMPARE(dirs.last().toString(), QString("up")); // the loop is left out
        QVERIFY(!dirs.contains(QString("loop")));
        QCOMPARE(g.widget("brow", "File1")["List"].toArray(),
                 (QJsonArray{QString::fromUtf8("caf\uFFFD.jpg")}));
        g.run("choose brow file " + QString::fromUtf8("caf\uFFFD.jpg").toStdString());
        QCOMPARE(b.doko, odd);
        QCOMPARE(b.picture.width(), 30);
        // Opening the link to the parent resolves it: the list shows the parent, not ".../up".
        g.run("choose brow dir up");
        QCOMPARE(b.Dir1.Path, kt::files::canonical(root + "/.."));
        ::unlink((root + "/loop").c_str());
        ::unlink((root + "/up").c_str());
    }

    void aHugePhotoLoadsItsVisiblePartWithLittleMemory() {
        QTemporaryDir dir;
        {
            QImage big(12000, 12000, QImage::Format_Grayscale8);
            for (int y = 0; y < big.height(); ++y)
                memset(big.scanLine(y), (y / 40) % 256, size_t(big.width()));
            QVERIFY(big.save(dir.path() + "/big.jpg", "JPEG", 60));
        }
        writeFile(dir.path() + "/small.jpg", jpegBytes(100, 100, Qt::gray));
        const QString replay = kolvar::replayTool();
        QVERIFY2(!replay.isEmpty(), "the test runs under CTest");
        // The child's own high-water mark, read while it waits for the end of its script.
        auto peakAfterChoosing = [&](const QString& file) -> long {
            QProcess p;
            p.setWorkingDirectory(dir.path());
            p.start(replay, {});
            if (!p.waitForStarted()) return -1;
            p.write(("click frmSplash Command3\nchoose brow file " + file + "\ndump\n").toUtf8());
            while (!p.canReadLine() && p.waitForReadyRead(120000)) {}
            const QJsonObject d = QJsonDocument::fromJson(p.readLine()).object();
            QFile status(QString("/proc/%1/status").arg(p.processId()));
            long peak = -1;
            if (status.open(QIODevice::ReadOnly))
                for (const QByteArray& line : status.readAll().split('\n'))
                    if (line.startsWith("VmHWM:"))
                        peak = line.mid(6).trimmed().split(' ').value(0).toLong();
            p.closeWriteChannel();
            p.waitForFinished(60000);
            const QString shown = d["windows"].toObject()["Form1"].toObject()["Picture"].toString();
            return shown == QFileInfo(file).baseName() ? peak : -1;
        };
        const long small = peakAfterChoosing("small.jpg");
        const long big = peakAfterChoosing("big.jpg");
        QVERIFY(small > 0);
        QVERIFY2(big > 0, "the big photo is shown");
        qInfo("peak RSS: small picture %ld kB, 12000 x 12000 photo %ld kB", small, big);
        QVERIFY2(big - small < 60 * 1024, "the big photo costs well under 100 MB more");
    }
};

QTEST_MAIN(BrowserTest)
#include "test_browser.moc"
