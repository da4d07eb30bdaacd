#!/usr/bin/env bash
# Builds cJSON, TinyXML and minizip for both Windows targets from Debian's
# source packages. Output: <cache>/<triple>/{include,lib}. Nothing lands in git.
set -euo pipefail

cache=$1
stamp="$cache/.built-v2"
[ -f "$stamp" ] && exit 0

mkdir -p "$cache/src"
cd "$cache/src"
for pkg in cjson tinyxml minizip; do
  if ! ls -d "$pkg"-*/ >/dev/null 2>&1; then
    apt-get source -qq "$pkg" >/dev/null 2>&1 || { echo "setup: apt-get source $pkg failed" >&2; exit 1; }
  fi
done
cjson=$(ls -d "$cache"/src/cjson-*/ | head -1)
tinyxml=$(ls -d "$cache"/src/tinyxml-*/ | head -1)
minizip=$(ls -d "$cache"/src/minizip-*/ | head -1)

for triple in i686-w64-mingw32 x86_64-w64-mingw32; do
  out="$cache/$triple"
  obj="$out/obj"
  rm -rf "$out"
  mkdir -p "$out/include/minizip" "$out/lib" "$obj"
  cc="$triple-gcc-posix"; cxx="$triple-g++-posix"
  command -v "$cc" >/dev/null || cc="$triple-gcc"
  command -v "$cxx" >/dev/null || cxx="$triple-g++"
  flags="-O2 -g0"

  "$cc" $flags -c "$cjson/cJSON.c" -o "$obj/cJSON.o"
  "$triple-ar" rcs "$out/lib/libcjson.a" "$obj/cJSON.o"
  cp "$cjson/cJSON.h" "$out/include/"

  for f in tinyxml tinystr tinyxmlerror tinyxmlparser; do
    "$cxx" $flags -c "$tinyxml/$f.cpp" -o "$obj/$f.o"
  done
  "$triple-ar" rcs "$out/lib/libtinyxml.a" "$obj"/tiny*.o
  cp "$tinyxml/tinyxml.h" "$tinyxml/tinystr.h" "$out/include/"

  for f in unzip ioapi iowin32; do
    "$cc" $flags -I"$minizip" -c "$minizip/$f.c" -o "$obj/mz_$f.o"
  done
  "$triple-ar" rcs "$out/lib/libminizip.a" "$obj"/mz_*.o
  cp "$minizip/unzip.h" "$minizip/ioapi.h" "$minizip/iowin32.h" "$out/include/minizip/"
  rm -rf "$obj"
done
touch "$stamp"
echo "setup: third-party libraries built in $cache"
