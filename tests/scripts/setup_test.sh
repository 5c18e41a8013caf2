#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs scripts/setup.sh with apt-get, dpkg, dpkg-query, id and sleep replaced by fakes on PATH, and checks
# what it installed, what it said and how it ended in the situations a fresh machine meets.
#   setup_test.sh SOURCE_DIR
set -euo pipefail
source_dir="${1:?source folder}"
work="$(mktemp -d)"
trap 'rm -rf "${work}"' EXIT
fakes="${work}/bin"
mkdir -p "${fakes}"

# The fakes' state: installed (one package per line), broken (packages apt cannot place), the number
# of index refreshes that fail before one succeeds, and a log of every apt-get call.
cat >"${fakes}/apt-get" <<'FAKE'
#!/usr/bin/env bash
state="${FAKE_STATE:?}"
echo "apt-get $*" >>"${state}/log"
case "$1" in
update)
  left="$(cat "${state}/update_failures")"
  if [ "${left}" -gt 0 ]; then
    echo $((left - 1)) >"${state}/update_failures"
    echo "E: Some index files failed to download." >&2
    exit 100
  fi
  ;;
install)
  shift
  packages=()
  for p in "$@"; do [[ "$p" == -* ]] || packages+=("$p"); done
  for p in "${packages[@]}"; do
    if grep -qx "$p" "${state}/broken"; then
      echo "E: Unable to correct problems, you have held broken packages." >&2
      exit 100
    fi
  done
  printf '%s\n' "${packages[@]}" >>"${state}/installed"
  ;;
esac
FAKE
cat >"${fakes}/dpkg-query" <<'FAKE'
#!/usr/bin/env bash
p="${*: -1}"
grep -qx "$p" "${FAKE_STATE:?}/installed" && printf 'install ok installed' || exit 1
FAKE
cat >"${fakes}/dpkg" <<'FAKE'
#!/usr/bin/env bash
[ "$1" = --print-foreign-architectures ] && echo i386
exit 0
FAKE
printf '#!/bin/sh\necho 0\n' >"${fakes}/id"
printf '#!/bin/sh\nexit 0\n' >"${fakes}/sleep"
chmod +x "${fakes}"/*

# GLEW's source is already "fetched", so --all does not reach for apt-get source.
mkdir -p "${work}/glew/glew-2.2.0/src" "${work}/glew/glew-2.2.0/include/GL"
touch "${work}/glew/glew-2.2.0/src/glew.c" "${work}/glew/glew-2.2.0/include/GL/glew.h"

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# scenario NAME UPDATE_FAILURES "BROKEN PACKAGES" [setup.sh arguments]: runs setup.sh on a machine with
# nothing installed; leaves its status in $status, its output in $out and the fake's state in $state.
scenario() {
  state="${work}/$1"
  mkdir -p "${state}"
  echo "$2" >"${state}/update_failures"
  printf '%s\n' $3 >"${state}/broken"
  : >"${state}/installed"
  : >"${state}/log"
  shift 3
  status=0
  out="$(FAKE_STATE="${state}" KVX_GLEW_CACHE="${work}/glew" PATH="${fakes}:${PATH}" \
    bash "${source_dir}/scripts/setup.sh" "$@" 2>&1)" || status=$?
}

# A mirror in sync after two failed refreshes: three refreshes, one install, success.
scenario retried 2 ""
[ "${status}" -eq 0 ] || fail "retried: exit ${status}: ${out}"
[ "$(grep -c '^apt-get update' "${state}/log")" -eq 3 ] || fail "retried: expected three index refreshes"
[ "$(grep -c '^apt-get install' "${state}/log")" -eq 1 ] || fail "retried: expected one install"
grep -q "all packages present" <<<"${out}" || fail "retried: no success line"

# An index that never refreshes and two 32-bit packages apt cannot place: everything else is installed,
# the two are named, and the script goes on to the GLEW source.
scenario stale 99 "wine32:i386 libgl1:i386" --all
[ "${status}" -eq 0 ] || fail "stale: exit ${status}: ${out}"
for p in cmake xvfb ardour wine64 debootstrap; do
  grep -qx "$p" "${state}/installed" || fail "stale: ${p} was not installed"
done
grep -qx "wine32:i386" "${state}/installed" && fail "stale: a broken package counted as installed"
grep -q "could not install wine32:i386 libgl1:i386" <<<"${out}" || fail "stale: the missing packages are not named: ${out}"
grep -q "all packages present" <<<"${out}" && fail "stale: claims all packages are present"
grep -q "GLEW source present" <<<"${out}" || fail "stale: stopped before the GLEW source"

# A package the build itself needs cannot be placed: the script fails.
scenario build_broken 0 "cmake"
[ "${status}" -ne 0 ] || fail "build_broken: succeeded without cmake"

if [ "${failures}" -gt 0 ]; then
  exit 1
fi
echo "setup.sh: 3 scenarios passed"
