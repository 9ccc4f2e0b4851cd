#!/usr/bin/env bash
# A Windows file needs nothing beside it but the system's own DLLs (the C and C++ runtimes are
# linked in), and the plug-in module exports PluginMain and nothing else.
# Usage: module_imports.sh OBJDUMP FILE [EXPORT]
set -euo pipefail
objdump=$1 file=$2 export=${3:-}
dump=$("$objdump" -p "$file")
status=0
while read -r dll; do
  if ! grep -qiE '^(kernel32|msvcrt|user32|advapi32|shell32|ole32|gdi32|ws2_32|bcrypt|ntdll|api-ms-win-[a-z0-9-]+)\.dll$' <<<"$dll"; then
    echo "$file imports $dll, which is not part of Windows"
    status=1
  fi
done < <(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$dump")
if [ -n "$export" ]; then
  names=$(sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$dump" | sed -n 's/^[[:space:]]*\[ *[0-9]*\] //p')
  if [ "$names" != "$export" ]; then
    echo "$file exports [$(tr '\n' ' ' <<<"$names")], not $export alone"
    status=1
  fi
fi
[ $status -eq 0 ] && echo "$file: imports only Windows DLLs${export:+, exports only $export}"
exit $status
