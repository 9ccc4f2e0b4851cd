#!/usr/bin/env bash
# Runs a Windows program under Wine: quiet, in a prefix of its own (VX_WINEPREFIX, else
# wine-prefix/ in the current build folder found from CMakeCache.txt upwards, else a temporary one).
set -euo pipefail
wine=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
if [ -z "${VX_WINEPREFIX:-}" ]; then
  d=$PWD
  while [ "$d" != / ] && [ ! -f "$d/CMakeCache.txt" ]; do d=$(dirname "$d"); done
  if [ -f "$d/CMakeCache.txt" ]; then VX_WINEPREFIX=$d/wine-prefix; else VX_WINEPREFIX=${TMPDIR:-/tmp}/vxshape-wine-$(id -u); fi
fi
export WINEPREFIX=$VX_WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" 
exec "$wine" "$@"
