#!/usr/bin/env bash
# vxshape serve on a large sheet: the 1.5-million-vertex line document of the import benchmark
# (bench/make_lines_shp.py, imported onto a plane-zone IX data frame at 1:25,000), opened in
# Debian's headless Chromium through playwright-core (the browser tests' tooling). Prints the
# figures of docs/serve.md: first draw, zoom frames, a click-select, hide/show of a layer, a
# search selecting 10,000 objects, and the CPU the server and the page use while idle.
#
#   bash bench/serve_bench.sh [RUNS]      (default 3; VXSHAPE=path/to/vxshape, default build/cli/vxshape)
set -euo pipefail
cd "$(dirname "$0")/.."
vx=$(realpath "${VXSHAPE:-build/cli/vxshape}")
[ -x "$vx" ] || { echo "build vxshape first" >&2; exit 2; }
[ -f tests/web/node_modules/playwright-core/package.json ] ||
  (cd tests/web && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 bench/make_lines_shp.py "$work/lines.shp" >/dev/null
"$vx" new "$work/big.vxd" >/dev/null
"$vx" import-shp "$work/big.vxd" "$work/lines.shp" --encoding sjis --from JGD:BL --map JGD:XY9 --scale 25000 --north \
  --preferences "$work/prefs.json" >/dev/null
VXSHAPE="$vx" node bench/serve_bench.mjs "$work/big.vxd" "${1:-3}"
