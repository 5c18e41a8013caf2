#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the main job on a bare Debian 12 machine: bootstraps a minimal bookworm into a scratch folder,
# clones this repository into it, and inside a chroot runs scripts/setup.sh and scripts/demo.sh. Reports
# how many packages setup.sh added, their download and installed size, the time each step took, and
# whether any test-only package (Wine, Ardour, mingw-w64, JACK, the LV2 hosts, Xvfb) came in.
#   bare-machine-demo.sh SCRATCH [MIRROR]     (as root; SCRATCH must not exist)
# Slow (a full download and build): a one-time check, not part of the test suite.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
root="${1:?usage: bare-machine-demo.sh SCRATCH [MIRROR]}"
mirror="${2:-http://deb.debian.org/debian}"

if [ -e "$root" ]; then
  echo "bare-machine-demo: $root exists; give a new folder" >&2
  exit 1
fi
command -v debootstrap >/dev/null || { echo "bare-machine-demo: no debootstrap (scripts/setup.sh --all installs it)" >&2; exit 1; }

mounted=()
cleanup() {
  local m
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
    umount "${mounted[$i]}" 2>/dev/null || umount -l "${mounted[$i]}" || true
  done
}
trap cleanup EXIT

elapsed() { echo $(($(date +%s) - $1)); }

start=$(date +%s)
debootstrap --variant=minbase bookworm "$root" "$mirror" >"${root}.debootstrap.log" 2>&1
echo "debootstrap (minbase): $(elapsed "$start") s"
cp /etc/resolv.conf "$root/etc/resolv.conf"
mount -t proc proc "$root/proc" && mounted+=("$root/proc")
mount --bind /dev/pts "$root/dev/pts" && mounted+=("$root/dev/pts")

git clone -q "$repo" "$root/root/kvx-tovik"
in_root() { chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 "$@"; }

before="$(in_root dpkg-query -W -f='${Package}\n' | sort)"
# Only the base system's unpacked packages: apt keeps nothing else in its cache before setup.sh.
in_root apt-get clean

start=$(date +%s)
in_root bash -c 'cd /root/kvx-tovik && bash scripts/setup.sh' >"${root}.setup.log" 2>&1
echo "setup.sh: $(elapsed "$start") s"
after="$(in_root dpkg-query -W -f='${Package}\n' | sort)"
added="$(comm -13 <(echo "$before") <(echo "$after"))"
echo "packages: $(echo "$before" | wc -l) before, $(echo "$added" | wc -l) added"
grep -E '^(Need to get|After this operation)' "${root}.setup.log" || true
echo "downloaded .debs: $(du -sh "$root/var/cache/apt/archives" | cut -f1)"
test_only="$(echo "$added" | grep -E '^(wine|ardour|mingw|g\+\+-mingw|gcc-mingw|jackd|libjack|jalv|lilv-utils|xvfb|lsp-plugins|zam-plugins|dpf-plugins)' || true)"
if [ -n "$test_only" ]; then
  echo "test-only packages came in:" $test_only
else
  echo "no test-only package came in (wine, ardour, mingw-w64, jack, jalv, lilv-utils, xvfb, peers)"
fi

start=$(date +%s)
in_root nice -n 10 bash -c 'cd /root/kvx-tovik && bash scripts/demo.sh' >"${root}.demo.log" 2>&1
echo "demo.sh: $(elapsed "$start") s"
tail -n 14 "${root}.demo.log"
ls -l "$root/root/kvx-tovik/out"
