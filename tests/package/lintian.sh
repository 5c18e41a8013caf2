#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# lintian on the Debian package that tests/install staged: no error and no warning, but those the
# package overrides, each override with its reason (a comment above it), and no override left unused.
#   lintian.sh PACKAGE OVERRIDES
set -euo pipefail
export LC_ALL=C
package="$1" overrides="$2"
if ! command -v lintian >/dev/null; then
  echo "SKIPPED: lintian is missing: install the package lintian (scripts/setup.sh --all)"
  exit 77
fi
status=0
# Each block of overrides (lines up to a blank line) starts with its reason.
unexplained="$(awk '/^[[:space:]]*$/ { reason = 0; next } /^#/ { reason = 1; next } !reason { print }' "${overrides}")"
if [ -n "${unexplained}" ]; then
  echo "FAIL: overrides without a reason above them:"
  echo "${unexplained}"
  status=1
fi
# lintian refuses nothing as root, but says it is not recommended: that line is not a finding.
report="$(lintian --display-info --show-overrides --tag-display-limit 0 "${package}" 2>&1 |
  grep -v 'running with root privileges' || true)"
findings="$(grep -E '^[EW]: |unused-override|mismatched-override' <<<"${report}" || true)"
if [ -n "${findings}" ]; then
  echo "FAIL: lintian reports:"
  echo "${findings}"
  status=1
fi
echo "${report}" | grep -E '^[IO]: ' || true
[ "${status}" -eq 0 ] && echo "lintian: no error or warning that is not overridden with a reason"
exit "${status}"
