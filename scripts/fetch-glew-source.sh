#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Fetches Debian's GLEW source package (the Windows builds compile its src/glew.c) into a cache folder
# outside the repository, and prints the folder of the unpacked source. Idempotent.
#   fetch-glew-source.sh [cache folder]    (default: /var/cache/kvx-tovik/glew)
# Adds a deb-src twin of each enabled Debian archive entry when the machine has no source entries.
set -euo pipefail
# shellcheck source=scripts/apt-update.sh
source "$(cd "$(dirname "$0")" && pwd)/apt-update.sh"
cache="${1:-${KVX_GLEW_CACHE:-/var/cache/kvx-tovik/glew}}"

find_source() {
  local dir
  for dir in "${cache}"/glew-*/; do
    if [ -f "${dir}src/glew.c" ] && [ -f "${dir}include/GL/glew.h" ]; then
      echo "${dir%/}"
      return 0
    fi
  done
  return 1
}

if find_source; then
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "fetch-glew-source: GLEW's source is not in ${cache}; run this script as root" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive

has_deb_src() {
  grep -rqsE '^[[:space:]]*(Types:.*deb-src|deb-src[[:space:]])' /etc/apt/sources.list /etc/apt/sources.list.d/ 2>/dev/null
}

if ! has_deb_src; then
  twin=/etc/apt/sources.list.d/kvx-tovik-deb-src.sources
  tmp="$(mktemp)"
  # deb822 files: copy every stanza whose Types is plain "deb", as "deb-src".
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] && [ "$f" != "$twin" ] || continue
    awk 'BEGIN { RS = ""; ORS = "\n\n" }
         /(^|\n)Types:[[:space:]]*deb[[:space:]]*(\n|$)/ {
           sub(/Types:[[:space:]]*deb[[:space:]]*(\n|$)/, "Types: deb-src\n"); print }' "$f" >>"$tmp"
  done
  # One-line entries: "deb URI suite components" becomes "deb-src URI suite components".
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] || continue
    sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' "$f" >>"${tmp}.list"
  done
  if [ -s "$tmp" ]; then
    install -m 0644 "$tmp" "$twin"
  fi
  if [ -s "${tmp}.list" ]; then
    install -m 0644 "${tmp}.list" /etc/apt/sources.list.d/kvx-tovik-deb-src.list
  fi
  rm -f "$tmp" "${tmp}.list"
  apt_update >&2
fi

mkdir -p "$cache"
(cd "$cache" && apt-get source -q glew >&2)
find_source
