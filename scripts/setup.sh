#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages the project needs. The single list of dependencies, in two parts:
#   setup.sh         what configuring and building the default preset and the main job
#                    (scripts/demo.sh) need: compilers, CMake, the libraries the plug-ins and tovik link,
#                    the test and benchmark frameworks (the default preset configures them), one font;
#   setup.sh --all   the above and what the test layers run: Xvfb and Mesa, the LV2 hosts and JACK,
#                    the peer plug-ins, Ardour, the packaging tools (lintian, NSIS), and for Windows the mingw-w64
#                    compilers, Wine with its 32-bit half and GLEW's source package, and debootstrap for
#                    the bare-machine check.
# Idempotent; run as root (scripts/demo.sh and scripts/test.sh call it).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
# shellcheck source=scripts/apt-update.sh
source "${here}/apt-update.sh"

all=0
case "${1:-}" in
  "") ;;
  --all) all=1 ;;
  *)
    echo "usage: setup.sh [--all]" >&2
    exit 2
    ;;
esac

build_packages=(
  build-essential cmake ninja-build pkg-config git
  libgtest-dev libgmock-dev libbenchmark-dev
  libx11-dev libxfixes-dev libxtst-dev libgl-dev libglew-dev
  libcairo2-dev libfontconfig-dev libfreetype-dev libpng-dev fonts-dejavu-core
  libsndfile1-dev
  lv2-dev liblilv-dev
  # tovik fit and the factory presets: NLopt's bounded optimiser; tovik match: FFTW's transforms.
  libnlopt-dev libfftw3-dev
  # tovik's manual page is made from its help at build time.
  help2man
)

test_packages=(
  # The editor tests: a private X server, Mesa's software renderer, screenshots, the Tahoma metrics.
  xvfb xauth x11-apps libgl1-mesa-dri mesa-utils fonts-wine
  # LV2: lilv's tools (lv2ls, lv2apply), a Turtle reader, and jalv, a JACK client: the tests run a JACK
  # server on its dummy driver.
  lilv-utils jalv sordi jackd2
  lsp-plugins-vst zam-plugins dpf-plugins-vst
  # The package test: cpack's DEB generator runs file(1) to find the ELF files dpkg-shlibdeps reads;
  # lintian checks the package.
  file lintian
  # The Windows installer (makensis) and its check: 7-Zip lists an installer's files without running it.
  nsis 7zip
  # Windows: cross compilers with std::thread (the -posix variants) and Wine to run what they build.
  # Without libgl1:i386 a 32-bit program under Wine finds no pixel format.
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
  wine wine64 wine32:i386 libgl1:i386
  # A real host for the final proof: a DAW run headless.
  ardour
  # scripts/bare-machine-demo.sh: a minimal Debian to run the main job in.
  debootstrap
)

packages=("${build_packages[@]}")
if [ "$all" -eq 1 ]; then
  packages+=("${test_packages[@]}")
fi

missing=()
failed=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "setup: missing packages (${missing[*]}); run this script as root" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  if [ "$all" -eq 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  apt_update
  install() { apt-get install -y -q --no-install-recommends "$@"; }
  if ! install "${missing[@]}"; then
    # One package apt cannot place (typically a 32-bit one whose index is stale on the mirror) must not
    # keep the others out: the build's own packages first, as one set, then each test package alone.
    needed=()
    for p in "${missing[@]}"; do
      [[ " ${build_packages[*]} " == *" ${p} "* ]] && needed+=("$p")
    done
    if [ ${#needed[@]} -gt 0 ]; then
      install "${needed[@]}" || { echo "setup: the build's packages could not be installed" >&2; exit 1; }
    fi
    failed=()
    for p in "${missing[@]}"; do
      [[ " ${build_packages[*]} " == *" ${p} "* ]] && continue
      install "$p" >/dev/null 2>&1 || failed+=("$p")
    done
    if [ ${#failed[@]} -gt 0 ]; then
      # The tests that need them say so and are skipped.
      echo "setup: could not install ${failed[*]}; the tests that need them will be skipped" >&2
    fi
  fi
fi
if [ ${#failed[@]} -eq 0 ]; then
  echo "setup: all packages present"
fi

if [ "$all" -eq 1 ]; then
  # GLEW for the Windows builds comes from Debian's source package (never from the repository).
  bash "${here}/fetch-glew-source.sh" >/dev/null
  echo "setup: GLEW source present"
fi
