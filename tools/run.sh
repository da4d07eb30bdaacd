#!/usr/bin/env bash
# Builds the shipped 32-bit program and starts it under Wine: on the user's
# display when there is one; otherwise on a virtual display, where it presses
# the start button, waits for the run to end and prints what the window shows.
# A machine that runs no 32-bit processes, not even emulated, gets the
# 64-bit build instead.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
tools/setup.sh
source tools/wine-loader.sh
preset=win32
if [ "$KALTO_WINE_32BIT" != 1 ]; then
  echo "run: this machine runs no 32-bit processes, not even emulated; running the 64-bit build"
  preset=win64
fi
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
if [ -n "${DISPLAY:-}" ]; then
  # No keeper of Wine's desktop is left behind on the user's own display.
  KALTO_DESKTOP_KEEPER=0 exec tools/wine-run.sh "build/$preset" "build/$preset/kalto.exe"
fi
exec python3 tools/run-headless.py "build/$preset"
