#!/usr/bin/env bash
# Runs every benchmark program of a build (default: build) and prints, at the end, the
# ratios and the memory breakdown each program printed after its own report. Build
# first, e.g. scripts/setup.sh build-perf (a RelWithDebInfo build with benchmarks).
# Every program runs headless; extra arguments go to each of them
# (e.g. --benchmark_repetitions=5). Full outputs land in <build>/bench-results/.
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD_DIR=${1:-build}
shift || true
if ! ls "$BUILD_DIR"/bench/bench_* > /dev/null 2>&1; then
  echo "No benchmark programs in $BUILD_DIR/bench: build them first (scripts/setup.sh $BUILD_DIR)." >&2
  exit 1
fi
export SDL_VIDEODRIVER=${SDL_VIDEODRIVER:-offscreen}
export SDL_RENDER_DRIVER=${SDL_RENDER_DRIVER:-software}

results="$BUILD_DIR/bench-results"
mkdir -p "$results"
machine="$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'), $(nproc) cores; load:$(uptime | sed 's/.*load average://')"
echo "Machine: $machine"

programs=()
for program in "$BUILD_DIR"/bench/bench_*; do
  [ -x "$program" ] && [ -f "$program" ] && programs+=("$program")
done
failed=()
for program in "${programs[@]}"; do
  name=$(basename "$program")
  echo
  echo "=== $name"
  "$program" "$@" 2>&1 | tee "$results/$name.txt" || failed+=("$name")
done

echo
echo "=== Summary ($machine)"
for program in "${programs[@]}"; do
  name=$(basename "$program")
  section=$(awk '/^Ratios \(|^Resident memory/ { shown = 1 } shown' "$results/$name.txt")
  if [ -n "$section" ]; then
    echo
    echo "$name:"
    echo "$section"
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo
  echo "Failed: ${failed[*]}" >&2
  exit 1
fi
