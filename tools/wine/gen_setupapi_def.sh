#!/usr/bin/env bash
# Writes setupapi_proxy.def: every export of Wine's setupapi.dll forwarded to the renamed copy
# "setupapi_wine", but for the property read the proxy answers itself.
#   gen_setupapi_def.sh [WINE_SETUPAPI_DLL] > setupapi_proxy.def
set -euo pipefail
dll="${1:-/usr/lib/i386-linux-gnu/wine/i386-windows/setupapi.dll}"
echo "LIBRARY setupapi.dll"
echo "EXPORTS"
i686-w64-mingw32-objdump -p "$dll" |
  awk '/\[Ordinal\/Name Pointer\] Table/{on=1; next} on && /^\t\[/{print $NF} on && !/^\t\[/{on=0}' |
  while read -r name; do
    if [[ "$name" == SetupDiGetDeviceRegistryPropertyW ]]; then
      echo "  SetupDiGetDeviceRegistryPropertyW = SetupDiGetDeviceRegistryPropertyW@28"
    else
      echo "  $name = setupapi_wine.$name"
    fi
  done
