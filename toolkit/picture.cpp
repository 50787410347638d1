// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "picture.h"

#include "files.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageReader>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

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

constexpr Failure unreadable = Failure::NotAPicture;
constexpr Failure tooLarge = Failure::TooLarge;
constexpr Failure tooComplex = Failure::TooComplex;

// What a stranger's picture may cost before the decoder sees it. Each bound is met by every real
// photo with room to spare, and each is checked as soon as the file declares what it counts.
//
// No more of a file is read than this, whatever it says of itself.
constexpr qint64 largestFile = qint64(256) << 20;
// Room for what a JPEG carries besides its image: camera data, colour profiles, thumbnails.
constexpr qint64 metadataRoom = qint64(16) << 20;
// Compressed data per declared sample: a photo takes well under a byte, noise at the highest
// quality about one.
constexpr double dataPerSample = 2;
// A picture coded in several scans (progressive, or one component at a time) is held whole as
// DCT coefficients, 2 bytes a sample at each component's own resolution, before any row of it
// comes out.
constexpr double coefficientBudget = 288.0 * 1024 * 1024;
// Each scan passes over every block it covers, however few bytes code it: the blocks of all the
// scans together, and the scans themselves (each sets up its tables). Encoders write ten scans
// or so, the most thorough a few dozen.
constexpr double passBudget = 40e6;
constexpr int mostScans = 200;

// The bytes of a picture, read from its file only as far as they are asked for and never past a
// limit. The decoder is handed these same bytes, so the file cannot change between its check
// and its decoding.
class Bytes {
public:
    explicit Bytes(QByteArray data)
        : data_(std::move(data)) {}
    explicit Bytes(int fd)
        : fd_(fd) {}

    qint64 limit = largestFile;
    bool overLimit = false; ///< something past the limit was asked for

    /// Byte `i`, or -1 past the end or the limit.
    int at(qint64 i) {
        if (i >= limit) {
            overLimit = overLimit || i < data_.size() || fd_ >= 0;
            return -1;
        }
        if (i >= data_.size() && !fill(i)) return -1;
        return uchar(data_[i]);
    }
    /// The first 0xFF at or after `i`; -1 if none comes before the end or the limit.
    qint64 findFF(qint64 i) {
        while (at(i) >= 0) {
            const qint64 stop = std::min<qint64>(data_.size(), limit);
            const char* from = data_.constData() + i;
            if (const void* ff = memchr(from, 0xFF, size_t(stop - i)))
                return i + (static_cast<const char*>(ff) - from);
            i = stop;
        }
        return -1;
    }
    /// Reads to the end; false if the bytes go on past the limit.
    bool readAll() {
        at(limit - 1);
        at(limit);
        return !overLimit;
    }
    /// The bytes read, the first `size` of them only.
    const QByteArray& cut(qint64 size) {
        data_.truncate(size);
        return data_;
    }
    const QByteArray& all() const { return data_; }

private:
    // Reads up to byte `i` (below the limit) in chunks of a megabyte or more.
    bool fill(qint64 i) {
        while (fd_ >= 0 && data_.size() <= i) {
            const qint64 had = data_.size();
            const qint64 chunk = std::min(std::max<qint64>(i + 1 - had, 1 << 20), limit - had);
            data_.resize(had + chunk);
            ssize_t got = 0;
            do got = ::read(fd_, data_.data() + had, size_t(chunk));
            while (got < 0 && errno == EINTR);
            data_.resize(had + std::max<ssize_t>(got, 0));
            if (got <= 0) fd_ = -1; // the end, or a drive that fails: no more
        }
        return i < data_.size();
    }
    QByteArray data_;
    int fd_ = -1;
};

// Walks a JPEG's markers to its end, as the decoder will, counting what each costs the decoder;
// refuses the picture as soon as it would pass a bound, and one that is not complete (a JPEG cut
// short or damaged anywhere is refused, though Qt's reader would paint the missing rows grey).
class JpegCheck {
public:
    explicit JpegCheck(Bytes& b)
        : bytes_(b) {}

    qint64 end = 0; ///< just past the end-of-image marker

    /// None when the picture may go to the decoder, else why not.
    Failure judge() {
        const Failure why = walk();
        if (why == unreadable && bytes_.overLimit) return tooLarge;
        return why;
    }

private:
    struct Component {
        int id, h, v;
        double wide, high; ///< blocks
    };

    Failure walk() {
        if (bytes_.at(0) != 0xFF || bytes_.at(1) != 0xD8) return unreadable;
        bytes_.limit = std::min(largestFile, metadataRoom);
        qint64 p = 2;
        for (;;) {
            if (bytes_.at(p) != 0xFF) return unreadable;
            int m = 0xFF;
            while (m == 0xFF) m = bytes_.at(++p); // fill bytes
            ++p;
            if (m < 0) return unreadable;
            if (m == 0xD9) { // end of image, after at least one scan
                end = p;
                return scans_ ? Failure::None : unreadable;
            }
            if (m == 0x01 || (m >= 0xD0 && m <= 0xD7)) continue;
            const int hi = bytes_.at(p), lo = bytes_.at(p + 1);
            if (hi < 0 || lo < 0) return unreadable;
            const int length = hi << 8 | lo;
            if (length < 2 || bytes_.at(p + length - 1) < 0) return unreadable;
            const qint64 body = p + 2, size = length - 2;
            p += length;
            const bool frame = m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC;
            if (frame) {
                if (const Failure why = readFrame(m, body, size); why != Failure::None) return why;
            } else if (m == 0xDA) {
                if (const Failure why = readScan(body, size); why != Failure::None) return why;
                p = skipData(p);
                if (p < 0) return unreadable;
            } else if (m == 0xDC) {
                return unreadable; // a height given after the first scan: not decoded
            }
        }
    }

    // A frame header: precision, height, width, components (id, sampling, table).
    Failure readFrame(int marker, qint64 at, qint64 size) {
        // Baseline, extended and progressive, Huffman or arithmetic coded: what the decoder takes.
        if (!components_.empty() || (marker != 0xC0 && marker != 0xC1 && marker != 0xC2 &&
                                     marker != 0xC9 && marker != 0xCA))
            return unreadable;
        if (size < 6) return unreadable;
        progressive_ = marker == 0xC2 || marker == 0xCA;
        const int precision = bytes_.at(at);
        const int height = bytes_.at(at + 1) << 8 | bytes_.at(at + 2);
        const int width = bytes_.at(at + 3) << 8 | bytes_.at(at + 4);
        const int count = bytes_.at(at + 5);
        if (precision != 8 || width == 0 || height == 0 || count < 1 || count > 10 ||
            size != 6 + 3 * count)
            return unreadable;
        int hMax = 1, vMax = 1;
        for (int i = 0; i < count; ++i) {
            const int hv = bytes_.at(at + 7 + 3 * i);
            Component c{bytes_.at(at + 6 + 3 * i), hv >> 4, hv & 15, 0, 0};
            if (c.h < 1 || c.h > 4 || c.v < 1 || c.v > 4) return unreadable;
            hMax = std::max(hMax, c.h), vMax = std::max(vMax, c.v);
            components_.push_back(c);
        }
        // Each component at its own resolution; a chroma component sampled at half the width
        // and height has a quarter of the blocks.
        double samples = 0;
        for (Component& c : components_) {
            c.wide = std::ceil(std::ceil(double(width) * c.h / hMax) / 8);
            c.high = std::ceil(std::ceil(double(height) * c.v / vMax) / 8);
            samples += c.wide * c.high * 64;
            // Held whole, a component's blocks are rounded up to whole sampling units.
            coefficients_ += std::ceil(c.wide / c.h) * c.h * std::ceil(c.high / c.v) * c.v * 128;
        }
        mcus_ = std::ceil(width / (8.0 * hMax)) * std::ceil(height / (8.0 * vMax));
        bytes_.limit =
            qint64(std::min(double(largestFile), metadataRoom + dataPerSample * samples));
        return Failure::None;
    }

    // A scan header: the components it codes, then what the decoder's pass over them costs.
    Failure readScan(qint64 at, qint64 size) {
        if (components_.empty() || size < 1) return unreadable;
        const int count = bytes_.at(at);
        if (count < 1 || count > 4 || size != 4 + 2 * count) return unreadable;
        double blocks = 0, perMcu = 0;
        for (int i = 0; i < count; ++i) {
            const int id = bytes_.at(at + 1 + 2 * i);
            auto c = std::find_if(components_.begin(), components_.end(),
                                  [id](const Component& c) { return c.id == id; });
            if (c == components_.end()) return unreadable;
            blocks = c->wide * c->high; // one component alone: its own blocks, no more
            perMcu += c->h * c->v;
        }
        if (count > 1) {
            if (perMcu > 10) return unreadable; // more blocks to a unit than the decoder takes
            blocks = mcus_ * perMcu;
        }
        if (scans_++ == 0) held_ = progressive_ || count < int(components_.size());
        passes_ += blocks;
        if (held_ && coefficients_ > coefficientBudget) return tooLarge;
        if (scans_ > mostScans || (held_ && passes_ > passBudget)) return tooComplex;
        return Failure::None;
    }

    // Past a scan's entropy-coded data to the marker that ends it; -1 at the end of the bytes.
    qint64 skipData(qint64 p) {
        for (;;) {
            p = bytes_.findFF(p);
            if (p < 0) return -1;
            const int b = bytes_.at(p + 1);
            if (b < 0) return -1;
            if (b == 0x00 || b == 0xFF || (b >= 0xD0 && b <= 0xD7)) {
                p += b == 0xFF ? 1 : 2; // a stuffed byte, fill, a restart marker
                continue;
            }
            return p;
        }
    }

    Bytes& bytes_;
    std::vector<Component> components_;
    bool progressive_ = false, held_ = false;
    double coefficients_ = 0, mcus_ = 0, passes_ = 0;
    int scans_ = 0;
};

// Decoders report damage they paper over as warnings; while one runs, any of its warnings counts.
// The handler is the whole program's: what other threads say meanwhile goes where it went.
thread_local bool decoding = false, warned = false;
QtMessageHandler previous = nullptr;
void noteWarning(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (!decoding) {
        if (previous) previous(type, context, text);
    } else if (type != QtDebugMsg && type != QtInfoMsg) {
        warned = true;
    }
}

Picture decode(Bytes& bytes, QSize clip, Failure& reason, const std::string& name) {
    QBuffer dev;
    if (bytes.at(0) == 0xFF && bytes.at(1) == 0xD8) {
        JpegCheck check(bytes);
        if (const Failure why = check.judge(); why != Failure::None) {
            reason = why;
            return {};
        }
        // Only the picture: what follows its end (a phone's motion clip) is none of the decoder's.
        dev.setData(bytes.cut(check.end));
    } else {
        // Any other format Qt reads, bounded by the size of the file and Qt's allocation limit.
        if (!bytes.readAll()) {
            reason = tooLarge;
            return {};
        }
        dev.setData(bytes.all());
    }
    dev.open(QIODevice::ReadOnly);
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
    warned = false, decoding = true;
    previous = qInstallMessageHandler(noteWarning);
    const QImage img = reader.read();
    qInstallMessageHandler(previous);
    decoding = false;
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

Picture Picture::fromData(const QByteArray& data, QSize clip, Failure& reason, std::string name) {
    if (data.isEmpty()) {
        reason = Failure::Empty;
        return {};
    }
    Bytes bytes(data);
    return decode(bytes, clip, reason, name);
}

Picture Picture::fromFile(const std::string& path, QSize clip, Failure& reason) {
    // Raw bytes straight to the system: a name that is not valid UTF-8 still opens. Non-blocking,
    // so a pipe dressed as a picture cannot hang the game.
    const int fd = files::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        reason = errno == ENOENT ? Failure::NotFound : Failure::Unreadable;
        return {};
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        reason = Failure::Unreadable;
        return {};
    }
    if (st.st_size == 0) {
        ::close(fd);
        reason = Failure::Empty;
        return {};
    }
    Bytes bytes(fd);
    if (bytes.at(0) < 0) {
        ::close(fd);
        reason = Failure::Unreadable;
        return {};
    }
    Picture p = decode(bytes, clip, reason, baseName(path));
    ::close(fd);
    return p;
}

} // namespace kt
