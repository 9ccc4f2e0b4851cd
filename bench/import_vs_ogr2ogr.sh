#!/usr/bin/env bash
# Import speed and memory against ogr2ogr: a polyline shapefile of 20,000 records and 1.5 million
# vertices (JGD2000 latitude/longitude, Shift-JIS table) is imported by `vxshape import-shp` onto a
# new plane-zone IX data frame (document saved), and reprojected to plane zone IX (EPSG:2451) by
# ogr2ogr, in turn, several times. Prints each run's wall and CPU seconds and peak memory
# (/usr/bin/time -v), the medians, the ratio and the peak memory per imported vertex.
#
#   bash bench/import_vs_ogr2ogr.sh [RUNS]        (default 3; VXSHAPE=path/to/vxshape)
#
# Use a Release build: cmake -S . -B build-rel -DCMAKE_BUILD_TYPE=Release && cmake --build build-rel --target vxshape
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-3}
vx=${VXSHAPE:-build-rel/cli/vxshape}
[ -x "$vx" ] || vx=build/cli/vxshape
[ -x "$vx" ] || { echo "build vxshape first (see the header of this script)" >&2; exit 2; }
command -v ogr2ogr >/dev/null || { echo "ogr2ogr is missing (apt-get install gdal-bin)" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "/usr/bin/time is missing (apt-get install time)" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
records=20000
vertices=75
python3 bench/make_lines_shp.py "$work/lines.shp" "$records" "$vertices"
total=$((records * vertices))
echo "data: $records records, $total vertices, $(du -k "$work/lines.shp" | cut -f1) kB .shp"

# One timed run: prints "wall cpu peak_kB" (cpu = user + sys).
timed() {
  /usr/bin/time -v -o "$work/time.txt" "$@" >/dev/null 2>"$work/err.txt" || { cat "$work/err.txt" >&2; exit 1; }
  awk -F': ' '
    /Elapsed \(wall clock\)/ { n = split($2, t, ":"); w = (n == 3) ? t[1] * 3600 + t[2] * 60 + t[3] : t[1] * 60 + t[2] }
    /User time/ { u = $2 } /System time/ { s = $2 } /Maximum resident/ { m = $2 }
    END { printf "%.2f %.2f %d\n", w, u + s, m }' "$work/time.txt"
}

ours() {
  rm -f "$work/d.vxd"
  "$vx" new "$work/d.vxd" >/dev/null
  timed "$vx" import-shp "$work/d.vxd" "$work/lines.shp" --encoding sjis --from JGD:BL --map JGD:XY9 \
    --scale 25000 --north --preferences "$work/prefs.json"
}
peer() {
  rm -rf "$work/out"
  timed ogr2ogr -s_srs EPSG:4612 -t_srs EPSG:2451 -lco ENCODING=CP932 "$work/out" "$work/lines.shp"
}

ours >/dev/null  # warm-up: file cache, program pages
peer >/dev/null
: >"$work/ours.txt"
: >"$work/peer.txt"
for i in $(seq "$runs"); do
  o=$(ours); p=$(peer)
  echo "run $i: vxshape import-shp: wall $(cut -d' ' -f1 <<<"$o") s, cpu $(cut -d' ' -f2 <<<"$o") s, peak $(cut -d' ' -f3 <<<"$o") kB;" \
       "ogr2ogr: wall $(cut -d' ' -f1 <<<"$p") s, cpu $(cut -d' ' -f2 <<<"$p") s, peak $(cut -d' ' -f3 <<<"$p") kB"
  echo "$o" >>"$work/ours.txt"
  echo "$p" >>"$work/peer.txt"
done
median() { sort -n | awk '{ a[NR] = $1 } END { print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2 }'; }
ow=$(cut -d' ' -f1 "$work/ours.txt" | median); pw=$(cut -d' ' -f1 "$work/peer.txt" | median)
oc=$(cut -d' ' -f2 "$work/ours.txt" | median); pc=$(cut -d' ' -f2 "$work/peer.txt" | median)
om=$(cut -d' ' -f3 "$work/ours.txt" | median)
echo "median wall: vxshape $ow s, ogr2ogr $pw s, ratio $(awk -v a="$ow" -v b="$pw" 'BEGIN { printf "%.2f", a / b }')"
echo "median cpu:  vxshape $oc s, ogr2ogr $pc s, ratio $(awk -v a="$oc" -v b="$pc" 'BEGIN { printf "%.2f", a / b }')"
echo "peak memory: vxshape $om kB = $(awk -v m="$om" -v n="$total" 'BEGIN { printf "%.0f", m * 1024 / n }') bytes per vertex"
