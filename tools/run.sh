#!/usr/bin/env bash
# Builds the shipped 32-bit program and starts it under Wine.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
tools/setup.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32
exec tools/wine-run.sh build/win32 build/win32/kalto.exe
