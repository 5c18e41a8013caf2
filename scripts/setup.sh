#!/usr/bin/env bash
# Installs every Debian package the project needs to build, test and benchmark.
# Idempotent; run as root (the README and .ci/run call it). The single list of dependencies.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  libgtest-dev libgmock-dev libbenchmark-dev
  libx11-dev libxfixes-dev libxtst-dev libgl-dev libglew-dev libgl1-mesa-dri mesa-utils
  libcairo2-dev libfontconfig-dev libfreetype-dev libpng-dev fonts-dejavu-core fonts-wine
  xvfb xauth x11-apps
  libsndfile1-dev
  lsp-plugins-vst zam-plugins dpf-plugins-vst
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
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
echo "setup: all packages present"
