// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once
// Drives, folders and files as the browser lists them. Names are raw bytes as the file system
// keeps them (a name need not be valid UTF-8); display() gives the text to show.

#include "failure.h"

#include <optional>
#include <string>
#include <vector>

namespace kt::files {

struct Drive {
    std::string root; ///< mount point, "/" or "/media/usb"
    std::string name; ///< what the volume is called: its device's name
};

/// The volumes a player would recognise: the root file system, the home folder's volume and
/// mounted disks under /media, /mnt and /run/media. Read from the mount table without touching
/// any mount, so a slow network mount cannot block the list.
std::vector<Drive> drives();
/// The same drives picked from a mount table in the format of /proc/self/mounts, for a home
/// folder given as its canonical path.
std::vector<Drive> drivesIn(const std::string& mountTable, const std::string& home);
/// Index of the drive holding `path` (the longest matching root), or -1.
int driveOf(const std::vector<Drive>& drives, const std::string& path);

struct Listing {
    std::vector<std::string> folders; ///< subfolder names, sorted
    std::vector<std::string> files;   ///< regular file names, sorted
};
/// Lists one folder; on failure returns false and says why. A symbolic link is listed as what it
/// points to; a link loop is left out.
bool list(const std::string& folder, Listing& out, Failure& why);

/// open(2) of a path of any length, also longer than the system takes at once (PATH_MAX): -1
/// with errno on failure.
int open(const std::string& path, int flags);
/// What tells one state of a file from another: a file rewritten or replaced has another stamp.
struct Stamp {
    unsigned long device = 0, inode = 0;
    long long size = 0, modified = 0; ///< bytes; nanoseconds since the epoch
    bool operator==(const Stamp&) const = default;
};
/// The stamp of the file at `path`; none when it cannot be read.
std::optional<Stamp> stamp(const std::string& path);
/// The folder with every link, "." and ".." resolved, of any length; empty when it cannot be
/// resolved.
std::string canonical(const std::string& path);
/// The current folder of the process.
std::string current();
/// Folder and name joined with exactly one separator ("/" + "a.jpg" is "/a.jpg").
std::string join(const std::string& folder, const std::string& name);
/// Raw bytes as UTF-8 text, invalid sequences replaced by U+FFFD.
std::string display(const std::string& raw);
/// Case-insensitive match of a name against a shell pattern ("*.jpg" takes "A.JPG").
bool matches(const std::string& name, const std::string& pattern);

} // namespace kt::files
