#!/usr/bin/env bash
# fuzz/run.sh SECONDS [target...]: runs each libFuzzer target (default: all of fuzz/*.cpp)
# for SECONDS with its seed corpus, and fails when any of them finds a crash, a hang,
# a leak, a sanitizer report or a broken promise of a reader.
#
# Builds build-fuzz with clang first when needed (installing clang and libFuzzer's
# runtime from Debian's packages when missing). Seeds are written fresh into
# build-fuzz/fuzz-seeds/<target>/; what a run learns stays in build-fuzz/fuzz-corpus/;
# an input that fails lands in build-fuzz/fuzz-findings/<target>/ and its log beside it.
# fuzz/<target>.dict, when there is one, gives the target the tokens of its format.
# FUZZ_PARALLEL targets run at once (default 1); BUILD_JOBS caps the build's jobs.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ $# -lt 1 ] || ! [[ $1 =~ ^[0-9]+$ ]]; then
  echo "usage: fuzz/run.sh SECONDS [target...]" >&2
  exit 2
fi
seconds=$1
shift
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for source in fuzz/*.cpp; do targets+=("$(basename "$source" .cpp)"); done
fi

# libFuzzer's runtime must come from the same release as the clang that is installed:
# Debian names it libclang-rt-<major>-dev from LLVM 14 on, libclang-common-<major>-dev
# before that.
source scripts/packages.sh
packages_install clang
# "Debian clang version 14.0.6": older releases answer -dumpversion with GCC's 4.2.1.
major=$(clang --version | sed -n 's/.*clang version \([0-9][0-9]*\).*/\1/p' | head -n 1)
if [ -z "$major" ]; then
  echo "cannot read clang's major version from: $(clang --version | head -n 1)" >&2
  exit 1
fi
fuzzer_runtime_package() {
  local candidate
  for candidate in "libclang-rt-$major-dev" "libclang-common-$major-dev"; do
    if package_known "$candidate"; then echo "$candidate"; return 0; fi
  done
  return 1
}
if ! runtime=$(fuzzer_runtime_package); then
  packages_update  # the lists may be missing or older than this clang
  if ! runtime=$(fuzzer_runtime_package); then
    echo "no package of libFuzzer's runtime for clang $major (libclang-rt-$major-dev or libclang-common-$major-dev)" >&2
    exit 1
  fi
fi
packages_install "$runtime"
probe=$(mktemp -d)
trap 'rm -rf "$probe"' EXIT
echo 'extern "C" int LLVMFuzzerTestOneInput(const char*, unsigned long) { return 0; }' > "$probe/probe.cpp"
if ! clang++ -fsanitize=fuzzer "$probe/probe.cpp" -o "$probe/probe"; then
  echo "clang $major cannot link a libFuzzer target although $runtime is installed" >&2
  exit 1
fi

BUILD=build-fuzz
CC=clang CXX=clang++ BUILD_TARGETS=fuzz_all \
  scripts/setup.sh "$BUILD" -DQUELLOR_FUZZ=ON -DQUELLOR_SANITIZE=ON -DQUELLOR_BENCH=OFF

seeds=$BUILD/fuzz-seeds
rm -rf "$seeds"
"$BUILD/fuzz/fuzz_seed_writer" "$seeds" "$BUILD/dist" "$BUILD/sample/distribution/art"

run_target() {
  local target=$1
  local corpus=$BUILD/fuzz-corpus/$target findings=$BUILD/fuzz-findings/$target
  mkdir -p "$corpus" "$findings" "$seeds/$target"
  local sources=("$corpus" "$seeds/$target")
  # Inputs kept from earlier findings seed the run too.
  [ -d "tests/data/regressions/$target" ] && sources+=("tests/data/regressions/$target")
  local options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
    -artifact_prefix="$findings/")
  [ -f "fuzz/$target.dict" ] && options+=(-dict="fuzz/$target.dict")
  if "$BUILD/fuzz/fuzz_$target" "${options[@]}" "${sources[@]}" > "$findings/last-run.log" 2>&1; then
    echo "fuzz_$target: no finding in ${seconds}s ($(grep -m1 -o 'stat::number_of_executed_units: *[0-9]*' \
      "$findings/last-run.log" | grep -o '[0-9]*$') inputs)"
  else
    echo "fuzz_$target: FINDING, see $findings/ (log: $findings/last-run.log)" >&2
    grep -m3 -E 'ERROR|probe failed|SUMMARY' "$findings/last-run.log" >&2 || true
    return 1
  fi
}

parallel=${FUZZ_PARALLEL:-1}
failed=0
running=0
for target in "${targets[@]}"; do
  if [ ! -f "fuzz/$target.cpp" ]; then
    echo "no fuzz target $target (fuzz/$target.cpp)" >&2
    exit 2
  fi
  if [ "$running" -ge "$parallel" ]; then
    wait -n || failed=1
    running=$((running - 1))
  fi
  run_target "$target" &
  running=$((running + 1))
done
while [ "$running" -gt 0 ]; do
  wait -n || failed=1
  running=$((running - 1))
done
exit $failed
