#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds and runs every test: the normal build and the AddressSanitizer + UBSan build on Linux, then the
# 32-bit and 64-bit Windows DLLs, cross-built with mingw-w64 and tested under Wine (each build folder
# has its own Wine prefix and Xvfb server, started and ended by its tests). The Windows audio is compared
# with the normal Linux build's, so that one comes first.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh --all
for preset in default asan mingw32 mingw64; do
  echo "== ${preset} build =="
  cmake --preset "${preset}" >/dev/null
  cmake --build --preset "${preset}"
  ctest --preset "${preset}"
done
