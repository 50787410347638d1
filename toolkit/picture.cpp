// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "picture.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace kt {

Picture::Picture(const QImage& image, std::string name)
    : name_(std::move(name)) {
    if (image.isNull()) return;
    image_ =
        std::make_shared<const QImage>(image.convertToFormat(QImage::Format_ARGB32_Premultiplied));
}

Picture Picture::load(const std::string& path) {
    QImage img(QString::fromStdString(path));
    if (img.isNull()) return {};
    return Picture(img, QFileInfo(QString::fromStdString(path)).completeBaseName().toStdString());
}

} // namespace kt

// ---- Pictures chosen by the player ----

namespace kt {

namespace {

constexpr const char* unreadable = "  - immagine non leggibile";

// Walks a JPEG's segments to its first scan, then its entropy-coded data, and answers whether an
// end-of-image marker closes it. Reads in chunks, so a large photo costs little memory.
class JpegCheck {
public:
    explicit JpegCheck(QIODevice& d)
        : dev_(d) {}

    bool progressive = false;
    int width = 0, height = 0, components = 0;

    /// A progressive picture is decoded whole before any of it can show, two bytes a sample.
    double progressiveBytes() const {
        return progressive ? 2.0 * width * height * std::max(components, 1) : 0;
    }

    bool complete() {
        if (next() != 0xFF || next() != 0xD8) return false;
        for (;;) {
            int b = next();
            if (b != 0xFF) return false;
            while (b == 0xFF) b = next();         // fill bytes
            if (b < 0 || b == 0xD9) return false; // ends before any image data
            if (b == 0x01 || (b >= 0xD0 && b <= 0xD7)) continue;
            if (!skipSegment(b)) return false;
            if (b == 0xDA && scanToEnd()) return true;
            if (b == 0xDA) return false;
        }
    }

private:
    // After a scan header: entropy-coded data until EOI, with further segments between the scans
    // of a progressive picture.
    bool scanToEnd() {
        for (;;) {
            int b = next();
            if (b < 0) return false;
            if (b != 0xFF) continue;
            do b = next();
            while (b == 0xFF);
            if (b < 0) return false;
            if (b == 0x00 || (b >= 0xD0 && b <= 0xD7)) continue; // stuffed byte, restart marker
            if (b == 0xD9) return true;
            if (!skipSegment(b)) return false;
        }
    }
    bool skipSegment(int marker) {
        const int hi = next(), lo = next();
        if (hi < 0 || lo < 0) return false;
        const int length = hi << 8 | lo;
        if (length < 2) return false;
        unsigned char head[6] = {};
        for (int i = 0; i < length - 2; ++i) {
            const int b = next();
            if (b < 0) return false;
            if (i < 6) head[i] = uchar(b);
        }
        // A frame header: precision, height, width, components.
        const bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame && length >= 8) {
            progressive =
                progressive || marker == 0xC2 || marker == 0xC6 || marker == 0xCA || marker == 0xCE;
            height = head[1] << 8 | head[2];
            width = head[3] << 8 | head[4];
            components = head[5];
        }
        return true;
    }
    int next() {
        if (at_ == size_) {
            size_ = int(dev_.read(buf_, sizeof buf_));
            at_ = 0;
            if (size_ <= 0) {
                size_ = 0;
                return -1;
            }
        }
        return static_cast<unsigned char>(buf_[at_++]);
    }
    QIODevice& dev_;
    char buf_[1 << 16];
    int at_ = 0, size_ = 0;
};

// Decoders report damage they paper over as warnings; while one runs, any warning counts.
thread_local bool warned = false;
thread_local QtMessageHandler previous = nullptr;
void noteWarning(QtMsgType type, const QMessageLogContext&, const QString&) {
    if (type != QtDebugMsg && type != QtInfoMsg) warned = true;
}

Picture decode(QIODevice& dev, QSize clip, std::string& reason, const std::string& name) {
    char magic[2] = {};
    const bool jpeg = dev.peek(magic, 2) == 2 && uchar(magic[0]) == 0xFF && uchar(magic[1]) == 0xD8;
    if (jpeg) {
        auto check = std::make_unique<JpegCheck>(dev);
        const bool whole = check->complete();
        if (!whole || !dev.seek(0)) {
            reason = unreadable;
            return {};
        }
        if (check->progressiveBytes() > 256.0 * 1024 * 1024) {
            reason = "  - immagine troppo grande";
            return {};
        }
    }
    QImageReader reader(&dev);
    reader.setDecideFormatFromContent(true);
    reader.setAllocationLimit(128); // megabytes; a lying header must not take the machine
    const QSize size = reader.size();
    if (!reader.canRead() || !size.isValid() || size.isEmpty()) {
        reason = unreadable;
        return {};
    }
    if (clip.isValid() && (size.width() > clip.width() || size.height() > clip.height()))
        reader.setClipRect(QRect(QPoint(0, 0), size.boundedTo(clip)));
    warned = false;
    previous = qInstallMessageHandler(noteWarning);
    const QImage img = reader.read();
    qInstallMessageHandler(previous);
    if (img.isNull() || warned) {
        reason = unreadable;
        return {};
    }
    return Picture(img, name);
}

std::string baseName(const std::string& path) {
    const size_t slash = path.rfind('/');
    std::string file = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = file.rfind('.');
    return dot == std::string::npos || dot == 0 ? file : file.substr(0, dot);
}

} // namespace

Picture Picture::fromData(const QByteArray& data, QSize clip, std::string& reason,
                          std::string name) {
    if (data.isEmpty()) {
        reason = "  - file vuoto";
        return {};
    }
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    return decode(buffer, clip, reason, name);
}

Picture Picture::fromFile(const std::string& path, QSize clip, std::string& reason) {
    // Raw bytes straight to the system: a name that is not valid UTF-8 still opens. Non-blocking,
    // so a pipe dressed as a picture cannot hang the game.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        reason = errno == ENOENT ? "  - file non trovato" : "  - file non leggibile";
        return {};
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        reason = "  - file non leggibile";
        return {};
    }
    if (st.st_size == 0) {
        ::close(fd);
        reason = "  - file vuoto";
        return {};
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        reason = "  - file non leggibile";
        return {};
    }
    return decode(file, clip, reason, baseName(path));
}

} // namespace kt
