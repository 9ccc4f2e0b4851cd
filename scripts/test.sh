#!/usr/bin/env bash
# Builds everything and runs all tests: the Linux build in build-dir, then the Windows build in
# build-dir-windows with its tests under Wine (scripts/windows.sh; VX_SKIP_WINDOWS=1 leaves it out).
# Usage: scripts/test.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
build=${1:-build}
gen=()
command -v ninja >/dev/null && gen=(-G Ninja)
if [ -f "$build/CMakeCache.txt" ] && ! grep -q "CMAKE_GENERATOR:INTERNAL=${gen[1]:-Unix Makefiles}" "$build/CMakeCache.txt"; then
  gen=()  # keep the generator the folder was made with
fi
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$build" "${gen[@]}" "${launcher[@]}" -DVX_BUILD_TESTS=ON -DVX_BUILD_BENCH=ON
cmake --build "$build" -j "$(nproc)"
# The fuzz smoke run first, so that ctest's summary is the last thing printed.
bash scripts/fuzz-smoke.sh
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
[ "${VX_SKIP_WINDOWS:-0}" = 1 ] || VX_LINUX_BUILD="$build" bash scripts/windows.sh "$build-windows"
