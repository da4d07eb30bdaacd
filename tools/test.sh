#!/usr/bin/env bash
# Every test of the project, from a fresh Debian machine: installs what is
# missing, builds the sanitizer tree and both Windows targets, and runs their
# tests (Windows tests under Wine, on a private Xvfb display). The plain
# native tree is left out: its tests are the sanitizer tree's, which runs
# them all and its fuzz targets besides.
# The two Windows trees test at the same time, each two tests at a time: each
# tree has its own Wine prefixes, displays and network namespaces, a test
# holds the lock of the prefix it runs in, and much of their time is spent
# waiting on the programs. Three at a time made the longest runs so slow
# that the fault runs ran out of their time. Their output goes to build/<preset>/ctest.log, printed once
# both are done. The sanitizer tree tests first, alone, so that the CPU-bound
# sanitizer and fuzz runs do not slow the Windows tests' programs, and the
# tests labelled "timing" (measured echo delays) last, one tree after the other.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
start=$(date +%s)
tools/setup.sh

status=0
built=()
for preset in native-asan win32 win64; do
  echo "=== build $preset ==="
  cmake --preset "$preset" >/dev/null
  if cmake --build --preset "$preset" -- -k 0; then built+=("$preset"); else status=1; fi
done
echo "set-up and builds took $(( $(date +%s) - start )) s"

for preset in "${built[@]}"; do
  case "$preset" in
  native*)
    echo "=== test $preset ==="
    ctest --preset "$preset" -j "$(nproc)" || status=1
    ;;
  esac
done

declare -A windows_run=()
trap 'for job in "${windows_run[@]}"; do kill "$job" 2>/dev/null || true; done' EXIT
for preset in "${built[@]}"; do
  case "$preset" in
  win*)
    ctest --preset "$preset" -j 2 -LE timing >"build/$preset/ctest.log" 2>&1 &
    windows_run[$preset]=$!
    ;;
  esac
done
for preset in win32 win64; do
  [ -n "${windows_run[$preset]:-}" ] || continue
  preset_status=0
  wait "${windows_run[$preset]}" || preset_status=$?
  echo "=== test $preset (exit status $preset_status) ==="
  cat "build/$preset/ctest.log"
  [ "$preset_status" -eq 0 ] || status=1
done
for preset in "${built[@]}"; do
  case "$preset" in
  win*)
    echo "=== timing tests $preset ==="
    ctest --preset "$preset" -j 1 -L timing || status=1
    ;;
  esac
done

echo "test run took $(( $(date +%s) - start )) s"
exit "$status"
