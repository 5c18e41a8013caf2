#!/usr/bin/env bash
# The main job: installs what is missing, builds the plug-in and the command-line host, and shows the
# plug-in as a host sees it, loaded through its exported entry point.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh >/dev/null
cmake --preset default >/dev/null
cmake --build --preset default --target kvx-tovik tovik
./build/default/tovik info build/default/kvx-tovik.so
