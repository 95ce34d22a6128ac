#!/usr/bin/env bash
# Installs every package the build, the tests, the benchmarks and the fuzz targets need on Debian 12.
# Safe to run again: apt-get skips what is already there.
set -euo pipefail
packages=(
  cmake g++ make pkg-config
  zlib1g-dev
  qt6-base-dev libqt6charts6-dev qt6-translations-l10n
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  gzip
)
run() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  run apt-get update -qq
  run env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
