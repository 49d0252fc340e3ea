#!/usr/bin/env bash
# End-to-end: the real package under Wine's real Windows Installer, against the simulated
# machine. For each package architecture this machine can run and each machine profile: a fresh
# prefix seeded from the profile, "msiexec /i" and "msiexec /x" of the package, then the log the
# DLL wrote and the power schemes, registry values, adapter settings and status texts it left
# are compared with what "presetra commit uninstall" writes for the same profile. presetra.exe
# runs in the same prefix: its capture before the install must be the seed profile (but where the
# prefix cannot show a fact), its verify after the install must find nothing, then exactly the
# drift the test makes, and after the removal what the simulated machine says of it.
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
# What shows a complaint's cause (a diff, a program's errors), indented under it: at most 40 lines.
detail() { head -n 40 | sed 's/^/    /' | tee -a "$outcome" >&2; }
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

# Ends the prefix's Wine server and waits until it is gone: a process started while a killed
# server still holds the prefix's lock cannot connect to it and exits ("a wine server seems to
# be running, but I cannot connect to it").
stop_wineserver() {  # PREFIX
  WINEPREFIX="$1" wineserver -k 2>/dev/null || true
  WINEPREFIX="$1" wineserver -w 2>/dev/null || true
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
  # Our powrprof and SetupAPI proxy for msiexec and presetra.exe only.
  local program
  for program in msiexec.exe presetra.exe; do
    setting "HKCU\Software\Wine\AppDefaults\\$program\DllOverrides" /v powrprof /d native
    setting "HKCU\Software\Wine\AppDefaults\\$program\DllOverrides" /v setupapi /d native,builtin
  done
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

# Milliseconds since the epoch.
now_ms() { echo $(($(date +%s%N) / 1000000)); }

# presetra.exe in the prefix; its output in OUT.txt and OUT.err, its exit status returned.
presetra_exe() {  # PREFIX OUT ARGUMENTS...
  local prefix="$1" out="$2" status=0
  shift 2
  winecmd "$prefix" "$build/presetra.exe" "$@" >"$out.txt" 2>"$out.err" || status=$?
  tr -d '\r' <"$out.txt" >"$out.txt.unix" && mv "$out.txt.unix" "$out.txt"
  return "$status"
}

# presetra.exe verify, compared with what the simulated machine's verify says of STATE: the same
# text and exit status.
verify_as_simulated() {  # PREFIX MACHINE OUT STATE WHEN
  local prefix="$1" machine="$2" out="$3" state="$4" when="$5" status=0 expected_status=0
  presetra_exe "$prefix" "$out" verify --machine 'C:\presetra\profile.json' || status=$?
  "$native/presetra" verify --machine "$machine" --state "$state" >"$out.expected" ||
    expected_status=$?
  if ((status != expected_status)) || ! diff -u "$out.expected" "$out.txt" >"$out.diff"; then
    complain "$arch $name: presetra.exe verify $when exited $status (expected $expected_status):"
    cat "$out.diff" "$out.err" | detail
    return 1
  fi
}

# After the install: verify finds nothing; then one recipe value changed with powercfg and one
# written value deleted with reg, which it must report and nothing else; then an administrator's
# repair, after which verify finds nothing again.
verify_installed() {  # PREFIX MACHINE OUT
  local prefix="$1" machine="$2" out="$3" started verify_ms
  "$native/presetra" commit --machine "$machine" --state >"$out.state" 2>/dev/null
  started=$(now_ms)
  verify_as_simulated "$prefix" "$machine" "$out.verify" "$out.state" "after the install" ||
    return 1
  verify_ms=$(($(now_ms) - started))
  ! grep -q ': the recipe wants ' "$out.verify.txt" ||
    { complain "$arch $name: presetra.exe verify found differences after the install"; return 1; }
  local mode scheme subgroup setting old_index new_index value_key value_name
  "$native/presetra" plan --machine "$machine" --format json >"$out.plan.json" 2>/dev/null
  eval "$(python3 "$here/drift.py" "$out.state" "$out.plan.json" "$out.drifted-state")"
  local powercfg="C:\\windows\\$system_dir\\powercfg.exe"
  winecmd "$prefix" "$powercfg" "-set${mode}valueindex" "$scheme" "$subgroup" "$setting" \
    "$new_index" >/dev/null 2>>"$out.wine.err" &&
    winecmd "$prefix" reg delete "$value_key" /v "$value_name" /f /reg:64 >/dev/null 2>>"$out.wine.err" ||
    { complain "$arch $name: the drift could not be made with powercfg and reg"; return 1; }
  verify_as_simulated "$prefix" "$machine" "$out.drift" "$out.drifted-state" \
    "after powercfg -set${mode}valueindex and reg delete $value_name" || return 1
  [[ $(grep -c ': the recipe wants ' "$out.drift.txt") == 2 ]] ||
    { complain "$arch $name: verify did not report exactly the two drifts"; return 1; }
  # An administrator's repair runs the commit again (Wine's user is one): the recipe is back.
  # "msiexec /fa" is REINSTALL=ALL with REINSTALLMODE=a (Microsoft's REINSTALL and REINSTALLMODE
  # properties); Wine's msiexec implements /f for neither a product code ("Product code treatment
  # not implemented yet") nor, here, a package (1605), so the properties are given to /i.
  # The repair's lines in the log are a second commit's, the first one's over again; they are
  # compared so and then cut off, for the log to compare with the simulated install and removal.
  local log_bytes status="$prefix/drive_c/presetra/status.txt"
  log_bytes=$(stat -c %s "$log")
  [[ ! -f "$status" ]] || cp "$status" "$out.status-before-repair"
  WINEDEBUG=err+msi winecmd "$prefix" msiexec /i "$msi" REINSTALL=ALL REINSTALLMODE=a /qn \
    >/dev/null 2>"$out.repair.err" ||
    { complain "$arch $name: the repair failed"; tail -n 5 "$out.repair.err" | detail; return 1; }
  verify_as_simulated "$prefix" "$machine" "$out.repaired" "$out.state" "after the repair" ||
    return 1
  ! grep -q ': the recipe wants ' "$out.repaired.txt" ||
    { complain "$arch $name: verify found differences after the repair"; return 1; }
  head -c "$log_bytes" "$log" >"$out.first.log"
  tail -c "+$((log_bytes + 1))" "$log" >"$out.repair.log"
  if ! diff <(log_texts "$out.first.log") <(log_texts "$out.repair.log") >"$out.repair.diff"; then
    complain "$arch $name: the repair did not log the first commit over again"
    detail <"$out.repair.diff"
    return 1
  fi
  truncate -s "$log_bytes" "$log"
  # The dialog may still be there to show the repair's status texts: they are the first ones over.
  [[ ! -f "$out.status-before-repair" ]] || cp "$out.status-before-repair" "$status"
  timings+=" verify ${verify_ms} ms;"
}

# The log's texts without their time stamps, as UTF-8.
log_texts() {
  iconv -f UTF-16LE -t UTF-8 "$1" | sed -e '1s/^\xEF\xBB\xBF//' -e 's/\r$//' -e 's/^[0-9][0-9]:[0-9][0-9]:[0-9][0-9]:[0-9][0-9][0-9]\t//'
}

# One machine under one package; prints its outcome, and returns 1 with the reason on standard
# error when it fails.
run_machine() {  # PROFILE
  local name prefix machine out
  name=$(basename "$1" .json)
  out="$work/$arch/$name"
  prefix="$out.prefix"
  mkdir -p "$work/$arch"
  rm -rf "$prefix"
  rm -f "$out".*.err
  cp -a "$template" "$prefix" || { complain "$arch $name: the template could not be copied"; return 1; }
  install_standins "$prefix" || { complain "$arch $name: the stand-ins could not be installed"; return 1; }
  # Wine's system folder is spelled in lower case; the package is the one under test.
  machine="$out.machine.json"
  python3 - "$1" "$machine" "$arch" <<'PY'
import json, os, subprocess, sys
profile = json.load(open(sys.argv[1], encoding="utf-8"))
profile["system_folder"] = "C:\\windows\\system32"
profile["package_architecture"] = sys.argv[3]
# An image beside the profile, kept compressed in the tree: decompressed beside the copy.
if "image" in profile:
    image = os.path.join(os.path.dirname(os.path.abspath(sys.argv[1])), profile["image"])
    if not os.path.exists(image) and os.path.exists(image + ".xz"):
        copy = os.path.join(os.path.dirname(os.path.abspath(sys.argv[2])), os.path.basename(image))
        with open(copy, "wb") as out:
            subprocess.run(["xz", "-dc", image + ".xz"], stdout=out, check=True)
        image = copy
    profile["image"] = os.path.abspath(image)
json.dump(profile, open(sys.argv[2], "w", encoding="utf-8"), ensure_ascii=False)
PY
  [[ -f "$machine" ]] || { complain "$arch $name: the profile could not be read"; return 1; }
  "$native/presetra-seed" "$machine" "$prefix" ||
    { complain "$arch $name: the profile could not be laid into the prefix"; return 1; }
  winecmd "$prefix" reg import 'C:\presetra\seed.reg' /reg:64 >"$out.seed.err" 2>&1 ||
    { complain "$arch $name: Wine's reg import of the profile failed: $(tail -n 3 "$out.seed.err")"; return 1; }
  # What presetra.exe captures of the seeded prefix before the install is the seed profile, but
  # where the prefix cannot show a fact (each such difference says why).
  local timings="" started
  started=$(now_ms)
  presetra_exe "$prefix" "$out.capture" capture --out 'C:\presetra\captured.json' ||
    { complain "$arch $name: presetra.exe capture failed: $(tail -n 3 "$out.capture.err")"; return 1; }
  timings+=" capture $(($(now_ms) - started)) ms;"
  # Windows' schemes as the simulated machine of the profile has them, for the capture's.
  "$native/presetra" capture --machine "$machine" --out "$out.native-capture.json" 2>/dev/null ||
    { complain "$arch $name: the native capture of the profile failed"; return 1; }
  # presetra.exe reads no images: its profile carries the image's schemes as the simulated
  # machine has them instead.
  python3 - "$machine" "$out.native-capture.json" "$prefix/drive_c/presetra/profile.json" <<'PY'
import json, sys
profile = json.load(open(sys.argv[1], encoding="utf-8"))
if profile.pop("image", None) is not None:
    captured = json.load(open(sys.argv[2], encoding="utf-8"))
    for name in ("schemes", "active_scheme"):
        profile["power"][name] = captured["power"][name]
json.dump(profile, open(sys.argv[3], "w", encoding="utf-8"), ensure_ascii=False)
PY
  python3 "$here/capture_diff.py" "$machine" "$prefix/drive_c/presetra/captured.json" \
    "$out.native-capture.json" >"$out.capture.diff" ||
    { complain "$arch $name: the capture differs from the seed profile:"; detail <"$out.capture.diff"; return 1; }
  # The installer's progress dialog, for the status line the scripts' texts go to.
  winecmd "$prefix" "$build/presetra-dialog.exe" 'C:\presetra\status.txt' 'C:\presetra\dialog.ready' \
    </dev/null >/dev/null 2>>"$out.wine.err" &
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
      'C:\windows\system32\powercfg.exe -getactivescheme' 2>>"$out.wine.err" | tr -d '\r' | tail -n 1)
    say "$arch $name: commit ${commit_ms} ms; ${launches} bare powercfg launches ${bare_ms} ms"
  fi
  kill "$dialog" 2>/dev/null || true
  if [[ -f "$log" ]]; then
    verify_installed "$prefix" "$machine" "$out" || return 1
  fi
  WINEDEBUG=err+msi winecmd "$prefix" msiexec /x "$msi" /qn >/dev/null 2>"$out.remove.err" ||
    remove_status=$?
  # Wine's msiexec reports success when the action's DLL does not load or crashes: its own
  # error lines tell.
  local crashed
  crashed=$(grep -h -E "failed to load dll|GetProcAddress|page fault" "$out.install.err" \
    "$out.remove.err" "$out.repair.err" 2>/dev/null || true)
  if [[ -n "$crashed" ]]; then
    complain "$arch $name: the custom action did not run as built"
    detail <<<"$crashed"
    return 1
  fi
  if [[ ! -f "$log" ]]; then
    complain "$arch $name: the DLL wrote no log (msiexec /i exited $install_status, /x $remove_status)"
    tail -n 5 "$out.install.err" | detail
    return 1
  fi
  {
    log_texts "$log"
    winecmd "$prefix" "C:\\windows\\$system_dir\\powercfg.exe" /presetra-describe 2>>"$out.wine.err" | tr -d '\r'
    winecmd "$prefix" "$build/presetra-regread.exe" 'C:\presetra\values.txt' 2>>"$out.wine.err" | tr -d '\r'
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
  stop_wineserver "$prefix"
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
    complain "$arch $name: Wine and the simulated machine differ:"
    detail <"$out.diff"
    return 1
  fi
  # After the removal, verify says what the simulated machine says of a removed package: on a
  # machine without Connected Standby, that the scheme is missing.
  "$native/presetra" commit uninstall --machine "$machine" --state >"$out.removed-state" 2>/dev/null
  verify_as_simulated "$prefix" "$machine" "$out.removed" "$out.removed-state" "after the removal" ||
    return 1
  if grep -q '"connected_standby": false' <<<"$("$native/presetra" plan --machine "$machine" --format json)" &&
    ! grep -q ': the recipe wants present, the PC has missing$' "$out.removed.txt"; then
    complain "$arch $name: after the removal verify did not report the scheme missing"
    return 1
  fi
  stop_wineserver "$prefix"
  rm -rf "$prefix"
  say "$arch $name:$timings identical"
}

# Under load Wine now and then cannot lay out a new process's address space, or reach its server,
# and the process never starts: a failed run in which Wine said so of any of its processes says
# nothing about the package. Prints the file, and what Wine said in it.
wine_did_not_start() {  # NAME
  grep -H -m 1 -e "failed to map the shared user data" -e "cannot connect to it" \
    "$work/$arch/$1".*.err 2>/dev/null | head -n 1 |
    sed -e "s|^$work/$arch/||" -e 's/^\([^:]*\):/\1: /'
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
    machine_name=$(basename "$profile" .json)
    if ((status != 0)) && unstarted=$(wine_did_not_start "$machine_name") && [[ -n "$unstarted" ]]; then
      say "$arch $machine_name: run again: a process did not start under Wine (in $unstarted)"
      status=0
      run_machine "$profile" || status=$?
    fi
    ((status == 0)) || failures=$((failures + 1))
  done
done
((failures == 0)) || fail "$failures of $runs runs (${arches[*]}) failed"
say "${#profiles[@]} machines identical under Wine and on the simulated machine (${arches[*]})"
