// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "assets.h"

#include <QDir>
#include <QFileInfo>
#include <map>

namespace kolvar {

namespace {
std::map<std::string, kt::Picture>& cache() {
    static std::map<std::string, kt::Picture> pictures;
    return pictures;
}
} // namespace

kt::Picture art(const std::string& name) {
    // Decode each GIF once per run; every widget that shows it shares the pixels.
    auto& cache = kolvar::cache();
    auto it = cache.find(name);
    if (it == cache.end())
        it = cache.emplace(name, kt::Picture::load(":/assets/" + name + ".gif")).first;
    return it->second;
}

void warmArt(const std::function<void(const kt::Picture&)>& prepare) {
    for (const QString& file :
         QDir(QStringLiteral(":/assets")).entryList({QStringLiteral("*.gif")})) {
        const kt::Picture picture = art(QFileInfo(file).completeBaseName().toStdString());
        if (prepare && !picture.empty()) prepare(picture);
    }
}

} // namespace kolvar
