#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The zip holds exactly the installer's files: 7-Zip opens the (32-bit) installer without running it,
# and every file it carries, but the uninstaller and NSIS's own plug-ins, is a file of the zip, byte for
# byte, and every file of the zip is in the installer.
#   windows_contents.sh INSTALLER ZIP SCRATCH
set -euo pipefail
export LC_ALL=C
installer="$1" zip="$2" scratch="$3"
if [ ! -f "${installer}" ] || [ ! -f "${zip}" ]; then
  echo "SKIPPED: no Windows package was made (see the test package.windows.build)"
  exit 77
fi
if ! command -v 7zz >/dev/null; then
  echo "SKIPPED: 7zz is missing: install the package 7zip (scripts/setup.sh --all)"
  exit 77
fi
rm -rf "${scratch}"
mkdir -p "${scratch}/installer" "${scratch}/zip"
7zz x -y -o"${scratch}/installer" "${installer}" >/dev/null
cmake -E chdir "${scratch}/zip" cmake -E tar xf "${zip}"

# "checksum name" of every file, the name without its folder (the installer's folders are variables).
digests() {
  (cd "$1" && find . -type f ! -path './$PLUGINSDIR/*' ! -name uninstall.exe -print0 | sort -z |
    xargs -0 sha256sum | sed 's|  .*/|  |' | sort)
}
installer_files="$(digests "${scratch}/installer")"
zip_files="$(digests "${scratch}/zip")"
# The installer carries the 32-bit VST3 module twice: in the bundle, and alone for 32-bit hosts on
# 64-bit Windows.
if [ "$(sort -u <<<"${installer_files}")" != "${zip_files}" ]; then
  echo "FAIL: the installer's files and the zip's differ (< installer, > zip):"
  diff <(sort -u <<<"${installer_files}") <(echo "${zip_files}") || true
  exit 1
fi
# Each module names its licence in its version resource (UTF-16 text), as the installer does in its own.
while IFS= read -r -d '' module; do
  if ! strings -el "${module}" | grep -q 'GPL-3.0-or-later'; then
    echo "FAIL: ${module#"${scratch}/zip/"} has no licence in its version resource"
    exit 1
  fi
done < <(find "${scratch}/zip" -type f \( -name '*.dll' -o -name '*.vst3' -o -name '*.clap' \) -print0)
if ! strings -el "${installer}" | grep -q 'GNU GPL version 3 or later'; then
  echo "FAIL: the installer's version resource names no licence"
  exit 1
fi
count="$(wc -l <<<"${zip_files}")"
if [ "${count}" -lt 9 ]; then
  echo "FAIL: only ${count} files in the zip"
  exit 1
fi
echo "the installer and the zip hold the same ${count} files"
