#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need. Safe to run again.
set -euo pipefail
pkgs=(
  cmake g++ make pkg-config ninja-build
  libgtest-dev libgmock-dev libbenchmark-dev
  nlohmann-json3-dev libcli11-dev
  shapelib libshp-dev proj-bin libgeographiclib-dev geographiclib-tools
  clang libclang-rt-14-dev
  gdal-bin
  g++-mingw-w64-x86-64-posix mingw-w64-tools googletest wine64
)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
