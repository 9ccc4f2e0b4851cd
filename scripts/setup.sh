#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need. Safe to run again.
set -euo pipefail
pkgs=(
  cmake gcc g++ make pkg-config ninja-build ccache
  libgtest-dev libgmock-dev libbenchmark-dev rapidjson-dev
  nlohmann-json3-dev libcli11-dev
  shapelib libshp-dev proj-bin libgeographiclib-dev geographiclib-tools
  clang libclang-rt-14-dev
  gdal-bin time
  libcpp-httplib-dev chromium fonts-noto-cjk fonts-ipafont-gothic
  g++-mingw-w64-x86-64-posix mingw-w64-tools googletest wine64
  libpugixml-dev dpkg-dev inkscape xvfb xauth python3-lxml python3-cssselect python3-numpy
)
# vxshape serve's browser tests run on Node; a Node that is already installed is kept.
command -v node >/dev/null || pkgs+=(nodejs)
command -v npm >/dev/null || pkgs+=(npm)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
# playwright-core for the browser tests, exactly as locked; it drives the Chromium above and
# downloads no browser of its own.
web_modules() {
  local web
  web="$(dirname "$0")/../tests/web"
  if [ ! -f "$web/node_modules/playwright-core/package.json" ]; then
    (cd "$web" && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error)
  fi
}
# The Windows build compiles pugixml from Debian's source package (cmake/windows-deps.cmake).
pugixml_source() {
  compgen -G "/usr/src/pugixml-src/pugixml-*/src/pugixml.cpp" >/dev/null && return 0
  if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ && ! grep -qs '^deb-src' /etc/apt/sources.list; then
    $SUDO tee /etc/apt/sources.list.d/debian-src.sources >/dev/null <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
    $SUDO apt-get update -qq
  fi
  $SUDO mkdir -p /usr/src/pugixml-src
  (cd /usr/src/pugixml-src && $SUDO apt-get source -qq pugixml >/dev/null)
}
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
if [ ${#missing[@]} -ne 0 ]; then
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
pugixml_source
web_modules
