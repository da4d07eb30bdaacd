#!/usr/bin/env bash
# Every test of the project, from a fresh Debian machine: installs what is
# missing, builds the native trees and both Windows targets, and runs their
# tests (Windows tests under Wine, on a private Xvfb display).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
start=$(date +%s)
tools/setup.sh

status=0
for preset in native native-asan win32 win64; do
  echo "=== $preset ==="
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -- -k 0 || { status=1; continue; }
  jobs=1
  case "$preset" in native*) jobs=$(nproc) ;; esac
  ctest --preset "$preset" -j "$jobs" || status=1
done

echo "test run took $(( $(date +%s) - start )) s"
exit "$status"
