// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "files.h"
#include "form.h"
#include "program.h"
#include "widgets.h"

#include <algorithm>

namespace kt {

namespace {

// A folder of many thousands of names, or on a slow drive, takes a while to read: aside, so that
// the windows stay painted meanwhile.
bool listAside(const Widget& w, const std::string& folder, files::Listing& out, Failure& why) {
    bool ok = false;
    const auto work = [&] { ok = files::list(folder, out, why); };
    if (w.form) {
        w.form->app.aside(work);
    } else {
        work();
    }
    return ok;
}

} // namespace

void DriveList::refresh(const std::string& path) {
    drives = mounted ? mounted() : files::drives();
    entries.clear();
    for (const auto& d : drives)
        entries.push_back(files::display(d.root) + "  [" + files::display(d.name) + "]");
    depth.assign(entries.size(), 0);
    follow(path);
}

void DriveList::follow(const std::string& path) {
    ListIndex = files::driveOf(drives, path);
}

std::string DriveList::Drive() const {
    return ListIndex >= 0 && size_t(ListIndex) < drives.size() ? drives[size_t(ListIndex)].root
                                                               : std::string("/");
}

std::string DriveList::folder() const {
    const std::string root = Drive();
    const std::string here = files::current();
    if (ListIndex >= 0 && files::driveOf(drives, here) == ListIndex) return here;
    if (!form) return root;
    const auto& known = form->app.lasting<Memory>().folders;
    const auto it = known.find(root);
    return it == known.end() ? root : it->second;
}

void DriveList::remember(const std::string& path) {
    const int drive = files::driveOf(drives, path);
    if (drive >= 0 && form) form->app.lasting<Memory>().folders[drives[size_t(drive)].root] = path;
}

void DriveList::activate(int row) {
    if (row < 0 || size_t(row) >= drives.size()) return;
    const std::string wanted = drives[size_t(row)].root;
    const std::string shown = Drive();
    // Disks are plugged in and pulled out while the browser stays open: the choice is judged by
    // what is mounted now, and the list shows that from now on.
    refresh(shown);
    const auto it = std::find_if(drives.begin(), drives.end(),
                                 [&](const files::Drive& d) { return d.root == wanted; });
    if (it == drives.end()) {
        if (Fail) Fail(wanted, Failure::NotReady);
        return;
    }
    if (wanted == shown) return;
    ListIndex = int(it - drives.begin());
    if (Change) Change();
}

bool DirList::load(const std::string& path) {
    const std::string place = files::canonical(path);
    files::Listing listing;
    Failure why = Failure::NotFound;
    if (place.empty() || !listAside(*this, place, listing, why)) {
        if (Fail) Fail(path, why);
        return false;
    }
    Path = place;
    entries.clear(), paths.clear(), depth.clear();
    // The ancestors, root first, then the open folder's subfolders one level deeper.
    std::vector<std::string> chain{"/"};
    for (size_t i = 1; i <= place.size(); ++i)
        if (i == place.size() || place[i] == '/')
            if (place.size() > 1) chain.push_back(place.substr(0, i));
    int level = 0;
    for (const auto& p : chain) {
        const size_t slash = p.rfind('/');
        entries.push_back(p == "/" ? "/" : files::display(p.substr(slash + 1)));
        paths.push_back(p);
        depth.push_back(level++);
    }
    ListIndex = int(entries.size()) - 1;
    for (const auto& f : listing.folders) {
        // Hidden folders stay hidden, as in every file chooser of the desktop.
        if (!f.empty() && f.front() == '.') continue;
        entries.push_back(files::display(f));
        paths.push_back(files::join(place, f));
        depth.push_back(level);
    }
    return true;
}

bool DirList::setPath(const std::string& path) {
    if (!load(path)) return false;
    if (Change) Change();
    return true;
}

void DirList::activate(int row) {
    if (row < 0 || size_t(row) >= paths.size()) return;
    const std::string target = paths[size_t(row)];
    setPath(target);
}

bool FileList::setPath(const std::string& path) {
    files::Listing listing;
    Failure why = Failure::None;
    if (!listAside(*this, path, listing, why)) {
        if (Fail) Fail(path, why);
        return false;
    }
    Path = path;
    entries.clear(), names.clear();
    for (const auto& f : listing.files)
        if (files::matches(f, Pattern)) {
            names.push_back(f);
            entries.push_back(files::display(f));
        }
    depth.assign(entries.size(), 0);
    ListIndex = -1;
    return true;
}

std::string FileList::FileName() const {
    return ListIndex >= 0 && size_t(ListIndex) < names.size() ? names[size_t(ListIndex)]
                                                              : std::string();
}

void FileList::activate(int row) {
    if (row < 0 || size_t(row) >= names.size()) return;
    ListIndex = row;
    if (Click) Click(index);
}

} // namespace kt
