#!/usr/bin/env bash
# The Linux plug-in module defines one dynamic symbol, PluginMain: its libraries and its C++
# runtime stay inside it.
# Usage: module_exports.sh MODULE
set -euo pipefail
module=$1
defined=$(nm -D --defined-only "$module" | awk '{print $3}' | sort)
if [ "$defined" != "PluginMain" ]; then
  echo "$module defines dynamic symbols besides PluginMain:"
  echo "$defined"
  exit 1
fi
if readelf -sW "$module" | grep -q ' UNIQUE '; then
  echo "$module has unique symbols, which keep it from unloading"
  exit 1
fi
echo "$module: only PluginMain"
