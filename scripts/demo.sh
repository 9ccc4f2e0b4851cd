#!/usr/bin/env bash
# The main job on the shipped samples: builds vxshape, describes and renders the sample sheet, plays
# a session with the plug-in loaded on it, imports the sample shapefiles (roads, blocks, stations in
# plane zone IX with Shift-JIS tables) into a new document, lists the roads as features, and
# renders everything into out/.
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
# A session with the plug-in loaded: the About dialog, the menus, the flyout and the panel.
"$vx" run out/sample-sheet.vxd samples/about-session.json --preferences out/preferences.json
# The import: the sidecar files (.cpg, .prj) tell the encoding and the files' system; the new data
# frame is drawn in plane zone IX at 1:5000 with true north up.
"$vx" new out/import.vxd --size 842x595
"$vx" import-shp out/import.vxd samples/roads.shp samples/blocks.shp samples/stations.shp \
  --encoding auto --from auto --map JGD:XY9 --scale 5000 --north --preferences out/preferences.json
"$vx" info out/import.vxd
"$vx" info out/import.vxd --features --layer roads
"$vx" render out/import.vxd out/import.svg
echo "wrote out/sample-sheet.svg and out/import.svg"
