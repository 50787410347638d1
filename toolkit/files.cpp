// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "files.h"

#include <QString>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kt::files {

namespace {

bool under(const std::string& path, const std::string& root) {
    if (root == "/") return !path.empty() && path[0] == '/';
    return path == root || (path.size() > root.size() && path.compare(0, root.size(), root) == 0 &&
                            path[root.size()] == '/');
}

// The mount table escapes blanks and a few other bytes of its fields as \ooo.
std::string unescape(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size()) {
            const std::string oct = s.substr(i + 1, 3);
            if (oct.size() == 3 &&
                std::all_of(oct.begin(), oct.end(), [](char c) { return c >= '0' && c <= '7'; })) {
                out.push_back(char(std::stoi(oct, nullptr, 8)));
                i += 3;
                continue;
            }
        }
        out.push_back(s[i]);
    }
    return out;
}

Failure failureOf(int err) {
    switch (err) {
    case EACCES:
    case EPERM:
        return Failure::Unreadable;
    case ENOENT:
    case ENOTDIR:
        return Failure::NotFound;
    default:
        return Failure::NotReady;
    }
}

// Sorted as a player reads names, case aside, then by their bytes so that the order is total.
// The folded keys are made once: made at each comparison, they took most of the time a folder
// of 200 000 files took to list.
void sortByName(std::vector<std::string>& names) {
    std::vector<std::pair<QString, size_t>> keys;
    keys.reserve(names.size());
    for (size_t i = 0; i < names.size(); ++i)
        keys.emplace_back(
            QString::fromUtf8(names[i].data(), qsizetype(names[i].size())).toCaseFolded(), i);
    std::sort(keys.begin(), keys.end(), [&names](const auto& a, const auto& b) {
        const int c = a.first.compare(b.first);
        return c != 0 ? c < 0 : names[a.second] < names[b.second];
    });
    std::vector<std::string> sorted;
    sorted.reserve(names.size());
    for (const auto& k : keys) sorted.push_back(std::move(names[k.second]));
    names = std::move(sorted);
}

// The whole of a small system file such as /proc/self/mounts, whose size stat cannot tell; empty
// when it cannot be read. Plain read(2): an iostream here would set up the C++ locales, which
// costs more than the rest of listing the drives when the battle starts.
std::string readSmallFile(const char* path) {
    std::string text;
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return text;
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n > 0) {
            text.append(buf, size_t(n));
        } else if (n == 0 || errno != EINTR) {
            break;
        }
    }
    ::close(fd);
    return text;
}

// A name at a time, each relative to the folder before, the canonical form of a path too long
// for realpath(3). Links are followed as the system follows them, forty at most; ".." needs no
// look at the disk, since what is resolved so far holds no link. Empty with errno on failure.
std::string resolved(const std::string& path) {
    std::vector<std::string> todo; // the names still to resolve, the next one last
    const auto push = [&todo](const std::string& p) {
        std::vector<std::string> names;
        for (size_t at = 0; at <= p.size();) {
            size_t end = p.find('/', at);
            if (end == std::string::npos) end = p.size();
            if (end > at) names.push_back(p.substr(at, end - at));
            at = end + 1;
        }
        todo.insert(todo.end(), names.rbegin(), names.rend());
    };
    push(path.front() == '/' ? path : join(current(), path));
    std::string out = "/";
    int fd = ::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC);
    const auto fail = [&fd] {
        const int err = errno;
        if (fd >= 0) ::close(fd);
        errno = err;
        return std::string();
    };
    const auto enter = [&fd](const char* name) {
        const int next = ::openat(fd, name, O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (next < 0) return false;
        ::close(fd);
        fd = next;
        return true;
    };
    int links = 0;
    while (fd >= 0 && !todo.empty()) {
        const std::string name = std::move(todo.back());
        todo.pop_back();
        if (name == ".") continue;
        if (name == "..") {
            if (out == "/") continue;
            if (!enter("..")) return fail();
            out.erase(std::max<size_t>(out.rfind('/'), 1));
            continue;
        }
        struct stat st {};
        if (::fstatat(fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return fail();
        if (S_ISLNK(st.st_mode)) {
            char target[PATH_MAX];
            const ssize_t n = ::readlinkat(fd, name.c_str(), target, sizeof target);
            if (n <= 0 || ++links > 40) {
                if (n > 0) errno = ELOOP;
                return fail();
            }
            if (target[0] == '/') {
                out = "/";
                if (!enter("/")) return fail();
            }
            push(std::string(target, size_t(n)));
            continue;
        }
        // A file ends the path; inside it, it is no folder.
        if (!S_ISDIR(st.st_mode)) {
            if (!todo.empty()) {
                errno = ENOTDIR;
                return fail();
            }
        } else if (!enter(name.c_str())) {
            return fail();
        }
        out = join(out, name);
    }
    if (fd < 0) return {};
    ::close(fd);
    return out;
}

} // namespace

int open(const std::string& path, int flags) {
    // The system takes a path of fewer than PATH_MAX bytes at once; a longer one is opened a
    // stretch of folders at a time, each relative to the one before.
    int at = AT_FDCWD;
    for (size_t from = 0;;) {
        size_t to = path.size();
        if (to - from >= PATH_MAX) {
            to = path.rfind('/', from + PATH_MAX - 1);
            if (to == std::string::npos || to <= from) {
                if (at != AT_FDCWD) ::close(at);
                errno = ENAMETOOLONG;
                return -1;
            }
        }
        const bool last = to == path.size();
        const std::string part = path.substr(from, to - from);
        const int fd = ::openat(at, part.c_str(), last ? flags : O_PATH | O_DIRECTORY | O_CLOEXEC);
        const int err = errno;
        if (at != AT_FDCWD) ::close(at);
        errno = err;
        if (fd < 0 || last) return fd;
        at = fd;
        from = to + 1;
    }
}

std::optional<Stamp> stamp(const std::string& path) {
    const int fd = open(path, O_PATH | O_CLOEXEC);
    struct stat st {};
    const bool known = fd >= 0 && ::fstat(fd, &st) == 0;
    if (fd >= 0) ::close(fd);
    if (!known) return std::nullopt;
    return Stamp{st.st_dev, st.st_ino, st.st_size,
                 st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec};
}

std::vector<Drive> drives() {
    return drivesIn(readSmallFile("/proc/self/mounts"),
                    canonical(QString::fromLocal8Bit(qgetenv("HOME")).toStdString()));
}

std::vector<Drive> drivesIn(const std::string& mounts, const std::string& home) {
    std::vector<Drive> out;
    // One mount a line: device, mount point, type and options, separated by blanks.
    std::vector<Drive> all;
    for (size_t at = 0; at < mounts.size();) {
        size_t end = mounts.find('\n', at);
        if (end == std::string::npos) end = mounts.size();
        std::string fields[2];
        size_t k = 0;
        for (size_t i = at; i < end && k < 2;) {
            while (i < end && (mounts[i] == ' ' || mounts[i] == '\t')) ++i;
            const size_t start = i;
            while (i < end && mounts[i] != ' ' && mounts[i] != '\t') ++i;
            if (i > start) fields[k++] = mounts.substr(start, i - start);
        }
        if (k == 2) all.push_back({unescape(fields[1]), unescape(fields[0])});
        at = end + 1;
    }
    // The home folder's volume is the mount with the longest root above the home folder.
    std::string homeRoot;
    for (const Drive& d : all)
        if (!home.empty() && under(home, d.root) && d.root.size() > homeRoot.size())
            homeRoot = d.root;
    for (const Drive& d : all) {
        const bool wanted = d.root == "/" || d.root == homeRoot || under(d.root, "/media") ||
                            under(d.root, "/mnt") || under(d.root, "/run/media");
        if (!wanted || d.root == "/media" || d.root == "/mnt") continue;
        if (std::any_of(out.begin(), out.end(), [&](const Drive& o) { return o.root == d.root; }))
            continue;
        const size_t slash = d.name.rfind('/');
        out.push_back({d.root, slash == std::string::npos ? d.name : d.name.substr(slash + 1)});
    }
    if (std::none_of(out.begin(), out.end(), [](const Drive& d) { return d.root == "/"; }))
        out.insert(out.begin(), {"/", "/"});
    std::sort(out.begin(), out.end(),
              [](const Drive& a, const Drive& b) { return a.root < b.root; });
    return out;
}

int driveOf(const std::vector<Drive>& drives, const std::string& path) {
    int best = -1;
    for (size_t i = 0; i < drives.size(); ++i)
        if (under(path, drives[i].root) &&
            (best < 0 || drives[i].root.size() > drives[size_t(best)].root.size()))
            best = int(i);
    return best;
}

bool list(const std::string& folder, Listing& out, Failure& why) {
    const int fd = open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = fd < 0 ? nullptr : ::fdopendir(fd);
    if (!dir) {
        why = failureOf(errno);
        if (fd >= 0) ::close(fd);
        return false;
    }
    Listing l;
    for (;;) {
        errno = 0; // readdir reports failure only through errno
        dirent* e = ::readdir(dir);
        if (!e) break;
        const std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        unsigned char type = e->d_type;
        if (type == DT_LNK || type == DT_UNKNOWN) {
            // Only links and file systems without types cost a look; a link loop fails here.
            struct stat st {};
            if (::fstatat(::dirfd(dir), name.c_str(), &st, 0) != 0) continue;
            type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : DT_UNKNOWN;
        }
        if (type == DT_DIR) l.folders.push_back(name);
        if (type == DT_REG) l.files.push_back(name);
    }
    const int err = errno;
    ::closedir(dir);
    if (err != 0) {
        why = failureOf(err);
        return false;
    }
    sortByName(l.folders);
    sortByName(l.files);
    out = std::move(l);
    return true;
}

std::string canonical(const std::string& path) {
    if (path.empty()) return {};
    if (char* real = ::realpath(path.c_str(), nullptr)) {
        std::string out(real);
        std::free(real);
        return out;
    }
    // realpath(3) takes no path and gives no result of PATH_MAX bytes or more.
    return errno == ENAMETOOLONG ? resolved(path) : std::string();
}

std::string current() {
    char buf[PATH_MAX];
    return ::getcwd(buf, sizeof buf) ? std::string(buf) : std::string("/");
}

std::string join(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

std::string display(const std::string& raw) {
    return QString::fromUtf8(raw.data(), qsizetype(raw.size())).toStdString();
}

bool matches(const std::string& name, const std::string& pattern) {
    return ::fnmatch(pattern.c_str(), name.c_str(), FNM_CASEFOLD) == 0;
}

} // namespace kt::files
