#!/usr/bin/env bash
# Builds Talvena and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j2 --target talvena dictionaries help_file example_passport
if [ $# -eq 0 ]; then set -- build/examples/example.psp; fi
exec ./build/bin/talvena "$@"
