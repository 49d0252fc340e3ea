#!/usr/bin/env bash
# Builds Presetra.msi from the WiX source with wixl, mends what wixl drops, and checks the
# result: both custom actions with their types and sequences, the DLL's component permanent.
#   build-msi.sh VERSION Presetra.dll "package dir" OUT.msi
set -euo pipefail
version="$1"
dll="$2"
package="$3"
out="$4"

fail() { echo "build-msi: $*" >&2; rm -f "$out"; exit 1; }

# wixl takes only relative source paths: build from a staging folder.
out=$(realpath -m "$out")
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp "$dll" "$stage/Presetra.dll"
cp -r "$package/Data Files" "$package/Presetra.wxs" "$stage/"
(cd "$stage" && wixl -a x86 -D "Version=$version" -D "DllPath=Presetra.dll" \
  -D "ScriptDir=Data Files" -o "$out" Presetra.wxs)

# wixl builds Execute="commit" as an immediate action (2049): 3585 is a DLL from the Binary
# table (1), run at commit (512), in the script (1024), without impersonation (2048).
msibuild "$out" -q "UPDATE \`CustomAction\` SET \`Type\` = 3585 WHERE \`Action\` = 'vorqMSICommit'"
# msidbComponentAttributesPermanent.
msibuild "$out" -q "UPDATE \`Component\` SET \`Attributes\` = 16 WHERE \`Component\` = 'PresetraDll'"

actions=$(msiinfo export "$out" CustomAction | tr -d '\r' | tail -n +4 | sort)
expected=$'vorqMSICommit\t3585\tPresetraActions\tvorqMSICommit\t\nvorqMSIUninstall\t3073\tPresetraActions\tvorqMSIUninstall\t'
[[ "$actions" == "$expected" ]] || fail "CustomAction table is not as built: $actions"

sequence=$(msiinfo export "$out" InstallExecuteSequence | tr -d '\r' | grep '^vorq' | sort)
expected=$'vorqMSICommit\tNOT REMOVE\t6590\nvorqMSIUninstall\tREMOVE="ALL"\t1520'
[[ "$sequence" == "$expected" ]] || fail "InstallExecuteSequence is not as built: $sequence"

component=$(msiinfo export "$out" Component | tr -d '\r' | awk -F'\t' '$1 == "PresetraDll" {print $4}')
[[ "$component" == "16" ]] || fail "the DLL's component is not permanent ($component)"
echo "build-msi: $out"
