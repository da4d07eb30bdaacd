#!/usr/bin/env bash
# Makes sure that Wine's desktop process of a prefix is up, and ready, on the
# caller's display before a program starts, and that it stays up: a
# desktop_keeper.exe (tools/desktop_keeper.cpp) runs in the prefix for as
# long as its wineserver and its display last. wine-run.sh calls this before
# every program, so a keeper starts again after a `wineserver -k` or once its
# display has closed. Wine keeps one desktop process per prefix and takes the
# screen's size from the display that process runs on: a caller on a display
# of another size (a test with a display of its own size) gets a new desktop
# on its own display; one on another display of the same size shares the
# running one. The prefix's Wine session is ended before a keeper starts.
# Usage: wine-desktop.sh <wine-dir>
# <wine-dir> is a build tree or a folder of one (a network namespace's);
# the keeper is that build tree's. Without a display, or without a keeper
# built, it does nothing.
set -euo pipefail
wine_dir=$(cd "$1" && pwd)
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh" "$wine_dir"
[ -n "${DISPLAY:-}" ] || exit 0
keeper=
for candidate in "$wine_dir/desktop_keeper.exe" "$wine_dir/../desktop_keeper.exe"; do
  if [ -f "$candidate" ]; then keeper=$candidate; break; fi
done
[ -n "$keeper" ] && kalto_can_run "$keeper" || exit 0

state="$wine_dir/desktop.state"
log="$wine_dir/desktop_keeper.log"

# The display and the socket of the X server behind it: a display closed and
# opened again under the same number is another display (its socket is made
# anew), and Wine's processes on the closed one have ended with it.
display_identity() {
  local number=${DISPLAY#*:}
  number=${number%%.*}
  echo "$DISPLAY $(stat -c '%i.%Z' "/tmp/.X11-unix/X$number" 2>/dev/null || true)"
}

# The keeper started here carries this mark in its environment; the process
# started under its pid is, where Wine runs a 32-bit program through its
# 64-bit loader, the start.exe that waits for it.
mark="KALTO_KEEPS_DESKTOP_OF=$WINEPREFIX"
keeper_alive() {
  local pid=$1
  [ -n "$pid" ] && tr '\0' '\n' 2>/dev/null <"/proc/$pid/environ" | grep -qxF "$mark"
}

end_wine_session() {
  "$(dirname "${BASH_SOURCE[0]}")/wine-end.sh" || true
}

# Starts a keeper and waits until it says whether it has a window: 0 and
# the screen's size once it has, 1 when it ended without one.
start_keeper() {
  rm -f "$log"
  # Its own session, and none of our descriptors (the lock, the caller's
  # pipes), so that it outlives us without holding anything of ours.
  env "$mark" setsid "$KALTO_WINE" "$keeper" </dev/null >"$log" 2>&1 8>&- &
  keeper_pid=$!
  # A little longer than the keeper waits for the desktop process.
  local deadline=$((SECONDS + 330))
  while [ "$SECONDS" -lt "$deadline" ]; do
    if grep -q '^ready' "$log" 2>/dev/null; then return 0; fi
    kill -0 "$keeper_pid" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

(
  # A holder of the lock for 900 s, far longer than a keeper takes to start,
  # is left to itself: the program starts without waiting for it.
  if ! flock -w 900 8; then
    echo "wine-desktop: $wine_dir/.desktop.lock was held for 900 s; the program starts without a check of Wine's desktop" >&2
    exit 0
  fi
  identity=$(display_identity)
  # A display that does not answer within 10 s (seen: an Xvfb that read
  # nothing more from a new client) gives no size, and the keeper that runs
  # is kept: one started on that display would fare no better.
  screen=$(timeout 10 xdotool getdisplaygeometry 2>/dev/null | tr ' ' x || true)
  if [ -f "$state" ]; then
    read -r pid size recorded <"$state" || true
    if keeper_alive "$pid" && { [ "$recorded" = "$identity" ] || [ "$size" = "$screen" ] || [ -z "$screen" ]; }; then
      exit 0
    fi
    rm -f "$state"
  fi
  for attempt in 1 2 3; do
    # The keeper starts the desktop process itself: none may run yet, as one
    # may after a keeper has ended, maybe on a display that is not the
    # caller's.
    end_wine_session
    if start_keeper; then
      size=$(sed -n 's/^ready //p' "$log" | tr -d '\r')
      if [ -z "$screen" ] || [ "$size" = "$screen" ]; then
        echo "$keeper_pid $size $identity" >"$state"
        exit 0
      fi
      echo "wine-desktop: the desktop of $WINEPREFIX is $size, not the $screen of $DISPLAY (attempt $attempt)" >&2
    else
      echo "wine-desktop: no window in $WINEPREFIX on $DISPLAY (attempt $attempt): $(tr -d '\r' <"$log" | tail -n 3)" >&2
    fi
  done
  echo "wine-desktop: Wine's desktop for $WINEPREFIX did not come up on $DISPLAY; the program starts without it" >&2
) 8>"$wine_dir/.desktop.lock"
