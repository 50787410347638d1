// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once
// The folder tree the fuzz targets' browser plays in, made for the run under /tmp: pictures good
// and bad, nested folders, a name that is not UTF-8, a link that loops, and a folder with more
// files than the file list shows at once, so that it scrolls.

#include <QBuffer>
#include <QImage>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace kolvar::fuzz {

inline std::string tree;    ///< the tree's canonical path, once made
inline std::string outside; ///< the folder the process started in

inline void removeTree() {
    std::error_code ignored;
    std::filesystem::remove_all(tree, ignored);
}

/// Makes the tree and has it removed when the process ends.
inline void makeTree() {
    namespace fs = std::filesystem;
    char pattern[] = "/tmp/kolvar-fuzz-XXXXXX";
    if (!mkdtemp(pattern)) std::abort();
    const fs::path root = fs::canonical(pattern);
    tree = root.string();
    outside = fs::current_path().string();
    std::atexit(removeTree);
    QImage img(40, 30, QImage::Format_RGB32);
    img.fill(Qt::darkGreen);
    QByteArray jpeg;
    {
        QBuffer buf(&jpeg);
        buf.open(QIODevice::WriteOnly);
        img.save(&buf, "JPG");
    }
    const auto write = [](const fs::path& p, const QByteArray& bytes) {
        std::ofstream(p, std::ios::binary).write(bytes.constData(), bytes.size());
    };
    fs::create_directories(root / "sub" / "deeper");
    fs::create_directories(root / "many");
    write(root / "a.jpg", jpeg);
    write(root / "B.JPG", jpeg);
    write(root / "cut.jpg", jpeg.left(jpeg.size() / 2));
    write(root / "empty.jpg", {});
    write(root / "text.jpg", "not a picture");
    write(root / "sub" / "c.jpg", jpeg);
    write(root / "sub" / "deeper" / "d.jpg", jpeg);
    write(root / "sub" / "\xff\xfe.jpg", jpeg);
    fs::create_directory_symlink(".", root / "sub" / "loop");
    for (int i = 0; i < 24; ++i)
        write(root / "many" / ("p" + std::to_string(100 + i) + ".jpg"), i % 3 ? jpeg : "");
}

/// The tree is the current folder while one of these lives, as the browser opens on the current
/// folder. libFuzzer writes what it finds by the paths it was given, relative ones too: between
/// two inputs the process is back in its own folder.
struct InTree {
    InTree() {
        if (::chdir(tree.c_str()) != 0) std::abort();
    }
    ~InTree() {
        if (::chdir(outside.c_str()) != 0) std::abort();
    }
};

/// Whether a browser row may be taken: only the tree and what lies in it, so that a run never
/// wanders over the machine's own folders, whose listings other programs change meanwhile.
inline bool inTree(const std::string& path) {
    return path == tree || path.compare(0, tree.size() + 1, tree + "/") == 0;
}

} // namespace kolvar::fuzz
