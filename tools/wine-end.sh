#!/usr/bin/env bash
# Ends the Wine session of a prefix and waits until its wineserver is gone.
# `wineserver -k` kills the processes the server knows of; a process being
# started at that moment can connect afterwards and keep the server up for
# ever (waiting for a service that was killed), so the kill is repeated
# until the server has ended, each step bounded. A server that outlives
# every attempt is ended with its processes by their signal, so that the
# next program starts a fresh session instead of waiting on this one.
# Usage: wine-end.sh [<wine-dir>]
# <wine-dir> is a build tree or a folder of one; without it, the caller's
# WINEPREFIX. Exits 1 when the session had to be ended by signal.
set -euo pipefail
if [ $# -gt 0 ]; then
  WINEPREFIX="$(cd "$1" && pwd)/wineprefix"
  export WINEPREFIX
fi
for attempt in 1 2 3; do
  timeout 30 wineserver -k 2>/dev/null || true
  if timeout 20 wineserver -w 2>/dev/null; then exit 0; fi
  echo "wine-end: the Wine session of $WINEPREFIX had not ended 20 s after it was killed (attempt $attempt)" >&2
done
processes="$(dirname "${BASH_SOURCE[0]}")/wine-processes.sh"
"$processes" "$WINEPREFIX" >&2 || true
for pid in $("$processes" --pids "$WINEPREFIX"); do kill -KILL "$pid" 2>/dev/null || true; done
timeout 20 wineserver -w 2>/dev/null || true
echo "wine-end: the Wine session of $WINEPREFIX did not end when asked; its processes were killed" >&2
exit 1
