#!/usr/bin/env bash
# The main job on the shipped sample: builds vxshape, describes and renders the sample sheet, plays
# a session with the plug-in loaded on it, labels the buildings by name, makes a new document, and
# renders them into out/.
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
# The attribute panel's work from the command line: the buildings' fields, a label on each
# building from its NAME, the tall ones found by number, and the sheet drawn again.
"$vx" attrs out/sample-sheet.vxd --select 建物
"$vx" label out/sample-sheet.vxd --select 建物 --field NAME
"$vx" search out/sample-sheet.vxd --field FLOORS --min 3
"$vx" render out/sample-sheet.vxd out/sample-labelled.svg
"$vx" new out/new.vxd --size 842x595
"$vx" info out/new.vxd
"$vx" render out/new.vxd out/new.svg
echo "wrote out/sample-sheet.svg, out/sample-labelled.svg and out/new.svg"
