#!/usr/bin/env bash
# Checks the built module's exports and imports: both custom actions with their ordinals and
# undecorated names, nothing imported but Windows' KnownDLLs, and the machine it was built for.
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

# Load-time imports only from Windows' KnownDLLs, which the loader takes from the system folder
# whatever lies beside the module: a DLL planted in the folder of a tool run elevated from a
# download or a stick, or of the installer's copy of the module, is never loaded. The list is
# HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\KnownDLLs as the SYSTEM hives of
# Windows 10 1709 and 1903 in tests/data/hives hold it (the same in both, but for the ARM
# emulation's xtajit.dll in 1903); powrprof.dll is not among them.
known='^(advapi32|clbcatq|combase|comdlg32|coml2|difxapi|gdi32|gdiplus|imagehlp|imm32|kernel32|msctf|msvcrt|normaliz|nsi|ole32|oleaut32|psapi|rpcrt4|sechost|setupapi|shcore|shell32|shlwapi|user32|wldap32|ws2_32)\.dll$'
while read -r name; do
  lower=$(tr 'A-Z' 'a-z' <<<"$name")
  [[ "$lower" =~ $known ]] || fail "imports a DLL that is not one of Windows' KnownDLLs: $name"
done < <(awk '/DLL Name:/{print $3}' <<<"$dump")

# Power functions are found at run time, never imported.
for late in GetPwrCapabilities PowerReadDescription PowerGetActiveScheme PowerReadACValueIndex \
  PowerReadDCValueIndex PowerEnumerate PowerReadFriendlyName PowerDeterminePlatformRoleEx \
  PowerDeterminePlatformRole; do
  ! grep -q "[[:space:]]$late$" <<<"$dump" || fail "imports $late statically"
done
if [[ "$imports_only" == "--imports-only" ]]; then
  echo "check-dll: $dll ($arch) imports only Windows' KnownDLLs"
else
  echo "check-dll: $dll ($arch) exports both custom actions and imports only Windows' KnownDLLs"
fi
