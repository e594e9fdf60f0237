#!/usr/bin/env bash
# Installs what the build needs from Debian's packages (only what is missing), then
# configures and builds into the folder given (default: build). BUILD_JOBS caps the
# parallel jobs (default: every core); BUILD_TARGETS builds only those targets.
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(cmake g++ ninja-build pkg-config
  libsdl2-dev libxerces-c-dev libpng-dev libjpeg-dev zlib1g-dev libstb-dev
  nlohmann-json3-dev libfreetype-dev fonts-dejavu-core
  libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth)
PACKAGES+=(${EXTRA_PACKAGES:-})

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update -qq || true
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

BUILD_DIR=${1:-build}
shift || true
cmake -S . -B "$BUILD_DIR" -G Ninja "$@" > /dev/null
cmake --build "$BUILD_DIR" -j "${BUILD_JOBS:-$(nproc)}" ${BUILD_TARGETS:+--target $BUILD_TARGETS}
