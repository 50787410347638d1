// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once
// A picture shared by assignment between widgets and windows. Copying a Picture shares the pixels;
// nothing ever changes the pixels of a loaded picture, so sharing behaves like a copy.

#include "failure.h"

#include <QImage>
#include <QSize>
#include <memory>
#include <string>

namespace kt {

/// Twips per pixel at the usual screen density.
constexpr float twipsPerPixel = 15.0f;

class Picture {
public:
    Picture() = default;
    /// Wraps pixels (converted to premultiplied ARGB, the fastest to draw) under a name for dumps.
    Picture(const QImage& image, std::string name);

    /// Loads an embedded or on-disk image by Qt path (":/assets/ene.gif"); empty when unreadable.
    /// The name is the file's base name without extension ("ene").
    static Picture load(const std::string& path);

    /// Loads a picture file chosen by the player, by raw path, defensively: the file must be a
    /// readable, complete picture (a JPEG cut short or damaged anywhere is refused, though Qt's
    /// reader would paint the missing rows grey). Only the top-left `clip` pixels are decoded,
    /// since nothing shows a picture beyond its window. On failure returns an empty picture and
    /// says why.
    static Picture fromFile(const std::string& path, QSize clip, Failure& reason);
    /// The same for bytes already in memory.
    static Picture fromData(const QByteArray& data, QSize clip, Failure& reason,
                            std::string name = {});

    bool empty() const { return !image_; }
    int width() const { return image_ ? image_->width() : 0; }   ///< pixels
    int height() const { return image_ ? image_->height() : 0; } ///< pixels
    const QImage* image() const { return image_.get(); }
    const std::string& name() const { return name_; }
    bool operator==(const Picture& o) const { return image_ == o.image_; }

private:
    std::shared_ptr<const QImage> image_;
    std::string name_;
};

} // namespace kt
