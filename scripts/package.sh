#!/usr/bin/env bash
# Builds the Debian package: build/package/talvena_<version>_<architecture>.deb.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh package
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j2 --target talvena talvena-psp dictionaries help_file example_passport icons
rm -f build/package/talvena_*.deb
(cd build && cpack -G DEB -B package)
ls build/package/talvena_*.deb
