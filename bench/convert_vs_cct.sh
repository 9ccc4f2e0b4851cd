#!/usr/bin/env bash
# `vxshape convert` beside PROJ's cct, side by side in one run, on 1,000,000 generated points each:
#   zone-in:   latitude/longitude -> UTM54 within the zone's 3 degrees (the classical series)
#   zone-out:  UTM54 -> latitude/longitude, the same points back
#   wide-in:   latitude/longitude -> UTM33, 5.5 to 35 degrees from the meridian (Krüger's series)
#   wide-out:  UTM33 -> latitude/longitude, those points back
# With VXSHAPE_BEFORE=path/to/an/earlier/vxshape the earlier program is timed in the same run
# (points it refuses print "nan nan nan" and still count). Each run is timed with /usr/bin/time;
# printed are the medians of wall seconds and the ratio to cct.
#
#   bash bench/convert_vs_cct.sh [RUNS]     (default 3; VXSHAPE=path/to/vxshape)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-3}
vx=${VXSHAPE:-build-rel/cli/vxshape}
[ -x "$vx" ] || vx=build/cli/vxshape
[ -x "$vx" ] || { echo "build vxshape first" >&2; exit 2; }
before=${VXSHAPE_BEFORE:-}
command -v cct >/dev/null || { echo "cct is missing (apt-get install proj-bin)" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "/usr/bin/time is missing (apt-get install time)" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
n=1000000
awk -v n=$n 'BEGIN { srand(7); for (i = 0; i < n; i++) printf "%.9f %.9f\n", 138 + 6 * rand(), 20 + 26 * rand() }' > "$work/zone.bl"
awk -v n=$n 'BEGIN { srand(8); for (i = 0; i < n; i++) { d = 5.5 + 29.5 * rand(); if (rand() < 0.5) d = -d;
  printf "%.9f %.9f\n", 15 + d, 70 * rand() } }' > "$work/wide.bl"
cct -z 0 -t 0 -d 9 +proj=utm +zone=54 +ellps=GRS80 < "$work/zone.bl" | awk '{ print $1, $2 }' > "$work/zone.utm"
cct -z 0 -t 0 -d 9 +proj=utm +zone=33 +ellps=GRS80 < "$work/wide.bl" | awk '{ print $1, $2 }' > "$work/wide.utm"

# One timed run: prints the wall seconds.
timed() {
  local input=$1
  shift
  /usr/bin/time -f %e -o "$work/time.txt" "$@" < "$input" > "$work/out.txt" 2>/dev/null || true
  tail -n 1 "$work/time.txt"  # after "Command exited with non-zero status" when lines fail
}
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

declare -A cases=(
  [zone-in]="zone.bl JGD:BL JGD:UTM54 +proj=utm +zone=54 +ellps=GRS80"
  [zone-out]="zone.utm JGD:UTM54 JGD:BL -I +proj=utm +zone=54 +ellps=GRS80"
  [wide-in]="wide.bl JGD:BL JGD:UTM33 +proj=utm +zone=33 +ellps=GRS80"
  [wide-out]="wide.utm JGD:UTM33 JGD:BL -I +proj=utm +zone=33 +ellps=GRS80"
)
printf '%-9s %10s %10s %10s %8s %8s\n' case vxshape before cct ratio before
for c in zone-in zone-out wide-in wide-out; do
  read -r file from to proj <<<"${cases[$c]}"
  ours=() earlier=() peer=()
  for ((r = 0; r < runs; r++)); do
    ours+=("$(timed "$work/$file" "$vx" convert --from "$from" --to "$to")")
    [ -n "$before" ] && earlier+=("$(timed "$work/$file" "$before" convert --from "$from" --to "$to")")
    # shellcheck disable=SC2086
    peer+=("$(timed "$work/$file" cct -z 0 -t 0 -d 9 $proj)")
  done
  o=$(printf '%s\n' "${ours[@]}" | median)
  p=$(printf '%s\n' "${peer[@]}" | median)
  b=-
  [ -n "$before" ] && b=$(printf '%s\n' "${earlier[@]}" | median)
  awk -v c=$c -v o=$o -v b=$b -v p=$p 'BEGIN { printf "%-9s %10.2f %10s %10.2f %8.2f %8s\n", c, o, b, p, o / p,
    (b == "-") ? "-" : sprintf("%.2f", b / p) }'
done
