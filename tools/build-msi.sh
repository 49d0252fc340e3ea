#!/usr/bin/env bash
# Builds the package (Presetra.msi for x86, Presetra-x64.msi for x64) from the WiX source with
# wixl, mends what wixl drops, and checks the result: both custom actions with their types and
# sequences (a repair re-runs the commit only for a real administrator), the DLL's component
# permanent (and 64-bit in the x64 package).
#   build-msi.sh x86|x64 VERSION Presetra.dll "package dir" OUT.msi
set -euo pipefail
arch="$1"
version="$2"
dll="$3"
package="$4"
out="$5"

fail() { echo "build-msi: $*" >&2; rm -f "$out"; exit 1; }
case "$arch" in
  # msidbComponentAttributesPermanent, and msidbComponentAttributes64bit in the x64 package.
  x86) component_attributes=16 template="Intel;1033" program_files=ProgramFilesFolder ;;
  x64) component_attributes=272 template="x64;1033" program_files=ProgramFiles64Folder ;;
  *) fail "unknown architecture '$arch' (x86 or x64)" ;;
esac

# wixl takes only relative source paths: build from a staging folder.
out=$(realpath -m "$out")
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp "$dll" "$stage/Presetra.dll"
cp -r "$package/Data Files" "$package/Presetra.wxs" "$stage/"
(cd "$stage" && wixl -a "$arch" -D "Arch=$arch" -D "Version=$version" -D "DllPath=Presetra.dll" \
  -D "ScriptDir=Data Files" -o "$out" Presetra.wxs)

# wixl builds Execute="commit" as an immediate action (2049): 3585 is a DLL from the Binary
# table (1), run at commit (512), in the script (1024), without impersonation (2048).
msibuild "$out" -q "UPDATE \`CustomAction\` SET \`Type\` = 3585 WHERE \`Action\` = 'vorqMSICommit'"
msibuild "$out" -q "UPDATE \`Component\` SET \`Attributes\` = $component_attributes WHERE \`Component\` = 'PresetraDll'"

actions=$(msiinfo export "$out" CustomAction | tr -d '\r' | tail -n +4 | sort)
expected=$'vorqMSICommit\t3585\tPresetraActions\tvorqMSICommit\t\nvorqMSIUninstall\t3073\tPresetraActions\tvorqMSIUninstall\t'
[[ "$actions" == "$expected" ]] || fail "CustomAction table is not as built: $actions"

sequence=$(msiinfo export "$out" InstallExecuteSequence | tr -d '\r' | grep '^vorq' | sort)
expected=$'vorqMSICommit\tNOT REMOVE AND (NOT Installed OR AdminUser)\t6590\nvorqMSIUninstall\tREMOVE="ALL"\t1520'
[[ "$sequence" == "$expected" ]] || fail "InstallExecuteSequence is not as built: $sequence"
# A repair re-runs the commit for an administrator alone: AdminUser must mean one.
detection=$(msiinfo export "$out" Property | tr -d '\r' | awk -F'\t' '$1 == "MSIUSEREALADMINDETECTION" {print $2}')
[[ "$detection" == "1" ]] || fail "MSIUSEREALADMINDETECTION is '$detection', not 1"

component=$(msiinfo export "$out" Component | tr -d '\r' | awk -F'\t' '$1 == "PresetraDll" {print $4}')
[[ "$component" == "$component_attributes" ]] ||
  fail "the DLL's component has attributes $component, not $component_attributes"
platform=$(msiinfo suminfo "$out" | tr -d '\r' | sed -n 's/^Template: //p')
[[ "$platform" == "$template" ]] || fail "the package is for '$platform', not '$template'"
folder=$(msiinfo export "$out" Directory | tr -d '\r' | awk -F'\t' '$1 == "VorlanFolder" {print $2}')
[[ "$folder" == "$program_files" ]] || fail "Vorlan's folder is in $folder, not $program_files"
echo "build-msi: $out"
