#!/usr/bin/env bash
# Runs a command as on a machine whose kernel refuses 32-bit processes, so
# that the emulated 32-bit Wine loader (see wine-loader.sh) is chosen and
# tried on any machine. Inside a private mount namespace, Wine's 32-bit
# loader cannot be executed, only read, and the wrapper that runs it under
# qemu-i386 stands where Wine looks for it first.
# Usage: emulate-32bit.sh <command> [arguments...]
# Needs root (a mount namespace) and the emulator that tools/setup.sh installs;
# exits 77 (skipped) without them.
set -euo pipefail
cache=${KALTO_DEPS:-${XDG_CACHE_HOME:-$HOME/.cache}/kalto-deps}
preloader_dir="$cache/qemu/preloader"
wine_dir=/usr/lib/wine

if [ "${1:-}" = --inside ]; then
  shift
  mount -t overlay kalto-wine32-emulated -o "lowerdir=$preloader_dir:$wine_dir" "$wine_dir"
  mount --bind "$wine_dir/wine" "$wine_dir/wine"
  mount -o remount,bind,noexec "$wine_dir/wine"
  # A loader chosen outside does not hold in here.
  unset KALTO_WINE KALTO_WINE_32BIT KALTO_WINE_EMULATED WINELOADER
  exec "$@"
fi

if [ ! -x "$preloader_dir/wine-preloader" ]; then
  echo "emulate-32bit: no emulator in $cache/qemu (run tools/setup.sh); skipped"
  exit 77
fi
if ! unshare -m true 2>/dev/null; then
  echo "emulate-32bit: no private mount namespace can be made here (needs root); skipped"
  exit 77
fi
exec unshare -m --propagation private "$0" --inside "$@"
