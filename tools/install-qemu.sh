#!/usr/bin/env bash
# Installs qemu-i386, the user-mode emulator of 32-bit x86 Linux processes,
# and the wrapper through which Wine starts its 32-bit loader under it.
# Usage: install-qemu.sh <dir>
#   <dir>/qemu-i386                   the emulator, from Debian 13's qemu-user
#   <dir>/preloader/wine-preloader    the wrapper
# Debian 12's own qemu-user-static (7.2) crashes in multithreaded 32-bit
# programs, so the emulator comes from Debian 13, fetched with apt through a
# private package list that leaves the system's sources alone.
# Where the kernel refuses 32-bit processes, the wrapper is also linked into
# Wine's program folder, where Wine looks for it first (see wine-loader.sh).
# Idempotent.
set -euo pipefail
dir=$1
suite=${KALTO_QEMU_SUITE:-trixie}
mkdir -p "$dir/preloader"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

if ! "$dir/qemu-i386" --version >/dev/null 2>&1; then
  echo "install-qemu: fetching qemu-user from Debian $suite"
  apt_dir="$dir/apt"
  mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$apt_dir/get"
  echo "deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian $suite main" \
    >"$apt_dir/sources.list"
  apt_opts=(-qq -o "Dir::Etc::SourceList=$apt_dir/sources.list" -o Dir::Etc::SourceParts=/dev/null
    -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache"
    -o Dir::State::Status=/dev/null -o APT::Sandbox::User="$(id -un)")
  apt-get "${apt_opts[@]}" update
  rm -f "$apt_dir/get/"*.deb
  (cd "$apt_dir/get" && apt-get "${apt_opts[@]}" download qemu-user)
  deb=$(ls "$apt_dir/get/"qemu-user_*.deb)
  dpkg-deb --fsys-tarfile "$deb" | tar -x -C "$apt_dir/get" ./usr/bin/qemu-i386
  mv "$apt_dir/get/usr/bin/qemu-i386" "$dir/qemu-i386"
  dpkg-deb -f "$deb" Version >"$dir/VERSION"
  rm -rf "$apt_dir"
  "$dir/qemu-i386" --version | head -n 1
fi

# Wine starts a 32-bit program as "<preloader> <32-bit loader> <arguments>".
cat >"$dir/preloader/wine-preloader.new" <<WRAPPER
#!/bin/sh
# Runs Wine's 32-bit loader under user-mode emulation (installed by KALTO's setup).
exec "$dir/qemu-i386" "\$@"
WRAPPER
chmod +x "$dir/preloader/wine-preloader.new"
mv "$dir/preloader/wine-preloader.new" "$dir/preloader/wine-preloader"

if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  link=/usr/lib/wine/wine-preloader
  if [ -e "$link" ] && [ "$(readlink "$link")" != "$dir/preloader/wine-preloader" ]; then
    echo "install-qemu: $link exists and is not ours; 32-bit programs will not run emulated" >&2
  else
    $sudo ln -sfn "$dir/preloader/wine-preloader" "$link"
  fi
fi
