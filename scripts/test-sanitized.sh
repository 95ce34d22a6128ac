#!/usr/bin/env bash
# Builds the engine tests with AddressSanitizer and UndefinedBehaviorSanitizer and runs the non-GUI tests.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DTALVENA_SANITIZE=ON -DTALVENA_BUILD_BENCH=OFF
cmake --build build-asan -j2
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir build-asan --output-on-failure -j2 -L nongui
