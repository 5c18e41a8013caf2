#!/usr/bin/env bash
# Builds and runs every test: the normal build and the AddressSanitizer + UBSan build.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
for preset in default asan; do
  echo "== ${preset} build =="
  cmake --preset "${preset}" >/dev/null
  cmake --build --preset "${preset}"
  ctest --preset "${preset}"
done
