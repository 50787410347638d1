#include "picture.h"

#include <QFileInfo>

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
