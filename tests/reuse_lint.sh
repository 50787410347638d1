#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Kolvar developers
# SPDX-License-Identifier: GPL-3.0-or-later

# reuse_lint.sh SOURCE: every file of the tree states its copyright and licence, in a comment at
# its top or, for pictures, fonts and fuzz inputs, in .reuse/dep5, and LICENSES/ holds the text of
# each licence named (Debian's reuse tool). A new file without them fails here.
set -euo pipefail
source="$1"
if ! command -v reuse >/dev/null; then
  echo "SKIP: the reuse tool is not installed (Debian package reuse; ./scripts/setup installs it)"
  exit 77
fi
# reuse leaves out what git ignores (the build directories) only inside a git work tree.
git -C "$source" rev-parse --is-inside-work-tree >/dev/null 2>&1 ||
  echo "note: $source is not a git work tree, so build directories in it are checked too" >&2
reuse --root "$source" lint
