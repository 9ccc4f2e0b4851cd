#!/usr/bin/env bash
# The Windows build: cross-compiles with mingw-w64 in build-windows/ (or the folder given) the
# plug-in module vxshape.aip (a DLL exporting PluginMain), vxshape.exe and the Windows test
# programs, then runs the tests under Wine. The test comparing vxshape.exe with the Linux program
# uses build/cli/vxshape (or $VX_LINUX_BUILD/cli/vxshape) when it is there.
# Usage: scripts/windows.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
build=${1:-build-windows}
linux=${VX_LINUX_BUILD:-build}
args=(-DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64.cmake" -DCMAKE_BUILD_TYPE=Release
      -DVX_BUILD_TESTS=ON -DVX_BUILD_BENCH=OFF -DVX_LINUX_VXSHAPE=)
[ -x "$linux/cli/vxshape" ] && args[-1]=-DVX_LINUX_VXSHAPE="$(realpath "$linux/cli/vxshape")"
command -v ccache >/dev/null && args+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
gen=()
[ -f "$build/CMakeCache.txt" ] || gen=(-G Ninja)
cmake -S . -B "$build" "${gen[@]}" "${args[@]}"
# The build folder's own Wine prefix, made before the build lists the tests through Wine.
export VX_WINEPREFIX="$PWD/$build/wine-prefix"
[ -d "$VX_WINEPREFIX" ] || { cmake/wine-run.sh wineboot --init >/dev/null 2>&1 || true; }
cmake --build "$build" -j "$(nproc)"
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
