# Sourced with the build directory as argument: sets up the quiet, private Wine
# environment of that build tree and creates its prefix on first use.
_kalto_build=$1
# shellcheck disable=SC1091
source "$(dirname "${BASH_SOURCE[0]}")/wine-loader.sh"
export WINEPREFIX="$_kalto_build/wineprefix"
export WINEDEBUG=-all
# No Mono or Gecko installers, no crash dialog waiting for a click; the
# caller's own overrides come after these.
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"
if [ -z "${DISPLAY:-}" ] && [ -f "$_kalto_build/xvfb.env" ]; then
  # shellcheck disable=SC1091
  source "$_kalto_build/xvfb.env"
fi
if [ ! -f "$WINEPREFIX/.kalto-ready" ]; then
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.kalto-ready" ]; then
      "$KALTO_WINE" wineboot -i >/dev/null 2>&1 || true
      "$KALTO_WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 || true
      # The new prefix's session ends by itself once its programs have; one
      # that does not within two minutes is ended.
      timeout 120 wineserver -w || "$(dirname "${BASH_SOURCE[0]}")/wine-end.sh" || true
      if [ -f "$WINEPREFIX/system.reg" ]; then
        touch "$WINEPREFIX/.kalto-ready"
      else
        echo "wine-env: Wine could not create its prefix in $WINEPREFIX" >&2
      fi
    fi
  ) 9>"$_kalto_build/.wineprefix.lock"
fi
unset _kalto_build
