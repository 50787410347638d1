// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "harness.h"

#include <QBackingStore>
#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <QWidget>
#include <cstring>

#if defined(__SANITIZE_ADDRESS__)
#define KOLVAR_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KOLVAR_ASAN 1
#endif
#endif
#ifdef KOLVAR_ASAN
#include <sanitizer/allocator_interface.h>
#else
#include <malloc.h>
#endif

namespace kolvar {

namespace {
QString compact(const QJsonValue& v) {
    return QString::fromUtf8(QJsonDocument(QJsonArray{v}).toJson(QJsonDocument::Compact))
        .mid(1)
        .chopped(1);
}

QString text(const QJsonValue& v) {
    if (v.isUndefined()) return "none";
    if (v.isString()) return v.toString();
    if (v.isDouble()) return number(v.toDouble());
    return compact(v);
}

QString quoted(const QString& word) {
    return word.isEmpty() || word.contains(' ') ? "'" + word + "'" : word;
}

/// The properties `fields` makes of several: a place, a line's ends and look, a unit's cells.
QJsonValue derived(const QJsonObject& o, const QString& step) {
    const auto pair = [&](const char* x, const char* y) {
        return number(o[x].toDouble()) + "," + number(o[y].toDouble());
    };
    if (step == "at") return pair("Left", "Top");
    if (step == "pos") return pair("x", "y");
    if (step == "dest") return pair("tx", "ty");
    if (step == "ends") return pair("X1", "Y1") + " " + pair("X2", "Y2");
    if (step == "look") {
        const QJsonArray c = o["BorderColor"].toArray();
        return QString::asprintf("%d,%d,%d %d %d", c[0].toInt(), c[1].toInt(), c[2].toInt(),
                                 o["BorderWidth"].toInt(), o["BorderStyle"].toInt());
    }
    return o[step];
}

QJsonValue field(const QJsonObject& dump, const QString& path) {
    const QJsonObject windows = dump["windows"].toObject(), form = windows["Form1"].toObject();
    QJsonValue v(QJsonValue::Undefined);
    const QStringList steps = path.split('.');
    for (qsizetype i = 0; i < steps.size(); ++i) {
        const QString name = steps[i].section('[', 0, 0);
        if (i > 0) {
            v = derived(v.toObject(), name);
        } else if (name.contains(':')) {
            v = windows[name.section(':', 0, 0)]["widgets"][name.section(':', 1)];
        } else {
            for (const QJsonValue& in :
                 {form["state"], form["widgets"], QJsonValue(windows), QJsonValue(dump)})
                if (in.toObject().contains(name)) {
                    v = in.toObject()[name];
                    break;
                }
        }
        if (steps[i].endsWith(']')) {
            const QJsonArray a = v.toArray();
            const qsizetype at = steps[i].section('[', 1).chopped(1).toInt();
            v = at < a.size() ? a[at] : QJsonValue(QJsonValue::Undefined);
        }
    }
    return v;
}

/// The words of a line, a quoted one ending at a quote before a blank or the end.
QStringList words(const QString& s) {
    static const QRegularExpression word("'(.*?)'(?= |$)|(\\S+)");
    QStringList out;
    for (const QRegularExpressionMatch& m : word.globalMatch(s))
        out << (m.hasCaptured(1) ? m.captured(1) : m.captured(2));
    return out;
}
} // namespace

void table(std::initializer_list<std::pair<const char*, const char*>> rows) {
    QTest::addColumn<QString>("row");
    for (const auto& [name, words] : rows) QTest::newRow(name) << QString(words);
}

QStringList row() {
    return words(*static_cast<QString*>(QTest::qData("row", QMetaType::QString)));
}

QString fields(Game& g, const QString& paths) {
    return fields(g.dump(), paths);
}

QString fields(const QJsonObject& dump, const QString& paths) {
    QStringList out;
    for (const QString& path : paths.split(' ', Qt::SkipEmptyParts))
        out << quoted(text(field(dump, path)));
    return out.join(' ');
}

QString unlikeFields(Game& g, const QString& paths, const QString& wanted) {
    return unlikeFields(g.dump(), paths, wanted);
}

QString unlikeFields(const QJsonObject& dump, const QString& paths, const QString& wanted) {
    const QStringList got = words(fields(dump, paths)), want = words(wanted),
                      path = paths.split(' ', Qt::SkipEmptyParts);
    if (want.size() != path.size())
        return QString("%1 values wanted for %2 paths").arg(want.size()).arg(path.size());
    QStringList unlike;
    for (qsizetype i = 0; i < path.size(); ++i)
        if (got[i] != want[i])
            unlike << path[i] + ": " + quoted(got[i]) + ", wanted " + quoted(want[i]);
    return unlike.join("; ");
}

QString unlikeSteps(Game& g, std::initializer_list<Stage> steps) {
    for (const Stage& step : steps) {
        g.run(step.script);
        if (const QString unlike = unlikeFields(g, step.paths, step.wanted); !unlike.isEmpty())
            return "after '" + QString::fromStdString(step.script) + "': " + unlike;
    }
    return {};
}

#ifdef KOLVAR_ASAN
bool sanitized() {
    return true;
}
size_t liveHeap() {
    return __sanitizer_get_current_allocated_bytes();
}
#else
bool sanitized() {
    return false;
}
size_t liveHeap() {
    const struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
}
#endif

QString joined(const std::vector<std::string>& broken) {
    QStringList l;
    for (const auto& b : broken) l << QString::fromStdString(b);
    return l.join("; ");
}

std::string press(double x, double y, int button) {
    return "press Form1 " + num(x) + " " + num(y) + " " + std::to_string(button) + "\n";
}

std::string pressEnemy(Form1& f, int i, int button) {
    return press(f.ene[i].Left + 200, f.ene[i].Top + 200, button);
}

std::string order(int kind, int count) {
    std::string s;
    const std::string button = "down Form1 Command1(" + std::to_string(kind) + ") 1 ";
    for (; count >= 20; count -= 20) s += button + "3 10 10\n";
    for (; count >= 10; count -= 10) s += button + "2 10 10\n";
    for (; count >= 5; count -= 5) s += button + "1 10 10\n";
    for (; count >= 1; count -= 1) s += button + "0 10 10\n";
    return s;
}

std::string pressMine(Game& g) {
    const QJsonObject build = g.widget("Form1", "build");
    return "press Form1 " + num(build["Left"].toDouble() + 300) + " " +
           num(build["Top"].toDouble() + 400);
}

void put(Form1& f, int i, int x, int y) {
    BattleProbe p{f};
    unirec& u = p.uni()[size_t(i)];
    u.x = u.tx = int16_t(x);
    u.y = u.ty = int16_t(y);
    const Cell cell = cellOf(x, y);
    u.col = cell.col;
    u.row = cell.row;
    f.ima[i].Left = float(x);
    f.ima[i].Top = float(y);
}

int train(Game& g, int kind) {
    Form1& f = g.battle();
    const int before = f.c;
    g.run("click Form1 Image2\ndown Form1 Command1(" + std::to_string(kind) + ") 1 0 100 100");
    for (int i = 0; i < 40 && f.c == before; ++i) g.run("wait 50");
    return f.c;
}

void trainBuilder(Game& g) {
    g.run(order(6, 1) + "wait 250\nclick Form1 ima(1)");
    CHECK_FIELDS(g, "c uni[1].kind", "1 6");
}

void tickTo(Game& g, int t) {
    g.probe().clock() = int16_t(t - 1);
    g.run("wait 100");
}

ktqt::FormView* viewOf(Game& g, const char* name) {
    kt::Form* f = g.app.formByName(name);
    return f ? g.frontend->view(*f) : nullptr;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray jpegBytes(int w, int h, QColor c) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(c);
    for (int y = 0; y < h; ++y) img.setPixelColor(y % w, y, Qt::black);
    QByteArray out;
    QBuffer buf(&out);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "JPEG", 80);
    return out;
}

void settle() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

QString unlikeFullPaint(QWidget& view) {
    settle();
    if (!view.isVisible()) return {};
    QBackingStore* store = view.backingStore();
    QPaintDevice* device = store ? store->paintDevice() : nullptr;
    if (!device || device->devType() != QInternal::Image) return "the window has no raster image";
    const QImage& held = *static_cast<QImage*>(device);
    const qreal ratio = view.devicePixelRatioF();
    const QSize size = (QSizeF(view.size()) * ratio).toSize();
    // Kept from one call to the next: the events fuzzer asks after every event.
    static QImage full;
    if (full.size() != size) full = QImage(size, QImage::Format_RGB32);
    full.setDevicePixelRatio(ratio);
    full.fill(Qt::black);
    view.render(&full, QPoint(), QRegion(), QWidget::DrawChildren);
    // The same rows byte for byte: the common answer, and a quick one.
    bool same = held.format() == full.format() && held.width() >= size.width() &&
                held.height() >= size.height();
    for (int y = 0; same && y < size.height(); ++y)
        same = !std::memcmp(held.constScanLine(y), full.constScanLine(y), size_t(size.width()) * 4);
    if (same) return {};
    const QImage shown = held.copy(QRect(QPoint(), size)).convertToFormat(full.format());
    QRect unlike;
    QPoint first;
    QRgb was = 0, is = 0;
    for (int y = 0; y < size.height(); ++y) {
        const auto* a = reinterpret_cast<const QRgb*>(shown.constScanLine(y));
        const auto* b = reinterpret_cast<const QRgb*>(full.constScanLine(y));
        for (int x = 0; x < size.width(); ++x)
            if ((a[x] | 0xff000000) != (b[x] | 0xff000000)) {
                if (unlike.isNull()) first = QPoint(x, y), was = a[x], is = b[x];
                unlike |= QRect(x, y, 1, 1);
            }
    }
    if (unlike.isNull()) return {};
    return QString::asprintf("shown %06x where a full paint gives %06x at device pixel %d,%d; ",
                             was & 0xffffff, is & 0xffffff, first.x(), first.y()) +
           "unlike within " + rectText(unlike);
}

QString rectText(const QRect& r) {
    return QString::asprintf("%d,%d %dx%d", r.x(), r.y(), r.width(), r.height());
}

Ran runReplay(const QStringList& args, const QString& folder, const QByteArray& input,
              const QMap<QString, QString>& env, const std::function<void()>& limit, int waitMs) {
    QProcess p;
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    e.insert("QT_QPA_PLATFORM", "offscreen");
    for (auto it = env.begin(); it != env.end(); ++it)
        it.value() == "-" ? e.remove(it.key()) : e.insert(it.key(), it.value());
    p.setProcessEnvironment(e);
    p.setWorkingDirectory(folder);
    if (limit) p.setChildProcessModifier(limit);
    p.start(replayTool(), args);
    Ran r;
    if (!p.waitForStarted()) return r;
    if (!input.isEmpty()) p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(waitMs)) {
        p.kill();
        p.waitForFinished();
    } else if (p.exitStatus() == QProcess::NormalExit) {
        r.status = p.exitCode();
    }
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

QList<QJsonObject> dumps(const Ran& r) {
    QList<QJsonObject> all;
    for (const QByteArray& line : r.out.split('\n'))
        if (!line.isEmpty()) all << QJsonDocument::fromJson(line).object();
    return all;
}

namespace {
void differences(const QJsonValue& a, const QJsonValue& b, const QString& at, QStringList& out) {
    if (out.size() >= 8 || a == b) return;
    if (a.isObject() && b.isObject()) {
        QStringList keys = a.toObject().keys() + b.toObject().keys();
        keys.removeDuplicates();
        for (const QString& k : keys)
            differences(a.toObject().value(k), b.toObject().value(k), at + "." + k, out);
    } else if (a.isArray() && b.isArray() && a.toArray().size() == b.toArray().size()) {
        for (int i = 0; i < a.toArray().size(); ++i)
            differences(a.toArray()[i], b.toArray()[i], at + QString("[%1]").arg(i), out);
    } else {
        out << at.mid(1) + ": " + compact(a) + " / " + compact(b);
    }
}
} // namespace

QStringList jsonDifferences(const QJsonValue& a, const QJsonValue& b) {
    QStringList out;
    differences(a, b, "", out);
    return out;
}

QPoint middle(const kt::Widget& w) {
    return QPoint(int((w.formLeft() + w.Width / 2) / kt::twipsPerPixel),
                  int((w.formTop() + w.Height / 2) / kt::twipsPerPixel));
}

} // namespace kolvar
