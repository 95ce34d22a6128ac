#!/usr/bin/env bash
# Installs every package the build, the tests, the benchmarks and the fuzz targets need on Debian 12;
# with the argument "package" also what making and checking the Debian package needs.
# Safe to run again: apt-get skips what is already there.
set -euo pipefail
packages=(
  cmake g++ make pkg-config
  zlib1g-dev
  qt6-base-dev qt6-charts-dev libqt6opengl6-dev qt6-svg-dev qt6-translations-l10n
  libgeographiclib-dev
  libgdal-dev libproj-dev gdal-bin proj-bin postgresql-15-postgis-3
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  gzip time
  librsvg2-bin
  libreoffice-calc-nogui python3-xlrd
  fonts-dejavu-core poppler-utils
  python3-numpy
)
if [ "${1:-}" = package ]; then
  # dpkg-shlibdeps computes the package's dependencies; the rest check the installed desktop files.
  packages+=(dpkg-dev file desktop-file-utils appstream shared-mime-info xdg-utils libfile-mimeinfo-perl)
fi
run() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  run apt-get update -qq
  run env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
