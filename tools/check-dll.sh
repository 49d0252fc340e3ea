#!/usr/bin/env bash
# Checks the built module's exports and imports: both custom actions with their ordinals and
# undecorated names, nothing imported but Windows' own DLLs, and the machine it was built for.
# With --imports-only (for presetra.exe), the machine and the imports.
#   check-dll.sh OBJDUMP x86|x64 Presetra.dll|presetra.exe [--imports-only]
set -euo pipefail
objdump="$1"
arch="$2"
dll="$3"
imports_only="${4:-}"
dump=$("$objdump" -p "$dll")

fail() { echo "check-dll: $*" >&2; exit 1; }

case "$arch" in
  x86) format=pei-i386 ;;
  x64) format=pei-x86-64 ;;
  *) fail "unknown architecture '$arch' (x86 or x64)" ;;
esac
grep -q "file format $format\$" <<<"$dump" || fail "$dll is not a $arch module ($format)"

if [[ "$imports_only" != "--imports-only" ]]; then
exports=$(awk '/\[Ordinal\/Name Pointer\] Table/{on=1; next} on && /^\t\[/{print} on && !/^\t\[/{on=0}' <<<"$dump")
grep -q 'Ordinal Base[[:space:]]*1$' <<<"$dump" || fail "ordinal base is not 1"
[[ "$(sed -n 1p <<<"$exports")" == *"[   0] vorqMSICommit" ]] || fail "ordinal 1 is not vorqMSICommit: $exports"
[[ "$(sed -n 2p <<<"$exports")" == *"[   1] vorqMSIUninstall" ]] || fail "ordinal 2 is not vorqMSIUninstall: $exports"
[[ $(wc -l <<<"$exports") -eq 2 ]] || fail "unexpected exports: $exports"
fi

allowed='^(kernel32|advapi32|user32|shell32|shlwapi|ole32|oleaut32|powrprof|setupapi|msvcrt)\.dll$'
while read -r name; do
  lower=$(tr 'A-Z' 'a-z' <<<"$name")
  [[ "$lower" =~ $allowed ]] || fail "imports a DLL that is not part of Windows: $name"
done < <(awk '/DLL Name:/{print $3}' <<<"$dump")

# Functions that older Windows (and Wine) lack are found at run time, never imported.
for late in PowerReadDescription PowerGetActiveScheme PowerReadACValueIndex PowerReadDCValueIndex \
  PowerDeterminePlatformRoleEx PowerDeterminePlatformRole; do
  ! grep -q "[[:space:]]$late$" <<<"$dump" || fail "imports $late statically"
done
if [[ "$imports_only" == "--imports-only" ]]; then
  echo "check-dll: $dll ($arch) imports only system DLLs"
else
  echo "check-dll: $dll ($arch) exports both custom actions and imports only system DLLs"
fi
