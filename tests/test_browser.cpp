// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The background browser over a folder tree made here: choosing pictures, and everything a
// player's disk can throw at it.

#include "harness.h"
#include "shell/brow.h"
#include "shell/frmsplash.h"
#include "toolkit/files.h"
#include "toolkit/qt/text.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <climits>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using kolvar::Game;
using kolvar::jpegBytes;
using kolvar::writeFile;

namespace {

#if defined(__has_feature)
constexpr bool sanitized = __has_feature(address_sanitizer);
#elif defined(__SANITIZE_ADDRESS__)
constexpr bool sanitized = true;
#else
constexpr bool sanitized = false;
#endif

// Offset of the first scan's data (just past the SOS segment).
qsizetype scanStart(const QByteArray& jpeg) {
    const qsizetype sos = jpeg.indexOf("\xFF\xDA");
    return sos + 2 + ((uchar(jpeg[sos + 2]) << 8) | uchar(jpeg[sos + 3]));
}

// A JPEG written by hand, of any declared size, every block of it mid-grey: one Huffman code of
// one bit stands for "no change" and one for "end of block", so a block costs two bits in a
// sequential scan.
struct HandJpeg {
    static QByteArray of(std::initializer_list<int> values) {
        QByteArray out;
        for (int v : values) out += char(v);
        return out;
    }
    QByteArray bytes = "\xFF\xD8";
    static QByteArray segment(int marker, const QByteArray& body) {
        const qsizetype n = body.size() + 2;
        return of({0xFF, marker, int(n >> 8), int(n & 255)}) + body;
    }
    /// SOF `marker` with components 1, 2, ... sampled as `sampling` says (0x22, 0x11, ...).
    HandJpeg(int marker, int width, int height, const QByteArray& sampling) {
        bytes += segment(0xDB, QByteArray(1, 0) + QByteArray(64, 1));
        QByteArray frame =
            of({8, height >> 8, height & 255, width >> 8, width & 255, int(sampling.size())});
        for (int i = 0; i < sampling.size(); ++i) frame += of({i + 1, uchar(sampling[i]), 0});
        bytes += segment(marker, frame);
        const QByteArray oneCode = QByteArray(1, 1) + QByteArray(15, 0) + QByteArray(1, 0);
        bytes += segment(0xC4, QByteArray(1, 0x00) + oneCode) +
                 segment(0xC4, QByteArray(1, 0x10) + oneCode);
    }
    /// A scan of components `ids`, coefficients first to last, then `zeros` bits of data.
    HandJpeg& scan(const QByteArray& ids, int first, int last, qint64 zeros = 0) {
        QByteArray head(1, char(ids.size()));
        for (char id : ids) head += of({id, 0});
        bytes += segment(0xDA, head + of({first, last, 0}));
        bytes += QByteArray(zeros / 8, 0);
        if (zeros % 8) bytes += char(0xFF >> (zeros % 8)); // padded with ones
        return *this;
    }
    QByteArray end() const { return bytes + "\xFF\xD9"; }
};

// A photo-sized picture that still compresses well and fast: gradients.
QByteArray photo(int w, int h, bool progressive) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < w; ++x) row[x] = qRgb(x / 37 & 255, y / 23 & 255, (x + y) / 51 & 255);
    }
    QByteArray out;
    QBuffer buf(&out);
    buf.open(QIODevice::WriteOnly);
    QImageWriter writer(&buf, "jpeg");
    writer.setQuality(80);
    writer.setProgressiveScanWrite(progressive);
    writer.write(img);
    return out;
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

// The browser's drive list reads `drives` as the mount table from now on.
void mount(kolvar::brow& b, std::vector<kt::files::Drive> drives) {
    b.Drive1.mounted = [drives] { return drives; };
    b.Drive1.refresh(b.Dir1.Path);
}

QString label(Game& g) {
    return g.widget("brow", "Label1")["Caption"].toString();
}

struct Replayed {
    bool ok = false;          ///< ran to its end with status 0
    QList<QJsonObject> dumps; ///< the windows of each dump
    long peakKb = -1;         ///< the high-water mark of its memory once every dump was out
    qint64 ms = 0;            ///< from its start to its end
    QByteArray err;
};

/// kolvar-replay playing `script` in `folder`; `limited` caps its address space (the program's
/// own code, Qt and its plugins take some 400 MB of it; the rest is what a picture may cost).
Replayed replay(const QString& folder, const QByteArray& script, bool limited = false) {
    QProcess p;
    p.setWorkingDirectory(folder);
    if (limited && !sanitized) // the sanitizer's shadow memory takes terabytes
        p.setChildProcessModifier([] {
            const rlimit limit{rlim_t(1200) << 20, rlim_t(1200) << 20};
            ::setrlimit(RLIMIT_AS, &limit);
        });
    QElapsedTimer clock;
    clock.start();
    Replayed r;
    p.start(kolvar::replayTool(), {});
    if (!p.waitForStarted()) return r;
    p.write(script);
    QByteArray out;
    while (out.count('\n') < script.count("dump\n") && p.waitForReadyRead(120000))
        out += p.readAllStandardOutput();
    QFile status(QString("/proc/%1/status").arg(p.processId()));
    if (status.open(QIODevice::ReadOnly))
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("VmHWM:")) r.peakKb = line.mid(6).trimmed().split(' ')[0].toLong();
    p.closeWriteChannel();
    const bool finished = p.waitForFinished(60000);
    r.ms = clock.elapsed();
    if (!finished) p.kill();
    r.ok = finished && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    r.err = p.readAllStandardError();
    for (const QByteArray& line : (out + p.readAllStandardOutput()).split('\n'))
        if (!line.isEmpty())
            r.dumps << QJsonDocument::fromJson(line).object()["windows"].toObject();
    return r;
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
        // Every click on the file already chosen read and decoded it again: a quick run of clicks
        // on a large photo left seconds of work behind it.
        const QImage* decoded = b.picture.image();
        for (int i = 0; i < 200; ++i) g.run("choose brow file red.jpg");
        QCOMPARE(b.picture.image(), decoded); // never decoded again
        QCOMPARE(g.app.loaded<kolvar::Form1>()->picture.image(), decoded);
        // A notice of another file goes when the chosen one is chosen again.
        writeFile(t.root() + "/HOLIDAY.JPG", "not a picture");
        g.run("choose brow file HOLIDAY.JPG\nchoose brow file red.jpg");
        QCOMPARE(label(g), t.root() + "/red.jpg");
        QCOMPARE(b.picture.image(), decoded);
        // The same name rewritten is another picture.
        writeFile(t.root() + "/red.jpg", jpegBytes(40, 30, Qt::red));
        g.run("choose brow file red.jpg");
        QCOMPARE(b.picture.width(), 40);

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
        for (const char* folder : {"/", "/media/usb", "/media/usb/"})
            QCOMPARE(kt::files::join(folder, "a.jpg"),
                     (folder[1] ? std::string("/media/usb/a.jpg") : std::string("/a.jpg")));
        for (const char* name : {"HOLIDAY.JPG", ".jpg", "\xff\xfe.jpg"}) // bytes that are no UTF-8
            QVERIFY2(kt::files::matches(name, "*.jpg"), name);
        for (const char* name : {"x.jpeg", "x.jpg.txt"})
            QVERIFY2(!kt::files::matches(name, "*.jpg"), name);
        const auto drives = kt::files::drives();
        QCOMPARE(drives.at(size_t(kt::files::driveOf(drives, "/etc"))).root, std::string("/"));
    }

    void theDrivesAreTheVolumesAPlayerWouldRecognise() {
        // Blanks in mount points and devices come escaped; tabs may separate fields; system mounts,
        // the bare /media and /mnt, a second mount on the same point and blank lines are left out.
        const std::string table = "/dev/vda1 / ext4 rw,relatime 0 0\n"
                                  "proc /proc proc rw 0 0\n"
                                  "\n"
                                  "/dev/vdb1\t/home\text4 rw 0 0\n"
                                  "tmpfs /media tmpfs rw 0 0\n"
                                  "/dev/sdc1 /media/My\\040Stick vfat rw 0 0\n"
                                  "/dev/sdc1 /media/My\\040Stick vfat rw 0 0\n"
                                  "/dev/sdd /mnt/backup ext4 rw 0 0\n"
                                  "/dev/sde1 /run/media/ann/CAMERA exfat rw 0 0\n"
                                  "/dev/disk/by-label/My\\040Disk /media/disk ext4 rw 0 0\n"
                                  "/dev/sdf1 /srv/data ext4 rw 0 0";
        std::string listed;
        for (const auto& d : kt::files::drivesIn(table, "/home/ann"))
            listed += d.root + "=" + d.name + ";";
        QCOMPARE(listed, std::string("/=vda1;/home=vdb1;/media/My Stick=sdc1;/media/disk=My Disk;"
                                     "/mnt/backup=sdd;"
                                     "/run/media/ann/CAMERA=sde1;"));
        // Without a readable mount table there is still the root.
        QCOMPARE(kt::files::drivesIn("", "").size(), size_t(1));
        QCOMPARE(kt::files::drivesIn("", "")[0].root, std::string("/"));
    }

    void aDriveChangeMovesTheFolderListWhichMovesTheFileListIfTheDriveIsThere() {
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
        mount(b, {{"/", "root"}, {stick, "STICK"}});
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
        mount(again, {{"/", "root"}, {stick, "STICK"}});
        g.run("choose brow drive " + stick);
        QCOMPARE(again.Dir1.Path, stick + "/photos");
        QCOMPARE(again.File1.Path, stick + "/photos");

        // The drive list read the mount table once, when the browser opened: a stick pulled out
        // meanwhile stayed listed, and a card put in did not appear. The stick, still shown, is
        // refused; the lists stay where they were, and the card is there to choose.
        const std::string card = t.root().toStdString() + "/card";
        QDir(t.root()).mkdir("card");
        std::vector<kt::files::Drive> now{{"/", "root"}, {card, "CARD"}};
        again.Drive1.mounted = [&now] { return now; };
        g.run("choose brow drive " + stick + "  [STICK]");
        QCOMPARE(label(g), QString::fromStdString(stick + "  - unita non pronta"));
        QCOMPARE(again.Dir1.Path, stick + "/photos");
        QCOMPARE(again.File1.Path, stick + "/photos");
        QCOMPARE(g.widget("brow", "Drive1")["List"].toArray(),
                 (QJsonArray{"/  [root]", QString::fromStdString(card + "  [CARD]")}));
        QCOMPARE(again.Drive1.Drive(), std::string("/")); // the folders' drive, mounted
        g.run("choose brow drive " + card + "  [CARD]");
        QCOMPARE(again.Dir1.Path, card);
        QCOMPARE(label(g), QString("Label1"));
        // The drive chosen, gone: refused, though it was the one shown.
        now.pop_back();
        g.run("choose brow drive " + card);
        QCOMPARE(label(g), QString::fromStdString(card + "  - unita non pronta"));
        QCOMPARE(again.Dir1.Path, card);
    }

    // A folder of 200 000 files froze the browser for seconds: its names are sorted by keys made
    // once and shown in one go. Every name is there, in the order a player reads them.
    void aFolderOfManyFilesIsListedWholeAndSorted() {
        QTemporaryDir dir;
        std::vector<std::string> made;
        for (int i = 0; i < 3000; ++i) {
            const std::string name = std::string(i % 3 ? "Img_" : "img_") +
                                     std::to_string(i * 7919 % 3000) + (i % 2 ? ".JPG" : ".jpg");
            made.push_back(name);
            ::close(
                ::open((dir.path().toStdString() + "/" + name).c_str(), O_WRONLY | O_CREAT, 0644));
        }
        std::sort(made.begin(), made.end(), [](const std::string& a, const std::string& b) {
            const int c =
                QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive);
            return c != 0 ? c < 0 : a < b;
        });
        Game g;
        kolvar::brow& b = openBrowser(g, dir.path());
        QCOMPARE(b.File1.names, made);
        QCOMPARE(g.widget("brow", "File1")["List"].toArray().size(), qsizetype(made.size()));
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

    // Pictures made to hurt, each judged by a kolvar-replay of its own under an address-space
    // limit and a time limit: refused with its reason (or shown, when it fits), and the program
    // still takes the next line of its script.
    void hostilePicturesAreJudgedInBoundedTimeAndMemory_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<qint64>("sparse");  // bytes of nothing after them, made by truncate
        QTest::addColumn<QString>("reason"); // empty: the picture is shown
        const QByteArray rgb("\x11\x11\x11", 3);
        auto separate = [&](int side) {
            return HandJpeg(0xC0, side, side, rgb)
                .scan("\x01", 0, 63)
                .scan("\x02", 0, 63)
                .scan("\x03", 0, 63)
                .end();
        };
        // One scan per component: the decoder would hold every coefficient first, 2 bytes a
        // sample, 22 GB for the largest, from 166 bytes.
        QTest::newRow("one scan a component, 60000 x 60000")
            << separate(60000) << qint64(0) << "  - immagine troppo grande";
        QTest::newRow("one scan a component, 16000 x 16000")
            << separate(16000) << qint64(0) << "  - immagine troppo grande";
        QTest::newRow("one scan a component, 8000 x 8000")
            << separate(8000) << qint64(0) << "  - immagine troppo grande";
        const qint64 blocks = 38 * 25; // of 300 x 200
        QTest::newRow("one scan a component that fits") << HandJpeg(0xC0, 300, 200, rgb)
                                                               .scan("\x01", 0, 63, 2 * blocks)
                                                               .scan("\x02", 0, 63, 2 * blocks)
                                                               .scan("\x03", 0, 63, 2 * blocks)
                                                               .end()
                                                        << qint64(0) << "";
        // Every scan passes over all its blocks, however few bytes it has: 10 bytes each.
        HandJpeg scans(0xC2, 2000, 2000, "\x11");
        scans.scan("\x01", 0, 0);
        for (int i = 0; i < 10000; ++i) scans.scan("\x01", 1, 63);
        QTest::newRow("ten thousand empty scans")
            << scans.end() << qint64(0) << "  - immagine troppo complessa";
        HandJpeg passes(0xC2, 8000, 8000, "\x11");
        passes.scan("\x01", 0, 0);
        for (int i = 0; i < 40; ++i) passes.scan("\x01", 1, 63);
        QTest::newRow("forty passes over a million blocks")
            << passes.end() << qint64(0) << "  - immagine troppo complessa";
        // No end marker: no more is read than the picture could need, and never a whole drive.
        const QByteArray open =
            HandJpeg(0xC0, 60000, 60000, "\x22\x11\x11").scan("\x01\x02\x03", 0, 63).bytes;
        QTest::newRow("no end, 30 GB")
            << open << qint64(30) * 1000 * 1000 * 1000 << "  - immagine troppo grande";
        const QByteArray small =
            HandJpeg(0xC0, 100, 100, "\x22\x11\x11").scan("\x01\x02\x03", 0, 63).bytes;
        QTest::newRow("no end, 100 x 100 in 40 MB")
            << small << qint64(40) * 1000 * 1000 << "  - immagine troppo grande";
        // Unusable pictures of every kind, cut anywhere or wrong inside.
        const QByteArray good = jpegBytes(300, 200, Qt::green);
        const qsizetype scan = scanStart(good);
        QTest::newRow("zero bytes") << QByteArray() << qint64(0) << "  - file vuoto";
        for (qsizetype cut :
             {qsizetype(40), scan, scan + (good.size() - scan) / 2, good.size() - 2})
            QTest::addRow("cut after %lld bytes", qlonglong(cut))
                << good.left(cut) << qint64(0) << "  - immagine non leggibile";
        // Whole in its markers, half its image data gone: the decoder fills the rest with grey
        // and says so only in a warning.
        QTest::newRow("half its image data, then its end")
            << good.left(scan + (good.size() - scan) / 2) + "\xFF\xD9" << qint64(0)
            << "  - immagine non leggibile";
        QByteArray noise(5000, 0);
        for (int i = 0; i < noise.size(); ++i) noise[i] = char((i * 7919 + 13) % 251);
        QTest::newRow("random bytes") << noise << qint64(0) << "  - immagine non leggibile";
        QByteArray liar = good.left(scan);
        const qsizetype sof = liar.indexOf("\xFF\xC0");
        liar[sof + 5] = char(0xFD), liar[sof + 6] = char(0xE8); // height 65000
        liar[sof + 7] = char(0xFD), liar[sof + 8] = char(0xE8); // width 65000
        liar.append(QByteArray(200, char(0x55)));
        QTest::newRow("a 65000 x 65000 header with little behind it")
            << liar << qint64(0) << "  - immagine non leggibile";
        QByteArray corrupt = good;
        for (qsizetype i = scan + 10; i < scan + 60 && i < corrupt.size() - 2; ++i)
            corrupt[i] = char(0xFF);
        QTest::newRow("garbage inside the image data")
            << corrupt << qint64(0) << "  - immagine non leggibile";
        QBuffer png;
        png.open(QIODevice::WriteOnly);
        QImage cyan(50, 40, QImage::Format_RGB32);
        cyan.fill(Qt::cyan);
        cyan.save(&png, "PNG");
        QTest::newRow("a PNG under a jpg name") << png.data() << qint64(0) << "";
        // A progressive photo of more megapixels than one of three full components would fit.
        QTest::newRow("progressive photo, 8200 x 5600")
            << photo(8200, 5600, true) << qint64(0) << "";
    }
    void hostilePicturesAreJudgedInBoundedTimeAndMemory() {
        QFETCH(QByteArray, bytes);
        QFETCH(qint64, sparse);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString file = dir.path() + "/strange.jpg";
        writeFile(file, bytes);
        if (sparse) QVERIFY(::truncate(file.toLocal8Bit(), bytes.size() + sparse) == 0);
        const Replayed r = replay(
            dir.path(),
            "click frmSplash Command3\nchoose brow file strange.jpg\ndump\nclick brow OK\ndump\n",
            true);
        QVERIFY2(r.ok && r.dumps.size() == 2, r.err.constData());
        const QJsonObject& chosen = r.dumps[0];
        QCOMPARE(chosen["brow"]["widgets"]["Label1"]["Caption"].toString(), file + reason);
        // A refused picture sets up no battle.
        QCOMPARE(chosen.contains("Form1"), reason.isEmpty());
        if (reason.isEmpty()) QCOMPARE(chosen["Form1"]["Picture"].toString(), QString("strange"));
        QVERIFY(r.dumps[1]["frmSplash"]["visible"].toBool()); // it took the next line
        qInfo("%s: %lld ms", QTest::currentDataTag(), r.ms);
        QVERIFY2(r.ms < 20000, "judged in bounded time");
    }

    void aSlowPictureLeavesTheWindowsAnswering() {
        // The real game: a large progressive photo is read and decoded aside, while the event
        // loop goes on (here a timer's beats); the game's time stands still meanwhile, and the
        // player's input waits for the end.
        QTemporaryDir dir;
        writeFile(dir.path() + "/large.jpg", photo(6000, 4000, true));
        kt::Program app{kolvar::identity()};
        ktqt::Frontend frontend(app, ktqt::Frontend::Mode::RealTime);
        app.dispatch([&] {
            kolvar::showStartMenu(app);
            app.get<kolvar::frmSplash>().Command3_Click();
        });
        auto& b = *app.loaded<kolvar::brow>();
        app.dispatch([&] { b.Dir1.setPath(dir.path().toStdString()); });
        int beats = 0;
        qint64 last = 0, longest = 0; // the longest the event loop stood still
        QElapsedTimer clock;
        QTimer beat;
        QObject::connect(&beat, &QTimer::timeout, [&] {
            ++beats;
            longest = std::max(longest, clock.elapsed() - last);
            last = clock.elapsed();
        });
        beat.start(5);
        clock.start();
        app.choose(b.File1, 0);
        const qint64 took = clock.elapsed();
        longest = std::max(longest, took - last);
        qInfo("6000 x 4000 progressive photo: %lld ms, %d beats meanwhile, %lld ms the longest "
              "without",
              took, beats, longest);
        QCOMPARE(b.picture.width(), std::min(6000, app.host().screen().width()));
        QVERIFY2(beats >= took / 50, "the event loop went on");
        QVERIFY2(longest < 250, "no longer than a blink without it");
        QCOMPARE(app.clock.now(), qint64(0)); // the battle set up by the choice starts after it
    }

    void aPictureKeepsWhatTheScreenCanShow() {
        // A background is drawn from the battlefield's top-left corner at natural size: of a
        // picture larger than both the host's screen and the battlefield (794 x 642) only what
        // the larger can show is kept.
        struct Screen : kt::Host {
            QSize size;
            QSize screen() const override { return size; }
        } host;
        QTemporaryDir dir;
        writeFile(dir.path() + "/small.jpg", jpegBytes(60, 40, Qt::red));
        writeFile(dir.path() + "/large.jpg", jpegBytes(1000, 800, Qt::blue));
        writeFile(dir.path() + "/wide.jpg", jpegBytes(1000, 800, Qt::green));
        Game g;
        kolvar::brow& b = openBrowser(g, dir.path());
        g.app.setHost(&host);
        const auto kept = [&](const char* name, QSize screen) {
            host.size = screen;
            g.run(std::string("choose brow file ") + name);
            return QSize(b.picture.width(), b.picture.height());
        };
        const QSize small = kept("small.jpg", {150, 60});
        const QSize onSmallScreen = kept("large.jpg", {150, 60});
        const QSize onWideScreen = kept("wide.jpg", {900, 60});
        g.app.setHost(g.frontend.get());
        QCOMPARE(small, QSize(60, 40));
        QCOMPARE(onSmallScreen, QSize(794, 642));
        QCOMPARE(onWideScreen, QSize(900, 642));
    }

    // A notice once stayed after the folder list had moved on, as if the new folder had failed.
    void placesThatCannotBeReadLeaveTheListsWhereTheyWereAndNoStaleNotice() {
        Tree t;
        QDir(t.root()).mkdir("gone");
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
        g.run("choose brow dir gone");
        QCOMPARE(label(g), QString("Label1")); // nothing chosen yet
        // With a picture chosen, the label shows its path again once the lists move.
        g.app.dispatch([&] { b.Dir1.setPath(before); });
        g.run("choose brow file HOLIDAY.JPG");
        g.app.dispatch([&] { b.Dir1.setPath((t.root() + "/missing").toStdString()); });
        QCOMPARE(label(g), t.root() + "/missing  - cartella non trovata");
        g.app.dispatch([&] { b.Dir1.setPath(before); });
        QCOMPARE(label(g), t.root() + "/HOLIDAY.JPG");
    }

    // A folder whose path is longer than the system takes at once (PATH_MAX) was "non trovata".
    void aFolderDeeperThanPathMaxOpens() {
        QTemporaryDir dir;
        // Folders of 200-byte names down past PATH_MAX, made and removed each relative to the one
        // above: no call takes the whole path, QTemporaryDir's removal neither.
        struct Chain {
            const std::string name = std::string(200, 'd');
            std::vector<int> fds;
            ~Chain() {
                for (const char* n : {"deep.jpg", "link"}) ::unlinkat(fds.back(), n, 0);
                ::unlinkat(fds.back(), "inner", AT_REMOVEDIR);
                for (size_t i = fds.size() - 1; i > 0; --i) {
                    ::close(fds[i]);
                    ::unlinkat(fds[i - 1], name.c_str(), AT_REMOVEDIR);
                }
                ::close(fds[0]);
            }
        } chain;
        std::string deep = dir.path().toStdString();
        chain.fds.push_back(::open(deep.c_str(), O_RDONLY | O_DIRECTORY));
        while (deep.size() <= PATH_MAX) {
            const int up = chain.fds.back();
            QVERIFY(::mkdirat(up, chain.name.c_str(), 0755) == 0);
            chain.fds.push_back(::openat(up, chain.name.c_str(), O_RDONLY | O_DIRECTORY));
            QVERIFY(chain.fds.back() >= 0);
            deep += "/" + chain.name;
        }
        const int at = chain.fds.back();
        QVERIFY(::mkdirat(at, "inner", 0755) == 0);
        QVERIFY(::symlinkat("inner/../inner", at, "link") == 0);
        const QByteArray jpeg = jpegBytes(30, 20, Qt::red);
        const int file = ::openat(at, "deep.jpg", O_WRONLY | O_CREAT, 0644);
        QCOMPARE(::write(file, jpeg.data(), size_t(jpeg.size())), ssize_t(jpeg.size()));
        ::close(file);
        QCOMPARE(kt::files::canonical(deep + "/link/../inner/./.."), deep);
        QCOMPARE(kt::files::canonical(deep + "/link"), deep + "/inner");
        Game g;
        kolvar::brow& b = openBrowser(g, QString::fromStdString(deep));
        QCOMPARE(b.Dir1.Path, deep);
        QCOMPARE(label(g), QString("Label1"));
        QCOMPARE(g.widget("brow", "Dir1")["List"].toArray().last().toString(), QString("link"));
        QCOMPARE(g.widget("brow", "File1")["List"].toArray(), QJsonArray{"deep.jpg"});
        g.run("choose brow file deep.jpg");
        QCOMPARE(b.picture.width(), 30);
        g.run("choose brow dir inner");
        QCOMPARE(b.Dir1.Path, deep + "/inner");
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
        QVERIFY2(!kolvar::replayTool().isEmpty(), "the test runs under CTest");
        // The child's own high-water mark, read while it waits for the end of its script.
        auto peakAfterChoosing = [&](const QString& file) -> long {
            const Replayed r = replay(
                dir.path(),
                ("click frmSplash Command3\nchoose brow file " + file + "\ndump\n").toUtf8());
            const bool shown = !r.dumps.isEmpty() && r.dumps[0]["Form1"]["Picture"].toString() ==
                                                         QFileInfo(file).baseName();
            return shown ? r.peakKb : -1;
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
