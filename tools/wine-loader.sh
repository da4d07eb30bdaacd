# Sourced: chooses the Wine loader this machine can use.
# Debian's wine command starts Wine's 32-bit loader, which runs 32- and 64-bit
# programs alike, but only where the kernel runs 32-bit processes; some
# virtual machines do not. There the 64-bit loader runs everything: it hands
# a 32-bit program to the 32-bit loader, which Wine starts through
# /usr/lib/wine/wine-preloader where that exists. tools/setup.sh links there
# a wrapper that runs the loader under qemu-i386 user-mode emulation (see
# install-qemu.sh). Without it, 32-bit programs cannot run at all.
#   KALTO_WINE             the command that starts a Windows program
#   KALTO_WINE_32BIT       1 where 32-bit programs can run
#   KALTO_WINE_EMULATED    1 where they run emulated, many times slower
#   kalto_can_run <exe>    whether that program can run here
if [ -z "${KALTO_WINE:-}" ]; then
  if /usr/lib/wine/wine --version >/dev/null 2>&1; then
    export KALTO_WINE=wine KALTO_WINE_32BIT=1 KALTO_WINE_EMULATED=0
  else
    export KALTO_WINE=/usr/lib/wine/wine64 WINELOADER=/usr/lib/wine/wine64 WINEARCH=win64
    if /usr/lib/wine/wine-preloader /usr/lib/wine/wine --version >/dev/null 2>&1; then
      export KALTO_WINE_32BIT=1 KALTO_WINE_EMULATED=1
    else
      export KALTO_WINE_32BIT=0 KALTO_WINE_EMULATED=0
    fi
  fi
fi

# The machine field of a PE file's header, as a number: 0x14c for x86.
kalto_pe_machine() {
  local offset
  offset=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
  echo $((16#$(od -An -tx2 -j$((offset + 4)) -N2 "$1" | tr -d ' ')))
}

kalto_can_run() {
  [ "${KALTO_WINE_32BIT:-1}" = 1 ] || [ "$(kalto_pe_machine "$1")" -ne $((0x14c)) ]
}
