#!/usr/bin/env bash
# End-to-end: the real package under Wine's real Windows Installer, against the simulated
# machine. For each package architecture this machine can run and each machine profile: a fresh
# prefix seeded from the profile, "msiexec /i" and "msiexec /x" of the package, then the log the
# DLL wrote and the power schemes, registry values, adapter settings and status texts it left
# are compared with what "presetra commit uninstall" writes for the same profile.
#   run.sh NATIVE_BUILD CROSS_BUILD CROSS64_BUILD [PROFILE...]
# (default: every examples/*.json and the bad machines of tests/e2e/machines/)
# PRESETRA_E2E_ARCH=x86 or x64 runs one package only; by default both run where this machine can
# run 32-bit x86 code, and the x64 package alone (with a line that says why) where it cannot.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
native=$(realpath "$1")
cross=$(realpath -m "$2")
cross64=$(realpath -m "$3")
shift 3
profiles=("$@")
((${#profiles[@]})) || profiles=("$root"/examples/*.json "$here"/machines/*.json)

work="$native/e2e"
export WINEDEBUG=-all TZ=UTC
unset DISPLAY WINELOADER WINEARCH

# What the run says is also kept in outcome.txt, for a summary after ctest.
mkdir -p "$work"
outcome="$work/outcome.txt"
: >"$outcome"
say() { echo "e2e: $*" | tee -a "$outcome"; }
complain() { echo "e2e: $*" | tee -a "$outcome" >&2; }
fail() { complain "$@"; exit 1; }
for tool in wineboot wineserver python3 iconv; do
  command -v "$tool" >/dev/null || fail "$tool is not installed"
done

# Whether a Wine loader runs here; prints why not when it does not.
loader_runs() {  # LOADER
  local out
  [[ -x "$1" ]] || { echo "$1 is not installed"; return 1; }
  out=$("$1" --version 2>&1) && return 0
  echo "$1 --version: $(tail -n 1 <<<"$out" | sed 's/^.*: //')"
  return 1
}

# Which packages run, and why one does not.
arches=()
x86_reason=$(loader_runs /usr/lib/wine/wine) && x86_reason=""
x64_reason=$(loader_runs /usr/lib/wine/wine64) && x64_reason=""
case "${PRESETRA_E2E_ARCH:-}" in
  "")
    if [[ -z "$x86_reason" ]]; then
      arches+=(x86)
    else
      say "the x86 package was not run: this machine cannot run 32-bit x86 code ($x86_reason)"
    fi
    if [[ -z "$x64_reason" ]]; then
      arches+=(x64)
    else
      say "the x64 package was not run: Wine's 64-bit loader does not run ($x64_reason)"
    fi
    ((${#arches[@]})) || fail "neither package can run here: x86: $x86_reason; x64: $x64_reason"
    ;;
  x86)
    [[ -z "$x86_reason" ]] || fail "PRESETRA_E2E_ARCH=x86, but 32-bit x86 code does not run here ($x86_reason)"
    arches=(x86)
    say "the x64 package was not run: PRESETRA_E2E_ARCH=x86"
    ;;
  x64)
    [[ -z "$x64_reason" ]] || fail "PRESETRA_E2E_ARCH=x64, but Wine's 64-bit loader does not run ($x64_reason)"
    arches=(x64)
    say "the x86 package was not run: PRESETRA_E2E_ARCH=x64"
    ;;
  *) fail "PRESETRA_E2E_ARCH is '${PRESETRA_E2E_ARCH}': x86, x64, or unset for every one that runs" ;;
esac

# What differs between the packages: the Wine loader, the build, the package, where the
# stand-ins go (a 32-bit process finds system32's programs in syswow64), the registry view of
# the WMI locator's class, and the program-files folder the log falls back to.
use_arch() {  # ARCH
  arch="$1"
  if [[ "$arch" == x86 ]]; then
    wine_loader=/usr/lib/wine/wine
    build="$cross"
    msi="$cross/Presetra.msi"
    system_dir=syswow64
    view=/reg:32
    program_files="Program Files (x86)"
  else
    wine_loader=/usr/lib/wine/wine64
    build="$cross64"
    msi="$cross64/Presetra-x64.msi"
    system_dir=system32
    view=/reg:64
    program_files="Program Files"
  fi
  template="$work/template-$arch"
}

winecmd() {  # PREFIX COMMAND...
  local prefix="$1"
  shift
  WINEPREFIX="$prefix" WINELOADER="$wine_loader" "$wine_loader" "$@"
}

# The prefix every machine of one architecture starts from: Wine's own set-up and settings, no
# build outputs (each machine gets the current stand-ins). Made in a scratch folder and renamed
# when whole, so a run stopped half way leaves nothing that a later run would take for done.
make_template() {
  local scratch="$work/template-$arch.partial.$$"
  rm -rf "$scratch"
  mkdir -p "$work"
  local log="$work/template-$arch.log"
  WINEPREFIX="$scratch" WINELOADER="$wine_loader" "$wine_loader" wineboot -i >"$log" 2>&1 ||
    { rm -rf "$scratch"; fail "$arch: Wine could not make a prefix (wineboot -i failed; see $log)"; }
  setting() {  # reg add's arguments
    winecmd "$scratch" reg add "$@" /f >>"$log" 2>&1 ||
      { rm -rf "$scratch"; fail "$arch: Wine's reg add $* failed (see $log)"; }
  }
  # A crash must not wait behind an invisible dialog; windows need no display.
  setting 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0
  setting 'HKCU\Software\Wine\Drivers' /v Graphics /d null
  # Our powrprof and SetupAPI proxy for msiexec only.
  setting 'HKCU\Software\Wine\AppDefaults\msiexec.exe\DllOverrides' /v powrprof /d native
  setting 'HKCU\Software\Wine\AppDefaults\msiexec.exe\DllOverrides' /v setupapi /d native,builtin
  # The WMI locator, in the view the DLL's bitness looks in.
  setting 'HKLM\Software\Classes\CLSID\{4590F811-1D3A-11D0-891F-00AA004B2E24}\InprocServer32' \
    /ve /d 'C:\presetra\presetra_wmi.dll' "$view"
  # SetupAPI: Wine's own, renamed, behind the proxy that each machine gets.
  cp "$scratch/drive_c/windows/$system_dir/setupapi.dll" "$scratch/drive_c/windows/$system_dir/setupapi_wine.dll"
  WINEPREFIX="$scratch" wineserver -w
  mv "$scratch" "$template"
}

# The current build's stand-ins: powercfg where the DLL finds system32\powercfg.exe, powrprof
# and the SetupAPI proxy beside it, and the WMI service.
install_standins() {  # PREFIX
  local system="$1/drive_c/windows/$system_dir"
  cp "$build/powercfg.exe" "$build/powrprof.dll" "$build/setupapi.dll" "$system/"
  mkdir -p "$1/drive_c/presetra"
  cp "$build/presetra_wmi.dll" "$1/drive_c/presetra/presetra_wmi.dll"
}

# The log's texts without their time stamps, as UTF-8.
log_texts() {
  iconv -f UTF-16LE -t UTF-8 "$1" | sed -e '1s/^\xEF\xBB\xBF//' -e 's/\r$//' -e 's/^[0-9][0-9]:[0-9][0-9]:[0-9][0-9]:[0-9][0-9][0-9]\t//'
}

# One machine under one package; prints its outcome, and returns 1 with the reason on standard
# error when it fails, 3 when Wine failed to start one of its processes.
run_machine() {  # PROFILE
  local name prefix machine out
  name=$(basename "$1" .json)
  out="$work/$arch/$name"
  prefix="$out.prefix"
  mkdir -p "$work/$arch"
  rm -rf "$prefix"
  cp -a "$template" "$prefix" || { complain "$arch $name: the template could not be copied"; return 1; }
  install_standins "$prefix" || { complain "$arch $name: the stand-ins could not be installed"; return 1; }
  # Wine's system folder is spelled in lower case; the package is the one under test.
  machine="$out.machine.json"
  python3 - "$1" "$machine" "$arch" <<'PY'
import json, sys
profile = json.load(open(sys.argv[1], encoding="utf-8"))
profile["system_folder"] = "C:\\windows\\system32"
profile["package_architecture"] = sys.argv[3]
json.dump(profile, open(sys.argv[2], "w", encoding="utf-8"), ensure_ascii=False)
PY
  [[ -f "$machine" ]] || { complain "$arch $name: the profile could not be read"; return 1; }
  "$native/presetra-seed" "$machine" "$prefix" ||
    { complain "$arch $name: the profile could not be laid into the prefix"; return 1; }
  winecmd "$prefix" reg import 'C:\presetra\seed.reg' /reg:64 >"$out.seed.err" 2>&1 ||
    { complain "$arch $name: Wine's reg import of the profile failed: $(tail -n 3 "$out.seed.err")"; return 1; }
  # The installer's progress dialog, for the status line the scripts' texts go to.
  winecmd "$prefix" "$build/presetra-dialog.exe" 'C:\presetra\status.txt' 'C:\presetra\dialog.ready' \
    </dev/null >/dev/null 2>&1 &
  local dialog=$!
  for _ in $(seq 100); do [[ -f "$prefix/drive_c/presetra/dialog.ready" ]] && break; sleep 0.2; done
  if [[ ! -f "$prefix/drive_c/presetra/dialog.ready" ]]; then
    kill "$dialog" 2>/dev/null || true
    complain "$arch $name: the dialog stand-in did not start under Wine"
    return 1
  fi
  local install_status=0 remove_status=0
  WINEDEBUG=err+msi winecmd "$prefix" msiexec /i "$msi" /qn >/dev/null 2>"$out.install.err" ||
    install_status=$?
  local log="$prefix/drive_c/System.sav/LOGS/OSIT/Presetra.log"
  [[ -f "$log" ]] || log="$prefix/drive_c/$program_files/Vorlan/Presetra/Presetra.log"
  if [[ -f "$log" ]]; then
    # What the library adds to its process launches: the commit's span in its own log against
    # as many bare launches of the same powercfg.
    local commit_ms launches bare_ms
    read -r commit_ms launches < <(iconv -f UTF-16LE -t UTF-8 "$log" | python3 -c '
import sys
lines = [l for l in sys.stdin.read().lstrip("\ufeff").splitlines() if l[:2].isdigit()]
ms = lambda l: ((int(l[0:2]) * 60 + int(l[3:5])) * 60 + int(l[6:8])) * 1000 + int(l[9:12])
print(ms(lines[-1]) - ms(lines[0]), sum("powercfg.exe " in l for l in lines))')
    bare_ms=$(winecmd "$prefix" "$build/presetra-launchbench.exe" "$launches" \
      'C:\windows\system32\powercfg.exe -getactivescheme' 2>/dev/null | tr -d '\r' | tail -n 1)
    say "$arch $name: commit ${commit_ms} ms; ${launches} bare powercfg launches ${bare_ms} ms"
  fi
  kill "$dialog" 2>/dev/null || true
  WINEDEBUG=err+msi winecmd "$prefix" msiexec /x "$msi" /qn >/dev/null 2>"$out.remove.err" ||
    remove_status=$?
  # Wine's msiexec reports success when the action's DLL does not load or crashes: its own
  # error lines tell.
  if grep -E "failed to load dll|GetProcAddress|page fault" "$out.install.err" "$out.remove.err" >&2; then
    complain "$arch $name: the custom action did not run as built"
    return 1
  fi
  if [[ ! -f "$log" ]]; then
    complain "$arch $name: the DLL wrote no log (msiexec /i exited $install_status, /x $remove_status)"
    tail -n 5 "$out.install.err" >&2
    return 1
  fi
  {
    log_texts "$log"
    winecmd "$prefix" "C:\\windows\\$system_dir\\powercfg.exe" /presetra-describe | tr -d '\r'
    winecmd "$prefix" "$build/presetra-regread.exe" 'C:\presetra\values.txt' | tr -d '\r'
    [[ ! -f "$prefix/drive_c/presetra/wmi-writes.txt" ]] || sort "$prefix/drive_c/presetra/wmi-writes.txt"
    echo "Status line:"
    [[ ! -f "$prefix/drive_c/presetra/status.txt" ]] || cat "$prefix/drive_c/presetra/status.txt"
  } >"$out.wine.txt"
  "$native/presetra" commit uninstall --machine "$machine" --schemes \
    --values "$prefix/drive_c/presetra/values.txt" |
    sed 's/^[0-9][0-9]:[0-9][0-9]:[0-9][0-9]:[0-9][0-9][0-9]\t//' >"$out.sim.txt"
  # The dialog shows the status text of every script the commit ran, as the log records it.
  local status
  status=$(grep -x -e 'TARN BIOS Process' -e 'Connected Standby ppkg update' "$out.sim.txt" || true)
  { echo "Status line:"; [[ -z "$status" ]] || echo "$status"; } >>"$out.sim.txt"
  WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
  # What a standard user's junction points at stays empty: neither the log nor a script's
  # output follows it.
  local linked="$prefix/drive_c/Users/Public/Linked"
  if [[ -d "$linked" ]] && [[ -n "$(ls -A "$linked")" ]]; then
    complain "$arch $name: something was written through the junction: $(ls -A "$linked" | tr '\n' ' ')"
    return 1
  fi
  # The BIOS script's output went to the file the DLL opened for it, where the log says.
  if grep -qx 'TARN BIOS Process' "$out.sim.txt"; then
    local folder="$prefix/drive_c/System.sav/LOGS/OSIT"
    grep -q '^Script output goes to C:\\Program Files' "$out.sim.txt" &&
      folder="$prefix/drive_c/$program_files/Vorlan/Presetra"
    if ! grep -aqs 'TBIOS.cmd' "$folder/Presetra_BIOS.log"; then
      complain "$arch $name: the BIOS script's output is not in $folder/Presetra_BIOS.log"
      return 1
    fi
  fi
  if ! diff -u "$out.sim.txt" "$out.wine.txt" >"$out.diff"; then
    # Under load Wine now and then cannot lay out a new process's address space and the
    # process never starts: the run then says nothing about the package, and is made again.
    if grep -q "failed to map the shared user data" "$out.install.err" "$out.remove.err"; then
      complain "$arch $name: a process did not start under Wine (failed to map the shared user data)"
      return 3
    fi
    complain "$arch $name: Wine and the simulated machine differ:"
    head -40 "$out.diff" >&2
    return 1
  fi
  rm -rf "$prefix"
  say "$arch $name: identical"
}

failures=0
runs=0
for arch in "${arches[@]}"; do
  use_arch "$arch"
  [[ -f "$msi" ]] || fail "no $msi: build the $arch cross build first"
  [[ -d "$template" ]] || make_template
  for profile in "${profiles[@]}"; do
    runs=$((runs + 1))
    status=0
    run_machine "$profile" || status=$?
    if ((status == 3)); then
      say "$arch $(basename "$profile" .json): run again"
      status=0
      run_machine "$profile" || status=$?
    fi
    ((status == 0)) || failures=$((failures + 1))
  done
done
((failures == 0)) || fail "$failures of $runs runs (${arches[*]}) failed"
say "${#profiles[@]} machines identical under Wine and on the simulated machine (${arches[*]})"
