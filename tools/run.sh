#!/usr/bin/env bash
# Builds the shipped 32-bit program and starts it under Wine: on the user's
# display when there is one; otherwise on a virtual display, where it presses
# the start button, waits for the run to end and prints what the window shows.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
tools/setup.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32
if [ -n "${DISPLAY:-}" ]; then
  exec tools/wine-run.sh build/win32 build/win32/kalto.exe
fi
exec python3 tools/run-headless.py build/win32
