#!/usr/bin/env bash
# Builds every fuzz target (fuzz/<name>_fuzz.cpp) with clang and the sanitizers in build-fuzz/, then
# runs each for the given number of seconds on a working copy of its seeds: fuzz/corpus/<name>/ is
# copied into fuzz/corpus-work/<name>/, which keeps growing from run to run (git-ignored).
# Exits non-zero when any target finds a crash, a leak, a time-out, excess memory or undefined
# behaviour; the reproducers land in fuzz/corpus-work/artifacts/<name>/.
# Usage: bash fuzz/run.sh [seconds per target, default 60]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
bash scripts/install-deps.sh

build=build-fuzz
# A tree configured with another compiler cannot be switched over in place.
if [ -f "$build/CMakeCache.txt" ] && ! grep -q '^CMAKE_CXX_COMPILER:[A-Z]*=.*clang++' "$build/CMakeCache.txt"; then
  rm -rf "$build"
fi
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DTALVENA_BUILD_FUZZ=ON -DTALVENA_BUILD_TESTS=OFF -DTALVENA_BUILD_BENCH=OFF
cmake --build "$build" -j2 --target fuzz_targets

export ASAN_OPTIONS=detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

ran=0
failed=()
for source in fuzz/*_fuzz.cpp; do
  target=$(basename "$source" .cpp)
  name=${target%_fuzz}
  work=fuzz/corpus-work/$name
  artifacts=fuzz/corpus-work/artifacts/$name
  mkdir -p "$work" "$artifacts"
  for seed in fuzz/corpus/"$name"/*; do
    [ -f "$seed" ] && [ ! -e "$work/$(basename "$seed")" ] && cp "$seed" "$work/"
  done
  echo "== $target: ${seconds}s on $work"
  ran=$((ran + 1))
  if ! "$build/bin/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$artifacts/" "$work"; then
    failed+=("$target")
  fi
done

echo "fuzz targets run: $ran; with findings: ${#failed[@]} ${failed[*]:-}"
[ ${#failed[@]} -eq 0 ]
