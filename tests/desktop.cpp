// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "desktop.h"

#include "toolkit/widgets.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>
#include <QThread>
#include <QWidget>
#include <cstdio>
#include <functional>

namespace kolvar {

namespace {

bool waitFor(const std::function<bool()>& ready, int ms) {
    QElapsedTimer t;
    t.start();
    while (!ready()) {
        if (t.elapsed() > ms) return false;
        QThread::msleep(20);
    }
    return true;
}

int field(const QString& text, const QString& name) {
    const auto m =
        QRegularExpression(QRegularExpression::escape(name) + R"(:\s*(-?\d+))").match(text);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

} // namespace

QProcess* Desktop::startServer(QString& display) {
    // A display number nobody uses, tried until a server holds one.
    for (int n = 90 + int(QCoreApplication::applicationPid() % 40); n < 200; ++n) {
        if (QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(n)) ||
            QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)))
            continue;
        auto* server = new QProcess;
        server->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        server->setStandardOutputFile(QProcess::nullDevice());
        server->start("Xvfb", {QStringLiteral(":%1").arg(n), "-screen", "0",
                               QStringLiteral("%1x%2x24").arg(width).arg(height), "-nolisten",
                               "tcp", "-noreset"});
        const QString socket = QStringLiteral("/tmp/.X11-unix/X%1").arg(n);
        if (server->waitForStarted() &&
            waitFor([&] { return QFile::exists(socket) || server->state() != QProcess::Running; },
                    10000) &&
            server->state() == QProcess::Running) {
            display = QStringLiteral(":%1").arg(n);
            return server;
        }
        server->kill();
        server->waitForFinished();
        delete server;
    }
    return nullptr;
}

Desktop::Desktop() {
    if (QStandardPaths::findExecutable("Xvfb").isEmpty() ||
        QStandardPaths::findExecutable("openbox").isEmpty() ||
        QStandardPaths::findExecutable("xdotool").isEmpty() ||
        QStandardPaths::findExecutable("xwininfo").isEmpty() ||
        QStandardPaths::findExecutable("xprop").isEmpty()) {
        error_ = "Xvfb, openbox, xdotool, xwininfo and xprop are needed (./scripts/setup "
                 "installs them)";
        return;
    }
    server_ = startServer(display_);
    if (!server_) {
        error_ = "no X server could be started";
        return;
    }
    qputenv("DISPLAY", display_.toUtf8());
    manager_ = new QProcess;
    manager_->setStandardOutputFile(QProcess::nullDevice());
    manager_->setStandardErrorFile(QProcess::nullDevice());
    manager_->start("openbox", {"--sm-disable"});
    // The window manager is up once it has announced itself on the root window.
    const bool up =
        manager_->waitForStarted() &&
        waitFor(
            [&] {
                bool ok = false;
                const QString out = run("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"}, &ok);
                return ok && out.contains("window id");
            },
            10000);
    if (!up) error_ = "openbox did not start";
}

Desktop::~Desktop() {
    for (QProcess* p : {manager_, server_}) {
        if (!p) continue;
        p->terminate();
        if (!p->waitForFinished(3000)) {
            p->kill();
            p->waitForFinished();
        }
        delete p;
    }
}

QString Desktop::run(const QString& program, const QStringList& args, bool* ok) {
    QProcess p;
    p.start(program, args);
    const bool done =
        p.waitForFinished(20000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (ok) *ok = done;
    return QString::fromLocal8Bit(p.readAllStandardOutput());
}

bool Desktop::xdotool(const QStringList& args) {
    bool ok = false;
    run("xdotool", args, &ok);
    // The server has the input now; Qt reads it from its connection on its next turns.
    QTest::qWait(120);
    return ok;
}

bool Desktop::click(QWidget* w, QPoint at, int button, const QString& modifiers, int times,
                    int gapMs) {
    QWidget* top = w->window();
    return click(top->winId(), w->mapTo(top, at), button, modifiers, times, gapMs);
}

bool Desktop::click(unsigned long window, QPoint at, int button, const QString& modifiers,
                    int times, int gapMs) {
    QStringList args{"mousemove", "--window", QString::number(window), QString::number(at.x()),
                     QString::number(at.y())};
    if (!modifiers.isEmpty()) args << "keydown" << modifiers;
    args << "click"
         << "--repeat" << QString::number(times) << "--delay" << QString::number(gapMs)
         << QString::number(button);
    if (!modifiers.isEmpty()) args << "keyup" << modifiers;
    return xdotool(args);
}

bool Desktop::hover(QWidget* w, QPoint at) {
    QWidget* top = w->window();
    const QPoint p = w->mapTo(top, at);
    return xdotool({"mousemove", "--window", QString::number(top->winId()), QString::number(p.x()),
                    QString::number(p.y())});
}

bool Desktop::keys(const QStringList& keys) {
    return xdotool(QStringList{"key", "--delay", "60"} + keys);
}

QRect Desktop::clientArea(QWidget* window) {
    return clientArea(window->winId());
}

QRect Desktop::clientArea(unsigned long window) {
    const QString out = run("xwininfo", {"-id", QString::number(window)});
    return QRect(field(out, "Absolute upper-left X"), field(out, "Absolute upper-left Y"),
                 field(out, "Width"), field(out, "Height"));
}

QRect Desktop::frame(QWidget* window) {
    // The window manager states its borders on the client: left, right, top, bottom.
    const QString out =
        run("xprop", {"-id", QString::number(window->winId()), "_NET_FRAME_EXTENTS"});
    std::vector<int> e;
    for (const auto& m : QRegularExpression(R"(\b\d+\b)").globalMatch(out.section('=', 1)))
        e.push_back(m.captured(0).toInt());
    const QRect client = clientArea(window);
    if (e.size() != 4) return client;
    return client.adjusted(-e[0], -e[2], e[1], e[3]);
}

std::vector<unsigned long> Desktop::stacking() {
    const QString out = run("xprop", {"-root", "_NET_CLIENT_LIST_STACKING"});
    std::vector<unsigned long> ids;
    for (const auto& m : QRegularExpression("0x[0-9a-fA-F]+").globalMatch(out))
        ids.push_back(m.captured(0).toULong(nullptr, 16));
    return ids;
}

int onDesktop(int argc, char** argv, const std::function<int(Desktop&)>& run) {
    Desktop desktop;
    if (!desktop.error().isEmpty()) {
        std::fprintf(stderr, "SKIP: %s\n", qPrintable(desktop.error()));
        return 77;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    qputenv("QT_SCALE_FACTOR", "1");
    QApplication app(argc, argv);
    return run(desktop);
}

QPoint middle(const kt::Widget& w) {
    return QPoint(int((w.formLeft() + w.Width / 2) / kt::twipsPerPixel),
                  int((w.formTop() + w.Height / 2) / kt::twipsPerPixel));
}

} // namespace kolvar
