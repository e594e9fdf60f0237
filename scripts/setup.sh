#!/usr/bin/env bash
# Installs what the build needs from Debian's packages (only what is missing), then
# configures and builds into the folder given (default: build). BUILD_JOBS caps the
# parallel jobs (default: every core); BUILD_TARGETS builds only those targets;
# EXTRA_PACKAGES names more Debian packages to install.
set -euo pipefail
cd "$(dirname "$0")/.."

# One setup at a time: two runs building one folder at once break each other's build,
# and two apt-gets collide. The lock ends with this script, so what the caller starts
# afterwards (./run's installer) never holds it.
exec {BUILD_LOCK}> .build-lock
if ! flock -n "$BUILD_LOCK"; then
  echo "Another run is building; waiting for it." >&2
  flock "$BUILD_LOCK"
fi

PACKAGES=(cmake g++ ninja-build pkg-config
  libsdl2-dev libxerces-c-dev libpng-dev libjpeg-dev zlib1g-dev libstb-dev
  nlohmann-json3-dev libfreetype-dev fonts-dejavu-core
  libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth)
PACKAGES+=(xdg-utils)  # xdg-open: the program opens the maker's web page with it
PACKAGES+=(${EXTRA_PACKAGES:-})

source scripts/packages.sh
# Not passed on: a service a package starts would keep the lock for good.
packages_install "${PACKAGES[@]}" {BUILD_LOCK}>&-
if ! command -v xdg-open > /dev/null; then
  echo "xdg-open is missing although xdg-utils is installed: the web buttons will do nothing" >&2
  exit 1
fi

BUILD_DIR=${1:-build}
shift || true
cmake -S . -B "$BUILD_DIR" -G Ninja "$@" > /dev/null
cmake --build "$BUILD_DIR" -j "${BUILD_JOBS:-$(nproc)}" ${BUILD_TARGETS:+--target $BUILD_TARGETS}
