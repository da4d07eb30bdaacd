#!/usr/bin/env bash
# Installs everything the build and the tests need on a Debian machine, from
# Debian's own packages, and builds the third-party libraries for the two
# Windows targets into a cache outside the repository.
# Idempotent: a second run finds everything in place and returns in seconds.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
cache=${KALTO_DEPS:-${XDG_CACHE_HOME:-$HOME/.cache}/kalto-deps}
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

packages=(
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64
  wine wine32:i386 wine64 xvfb xdotool x11-utils imagemagick librsvg2-bin
  cmake ninja-build googletest libz-mingw-w64-dev fonts-wqy-microhei
  libtinyxml-dev libcjson-dev dpkg-dev clang libclang-rt-14-dev zip python3
  iproute2 procps util-linux nsis fonts-wine python3-jsonschema openssl ca-certificates
  pulseaudio pulseaudio-utils
)

missing() {
  local p
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$' || echo "$p"
  done
}

codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
src_list=/etc/apt/sources.list.d/kalto-src.sources
need_update=0
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
  need_update=1
fi
if [ ! -f "$src_list" ]; then
  $sudo tee "$src_list" >/dev/null <<SRC
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: $codename $codename-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  need_update=1
fi

todo=$(missing)
if [ -n "$todo" ] || [ "$need_update" = 1 ]; then
  echo "setup: installing $(echo $todo | wc -w) packages"
  # shellcheck disable=SC2086
  "$here/apt-install.sh" $todo
fi

# Third-party libraries for the Windows targets, built from Debian's sources.
"$here/build-deps.sh" "$cache"

# The emulator that runs Wine's 32-bit loader where the kernel refuses 32-bit
# processes (see wine-loader.sh), and the wrapper that Wine starts it through.
# Without it everything else still works; only 32-bit programs cannot run on
# such a machine, and their tests say so.
if ! "$here/install-qemu.sh" "$cache/qemu"; then
  echo "setup: qemu-i386 could not be installed; where the kernel refuses 32-bit processes, 32-bit programs will not run" >&2
fi
