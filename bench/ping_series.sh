#!/usr/bin/env bash
# Runs the echo series benchmark under Wine (as root: raw sockets), on the
# build tree's display. Usage: bench/ping_series.sh [build-dir]
# (default build/win32; build it first with
# cmake --build --preset win32 --target bench).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:-$root/build/win32}" && pwd)
"$root/tools/test-env.sh" start "$build" >/dev/null
trap '"$root/tools/test-env.sh" stop "$build"' EXIT
"$root/tools/wine-run.sh" "$build" "$build/bench/ping_series_bench.exe"
