#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Kolvar developers
# SPDX-License-Identifier: GPL-3.0-or-later

# The game as a desktop installs it: install_test.sh metadata|install|package BUILD SOURCE VERSION
#
#   metadata  the desktop entry and the AppStream metainfo validate, and they, the icons and the
#             program agree on the id, the executable and the version
#   install   `cmake --install` into a temporary prefix lays out exactly the expected files, and
#             the installed program starts and shows its start menu on the offscreen platform
#   package   `cpack -G DEB` makes a package with the right name, version, section, dependencies
#             and files
set -euo pipefail

mode="$1" build="$2" source="$3" version="$4"
id=org.kolvar.kolvar
sizes=(16 22 24 32 48 64 128 256)
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# The width and height in a PNG's header.
png_size() {
  [ "$(head -c 8 "$1" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "$1 is not a PNG"
  local b
  read -r -a b <<<"$(od -An -tu1 -j16 -N8 "$1")"
  echo "$(((b[0] << 24) | (b[1] << 16) | (b[2] << 8) | b[3]))x$(((b[4] << 24) | (b[5] << 16) | (b[6] << 8) | b[7]))"
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
  appstreamcli validate --no-net "$meta" >/dev/null || fail "appstreamcli validate $meta"
  [ "$(desktop_key "$desktop" Type)" = Application ] || fail "Type is not Application"
  [ "$(desktop_key "$desktop" Exec)" = kolvar ] || fail "Exec is not kolvar"
  [ "$(desktop_key "$desktop" Icon)" = "$id" ] || fail "Icon is not $id"
  [ "$(desktop_key "$desktop" Categories)" = "Game;StrategyGame;" ] || fail "Categories"
  grep -q "<id>$id</id>" "$meta" || fail "metainfo id is not $id"
  grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$meta" ||
    fail "metainfo does not launch $id.desktop"
  grep -q "<binary>kolvar</binary>" "$meta" || fail "metainfo does not provide the kolvar binary"
  grep -q "<project_license>GPL-3.0-or-later</project_license>" "$meta" ||
    fail "metainfo does not state the project's licence"
  grep -q "<release version=\"$version\"" "$meta" || fail "metainfo has no release $version"
  grep -q "<content_rating type=\"oars-1.1\">" "$meta" || fail "metainfo has no content rating"
  for s in "${sizes[@]}"; do
    local png="$icons/${s}x${s}/apps/$id.png"
    [ -f "$png" ] || fail "no $s px icon at $png"
    [ "$(png_size "$png")" = "${s}x${s}" ] || fail "$png is $(png_size "$png"), not ${s}x${s}"
  done
}

case "$mode" in
metadata)
  check_metadata "$source/packaging/$id.desktop" "$source/packaging/$id.metainfo.xml" \
    "$source/packaging/icons/hicolor"
  # Wayland compositors match windows to their menu entry by the id the program gives Qt.
  grep -q "setDesktopFileName(QStringLiteral(\"$id\"))" "$source/app/identity.cpp" ||
    fail "app/identity.cpp does not name its desktop entry $id"
  ;;

install)
  prefix="$work/prefix"
  cmake --install "$build" --prefix "$prefix" >"$work/install.log" ||
    { cat "$work/install.log"; fail "cmake --install"; }
  expected=(bin/kolvar "share/applications/$id.desktop" "share/metainfo/$id.metainfo.xml")
  for s in "${sizes[@]}"; do expected+=("share/icons/hicolor/${s}x${s}/apps/$id.png"); done
  diff <(printf '%s\n' "${expected[@]}" | sort) <(cd "$prefix" && find . -type f | sed 's|^\./||' | sort) ||
    fail "installed files differ from the expected ones (< missing, > unexpected)"
  [ -x "$prefix/bin/kolvar" ] || fail "bin/kolvar is not executable"
  check_metadata "$prefix/share/applications/$id.desktop" "$prefix/share/metainfo/$id.metainfo.xml" \
    "$prefix/share/icons/hicolor"

  # The real program, as the menu starts it, on the offscreen platform. The game takes no
  # arguments, so Qt's own paint log is the observer: the start menu (the window named frmSplash,
  # 491 x 284 at scale 1) has been painted and flushed to the screen once it says so.
  runtime="$work/runtime"
  mkdir -m 700 "$runtime"
  (
    cd "$work"
    exec env QT_QPA_PLATFORM=offscreen QT_SCALE_FACTOR=1 XDG_RUNTIME_DIR="$runtime" \
      QT_LOGGING_RULES="qt.widgets.painting=true" "$prefix/bin/kolvar" >"$work/out" 2>"$work/err"
  ) &
  pid=$!
  shown='Flushing QRegion(0,0 491x284) of ktqt::FormView(0x[0-9a-f]*, name="frmSplash")'
  for _ in $(seq 600); do
    grep -q "$shown" "$work/err" && break
    kill -0 "$pid" 2>/dev/null || { cat "$work/err"; fail "kolvar ended before showing its start menu"; }
    sleep 0.05
  done
  grep -q "$shown" "$work/err" || { kill "$pid"; cat "$work/err"; fail "no start menu within 30 s"; }
  # The menu waits for the player: a second later the program must still be running.
  sleep 1
  kill -0 "$pid" 2>/dev/null || { cat "$work/err"; fail "kolvar ended on its own at the start menu"; }
  kill -TERM "$pid"
  status=0
  wait "$pid" || status=$?
  [ "$status" -eq 143 ] || { cat "$work/err"; fail "kolvar exited with $status, not by SIGTERM"; }
  other="$(grep -hv '^qt\.widgets\.painting: ' "$work/err" "$work/out" || true)"
  [ -z "$other" ] || { echo "$other"; fail "kolvar printed something at the start menu"; }
  ;;

package)
  cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; fail "cpack -G DEB"; }
  deb="$work/kolvar_${version}_$(dpkg --print-architecture).deb"
  [ -f "$deb" ] || { ls "$work"; fail "no $deb"; }
  field() { dpkg-deb -f "$deb" "$1"; }
  [ "$(field Package)" = kolvar ] || fail "Package is $(field Package)"
  [ "$(field Version)" = "$version" ] || fail "Version is $(field Version)"
  [ "$(field Section)" = games ] || fail "Section is $(field Section)"
  [ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "Architecture"
  [[ "$(field Maintainer)" =~ ^[^\<]+\ \<[^@\>]+@[^\>]+\>$ ]] || fail "Maintainer '$(field Maintainer)'"
  [ -n "$(field Description)" ] || fail "no Description"
  # The names alone, without version constraints.
  depends="$(field Depends | tr ',' '\n' | sed 's/(.*//; s/[[:space:]]//g')"
  for p in libqt6core6 libqt6gui6 libqt6widgets6 libstdc++6 libc6; do
    grep -qxF "$p" <<<"$depends" || fail "Depends lacks $p: $(field Depends)"
  done
  ! grep -q -- '-dev$' <<<"$depends" || fail "Depends names a development package: $(field Depends)"
  expected=(./usr/bin/kolvar "./usr/share/applications/$id.desktop"
    "./usr/share/metainfo/$id.metainfo.xml")
  for s in "${sizes[@]}"; do expected+=("./usr/share/icons/hicolor/${s}x${s}/apps/$id.png"); done
  diff <(printf '%s\n' "${expected[@]}" | sort) \
    <(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sort) ||
    fail "packaged files differ from the expected ones (< missing, > unexpected)"
  ;;

*)
  fail "unknown mode $mode"
  ;;
esac
echo "install_test $mode: ok"
