#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The main job: installs what the build needs (scripts/setup.sh without --all: no test hosts, no Wine),
# builds the plug-in and the command-line host, and lets the equaliser work on a drum-and-bass pattern
# the host makes itself: out/demo-in.wav goes through the plug-in with a "smile" (bass and treble up,
# mids down) into out/demo-out.wav, the plug-in's measured response is drawn in out/demo-response.png,
# and the gain at each band's centre is printed.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh >/dev/null
cmake --preset default >/dev/null
cmake --build --preset default --target kvx-tovik tovik
./build/default/tovik demo out --plugin build/default/kvx-tovik.so
