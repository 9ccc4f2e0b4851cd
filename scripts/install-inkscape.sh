#!/usr/bin/env bash
# Installs vxshape's Inkscape extensions (inkscape/) into Inkscape's user extensions folder, with
# the vxshape program they run.
# Usage: scripts/install-inkscape.sh [--vxshape PROGRAM] [--to FOLDER]
#   PROGRAM: default build/cli/vxshape beside this script, else vxshape on PATH.
#   FOLDER:  default $XDG_CONFIG_HOME/inkscape/extensions (~/.config/inkscape/extensions).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
program=""
to="${XDG_CONFIG_HOME:-$HOME/.config}/inkscape/extensions"
while [ $# -gt 0 ]; do
  case "$1" in
    --vxshape) program="$2"; shift 2 ;;
    --to) to="$2"; shift 2 ;;
    *) echo "install-inkscape.sh: unknown argument $1" >&2; exit 2 ;;
  esac
done
if [ -z "$program" ]; then
  if [ -x "$here/build/cli/vxshape" ]; then program="$here/build/cli/vxshape"; else program="$(command -v vxshape || true)"; fi
fi
[ -n "$program" ] && [ -x "$program" ] || { echo "install-inkscape.sh: no vxshape program (build it, or give --vxshape)" >&2; exit 1; }
program="$(cd "$(dirname "$program")" && pwd)/$(basename "$program")"
# The plug-in's data files (the datum shift grid) sit beside the program already.
dest="$to/vxshape"
mkdir -p "$dest"
cp "$here"/inkscape/*.inx "$here"/inkscape/vxshape_inkscape.py "$dest/"
printf '%s\n' "$program" > "$dest/vxshape.conf"
echo "Inkscape extensions installed in $dest (vxshape: $program); restart Inkscape to see them under エクステンション > Varnox-Shape"
