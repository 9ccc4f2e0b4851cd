#!/usr/bin/env bash
# The main job on the shipped sample: builds vxshape, describes the sample sheet, makes a new
# document, and renders both as SVG into out/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
gen=()
command -v ninja >/dev/null && [ ! -f build/CMakeCache.txt ] && gen=(-G Ninja)
cmake -S . -B build "${gen[@]}" >/dev/null
cmake --build build -j "$(nproc)" --target vxshape
vx=build/cli/vxshape
mkdir -p out
cp samples/sample-sheet.vxd out/sample-sheet.vxd
"$vx" info out/sample-sheet.vxd
"$vx" render out/sample-sheet.vxd out/sample-sheet.svg
"$vx" new out/new.vxd --size 842x595
"$vx" info out/new.vxd
"$vx" render out/new.vxd out/new.svg
echo "wrote out/sample-sheet.svg and out/new.svg"
