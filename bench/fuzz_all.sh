#!/usr/bin/env bash
# Runs every libFuzzer target of the native sanitizer tree (ASan and UBSan)
# for a number of inputs each, and prints each target's executed inputs, its
# seconds and its result. The targets and their arguments (seed, input size,
# dictionary) are those of the tree's "fuzz" tests; only their length changes.
# Usage: bench/fuzz_all.sh [runs] [build-dir] [pattern]
#   runs       inputs per target (default 10000000)
#   build-dir  default build/native-asan; build it first with
#              cmake --preset native-asan && cmake --build --preset native-asan
#              For long runs an optimised sanitizer tree runs about twice as
#              fast, with the same checks:
#              cmake --preset native-asan -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo
#   pattern    only the targets whose names match this regular expression, so
#              that two shells can share the targets between two cores
# Exits non-zero when any target finds a fault or stops early. Findings and
# each target's output go to <build-dir>/fuzz-runs.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
runs=${1:-10000000}
build=$(cd "${2:-$root/build/native-asan}" && pwd)
out="$build/fuzz-runs"
mkdir -p "$out"
[[ "$runs" =~ ^[1-9][0-9]*$ ]] || { echo "runs must be a positive number: $runs" >&2; exit 2; }

# One line per target: its name, then its command, fields separated by tabs.
commands=$(ctest --test-dir "$build" -L fuzz -R "${3:-.}" --show-only=json-v1 | python3 -c '
import json, sys
for test in json.load(sys.stdin)["tests"]:
    print("\t".join([test["name"]] + test["command"]))
')
if [[ -z "$commands" ]]; then
  echo "no fuzz targets matching ${3:-.} in $build (is it a native-asan tree?)" >&2
  exit 2
fi

# The program logs nowhere natively unless told to; a long run must not fill a folder.
unset KALTO_LOG_DIR
export UBSAN_OPTIONS=print_stacktrace=1
failed=0
printf '%-22s %12s %8s  %s\n' target executed seconds result
while IFS=$'\t' read -r -a fields; do
  name=${fields[0]}
  args=()
  for arg in "${fields[@]:2}"; do
    case "$arg" in
      -runs=* | -max_total_time=*) ;;  # the length is ours to set
      *) args+=("$arg") ;;
    esac
  done
  log="$out/$name.log"
  status=0
  started=$SECONDS
  "${fields[1]}" "${args[@]}" -runs="$runs" -print_final_stats=1 -artifact_prefix="$out/$name-" >"$log" 2>&1 ||
    status=$?
  executed=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  executed=${executed:-0}
  if [[ $status -eq 0 && $executed -ge $runs ]]; then
    result=clean
  else
    result="FAULT (exit $status, see $log)"
    failed=1
  fi
  printf '%-22s %12s %8s  %s\n' "$name" "$executed" $((SECONDS - started)) "$result"
done <<<"$commands"
exit $failed
