#!/usr/bin/env bash
# End-to-end: the real package under Wine's real Windows Installer, against the simulated
# machine. For each machine profile: a fresh prefix seeded from the profile, "msiexec /i" and
# "msiexec /x" of Presetra.msi, then the log the DLL wrote and the power schemes it left are
# compared with what "presetra commit uninstall" writes for the same profile.
#   run.sh NATIVE_BUILD CROSS_BUILD [PROFILE...]
# (default: every examples/*.json and the bad machines of tests/e2e/machines/)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
native=$(realpath "$1")
cross=$(realpath "$2")
shift 2
profiles=("$@")
((${#profiles[@]})) || profiles=("$root"/examples/*.json "$here"/machines/*.json)

work="$native/e2e"
template="$work/template"
export WINEDEBUG=-all TZ=UTC
unset DISPLAY

fail() { echo "e2e: $*" >&2; exit 1; }
for tool in wine wineboot wineserver; do command -v "$tool" >/dev/null || fail "$tool is not installed"; done
[[ -f "$cross/Presetra.msi" ]] || fail "no $cross/Presetra.msi: build the cross build first"

winecmd() {  # PREFIX COMMAND...
  local prefix="$1"
  shift
  WINEPREFIX="$prefix" wine "$@"
}

make_template() {
  rm -rf "$template"
  mkdir -p "$work"
  WINEPREFIX="$template" wineboot -i >/dev/null 2>&1
  local reg=(reg add)
  # A crash must not wait behind an invisible dialog; windows need no display.
  winecmd "$template" "${reg[@]}" 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null
  winecmd "$template" "${reg[@]}" 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null
  # The stand-ins: powercfg where a 32-bit process finds system32\powercfg.exe, powrprof for
  # msiexec only, and the WMI locator in the 32-bit view.
  local syswow="$template/drive_c/windows/syswow64"
  cp "$cross/powercfg.exe" "$syswow/powercfg.exe"
  cp "$cross/powrprof.dll" "$syswow/powrprof.dll"
  winecmd "$template" "${reg[@]}" 'HKCU\Software\Wine\AppDefaults\msiexec.exe\DllOverrides' /v powrprof /d native /f >/dev/null
  # SetupAPI: Wine's own, renamed, behind a proxy that answers the enumerator name.
  cp "$syswow/setupapi.dll" "$syswow/setupapi_wine.dll"
  cp "$cross/setupapi.dll" "$syswow/setupapi.dll"
  winecmd "$template" "${reg[@]}" 'HKCU\Software\Wine\AppDefaults\msiexec.exe\DllOverrides' /v setupapi /d native,builtin /f >/dev/null
  mkdir -p "$template/drive_c/presetra"
  cp "$cross/presetra_wmi.dll" "$template/drive_c/presetra/presetra_wmi.dll"
  winecmd "$template" "${reg[@]}" 'HKLM\Software\Classes\CLSID\{4590F811-1D3A-11D0-891F-00AA004B2E24}\InprocServer32' \
    /ve /d 'C:\presetra\presetra_wmi.dll' /reg:32 /f >/dev/null
  WINEPREFIX="$template" wineserver -w
}

# The log's texts without their time stamps, as UTF-8.
log_texts() {
  iconv -f UTF-16LE -t UTF-8 "$1" | sed -e '1s/^\xEF\xBB\xBF//' -e 's/\r$//' -e 's/^[0-9][0-9]:[0-9][0-9]:[0-9][0-9]:[0-9][0-9][0-9]\t//'
}

[[ -d "$template" ]] || make_template
failures=0
for profile in "${profiles[@]}"; do
  name=$(basename "$profile" .json)
  prefix="$work/$name"
  rm -rf "$prefix"
  cp -a "$template" "$prefix"
  # Wine's 32-bit system folder is spelled in lower case; everything else is the profile's.
  machine="$work/$name.machine.json"
  python3 - "$profile" "$machine" <<'PY'
import json, sys
profile = json.load(open(sys.argv[1], encoding="utf-8"))
profile["system_folder"] = "C:\\windows\\system32"
json.dump(profile, open(sys.argv[2], "w", encoding="utf-8"), ensure_ascii=False)
PY
  "$native/presetra-seed" "$machine" "$prefix"
  winecmd "$prefix" reg import 'C:\presetra\seed.reg' /reg:64 >/dev/null 2>&1
  # The installer's progress dialog, for the status line the scripts' texts go to.
  WINEPREFIX="$prefix" wine "$cross/presetra-dialog.exe" 'C:\presetra\status.txt' 'C:\presetra\dialog.ready' \
    </dev/null >/dev/null 2>&1 &
  dialog=$!
  for _ in $(seq 100); do [[ -f "$prefix/drive_c/presetra/dialog.ready" ]] && break; sleep 0.2; done
  [[ -f "$prefix/drive_c/presetra/dialog.ready" ]] || fail "$name: the dialog stand-in did not start"
  WINEPREFIX="$prefix" WINEDEBUG=err+msi wine msiexec /i "$cross/Presetra.msi" /qn >/dev/null 2>"$work/$name.install.err" || true
  log="$prefix/drive_c/System.sav/LOGS/OSIT/Presetra.log"
  [[ -f "$log" ]] || log="$prefix/drive_c/Program Files (x86)/Vorlan/Presetra/Presetra.log"
  if [[ -f "$log" ]]; then
    # What the library adds to its process launches: the commit's span in its own log against
    # as many bare launches of the same powercfg.
    read -r commit_ms launches < <(iconv -f UTF-16LE -t UTF-8 "$log" | python3 -c '
import sys
lines = [l for l in sys.stdin.read().lstrip("\ufeff").splitlines() if l[:2].isdigit()]
ms = lambda l: ((int(l[0:2]) * 60 + int(l[3:5])) * 60 + int(l[6:8])) * 1000 + int(l[9:12])
print(ms(lines[-1]) - ms(lines[0]), sum("powercfg.exe " in l for l in lines))')
    bare_ms=$(WINEPREFIX="$prefix" wine "$cross/presetra-launchbench.exe" "$launches" \
      'C:\windows\system32\powercfg.exe -getactivescheme' 2>/dev/null | tr -d '\r' | tail -n 1)
    echo "e2e: $name: commit ${commit_ms} ms; ${launches} bare powercfg launches ${bare_ms} ms"
  fi
  kill "$dialog" 2>/dev/null || true
  WINEPREFIX="$prefix" WINEDEBUG=err+msi wine msiexec /x "$cross/Presetra.msi" /qn >/dev/null 2>"$work/$name.remove.err" || true
  if grep -E "failed to load dll|GetProcAddress|page fault" "$work/$name.install.err" "$work/$name.remove.err"; then
    echo "e2e: $name: the custom action did not run as built" >&2
    failures=$((failures + 1))
    continue
  fi
  if [[ ! -f "$log" ]]; then
    echo "e2e: $name: the DLL wrote no log" >&2
    failures=$((failures + 1))
    continue
  fi
  {
    log_texts "$log"
    WINEPREFIX="$prefix" wine 'C:\windows\syswow64\powercfg.exe' /presetra-describe | tr -d '\r'
    WINEPREFIX="$prefix" wine "$cross/presetra-regread.exe" 'C:\presetra\values.txt' | tr -d '\r'
    [[ ! -f "$prefix/drive_c/presetra/wmi-writes.txt" ]] || sort "$prefix/drive_c/presetra/wmi-writes.txt"
    echo "Status line:"
    [[ ! -f "$prefix/drive_c/presetra/status.txt" ]] || cat "$prefix/drive_c/presetra/status.txt"
  } >"$work/$name.wine.txt"
  "$native/presetra" commit uninstall --machine "$machine" --schemes \
    --values "$prefix/drive_c/presetra/values.txt" |
    sed 's/^[0-9][0-9]:[0-9][0-9]:[0-9][0-9]:[0-9][0-9][0-9]\t//' >"$work/$name.sim.txt"
  # The dialog shows the status text of every script the commit ran, as the log records it.
  status=$(grep -x -e 'TARN BIOS Process' -e 'Connected Standby ppkg update' "$work/$name.sim.txt" || true)
  { echo "Status line:"; [[ -z "$status" ]] || echo "$status"; } >>"$work/$name.sim.txt"
  if diff -u "$work/$name.sim.txt" "$work/$name.wine.txt" >"$work/$name.diff"; then
    echo "e2e: $name: identical"
  else
    echo "e2e: $name: Wine and the simulated machine differ:" >&2
    head -40 "$work/$name.diff" >&2
    failures=$((failures + 1))
  fi
  WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
  rm -rf "$prefix"
done
((failures == 0)) || fail "$failures of ${#profiles[@]} machines differ"
echo "e2e: ${#profiles[@]} machines identical under Wine and on the simulated machine"
