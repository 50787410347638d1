#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Kolvar developers
# SPDX-License-Identifier: GPL-3.0-or-later

# reuse_lint.sh SOURCE: every file of the tree states its copyright and licence, in a comment at
# its top or, for pictures, fonts and fuzz inputs, in .reuse/dep5, and LICENSES/ holds the text of
# each licence named (Debian's reuse tool). A new file without them fails here.
set -euo pipefail
# reuse leaves out what git ignores (the build directories) only inside a git work tree.
command -v reuse >/dev/null || { echo "SKIP: no reuse tool (./scripts/setup installs it)"; exit 77; }
reuse --root "$1" lint
