#!/usr/bin/env bash
# Import, export and load against ogr2ogr, side by side in one run. A polyline shapefile of 20,000
# records and 1.5 million vertices (JGD2000 latitude/longitude, Shift-JIS table) is
#   import: imported by `vxshape import-shp` onto a new plane-zone IX data frame (document saved),
#           beside ogr2ogr reprojecting it to plane zone IX (EPSG:2451);
#   export: the document exported by `vxshape export-shp --type line --to JGD:BL`, beside ogr2ogr
#           reprojecting its own zone IX output back to latitude/longitude (EPSG:4612);
#   load:   the document loaded by `vxshape info`.
# Each job twice: with the document saved as .vxd and as Inkscape SVG.
# Then the same for ten times the data (200,000 records, 15 million vertices, a 250 MB .shp),
# unless --skip-large. Each run is timed with /usr/bin/time -v, the programs in turn; printed are
# the medians of wall and CPU seconds, the ratio to ogr2ogr and the peak memory per vertex.
#
#   bash bench/import_vs_ogr2ogr.sh [--skip-large] [RUNS]     (default 3 runs; VXSHAPE=path/to/vxshape)
#
# Use a Release build: cmake -S . -B build-rel -DCMAKE_BUILD_TYPE=Release && cmake --build build-rel --target vxshape
set -euo pipefail
cd "$(dirname "$0")/.."
large=1
if [ "${1:-}" = "--skip-large" ]; then
  large=0
  shift
fi
runs=${1:-3}
vx=${VXSHAPE:-build-rel/cli/vxshape}
[ -x "$vx" ] || vx=build/cli/vxshape
[ -x "$vx" ] || { echo "build vxshape first (see the header of this script)" >&2; exit 2; }
command -v ogr2ogr >/dev/null || { echo "ogr2ogr is missing (apt-get install gdal-bin)" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "/usr/bin/time is missing (apt-get install time)" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
vertices=75

# One timed run: prints "wall cpu peak_kB" (cpu = user + sys).
timed() {
  /usr/bin/time -v -o "$work/time.txt" "$@" >/dev/null 2>"$work/err.txt" || { cat "$work/err.txt" >&2; exit 1; }
  awk -F': ' '
    /Elapsed \(wall clock\)/ { n = split($2, t, ":"); w = (n == 3) ? t[1] * 3600 + t[2] * 60 + t[3] : t[1] * 60 + t[2] }
    /User time/ { u = $2 } /System time/ { s = $2 } /Maximum resident/ { m = $2 }
    END { printf "%.2f %.2f %d\n", w, u + s, m }' "$work/time.txt"
}

doc=d.vxd  # the document's name: its extension picks the format
import_ours() {
  rm -f "$work/$doc"
  "$vx" new "$work/$doc" >/dev/null
  timed "$vx" import-shp "$work/$doc" "$work/lines.shp" --encoding sjis --from JGD:BL --map JGD:XY9 \
    --scale 25000 --north --preferences "$work/prefs.json"
}
import_peer() {
  rm -rf "$work/zone9"
  timed ogr2ogr -s_srs EPSG:4612 -t_srs EPSG:2451 -lco ENCODING=CP932 "$work/zone9" "$work/lines.shp"
}
export_ours() {
  rm -rf "$work/out" && mkdir "$work/out"
  timed "$vx" export-shp "$work/$doc" "$work/out/lines.shp" --target all --type line --to JGD:BL \
    --preferences "$work/prefs.json"
}
export_peer() {
  rm -rf "$work/bl"
  timed ogr2ogr -t_srs EPSG:4612 -lco ENCODING=CP932 "$work/bl" "$work/zone9/lines.shp"
}
load_ours() { timed "$vx" info "$work/$doc"; }

median() { sort -n | awk '{ a[NR] = $1 } END { print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2 }'; }
col() { cut -d' ' -f"$2" "$work/$1.txt" | median; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
perv() { awk -v m="$1" -v n="$2" 'BEGIN { printf "%.0f", m * 1024 / n }'; }
mib() { awk -v m="$1" 'BEGIN { printf "%.1f", m / 1024 }'; }

# Times JOB (ours, and its peer when it has one) RUNS times in turn; prints one table row.
bench() {
  local job=$1 total=$2 peer=$3
  : >"$work/o.txt"
  : >"$work/p.txt"
  for i in $(seq "$runs"); do
    "${job}_ours" >>"$work/o.txt"
    if [ "$peer" = 1 ]; then "${job}_peer" >>"$work/p.txt"; fi
  done
  local ow oc om pw pc pm
  ow=$(col o 1); oc=$(col o 2); om=$(col o 3)
  if [ "$peer" = 1 ]; then
    pw=$(col p 1); pc=$(col p 2); pm=$(col p 3)
    printf '| %s %s | %s s | %s s | %s s | %s s | %s | %s | %s MiB (%s B/vertex) | %s MiB |\n' "$job" "$label" \
      "$ow" "$oc" "$pw" "$pc" "$(ratio "$ow" "$pw")" "$(ratio "$oc" "$pc")" "$(mib "$om")" "$(perv "$om" "$total")" "$(mib "$pm")"
  else
    printf '| %s %s | %s s | %s s | — | — | — | — | %s MiB (%s B/vertex) | — |\n' "$job" "$label" \
      "$ow" "$oc" "$(mib "$om")" "$(perv "$om" "$total")"
  fi
}

sizes="20000"
[ "$large" = 1 ] && sizes="20000 200000"
echo "| job | vxshape wall | vxshape CPU | ogr2ogr wall | ogr2ogr CPU | wall ratio | CPU ratio | vxshape peak memory | ogr2ogr peak memory |"
echo "|---|---|---|---|---|---|---|---|---|"
for records in $sizes; do
  total=$((records * vertices))
  label="($(awk -v n="$total" 'BEGIN { printf "%gM", n / 1e6 }'))"
  rm -f "$work"/lines.*
  python3 bench/make_lines_shp.py "$work/lines.shp" "$records" "$vertices"
  import_ours >/dev/null  # warm-up: file cache, program pages; leaves the document and zone IX file
  import_peer >/dev/null
  for doc in d.vxd d.svg; do
    label="($(awk -v n="$total" 'BEGIN { printf "%gM", n / 1e6 }'), ${doc#d.})"
    [ "$doc" = d.svg ] && import_ours >/dev/null
    bench import "$total" 1
    export_ours >/dev/null
    export_peer >/dev/null
    bench export "$total" 1
    bench load "$total" 0
  done
done
