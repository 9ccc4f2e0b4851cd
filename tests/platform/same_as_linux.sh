#!/usr/bin/env bash
# The Windows program and the Linux program give the same bytes on the samples: coordinate
# conversion, the shapefile import (document), shapefile and text export, KML import, rendering.
# Usage: same_as_linux.sh LINUX_VXSHAPE WINDOWS_VXSHAPE WINE_RUNNER SAMPLES_FOLDER
set -euo pipefail
linux=$1 windows=$2 wine=$3 samples=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Both run in a folder of their own with the same relative names, so that nothing that depends on
# where the files are can differ.
run_all() {
  local side=$1
  shift
  mkdir -p "$work/$side/samples" "$work/$side/layers"
  cp "$samples"/*.shp "$samples"/*.shx "$samples"/*.dbf "$samples"/*.prj "$samples"/*.cpg "$samples"/*.kml \
    "$work/$side/samples/"
  cd "$work/$side"
  local -a prog=("$@")
  printf '%s\n' '-8342.512 22119.73' '0 0' '  1000.25	-2000.5  ' '# a comment' '12 x' >points.txt
  printf '%s\n' '139.7 35.7' '141.35 43.06' >degrees.txt
  {
    "${prog[@]}" convert --from JGD:XY9 --to JGD:BL points.txt || echo "status $?"
    "${prog[@]}" convert --from JGD:BL --to JGD:UTM54 degrees.txt || echo "status $?"
    "${prog[@]}" convert --from JGD:BL --to JGD:XY12 <degrees.txt || echo "status $?"
    "${prog[@]}" new import.vxd --size 842x595
    "${prog[@]}" import-shp import.vxd samples/roads.shp samples/blocks.shp samples/stations.shp \
      --encoding auto --from auto --map JGD:XY9 --scale 5000 --north --preferences prefs.json
    "${prog[@]}" info import.vxd --json
    "${prog[@]}" info import.vxd --features --layer roads
    "${prog[@]}" export-shp import.vxd roads-out.shp --target all --type line --layer-field --preferences prefs.json
    "${prog[@]}" export-shp import.vxd layers --target all --per-layer --type polygon --to JGD:BL --preferences prefs.json
    "${prog[@]}" export-shp import.vxd stations-out.shp --target all --type point --encoding utf8 --to JGD:UTM54
    "${prog[@]}" export-text import.vxd stations-utf8.csv --target all --comma --encoding utf8
    "${prog[@]}" export-text import.vxd stations-sjis.txt --target all --tab --encoding sjis --to JGD:BL
    "${prog[@]}" export-text import.vxd stations-utf16.txt --target all --encoding utf16
    "${prog[@]}" render import.vxd import.svg
    "${prog[@]}" new kml.vxd --size 842x595
    "${prog[@]}" import-kml kml.vxd samples/sights.kml --map JGD:XY9 --scale 10000 --preferences prefs.json
    "${prog[@]}" info kml.vxd --features
  } >stdout.txt 2>stderr.txt || { echo "$side: a command failed:"; cat stderr.txt; exit 1; }
  # The preferences hold the import's folder as an absolute path, which differs by design.
  rm -f prefs.json
}
(run_all linux "$linux")
(run_all windows "$wine" "$windows")
if diff -r "$work/linux" "$work/windows" >"$work/diff.txt"; then
  echo "same files: $(cd "$work/linux" && find . -type f | sort | tr '\n' ' ')"
else
  echo "the Windows program's files differ from the Linux program's:"
  head -50 "$work/diff.txt"
  exit 1
fi
