#!/usr/bin/env bash
# Installs what VL_Tool needs on Debian 12 (only the packages missing), then
# configures and builds into build/. Usage: scripts/setup.sh [extra cmake args]
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(build-essential cmake ninja-build qt6-base-dev qt6-serialport-dev libgtest-dev
  libbenchmark-dev qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools
  libhdf5-dev libdeflate-dev zlib1g-dev python3-h5py python3-numpy
  qt6-httpserver-dev qt6-websockets-dev python3-websockets
  xvfb xauth imagemagick fonts-ipafont-gothic qt6-translations-l10n)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
cmake --build "$BUILD_DIR" -j2
