#!/usr/bin/env bash
# tools/apt-install.sh against a stand-in apt-get first on PATH: an index
# update that fails and then succeeds, one that keeps failing (the install is
# then held below the security suite through a temporary preferences file),
# and an install that fails, which must end non-zero naming apt's own error.
set -euo pipefail
script=$(cd "$(dirname "$0")/../../tools" && pwd)/apt-install.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"
cat >"$work/bin/apt-get" <<'STUB'
#!/usr/bin/env bash
# Update fails while fewer than STUB_UPDATE_FAILS updates were made; install
# fails when STUB_INSTALL=broken, or when STUB_INSTALL=needs-pin and no
# preferences file was given. Each call is logged with the preferences' content.
state=$STUB_STATE
if [ "$1" = update ] || [ "$2" = update ]; then
  n=$(( $(cat "$state/updates" 2>/dev/null || echo 0) + 1 ))
  echo "$n" >"$state/updates"
  if [ "$n" -le "$STUB_UPDATE_FAILS" ]; then
    echo "E: Failed to fetch http://mirror/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress?" >&2
    echo "E: Some index files failed to download. They have been ignored, or old ones used instead." >&2
    exit 100
  fi
  exit 0
fi
prefs=""
for arg in "$@"; do
  case "$arg" in Dir::Etc::preferences=*) prefs=${arg#Dir::Etc::preferences=} ;; esac
done
{ echo "install prefs=$prefs"; [ -n "$prefs" ] && cat "$prefs"; } >>"$state/calls"
echo "$prefs" >"$state/prefs-path"
if [ "$STUB_INSTALL" = broken ] || { [ "$STUB_INSTALL" = needs-pin ] && [ -z "$prefs" ]; }; then
  echo "E: Unable to correct problems, you have held broken packages." >&2
  exit 100
fi
exit 0
STUB
printf '#!/bin/sh\nexec "$@"\n' >"$work/bin/sudo"
chmod +x "$work/bin/apt-get" "$work/bin/sudo"

failures=0
# case NAME UPDATE_FAILS INSTALL EXPECTED_STATUS
run_case() {
  local name=$1 status=0
  rm -rf "$work/state" && mkdir "$work/state"
  PATH="$work/bin:$PATH" STUB_STATE="$work/state" STUB_UPDATE_FAILS=$2 STUB_INSTALL=$3 \
    KALTO_APT_TRIES=3 KALTO_APT_WAIT=0 "$script" pkg-a pkg-b 2>"$work/state/stderr" || status=$?
  if [ "$status" -ne "$4" ]; then
    echo "FAIL $name: exit status $status, expected $4"; cat "$work/state/stderr"; failures=$((failures + 1))
    return 1
  fi
}
expect() { # NAME CONDITION-DESCRIPTION COMMAND...
  local name=$1 what=$2; shift 2
  if ! "$@"; then echo "FAIL $name: $what"; cat "$work/state/stderr"; failures=$((failures + 1)); fi
}

if run_case "update settles" 1 ok 0; then
  expect "update settles" "two updates" grep -qx 2 "$work/state/updates"
  expect "update settles" "installed without a preferences file" grep -qx 'install prefs=' "$work/state/calls"
  expect "update settles" "the failure is named" grep -q 'try 1 of 3.*unexpected size' "$work/state/stderr"
fi

if run_case "index stays inconsistent" 99 needs-pin 0; then
  expect "index stays inconsistent" "three updates" grep -qx 3 "$work/state/updates"
  expect "index stays inconsistent" "security suite held at 50" \
    grep -Pzq 'Pin: release l=Debian-Security\nPin-Priority: 50\n' "$work/state/calls"
  expect "index stays inconsistent" "one line says so" test "$(grep -c 'held below the main suite' "$work/state/stderr")" -eq 1
  expect "index stays inconsistent" "the preferences file is temporary" test ! -e "$(cat "$work/state/prefs-path")"
fi

if run_case "install fails" 0 broken 1; then
  expect "install fails" "apt's error is named" grep -q 'held broken packages' "$work/state/stderr"
  expect "install fails" "no index retries" grep -qx 1 "$work/state/updates"
fi

if [ "$failures" -ne 0 ]; then exit 1; fi
echo "apt-install: 3 cases passed"
