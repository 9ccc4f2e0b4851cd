#!/usr/bin/env bash
# The main job on the shipped samples: builds vxshape; imports the sample shapefiles (roads, blocks,
# stations in plane zone IX with Shift-JIS tables) into a new document, labels the stations and
# blocks from their attribute values, finds the busy stations, exports each imported layer back
# as a shapefile of its own kind (in the sheet's zone, and in latitude/longitude) and the stations as
# coordinate text, imports a shipped KML file, and renders the sheets. It also describes, plays a
# plug-in session on and renders the older sample sheet. Output: out/.
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
# --force: a run of the demo replaces the documents of the run before.
"$vx" new out/import.vxd --size 842x595 --force
"$vx" import-shp out/import.vxd samples/roads.shp samples/blocks.shp samples/stations.shp \
  --encoding auto --from auto --map JGD:XY9 --scale 5000 --north --preferences out/preferences.json
"$vx" info out/import.vxd
"$vx" info out/import.vxd --features --layer roads
# Labels from attribute values, and a search by value, as the attribute panel does them.
"$vx" attrs out/import.vxd --select stations
"$vx" label out/import.vxd --select stations --field 駅名
"$vx" label out/import.vxd --select blocks --field 名称
"$vx" search out/import.vxd --field 乗降客数 --min 100000
"$vx" render out/import.vxd out/import.svg
# The imported art back out as shapefiles, each layer in its own kind as a user would choose it:
# the roads as lines in the sheet's plane zone, and every layer converted to latitude/longitude
# (roads as lines, blocks as polygons, the station marks as points, their labels left out); GDAL
# reads them in the right system and encoding, with the records in the order of the files read.
mkdir -p out/layers
"$vx" export-shp out/import.vxd out/roads-out.shp --layer roads --type line --layer-field \
  --preferences out/preferences.json
for kind in roads:line blocks:polygon stations:point; do
  "$vx" export-shp out/import.vxd "out/layers/${kind%%:*}.shp" --layer "${kind%%:*}" --type "${kind#*:}" \
    --objects unfilled,filled --to JGD:BL --preferences out/preferences.json
done
if command -v ogrinfo >/dev/null; then
  for f in out/roads-out.shp out/layers/*.shp; do
    ogrinfo -ro -al -so -nomd "$f" | grep -E '^(Layer name|Geometry|Feature Count|Extent):|^    ID\["EPSG"'
  done
fi
# The older sample sheet: the panel's work on its buildings.
"$vx" attrs out/sample-sheet.vxd --select 建物
"$vx" label out/sample-sheet.vxd --select 建物 --field NAME
"$vx" render out/sample-sheet.vxd out/sample-labelled.svg
# The stations as comma-separated UTF-8 coordinate text.
"$vx" export-text out/import.vxd out/stations.csv --layer stations --objects unfilled,filled --comma --encoding utf8 --preferences out/preferences.json
# A KML file of the layout desktop globe viewers write: folders become layers, styles the look.
"$vx" new out/kml.vxd --size 842x595 --force
"$vx" import-kml out/kml.vxd samples/sights.kml --map JGD:XY9 --scale 10000 --preferences out/preferences.json
"$vx" info out/kml.vxd --features
"$vx" render out/kml.vxd out/kml.svg
echo "wrote out/import.svg, out/roads-out.shp, out/layers/*.shp, out/stations.csv, out/kml.svg,"
echo "      out/sample-sheet.svg and out/sample-labelled.svg"
