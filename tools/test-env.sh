#!/usr/bin/env bash
# ctest fixture for the Windows tests of one build tree.
#   test-env.sh start <build-dir>  starts an Xvfb display, and Wine's desktop
#                                  process on it (tools/wine-desktop.sh)
#   test-env.sh stop <build-dir>   stops them
set -euo pipefail
action=$1
build=$(cd "$2" && pwd)
envfile="$build/xvfb.env"

case "$action" in
start)
  "$0" stop "$build" >/dev/null 2>&1 || true
  # Xvfb picks a free display itself and writes its number to fd 3, so
  # several build trees can test at once. Daemons get no handle of ours:
  # ctest waits for the test's output to close.
  displayfile="$build/xvfb.display"
  rm -f "$displayfile"
  Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$displayfile" </dev/null >/dev/null 2>&1 &
  echo $! >"$build/xvfb.pid"
  for _ in $(seq 1 100); do [ -s "$displayfile" ] && break; sleep 0.1; done
  display=$(tr -dc '0-9' <"$displayfile")
  [ -n "$display" ] || { echo "Xvfb did not start" >&2; exit 1; }
  echo "export DISPLAY=:$display" >"$envfile"
  source "$(dirname "$0")/wine-env.sh" "$build"
  [ -f "$WINEPREFIX/.kalto-ready" ] || exit 1
  # A wineserver that stays, and Wine's desktop process, ready before the first test.
  "$(dirname "$0")/wine-desktop.sh" "$build"
  echo "test display :$display, prefix $WINEPREFIX"
  ;;
stop)
  if [ -d "$build/wineprefix" ]; then WINEPREFIX="$build/wineprefix" wineserver -k 2>/dev/null || true; fi
  if [ -f "$build/xvfb.pid" ]; then kill "$(cat "$build/xvfb.pid")" 2>/dev/null || true; rm -f "$build/xvfb.pid"; fi
  rm -f "$envfile" "$build/desktop.state"
  ;;
*) echo "usage: $0 start|stop <build-dir>" >&2; exit 2 ;;
esac
