#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes the Windows installer and zip through the build's own target, as a user would, and the tests'
# 64-bit build of the same installer (packaging/windows/installer.nsi says why), for the package tests.
#   build_windows_package.sh BUILD_DIR SETTINGS TEST_INSTALLER MINGW32_DIR
# When something it needs is missing it says so and ends successfully: the tests that need the files
# then report themselves skipped, with this reason.
set -euo pipefail
build="$1" settings="$2" test_installer="$3" mingw32="$4"
here="$(cd "$(dirname "$0")" && pwd)"
rm -f "${test_installer}"
if ! command -v makensis >/dev/null; then
  echo "SKIPPED: makensis is missing: install the package nsis (scripts/setup.sh --all)"
  exit 0
fi
if [ ! -f "${mingw32}/KVX-Tovik.dll" ]; then
  echo "SKIPPED: the Windows package needs the 32-bit build first (cmake --preset mingw32 &&" \
    "cmake --build --preset mingw32); ${mingw32} has none"
  exit 0
fi
cmake --build "${build}" --target windows-package
cmake -DSETTINGS="${settings}" -DTEST_AMD64_OUTFILE="${test_installer}" \
  -P "${here}/../../packaging/windows/make_package.cmake"
