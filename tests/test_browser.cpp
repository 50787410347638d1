// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The background browser over a folder tree made here: choosing pictures, and everything a
// player's disk can throw at it.

#include "harness.h"
#include "shell/brow.h"
#include "shell/frmsplash.h"
#include "toolkit/files.h"
#include "toolkit/qt/text.h"
#include "toolkit/qt/view.h"

#include <QBuffer>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QListWidget>
#include <QProcess>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <climits>
#include <fcntl.h>
#include <sys/fsuid.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace kolvar;

namespace {

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

// A progressive photo-sized picture that still compresses well and fast: gradients.
QByteArray photo(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < w; ++x) row[x] = qRgb(x / 37 & 255, y / 23 & 255, (x + y) / 51 & 255);
    }
    QBuffer buf;
    buf.open(QIODevice::WriteOnly);
    QImageWriter writer(&buf, "jpeg");
    writer.setQuality(80);
    writer.setProgressiveScanWrite(true);
    writer.write(img);
    return buf.data();
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

brow& openBrowser(Game& g, const QString& folder) {
    g.run("click frmSplash Command3");
    auto& b = *g.app.loaded<brow>();
    g.app.dispatch([&] { b.Dir1.setPath(folder.toStdString()); });
    return b;
}

// The browser's drive list reads `drives` as the mount table from now on.
void mount(brow& b, std::vector<kt::files::Drive> drives) {
    b.Drive1.mounted = [drives] { return drives; };
    b.Drive1.refresh(b.Dir1.Path);
}

QString label(Game& g) {
    return g.widget("brow", "Label1")["Caption"].toString();
}

/// What the player sees: each window, "hidden" when it is, the battlefield's background and the
/// browser's notice.
QString seen(Game& g) {
    const QJsonObject windows = g.dump()["windows"].toObject();
    QStringList out;
    for (auto it = windows.begin(); it != windows.end(); ++it) {
        const QJsonObject w = it.value().toObject();
        const QString also = it.key() == "brow" ? label(g) : w["Picture"].toString();
        out << it.key() + (w["visible"].toBool() ? "" : " hidden") + (also.isEmpty() ? "" : " ") +
                   also;
    }
    return out.join("; ");
}

/// Where the folder list is, the file list if it is elsewhere, and the notice if there is one.
std::string where(const brow& b) {
    return b.Dir1.Path + (b.File1.Path == b.Dir1.Path ? "" : " files in " + b.File1.Path) +
           (b.Label1.Caption == "Label1" ? "" : " | " + b.Label1.Caption);
}

/// Writes a file by its raw name in folder `at` (AT_FDCWD: the current one), for names QFile
/// cannot take: bytes that are no UTF-8, or below a path longer than PATH_MAX.
bool writeRaw(int at, const std::string& name, const QByteArray& bytes) {
    const int fd = ::openat(at, name.c_str(), O_WRONLY | O_CREAT, 0644);
    const bool ok = fd >= 0 && ::write(fd, bytes.data(), size_t(bytes.size())) == bytes.size();
    if (fd >= 0) ::close(fd);
    return ok;
}

} // namespace

class BrowserTest : public QObject {
    Q_OBJECT
private slots:
    // The high-water mark of the memory of this test's children that have ended: it comes
    // first, before any other child of the test, so that the small picture's run sets the mark.
    void aHugePhotoLoadsItsVisiblePartWithLittleMemory() {
        QTemporaryDir dir;
        {
            QImage big(12000, 12000, QImage::Format_Grayscale8);
            for (int y = 0; y < big.height(); ++y)
                memset(big.scanLine(y), (y / 40) % 256, size_t(big.width()));
            QVERIFY(big.save(dir.path() + "/big.jpg", "JPEG", 60));
        }
        writeFile(dir.path() + "/small.jpg", jpegBytes(100, 100, Qt::gray));
        QVERIFY2(!replayTool().isEmpty(), "the test runs under CTest");
        auto peakAfterChoosing = [&](const QByteArray& name) -> long {
            const QByteArray script =
                "click frmSplash Command3\nchoose brow file " + name + ".jpg\ndump\n";
            const QList<QJsonObject> d = dumps(runReplay({}, dir.path(), script));
            rusage use{};
            ::getrusage(RUSAGE_CHILDREN, &use);
            return d.size() == 1 && fields(d[0], "Form1.Picture") == name ? use.ru_maxrss : -1;
        };
        const long small = peakAfterChoosing("small"), big = peakAfterChoosing("big");
        QVERIFY(small > 0);
        QVERIFY2(big > 0, "the big photo is shown");
        qInfo("peak RSS: small picture %ld kB, 12000 x 12000 photo %ld kB", small, big);
        QVERIFY2(big - small < 60 * 1024, "the big photo costs well under 100 MB more");
    }

    void choosingAPictureBeforeAndDuringABattle() {
        Tree t;
        Game g;
        brow& b = openBrowser(g, t.root());
        const QString red = t.root() + "/red.jpg";
        QCOMPARE(seen(g), QString("brow Label1; frmSplash"));
        QVERIFY(b.picture.empty());
        CHECK_FIELDS(g, "brow:File1.List", R"(["HOLIDAY.JPG","red.jpg"])");
        // The folder list: the tree's ancestors down to it, then its subfolder.
        const QJsonArray dirs = g.widget("brow", "Dir1")["List"].toArray();
        QVERIFY(dirs.first() == "/" && dirs.last() == "sub");

        // A choice with no battle sets one up, hidden, and the set-up closes the start menu.
        g.run("choose brow file red.jpg");
        QCOMPARE(seen(g), "Form1 hidden red; brow " + red);
        QCOMPARE(b.picture.width(), 120);
        const uint64_t battle = g.app.loaded<Form1>()->serial();
        // Every click on the file already chosen read and decoded it again: a quick run of clicks
        // on a large photo left seconds of work behind it.
        const QImage* decoded = b.picture.image();
        for (int i = 0; i < 200; ++i) g.run("choose brow file red.jpg");
        QCOMPARE(b.picture.image(), decoded); // never decoded again
        QCOMPARE(g.app.loaded<Form1>()->picture.image(), decoded);
        // A notice of another file goes when the chosen one is chosen again.
        writeFile(t.root() + "/HOLIDAY.JPG", "not a picture");
        g.run("choose brow file HOLIDAY.JPG\nchoose brow file red.jpg");
        QCOMPARE(label(g), red);
        QCOMPARE(b.picture.image(), decoded);
        // The same name rewritten is another picture.
        writeFile(red, jpegBytes(40, 30, Qt::red));
        g.run("choose brow file red.jpg");
        QCOMPARE(b.picture.width(), 40);

        // The battle's clocks run hidden; OK brings a new start menu; "gioca" shows that battle,
        // set up once: the money kept growing.
        g.run("wait 1000\nclick brow OK");
        QCOMPARE(seen(g), QString("Form1 hidden red; frmSplash"));
        g.run("click frmSplash Command1");
        QCOMPARE(g.app.loaded<Form1>()->serial(), battle);
        QCOMPARE(seen(g), QString("Form1 red"));
        CHECK_FIELDS(g, "clock yen", "10 2010");

        // During a battle without a choice, one in a subfolder changes the background at once;
        // after OK the battlefield keeps its own copy. The browser starts empty again.
        g.run("close Form1\nclick frmSplash Command4\nclick frmSplash Command1\nclick Dialog "
              "OKButton");
        QCOMPARE(seen(g), QString("Form1; brow hidden Label1; frmSplash")); // read, kept
        QVERIFY(openBrowser(g, t.root() + "/sub").picture.empty());
        g.run("choose brow file blue.jpg");
        QCOMPARE(seen(g), "Form1 blue; brow " + t.root() + "/sub/blue.jpg; frmSplash");
        g.run("click brow OK");
        QCOMPARE(seen(g), QString("Form1 blue; frmSplash"));
    }

    void pathsNamesAndDrives() {
        for (const char* folder : {"/", "/media/usb", "/media/usb/"})
            QCOMPARE(kt::files::join(folder, "a.jpg"),
                     (folder[1] ? std::string("/media/usb/a.jpg") : std::string("/a.jpg")));
        // Any case, bytes that are no UTF-8; the names of x match not.
        for (const char* name : {"HOLIDAY.JPG", ".jpg", "\xff\xfe.jpg", "x.jpeg", "x.jpg.txt"})
            QVERIFY2(kt::files::matches(name, "*.jpg") == (name[0] != 'x'), name);
        const auto drives = kt::files::drives();
        QCOMPARE(drives.at(size_t(kt::files::driveOf(drives, "/etc"))).root, std::string("/"));

        // The drives are the volumes a player would recognise. Blanks in mount points and devices
        // come escaped; tabs may separate fields; system mounts, the bare /media and /mnt, a second
        // mount on the same point and blank lines are left out.
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
        const auto listed = [](const std::string& table, const std::string& home) {
            std::string out;
            for (const auto& d : kt::files::drivesIn(table, home))
                out += d.root + "=" + d.name + ";";
            return out;
        };
        QCOMPARE(listed(table, "/home/ann"),
                 std::string("/=vda1;/home=vdb1;/media/My Stick=sdc1;/media/disk=My Disk;"
                             "/mnt/backup=sdd;/run/media/ann/CAMERA=sde1;"));
        // Without a readable mount table there is still the root.
        QCOMPARE(listed("", ""), std::string("/=/;"));
    }

    void drivesAndFoldersMoveTheListsOnlyWhereTheyCanBeRead() {
        Tree t;
        QDir(t.root()).mkpath("stick/photos");
        writeFile(t.root() + "/stick/photos/a.jpg", jpegBytes(10, 10, Qt::red));
        Game g;
        brow& b = openBrowser(g, t.root());
        // Two drives: the program's own (the root file system, which holds the current folder)
        // and a stick mounted inside the tree.
        const std::string stick = t.root().toStdString() + "/stick", photos = stick + "/photos";
        mount(b, {{"/", "root"}, {stick, "STICK"}});
        QCOMPARE(b.Drive1.ListIndex, 0);

        // Picking the drive already shown changes nothing.
        g.run("choose brow drive /");
        QCOMPARE(where(b), t.root().toStdString());
        // A drive never opened: its root; the files follow the folders. The list shows it chosen.
        g.run("choose brow drive " + stick);
        QCOMPARE(where(b), stick);
        QCOMPARE(nativeOf<QComboBox>(g.frontend->view(b), b.Drive1)->currentIndex(), 1);
        g.run("choose brow dir photos");
        CHECK_FIELDS(g, "brow:File1.List", R"(["a.jpg"])");
        // Back on the program's drive: its current folder, not the root and not the tree.
        g.run("choose brow drive /");
        QCOMPARE(b.Dir1.Path, kt::files::current());
        // The stick again: the folder last opened on it, also in a browser opened anew.
        g.run("choose brow drive " + stick);
        QCOMPARE(b.Dir1.Path, photos);
        g.run("click brow OK");
        brow& again = openBrowser(g, t.root());
        mount(again, {{"/", "root"}, {stick, "STICK"}});
        g.run("choose brow drive " + stick);
        QCOMPARE(where(again), photos);

        // The drive list read the mount table once, when the browser opened: a stick pulled out
        // meanwhile stayed listed, and a card put in did not appear. The stick, still shown, is
        // refused; the lists stay where they were, and the card is there to choose.
        const std::string card = t.root().toStdString() + "/card";
        QDir(t.root()).mkdir("card");
        std::vector<kt::files::Drive> now{{"/", "root"}, {card, "CARD"}};
        again.Drive1.mounted = [&now] { return now; };
        g.run("choose brow drive " + stick + "  [STICK]");
        QCOMPARE(where(again), photos + " | " + stick + "  - unita non pronta");
        QCOMPARE(g.widget("brow", "Drive1")["List"].toArray(),
                 (QJsonArray{"/  [root]", QString::fromStdString(card + "  [CARD]")}));
        QCOMPARE(again.Drive1.Drive(), std::string("/")); // the folders' drive, mounted
        g.run("choose brow drive " + card + "  [CARD]");
        QCOMPARE(where(again), card);
        // The drive chosen, gone: refused, though it was the one shown.
        now.pop_back();
        g.run("choose brow drive " + card);
        QCOMPARE(where(again), card + " | " + card + "  - unita non pronta");

        // Folders and files that cannot be read leave the lists where they were too, and the
        // notice goes once the lists move on: it once stayed, as if the new folder had failed.
        QDir(t.root()).mkdir("gone");
        g.app.dispatch([&] { again.Dir1.setPath(t.root().toStdString()); });
        const std::string before = again.Dir1.Path;
        // A file that vanished between the listing and the choice.
        QFile::remove(t.root() + "/red.jpg");
        g.run("choose brow file red.jpg");
        QCOMPARE(seen(g), "brow " + t.root() + "/red.jpg  - file non trovato; frmSplash");
        // A folder that is gone when opened.
        QDir(t.root() + "/sub").removeRecursively();
        g.run("choose brow dir sub");
        QCOMPARE(where(again), before + " | " + before + "/sub  - cartella non trovata");
        // A folder the player may not read. Root reads every folder: as root, the folders are
        // met as nobody meets them, through this thread's file system user.
        QDir(t.root()).mkdir("secret");
        ::chmod(qPrintable(t.root() + "/secret"), 0);
        ::chmod(qPrintable(t.root()), 0755);
        const uid_t player = ::geteuid() == 0 ? 65534 : ::geteuid();
        const uid_t was = uid_t(::setfsuid(player));
        // Not without CAP_SETUID, nor where the player cannot reach the tree (a private TMPDIR).
        const int reached = ::open(before.c_str(), O_RDONLY | O_DIRECTORY);
        const bool asPlayer = uid_t(::setfsuid(uid_t(-1))) == player && reached >= 0;
        if (reached >= 0) ::close(reached);
        if (asPlayer) {
            g.app.dispatch([&] { again.Dir1.load(before); });
            g.run("choose brow dir secret");
        }
        ::setfsuid(was);
        if (asPlayer)
            QCOMPARE(where(again), before + " | " + before + "/secret  - cartella non leggibile");
        ::chmod(qPrintable(t.root() + "/secret"), 0700);
        g.run("choose brow dir gone");
        QCOMPARE(label(g), QString("Label1")); // nothing chosen yet
        // With a picture chosen, the label shows its path again once the lists move.
        g.app.dispatch([&] { again.Dir1.setPath(before); });
        g.run("choose brow file HOLIDAY.JPG");
        g.app.dispatch([&] { again.Dir1.setPath((t.root() + "/missing").toStdString()); });
        QCOMPARE(label(g), t.root() + "/missing  - cartella non trovata");
        g.app.dispatch([&] { again.Dir1.setPath(before); });
        QCOMPARE(label(g), t.root() + "/HOLIDAY.JPG");
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
            QVERIFY(writeRaw(AT_FDCWD, dir.path().toStdString() + "/" + name, {}));
        }
        std::sort(made.begin(), made.end(), [](const std::string& a, const std::string& b) {
            const int c =
                QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive);
            return c != 0 ? c < 0 : a < b;
        });
        Game g;
        brow& b = openBrowser(g, dir.path());
        QCOMPARE(b.File1.names, made);
        QCOMPARE(g.widget("brow", "File1")["List"].toArray().size(), qsizetype(made.size()));
    }

    // What does not fit keeps what matters. The notice of a file too long for its label once
    // read "/tmp/vac…non leggibile": the shortening took the file's name. It takes from the
    // folders; the reason gets a line.
    void whatDoesNotFitKeepsWhatMatters() {
        QTemporaryDir dir;
        const QString deep = dir.path() + "/vacanze/estate_2026/spiaggia/pics";
        QDir().mkpath(deep);
        writeFile(deep + "/notjpeg.jpg", "hello");
        writeFile(deep + "/a_rather_long_name.jpg", jpegBytes(20, 20, Qt::red));
        writeFile(deep + "/small.jpg", jpegBytes(60, 40, Qt::red));
        writeFile(deep + "/large.jpg", jpegBytes(1000, 800, Qt::blue));
        writeFile(deep + "/wide.jpg", jpegBytes(1000, 800, Qt::green));
        Game g;
        brow& b = openBrowser(g, deep);
        ktqt::Fonts fonts;
        const QSize room(int(b.Label1.Width / kt::twipsPerPixel),
                         int(b.Label1.Height / kt::twipsPerPixel));
        const auto shows = [&](const char* file) {
            g.run(std::string("choose brow file ") + file);
            return fonts.shortened(b.Label1, room).join('|');
        };
        const QString notice = shows("notjpeg.jpg"), name = shows("a_rather_long_name.jpg");
        QVERIFY2(notice.contains(QChar(0x2026)) && notice.count('|') == 1 &&
                     notice.endsWith("/pics/notjpeg.jpg|- immagine non leggibile"),
                 qPrintable(notice));
        QVERIFY2(name.endsWith("/a_rather_long_name.jpg") && !name.contains('|'), qPrintable(name));

        // A background is drawn from the battlefield's top-left corner at natural size: of a
        // picture larger than both the host's screen and the battlefield (794 x 642) only what
        // the larger can show is kept.
        struct Screen : kt::Host {
            QSize size;
            QSize screen() const override { return size; }
        } host;
        g.app.setHost(&host);
        const auto kept = [&](const char* name, QSize screen) {
            host.size = screen;
            g.run(std::string("choose brow file ") + name);
            return QSize(b.picture.width(), b.picture.height());
        };
        const QList<QSize> sizes{kept("small.jpg", {150, 60}), kept("large.jpg", {150, 60}),
                                 kept("wide.jpg", {900, 60})};
        g.app.setHost(g.frontend.get());
        QCOMPARE(sizes, (QList<QSize>{{60, 40}, {794, 642}, {900, 642}}));
    }

    // Pictures made to hurt, each judged by a kolvar-replay of its own under an address-space
    // limit and a time limit: refused with its reason (or shown, when it fits), and the program
    // still takes the next line of its script.
    void hostilePicturesAreJudgedInBoundedTimeAndMemory_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<qint64>("sparse");  // bytes of nothing after them, made by truncate
        QTest::addColumn<QString>("reason"); // empty: the picture is shown
        const QString big = "  - immagine troppo grande", complex = "  - immagine troppo complessa",
                      bad = "  - immagine non leggibile";
        const auto row = [](const QString& name, const QByteArray& bytes, const QString& reason,
                            qint64 sparse = 0) {
            QTest::newRow(qPrintable(name)) << bytes << sparse << reason;
        };
        // One scan per component: the decoder would hold every coefficient first, 2 bytes a
        // sample: 22 GB from 166 bytes, or 384 MB, just past what it may, or 2 bits a block.
        const auto separate = [](int w, int h, qint64 zeros) {
            HandJpeg j(0xC0, w, h, "\x11\x11\x11");
            for (const char* id : {"\x01", "\x02", "\x03"}) j.scan(id, 0, 63, zeros);
            return j.end();
        };
        row("one scan a component, 60000 x 60000", separate(60000, 60000, 0), big);
        row("one scan a component, 8000 x 8000", separate(8000, 8000, 0), big);
        row("one scan a component that fits", separate(300, 200, 2 * 38 * 25), "");
        // Every scan passes over all its blocks, however few bytes it has: 10 bytes each.
        const auto passes = [](int side, int scans) {
            HandJpeg j(0xC2, side, side, "\x11");
            j.scan("\x01", 0, 0);
            for (int i = 0; i < scans; ++i) j.scan("\x01", 1, 63);
            return j.end();
        };
        row("ten thousand empty scans", passes(2000, 10000), complex);
        row("forty passes over a million blocks", passes(8000, 40), complex);
        row("two hundred and one scans of one block", passes(8, 200), complex);
        // No end marker: no more is read than the picture could need, and never a whole drive.
        const auto open = [](int side) {
            return HandJpeg(0xC0, side, side, "\x22\x11\x11").scan("\x01\x02\x03", 0, 63).bytes;
        };
        row("no end, 30 GB", open(60000), big, qint64(30) * 1000 * 1000 * 1000);
        row("no end, 100 x 100 in 40 MB", open(100), big, qint64(40) * 1000 * 1000);
        // Unusable pictures of every kind, cut anywhere or wrong inside.
        const QByteArray good = jpegBytes(300, 200, Qt::green);
        // Where the first scan's data starts, just past its header, and half way to the end.
        const qsizetype sos = good.indexOf("\xFF\xDA"),
                        scan = sos + 2 + ((uchar(good[sos + 2]) << 8) | uchar(good[sos + 3])),
                        half = scan + (good.size() - scan) / 2;
        row("zero bytes", {}, "  - file vuoto");
        for (qsizetype cut : {qsizetype(40), scan, half, good.size() - 2})
            row(QString("cut after %1 bytes").arg(cut), good.left(cut), bad);
        // Whole in its markers, half its image data gone: the decoder fills the rest with grey
        // and says so only in a warning.
        row("half its image data, then its end", good.left(half) + "\xFF\xD9", bad);
        QByteArray noise(5000, 0);
        for (int i = 0; i < noise.size(); ++i) noise[i] = char((i * 7919 + 13) % 251);
        row("random bytes", noise, bad);
        QByteArray liar = good.left(scan) + QByteArray(200, char(0x55));
        const qsizetype sof = liar.indexOf("\xFF\xC0");
        liar[sof + 5] = liar[sof + 7] = char(0xFD), liar[sof + 6] = liar[sof + 8] = char(0xE8);
        row("a 65000 x 65000 header with little behind it", liar, bad);
        QByteArray corrupt = good;
        for (qsizetype i = scan + 10; i < scan + 60 && i < corrupt.size() - 2; ++i)
            corrupt[i] = char(0xFF);
        row("garbage inside the image data", corrupt, bad);
        QImage cyan(50, 40, QImage::Format_RGB32);
        cyan.fill(Qt::cyan);
        QBuffer png;
        QVERIFY(png.open(QIODevice::WriteOnly) && cyan.save(&png, "PNG"));
        row("a PNG under a jpg name", png.data(), "");
        // A progressive photo of more megapixels than one of three full components would fit.
        row("progressive photo, 8200 x 5600", photo(8200, 5600), "");
    }
    void hostilePicturesAreJudgedInBoundedTimeAndMemory() {
        QFETCH(QByteArray, bytes);
        QFETCH(qint64, sparse);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString file = dir.path() + "/strange.jpg";
        writeFile(file, bytes);
        if (sparse) QVERIFY(::truncate(file.toLocal8Bit(), bytes.size() + sparse) == 0);
        // Under a cap of its address space: the program's own code, Qt and its plugins take some
        // 400 MB of it, the rest is what a picture may cost. The sanitizer's shadow memory alone
        // takes terabytes.
        const auto limit = [] {
            const rlimit limit{rlim_t(1200) << 20, rlim_t(1200) << 20};
            ::setrlimit(RLIMIT_AS, &limit);
        };
        QElapsedTimer clock;
        clock.start();
        const Ran r = runReplay(
            {}, dir.path(),
            "click frmSplash Command3\nchoose brow file strange.jpg\ndump\nclick brow OK\ndump\n",
            {}, sanitized() ? std::function<void()>() : limit);
        const qint64 ms = clock.elapsed();
        const QList<QJsonObject> d = dumps(r);
        QVERIFY2(r.status == 0 && d.size() == 2, r.err.constData());
        // A refused picture sets up no battle.
        CHECK_FIELDS(d[0], "brow:Label1.Caption Form1.Picture",
                     "'" + file + reason + "' " + (reason.isEmpty() ? "strange" : "none"));
        CHECK_FIELDS(d[1], "frmSplash.visible", "true"); // it took the next line
        qInfo("%s: %lld ms", QTest::currentDataTag(), ms);
        QVERIFY2(ms < 20000, "judged in bounded time");
    }

    void aSlowPictureLeavesTheWindowsAnswering() {
        // The real game: a large progressive photo is read and decoded aside, while the event
        // loop goes on (here a timer's beats); the game's time stands still meanwhile, and the
        // player's input waits for the end.
        QTemporaryDir dir;
        writeFile(dir.path() + "/large.jpg", photo(6000, 4000));
        kt::Program app{identity()};
        ktqt::Frontend frontend(app, ktqt::Frontend::Mode::RealTime);
        app.dispatch([&] {
            showStartMenu(app);
            app.get<frmSplash>().Command3_Click();
        });
        auto& b = *app.loaded<brow>();
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
        qInfo("6000 x 4000 progressive photo: %lld ms, %d beats, %lld ms without", took, beats,
              longest);
        QCOMPARE(b.picture.width(), std::min(6000, app.host().screen().width()));
        // The event loop went on, and stood still no longer than a blink.
        QVERIFY2(beats >= took / 50 && longest < 250, qPrintable(QString::number(longest)));
        QCOMPARE(app.clock.now(), qint64(0)); // the battle set up by the choice starts after it
    }

    // Link loops, names that are no UTF-8, and a folder whose path is longer than the system
    // takes at once (PATH_MAX), which was "non trovata".
    void strangeFoldersOpen() {
        QTemporaryDir dir;
        const std::string root = dir.path().toStdString();
        QVERIFY(::symlink("loop", (root + "/loop").c_str()) == 0); // a link to itself
        QVERIFY(::symlink("..", (root + "/up").c_str()) == 0);     // a link to its parent
        const std::string odd = root + "/caf\xE9.jpg";             // Latin-1, not UTF-8
        QVERIFY(writeRaw(AT_FDCWD, odd, jpegBytes(30, 20, Qt::magenta)));
        Game g;
        brow& b = openBrowser(g, dir.path());
        const QJsonArray dirs = g.widget("brow", "Dir1")["List"].toArray();
        QCOMPARE(dirs.last().toString(), QString("up")); // the loop is left out
        QVERIFY(!dirs.contains(QString("loop")));
        CHECK_FIELDS(g, "brow:File1.List", "[\"caf\uFFFD.jpg\"]");
        g.run("choose brow file " + QString::fromUtf8("caf\uFFFD.jpg").toStdString());
        QCOMPARE(b.doko, odd);
        QCOMPARE(b.picture.width(), 30);
        const QString chosen = label(g);
        // Opening the link to the parent resolves it: the list shows the parent, not ".../up".
        g.run("choose brow dir up");
        QCOMPARE(b.Dir1.Path, kt::files::canonical(root + "/.."));
        // QTemporaryDir cannot remove a name that is no UTF-8.
        for (const std::string& n : {root + "/loop", root + "/up", odd}) ::unlink(n.c_str());

        // A folder opened inside one of its own name leaves the rows as they were: the open
        // folder's icon goes down with it.
        QVERIFY(QDir(dir.path()).mkpath("same/same"));
        g.app.dispatch([&] { b.Dir1.setPath(root + "/same"); });
        const auto icons = [&] {
            const auto* l = nativeOf<QListWidget>(g.frontend->view(b), b.Dir1);
            const QImage open =
                l->style()->standardIcon(QStyle::SP_DirOpenIcon).pixmap(16).toImage();
            QString out;
            for (int i = 0; i < l->count(); ++i)
                out += l->item(i)->icon().pixmap(16).toImage() == open ? 'o' : '-';
            return out;
        };
        const QString before = icons();
        QCOMPARE(before, QString(before.size() - 1, 'o') + '-');
        g.run("choose brow dir same");
        QCOMPARE(icons(), QString(before.size(), 'o'));
        // So does one opened beside a folder of the name of its own subfolder: the last row goes
        // one step deeper, and further right.
        QVERIFY(QDir(dir.path()).mkpath("two/a/b") && QDir(dir.path()).mkpath("two/b"));
        g.app.dispatch([&] { b.Dir1.setPath(root + "/two"); });
        const auto lastRowStarts = [&] {
            auto* l = nativeOf<QListWidget>(g.frontend->view(b), b.Dir1);
            l->scrollToBottom();
            const QImage row =
                l->viewport()->grab(l->visualItemRect(l->item(l->count() - 1))).toImage();
            for (int x = 0; x < row.width(); ++x)
                for (int y = 0; y < row.height(); ++y)
                    if (qGray(row.pixel(x, y)) < 160) return x;
            return -1;
        };
        const int shallow = lastRowStarts();
        g.run("choose brow dir a");
        QVERIFY2(lastRowStarts() > shallow, qPrintable(QString::number(shallow)));

        // Folders of 200-byte names down past PATH_MAX, each made relative to the one above: no
        // call takes the whole path. QTemporaryDir cannot remove them, rm can.
        struct Rm {
            QString path;
            ~Rm() { QProcess::execute("rm", {"-rf", path + "/" + QString(200, 'd')}); }
        } rm{dir.path()};
        const std::string name(200, 'd');
        std::string deep = root;
        int at = ::open(deep.c_str(), O_RDONLY | O_DIRECTORY);
        for (; deep.size() <= PATH_MAX; deep += "/" + name) {
            QVERIFY(::mkdirat(at, name.c_str(), 0755) == 0);
            const int up = at;
            at = ::openat(up, name.c_str(), O_RDONLY | O_DIRECTORY);
            ::close(up);
            QVERIFY(at >= 0);
        }
        QVERIFY(::mkdirat(at, "inner", 0755) == 0);
        QVERIFY(::symlinkat("inner/../inner", at, "link") == 0);
        QVERIFY(writeRaw(at, "deep.jpg", jpegBytes(40, 20, Qt::red)));
        ::close(at);
        QCOMPARE(kt::files::canonical(deep + "/link/../inner/./.."), deep);
        QCOMPARE(kt::files::canonical(deep + "/link"), deep + "/inner");
        g.app.dispatch([&] { b.Dir1.setPath(deep); });
        QCOMPARE(b.Dir1.Path, deep);
        QCOMPARE(label(g), chosen); // no notice
        QCOMPARE(g.widget("brow", "Dir1")["List"].toArray().last().toString(), QString("link"));
        CHECK_FIELDS(g, "brow:File1.List", R"(["deep.jpg"])");
        g.run("choose brow file deep.jpg");
        QCOMPARE(b.picture.width(), 40);
        g.run("choose brow dir inner");
        QCOMPARE(b.Dir1.Path, deep + "/inner");
    }
};

QTEST_MAIN(BrowserTest)
#include "test_browser.moc"
