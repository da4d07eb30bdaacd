#!/usr/bin/env bash
# Lists the processes whose environment names a Wine prefix: Wine's own, the
# wineserver included, and those of the scripts that start them. Each line
# gives the process's state (R running, S sleeping, D in the kernel, T
# stopped, Z ended but not reaped), its parent, what it waits in and its
# command line: what a test prints when a step of the prefix never ended.
# With --pids, only the ids of Wine's processes and of the emulator that
# runs a 32-bit one.
# Usage: wine-processes.sh [--pids] <prefix>
set -uo pipefail
only_pids=0
if [ "${1:-}" = --pids ]; then only_pids=1; shift; fi
mark="WINEPREFIX=$1"
[ "$only_pids" = 1 ] || echo "processes of $1:"
for dir in /proc/[0-9]*; do
  tr '\0' '\n' 2>/dev/null <"$dir/environ" | grep -qxF "$mark" || continue
  pid=${dir#/proc/}
  if [ "$only_pids" = 1 ]; then
    case $(basename "$(readlink "$dir/exe" 2>/dev/null)") in
      wine*|qemu-i386*) echo "$pid" ;;
    esac
    continue
  fi
  read -r state parent _ < <(sed 's/.*) //' "$dir/stat" 2>/dev/null)
  echo "  $pid, state $state, parent $parent, waits in $(cat "$dir/wchan" 2>/dev/null || echo '?'):" \
    "$(tr '\0' ' ' <"$dir/cmdline" 2>/dev/null | sed 's/ *$//')"
done
