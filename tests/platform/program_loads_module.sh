#!/usr/bin/env bash
# vxshape.exe loads the plug-in module at run time (LoadLibraryW, GetProcAddress) and contains
# none of the plug-in's shell: no PluginMain and no symbol of the shell's classes.
# Usage: program_loads_module.sh OBJDUMP PROGRAM
set -euo pipefail
objdump=$1 program=$2
imports=$("$objdump" -p "$program")
status=0
for f in LoadLibraryW GetProcAddress FreeLibrary; do
  grep -qE "[[:space:]]$f\$" <<<"$imports" || { echo "$program does not import $f"; status=1; }
done
if "$objdump" -t "$program" | grep -E 'PluginMain|vx5shell|ShapePlugin|CAttrPanel' | head -5 | grep .; then
  echo "$program contains the plug-in's code"
  status=1
fi
[ $status -eq 0 ] && echo "$program: loads the module, holds none of the plug-in"
exit $status
