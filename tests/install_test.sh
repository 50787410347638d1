#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Kolvar developers
# SPDX-License-Identifier: GPL-3.0-or-later

# The game as a desktop installs it: install_test.sh metadata|install|package BUILD SOURCE VERSION
# checks the source's metadata, a `cmake --install` into a temporary prefix, or the Debian package
# ./scripts/package builds (lintian --pedantic, its fields), unpacked into a temporary root. Each
# validates its metadata and renders its manual pages with no warning; the two installed ones hold
# exactly the expected files and start their programs.
set -euo pipefail

mode="$1" build="$2" source="$3" version="$4"
id=org.kolvar.kolvar
sizes=(16 22 24 32 48 64 128 256)
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# Qt warns on standard error without a runtime folder, and the programs must print nothing.
mkdir -m 700 "$work/runtime"

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# The width and height in a PNG's header.
png_size() {
  [ "$(od -An -tx1 -N8 "$1" | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "$1 is not a PNG"
  od -An -tu4 --endian=big -j16 -N8 "$1" | awk '{ print $1 "x" $2 }'
}

# The value of KEY in the [Desktop Entry] group of FILE.
desktop_key() {
  sed -n '/^\[Desktop Entry\]/,/^\[/{s/^'"$2"'=//p}' "$1"
}

# Checks a desktop entry, a metainfo file and a hicolor icon directory.
check_metadata() {
  local desktop="$1" meta="$2" icons="$3"
  desktop-file-validate "$desktop" || fail "desktop-file-validate $desktop"
  # Software centres show what the validator calls pedantic too: only its notes may remain.
  local issues
  issues="$(appstreamcli validate --pedantic --no-net --no-color "$meta" 2>&1 | grep -E '^[EWP]: ' || true)"
  [ -z "$issues" ] || { echo "$issues"; fail "appstreamcli validate --pedantic $meta"; }
  # The entry, the metainfo, the icons and the program agree on the id, the program and the version.
  [ "$(desktop_key "$desktop" Exec)" = kolvar ] || fail "Exec is not kolvar"
  [ "$(desktop_key "$desktop" Icon)" = "$id" ] || fail "Icon is not $id"
  for tag in "<id>$id</id>" "<launchable type=\"desktop-id\">$id.desktop</launchable>" \
    "<binary>kolvar</binary>" "<release version=\"$version\""; do
    grep -qF "$tag" "$meta" || fail "metainfo lacks $tag"
  done
  for s in "${sizes[@]}"; do
    local png="$icons/${s}x${s}/apps/$id.png"
    [ "$(png_size "$png")" = "${s}x${s}" ] || fail "$png is $(png_size "$png"), not ${s}x${s}"
  done
}

# Renders manual pages (roff, compressed or not) as a reader's man does, and fails on any warning
# from man or groff: a broken macro shows up there long before anyone reads the page.
check_man_pages() {
  local page out
  for page in "$@"; do
    out="$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)" ||
      { echo "$out"; fail "man cannot render $page"; }
    [ -z "$out" ] || { echo "$out"; fail "man warns about $page"; }
    # groff with every warning on finds what man's device passes over (an unknown font).
    zcat -f "$page" | groff -man -ww -z 2>"$work/groff" && [ ! -s "$work/groff" ] ||
      { cat "$work/groff"; fail "groff cannot format or warns about $page"; }
    # Each page names this version on its footer.
    LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$page" 2>/dev/null | tail -1 | grep -q "Kolvar $version " ||
      fail "$page does not name Kolvar $version"
  done
}

# Files under DIR, relative to it, sorted.
files_under() {
  (cd "$1" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
}

# The installed files of a prefix: the two programs in games/ as Debian places them, the desktop
# entry, the metainfo, the icons and the manual pages.
expected_install() {
  local s
  printf '%s\n' games/kolvar games/kolvar-replay "share/applications/$id.desktop" \
    "share/metainfo/$id.metainfo.xml" share/man/man6/kolvar.6.gz share/man/man6/kolvar-replay.6.gz
  for s in "${sizes[@]}"; do echo "share/icons/hicolor/${s}x${s}/apps/$id.png"; done
}

# Starts the game at PATH as the menu does, on the offscreen platform, waits for its start menu and
# ends it. The game takes no arguments, so Qt's own paint log says when the menu was flushed.
check_starts() {
  local program="$1" pid status other
  (cd "$work" && exec env QT_QPA_PLATFORM=offscreen QT_SCALE_FACTOR=1 XDG_RUNTIME_DIR="$work/runtime" \
    QT_LOGGING_RULES="qt.widgets.painting=true" "$program" >"$work/out" 2>"$work/err") &
  pid=$!
  local shown='Flushing QRegion(0,0 491x284) of ktqt::FormView(0x[0-9a-f]*, name="frmSplash")'
  for _ in $(seq 600); do
    grep -q "$shown" "$work/err" && break
    kill -0 "$pid" 2>/dev/null || { cat "$work/err"; fail "$program ended before showing its start menu"; }
    sleep 0.05
  done
  grep -q "$shown" "$work/err" || { kill "$pid"; cat "$work/err"; fail "no start menu within 30 s"; }
  # The menu waits for the player: a second later the program must still be running.
  sleep 1
  kill -0 "$pid" 2>/dev/null || { cat "$work/err"; fail "$program ended on its own at the start menu"; }
  kill -TERM "$pid"
  status=0 && wait "$pid" || status=$?
  [ "$status" -eq 143 ] || { cat "$work/err"; fail "$program exited with $status, not by SIGTERM"; }
  other="$(grep -hv '^qt\.widgets\.painting: ' "$work/err" "$work/out" || true)"
  [ -z "$other" ] || { echo "$other"; fail "$program printed something at the start menu"; }
}

# The script runner at PATH starts a battle and reports it: one JSON line with the battlefield.
check_replay() {
  local program="$1" out
  # No display and no platform named: the runner needs neither.
  out="$(printf 'click frmSplash Command1\nwait 1000\ncheck\ndump\n' |
    (cd "$work" && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
      XDG_RUNTIME_DIR="$work/runtime" "$program" 2>"$work/replay-err"))" ||
    { cat "$work/replay-err"; fail "$program did not play its script"; }
  [ "$(wc -l <<<"$out")" -eq 1 ] || { echo "$out"; fail "$program printed more than its one dump"; }
  grep -q '"Form1"' <<<"$out" || { echo "$out"; fail "$program's dump has no battlefield"; }
}

case "$mode" in
metadata)
  check_metadata "$source/packaging/$id.desktop" "$source/packaging/$id.metainfo.xml" \
    "$source/packaging/icons/hicolor"
  check_man_pages "$source"/packaging/man/*.6
  # The Debian package is this version, and it builds with what ./scripts/setup installs.
  debian="$(dpkg-parsechangelog -l "$source/debian/changelog" -S Version)"
  [ "${debian%-*}" = "$version" ] || fail "debian/changelog is at $debian, the project at $version"
  # shellcheck source=/dev/null
  . "$source/scripts/setup"
  wanted="$(printf '%s\n' "${KOLVAR_BUILD_PACKAGES[@]}" debhelper-compat | grep -vx 'g++' | sort)"
  named="$(sed -n '/^Build-Depends:/,/^[^ ]/{s/^ //p}' "$source/debian/control" |
    sed 's/[[:space:]]*(.*//; s/,.*//' | sort)"
  diff <(echo "$wanted") <(echo "$named") ||
    fail "debian/control's Build-Depends (>) differ from scripts/setup's build packages (<)"
  ;;

install)
  prefix="$work/prefix"
  cmake --install "$build" --prefix "$prefix" >"$work/install.log" ||
    { cat "$work/install.log"; fail "cmake --install"; }
  diff <(expected_install | LC_ALL=C sort) <(files_under "$prefix") ||
    fail "installed files differ from the expected ones (< missing, > unexpected)"
  check_metadata "$prefix/share/applications/$id.desktop" "$prefix/share/metainfo/$id.metainfo.xml" \
    "$prefix/share/icons/hicolor"
  check_man_pages "$prefix/share/man/man6/kolvar.6.gz" "$prefix/share/man/man6/kolvar-replay.6.gz"
  check_starts "$prefix/games/kolvar"
  check_replay "$prefix/games/kolvar-replay"
  ;;

package)
  "$source/scripts/package" "$work/package" >"$work/package.log" 2>&1 ||
    { cat "$work/package.log"; fail "./scripts/package"; }
  deb="$(tail -1 "$work/package.log")"
  [ -f "$deb" ] || { cat "$work/package.log"; fail "./scripts/package did not name a package"; }
  arch="$(dpkg --print-architecture)"
  [ "$(basename "$deb")" = "kolvar_$version-1_$arch.deb" ] || fail "the package is $deb"

  # Debian's own judgement, pedantic included: errors and warnings fail, the rest is shown, and
  # so are overrides (debian/kolvar.lintian-overrides says why each is there).
  LC_ALL=C.UTF-8 lintian --pedantic --display-info --show-overrides --tag-display-limit 0 \
    --fail-on none "$deb" >"$work/lintian" 2>&1 || { cat "$work/lintian"; fail "lintian did not run"; }
  cat "$work/lintian"
  ! grep -qE '^[EW]: ' "$work/lintian" || fail "lintian finds errors or warnings in $deb"

  # Lintian judges the fields; what it cannot know is that the game needs Qt and no -dev package.
  [ "$(dpkg-deb -f "$deb" Section)" = games ] || fail "Section is not games"
  depends="$(dpkg-deb -f "$deb" Depends | tr ',' '\n' | sed 's/(.*//; s/[[:space:]]//g')"
  for p in libqt6core6 libqt6gui6 libqt6widgets6; do
    grep -qxF "$p" <<<"$depends" || fail "Depends lacks $p: $depends"
  done
  ! grep -q -- '-dev$' <<<"$depends" || fail "Depends names a development package: $depends"

  root="$work/root"
  dpkg-deb -x "$deb" "$root"
  diff <({ expected_install | sed 's|^|usr/|'
    printf '%s\n' usr/share/doc/kolvar/copyright usr/share/doc/kolvar/changelog.Debian.gz \
      usr/share/lintian/overrides/kolvar; } |
    LC_ALL=C sort) <(files_under "$root") ||
    fail "packaged files differ from the expected ones (< missing, > unexpected)"
  check_metadata "$root/usr/share/applications/$id.desktop" \
    "$root/usr/share/metainfo/$id.metainfo.xml" "$root/usr/share/icons/hicolor"
  check_man_pages "$root/usr/share/man/man6/kolvar.6.gz" "$root/usr/share/man/man6/kolvar-replay.6.gz"
  check_starts "$root/usr/games/kolvar"
  check_replay "$root/usr/games/kolvar-replay"
  ;;

*)
  fail "unknown mode $mode"
  ;;
esac
echo "install_test $mode: ok"
