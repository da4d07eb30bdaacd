#!/usr/bin/env bash
# Installs Debian packages, surviving a mirror that is briefly inconsistent.
#   apt-install.sh PACKAGE...
# A mirror in the middle of a sync can serve an index whose size does not
# match its release file; apt-get update then fails. The update is retried a
# few times with short waits. If an index is still missing after that, the
# install goes on with the security suite held below the main suite for that
# one command (a temporary preferences file, the machine's own apt settings
# untouched): the main suite's point release then supplies every architecture
# at matching versions. Only a failed install is an error, and it says what
# the package manager said.
# KALTO_APT_TRIES and KALTO_APT_WAIT (seconds, doubled after each failure)
# set the retries.
set -euo pipefail

tries=${KALTO_APT_TRIES:-4}
wait_s=${KALTO_APT_WAIT:-10}
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

updated=0
for ((try = 1; try <= tries; try++)); do
  if $sudo apt-get update -qq 2>"$work/update.err"; then
    updated=1
    break
  fi
  reason=$(grep -m1 '^E:' "$work/update.err" || tail -n 1 "$work/update.err")
  echo "setup: apt-get update failed (try $try of $tries): $reason" >&2
  if ((try < tries)); then
    sleep "$wait_s"
    wait_s=$((wait_s * 2))
  fi
done

install=(apt-get install -y -qq --no-install-recommends)
if [ "$updated" = 0 ]; then
  cat >"$work/preferences" <<'PREF'
Package: *
Pin: release l=Debian-Security
Pin-Priority: 50
PREF
  chmod a+r "$work" "$work/preferences"
  echo "setup: the mirror's package indexes are still inconsistent; installing with the security suite held below the main suite for this install only" >&2
  install=(apt-get -o "Dir::Etc::preferences=$work/preferences" install -y -qq --no-install-recommends)
fi

if ! $sudo "${install[@]}" "$@" >"$work/install.out" 2>"$work/install.err"; then
  echo "setup: installing the packages failed; apt-get said:" >&2
  grep -E '^(E|W):|broken|unmet|Depends:' "$work/install.err" "$work/install.out" -h >&2 \
    || tail -n 20 "$work/install.err" >&2
  exit 1
fi
