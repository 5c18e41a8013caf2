#!/usr/bin/env bash
# Installs every Debian package the project needs to build, test and benchmark, for Linux and, cross-built,
# for Windows (mingw-w64 compilers, Wine with its 32-bit half, GLEW's source package).
# Idempotent; run as root (the README and .ci/run call it). The single list of dependencies.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"

packages=(
  build-essential cmake ninja-build pkg-config git
  libgtest-dev libgmock-dev libbenchmark-dev
  libx11-dev libxfixes-dev libxtst-dev libgl-dev libglew-dev libgl1-mesa-dri mesa-utils
  libcairo2-dev libfontconfig-dev libfreetype-dev libpng-dev fonts-dejavu-core fonts-wine
  xvfb xauth x11-apps
  libsndfile1-dev
  # LV2: the headers, lilv for tovik's LV2 host, and real LV2 hosts and validators for the tests.
  lv2-dev liblilv-dev lilv-utils jalv sordi
  # jalv is a JACK client: the tests run a JACK server on its dummy driver.
  jackd2
  lsp-plugins-vst zam-plugins dpf-plugins-vst
  # Windows: cross compilers with std::thread (the -posix variants) and Wine to run what they build.
  # Without libgl1:i386 a 32-bit program under Wine finds no pixel format.
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
  wine wine64 wine32:i386 libgl1:i386
  # A real host for the final proof: a DAW run headless.
  ardour
)

missing=()
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
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
echo "setup: all packages present"

# GLEW for the Windows builds comes from Debian's source package (never from the repository).
bash "${here}/fetch-glew-source.sh" >/dev/null
echo "setup: GLEW source present"
