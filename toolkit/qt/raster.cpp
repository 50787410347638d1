// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "raster.h"

#include "geometry.h"
#include "pictures.h"

#include <QPaintEngine>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif
#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace ktqt {

std::optional<RasterTarget> RasterTarget::of(QPainter& p) {
    QPaintEngine* engine = p.paintEngine();
    if (!engine || engine->type() != QPaintEngine::Raster || p.hasClipping() ||
        p.opacity() != 1.0 || p.compositionMode() != QPainter::CompositionMode_SourceOver)
        return std::nullopt;
    QPaintDevice* device = engine->paintDevice();
    if (!device || device->devType() != QInternal::Image) return std::nullopt;
    auto* img = static_cast<QImage*>(device);
    const QImage::Format f = img->format();
    if ((f != QImage::Format_RGB32 && f != QImage::Format_ARGB32 &&
         f != QImage::Format_ARGB32_Premultiplied) ||
        !img->isDetached())
        return std::nullopt;
    const int scale = wholeScale(p);
    if (scale == 0) return std::nullopt;
    RasterTarget t;
    t.image = img;
    t.bits = img->bits();
    t.stride = img->bytesPerLine();
    t.scale = scale;
    const QTransform m = p.deviceTransform();
    t.origin = QPoint(int(m.dx()), int(m.dy()));
    t.clip = engine->systemClip();
    if (t.clip.isEmpty()) t.clip = img->rect();
    return t;
}

namespace {

/// One row of `n` source pixels, each repeated `scale` times, the first `skip` copies left out.
void enlargeRow(quint32* out, const quint32* in, int n, int scale, int skip, int width) {
    if (scale == 2 && skip == 0) {
        int i = 0;
#ifdef __SSE2__
        for (; i + 4 <= n && 2 * i + 8 <= width; i += 4) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * i), _mm_unpacklo_epi32(v, v));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * i + 4), _mm_unpackhi_epi32(v, v));
        }
#endif
        for (int x = 2 * i; x < width; ++x) out[x] = in[x / 2];
        return;
    }
    for (int x = 0; x < width; ++x) out[x] = in[(x + skip) / scale];
}

} // namespace

bool rasterEnlarge(QPainter& p, const QImage& src, const QRect& r, int scale) {
    const auto t = RasterTarget::of(p);
    if (!t || scale < 2 || t->scale != scale || src.format() != QImage::Format_RGB32) return false;
    const QRect from = r & src.rect();
    if (from.isEmpty()) return true;
    const QPoint origin = t->origin;
    const QRect to(from.topLeft() * scale + origin, from.size() * scale);
    for (const QRect& c : t->clip) {
        const QRect box = c & to & t->image->rect();
        if (box.isEmpty()) continue;
        // Device pixel (x, y) shows source pixel ((x - origin.x) / scale, (y - origin.y) / scale).
        const int x0 = box.left() - origin.x(), sx0 = x0 / scale;
        const int sx1 = (box.right() - origin.x()) / scale;
        const quint32* built = nullptr;
        int builtFor = -1;
        for (int y = box.top(); y <= box.bottom(); ++y) {
            const int sy = (y - origin.y()) / scale;
            quint32* out = t->row(y) + box.left();
            // The rows that show the same source row are copies of the first one built.
            if (sy == builtFor) {
                std::memcpy(out, built, size_t(box.width()) * sizeof(quint32));
                continue;
            }
            const auto* in = reinterpret_cast<const quint32*>(src.constScanLine(sy)) + sx0;
            enlargeRow(out, in, sx1 - sx0 + 1, scale, x0 - sx0 * scale, box.width());
            built = out;
            builtFor = sy;
        }
    }
    return true;
}

namespace {

/// Copies the opaque pixels of a row of binary-alpha art over `out`: an opaque pixel has its
/// top bit set, a transparent one is zero. Four (or eight) pixels all opaque are stored without
/// reading what they cover, and all transparent leave it alone.
void chooseRowPlain(quint32* out, const quint32* in, int n) {
    int x = 0;
#ifdef __SSE2__
    for (; x + 4 <= n; x += 4) {
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + x));
        const int opaque = _mm_movemask_ps(_mm_castsi128_ps(s));
        if (opaque == 0) continue;
        auto* to = reinterpret_cast<__m128i*>(out + x);
        if (opaque == 15) {
            _mm_storeu_si128(to, s);
            continue;
        }
        const __m128i m = _mm_srai_epi32(s, 31);
        _mm_storeu_si128(
            to, _mm_or_si128(_mm_and_si128(m, s), _mm_andnot_si128(m, _mm_loadu_si128(to))));
    }
#endif
    for (; x < n; ++x)
        if (in[x] != 0) out[x] = in[x];
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define KOLVAR_AVX2_ROWS 1
// Eight pixels at a time, as Qt's own blending does on such a processor: at twice the scale a
// sprite is four times the pixels, and four at a time fall behind it.
__attribute__((target("avx2"))) void chooseRowAvx2(quint32* out, const quint32* in, int n) {
    int x = 0;
    for (; x + 8 <= n; x += 8) {
        const __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + x));
        const int opaque = _mm256_movemask_ps(_mm256_castsi256_ps(s));
        if (opaque == 0) continue;
        auto* to = reinterpret_cast<__m256i*>(out + x);
        if (opaque == 255) {
            _mm256_storeu_si256(to, s);
            continue;
        }
        const __m256 d = _mm256_castsi256_ps(_mm256_loadu_si256(to));
        const __m256 sp = _mm256_castsi256_ps(s);
        _mm256_storeu_si256(to, _mm256_castps_si256(_mm256_blendv_ps(d, sp, sp)));
    }
    chooseRowPlain(out + x, in + x, n - x);
}
#endif

void chooseRow(quint32* out, const quint32* in, int n) {
#ifdef KOLVAR_AVX2_ROWS
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2) return chooseRowAvx2(out, in, n);
#endif
    chooseRowPlain(out, in, n);
}

} // namespace

bool rasterSprite(QPainter& p, const Sprite& sprite, QPoint at, const QRect& source) {
    if (!sprite.binary || sprite.image.format() != QImage::Format_ARGB32_Premultiplied)
        return false;
    const auto t = RasterTarget::of(p);
    if (!t || t->scale != sprite.scale) return false;
    const QRect from = source & sprite.image.rect();
    if (from.isEmpty()) return true;
    const QPoint shift = at * sprite.scale + t->origin - source.topLeft(); // sprite to device
    for (const QRect& c : t->clip) {
        const QRect box = c & from.translated(shift) & t->image->rect();
        if (box.isEmpty()) continue;
        for (int y = box.top(); y <= box.bottom(); ++y) {
            quint32* out = t->row(y) + box.left();
            const auto* in =
                reinterpret_cast<const quint32*>(sprite.image.constScanLine(y - shift.y())) +
                (box.left() - shift.x());
            chooseRow(out, in, box.width());
        }
    }
    return true;
}

} // namespace ktqt
