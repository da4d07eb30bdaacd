#!/usr/bin/env bash
# Runs a Windows program under Wine in the build tree's private prefix.
# Usage: wine-run.sh <build-dir> <program.exe> [arguments...]
# Exits 77 (skipped) for a 32-bit program on a machine that cannot run one.
# The prefix is created once per build tree; the display is the build tree's
# Xvfb (see test-env.sh) unless DISPLAY is already set by the caller.
# KALTO_DESKTOP_KEEPER=0: no keeper of Wine's desktop is started.
# KALTO_WINE_EXEC=1: the program replaces this script on the caller's streams.
set -euo pipefail
build=$(cd "$1" && pwd); shift
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh" "$build"
if ! kalto_can_run "$1"; then
  echo "wine-run: this machine runs no 32-bit processes, nor an emulator for them (tools/setup.sh installs it), so $(basename "$1") cannot run here; skipped"
  exit 77
fi
# Wine's desktop process up and ready first (tools/wine-desktop.sh), unless
# the caller asks for none (tools/run.sh on the user's own display).
if [ "${KALTO_DESKTOP_KEEPER:-1}" = 1 ]; then
  "$(dirname "${BASH_SOURCE[0]}")/wine-desktop.sh" "$build"
fi
# KALTO_WINE_EXEC=1: the program takes this script's place and the caller's
# standard streams, for a caller that talks to it over pipes.
if [ "${KALTO_WINE_EXEC:-0}" = 1 ]; then
  exec "$KALTO_WINE" "$@"
fi
# Wine's own service processes outlive the program and would keep a pipe of
# the caller open, so the program's output goes through a file.
out=$(mktemp "${TMPDIR:-/tmp}/kalto-wine.XXXXXX")
trap 'rm -f "$out"' EXIT
status=0
"$KALTO_WINE" "$@" </dev/null >"$out" 2>&1 || status=$?
cat "$out"
# A crash ends in Wine's debugger, which does not always hand on a failing status.
if [ "$status" -eq 0 ] && grep -q '^wine: Unhandled' "$out"; then
  echo "wine-run: the program crashed" >&2
  status=1
fi
exit "$status"
