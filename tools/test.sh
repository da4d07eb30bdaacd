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
# tests labelled "timing" (measured echo delays) last, by themselves: the two
# trees' at the same time, one test at a time in each, which mostly wait on
# their echoes.
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

# Runs ctest with the given arguments in both Windows trees at the same
# time, each into build/<preset>/<log>, and prints each log once both are done.
windows_trees() {
  local log=$1 title=$2; shift 2
  local -A run=()
  local preset
  for preset in "${built[@]}"; do
    case "$preset" in
    win*)
      ctest --preset "$preset" "$@" >"build/$preset/$log" 2>&1 &
      run[$preset]=$!
      windows_jobs+=("$!")
      ;;
    esac
  done
  for preset in win32 win64; do
    [ -n "${run[$preset]:-}" ] || continue
    local preset_status=0
    wait "${run[$preset]}" || preset_status=$?
    echo "=== $title $preset (exit status $preset_status) ==="
    cat "build/$preset/$log"
    [ "$preset_status" -eq 0 ] || status=1
  done
}
windows_jobs=()
trap 'for job in "${windows_jobs[@]}"; do kill "$job" 2>/dev/null || true; done' EXIT
windows_trees ctest.log test -j 2 -LE timing
windows_trees ctest-timing.log "timing tests" -j 1 -L timing

echo "test run took $(( $(date +%s) - start )) s"
exit "$status"
