#!/usr/bin/env bash
# Runs every benchmark program of a build (default: build) and prints, at the end, the
# ratios (each with the times of both sides) and the memory breakdown each program
# printed after its own report: every figure of the README's performance table, from
# one run. Build first, e.g. scripts/setup.sh build-perf (a RelWithDebInfo build with
# benchmarks).
#
#   bench/run.sh [--xvfb] [build-dir] [benchmark arguments...]
#
# Every program runs headless, on SDL's offscreen driver and software renderer. With
# --xvfb (or BENCH_XVFB=1) two more run on the X11 driver under a private Xvfb server
# (xvfb-run, from the xvfb package), as on a desktop without a GPU, with the renderer
# the program chooses there: start-up once more, and the waiting window (the still
# menu's CPU and resident memory, then the hidden window's CPU), each beside a bare SDL
# program that makes its window the same way. bench_waiting_window needs a display and
# runs only then.
# Extra arguments go to each program (e.g. --benchmark_repetitions=5). The load
# average is printed before and after; full outputs land in <build>/bench-results/.
set -euo pipefail
cd "$(dirname "$0")/.."

XVFB=${BENCH_XVFB:-0}
if [ "${1:-}" = "--xvfb" ]; then
  XVFB=1
  shift
fi
BUILD_DIR=${1:-build}
shift || true
if ! ls "$BUILD_DIR"/bench/bench_* > /dev/null 2>&1; then
  echo "No benchmark programs in $BUILD_DIR/bench: build them first (scripts/setup.sh $BUILD_DIR)." >&2
  exit 1
fi
if [ "$XVFB" = 1 ] && ! command -v xvfb-run > /dev/null; then
  echo "--xvfb needs xvfb-run (apt-get install xvfb xauth)." >&2
  exit 1
fi
export SDL_VIDEODRIVER=${SDL_VIDEODRIVER:-offscreen}
export SDL_RENDER_DRIVER=${SDL_RENDER_DRIVER:-software}

load() { sed 's/.*load average: *//' < <(uptime); }
results="$BUILD_DIR/bench-results"
mkdir -p "$results"
machine="$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'), $(nproc) cores"
load_before=$(load)
echo "Machine: $machine; load average (1, 5, 15 min) at the start: $load_before"

programs=()
display_only=(bench_waiting_window)
for program in "$BUILD_DIR"/bench/bench_*; do
  [[ " ${display_only[*]} " == *" $(basename "$program") "* ]] && continue
  [ -x "$program" ] && [ -f "$program" ] && programs+=("$program")
done
runs=()
failed=()
run() {  # name, command...
  local name=$1
  shift
  runs+=("$name")
  echo
  echo "=== $name"
  "$@" 2>&1 | tee "$results/$name.txt" || failed+=("$name")
}
for program in "${programs[@]}"; do
  run "$(basename "$program")" "$program" "$@"
done
if [ "$XVFB" = 1 ]; then
  xvfb=(env -u SDL_RENDER_DRIVER SDL_VIDEODRIVER=x11 xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp")
  run bench_startup-xvfb "${xvfb[@]}" "$BUILD_DIR/bench/bench_startup" "$@"
  run bench_waiting_window-xvfb "${xvfb[@]}" "$BUILD_DIR/bench/bench_waiting_window" "$@"
fi
load_after=$(load)

echo
echo "=== Summary ($machine; load average at the start: $load_before; at the end: $load_after)"
for name in "${runs[@]}"; do
  section=$(awk '/^Ratios \(|^Resident memory|^Waiting window/ { shown = 1 } shown' "$results/$name.txt")
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
