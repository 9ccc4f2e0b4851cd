#!/usr/bin/env bash
# The main job on the shipped samples: builds vxshape, describes and renders the sample sheet, plays
# a session with the plug-in loaded on it, imports the sample shapefiles (roads, blocks, stations in
# plane zone IX with Shift-JIS tables) into a new document, lists the roads as features, exports
# the stations as coordinate text, imports a shipped KML file, and
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
# The stations (the current layer after the import) as comma-separated UTF-8 coordinate text.
"$vx" export-text out/import.vxd out/stations.csv --comma --encoding utf8 --preferences out/preferences.json
# A KML file of the layout desktop globe viewers write: folders become layers, styles the look.
"$vx" new out/kml.vxd --size 842x595
"$vx" import-kml out/kml.vxd samples/sights.kml --map JGD:XY9 --scale 10000 --preferences out/preferences.json
"$vx" info out/kml.vxd --features
"$vx" render out/kml.vxd out/kml.svg
echo "wrote out/sample-sheet.svg, out/import.svg, out/stations.csv and out/kml.svg"
