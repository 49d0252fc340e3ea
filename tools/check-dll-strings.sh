#!/usr/bin/env bash
# Checks that the DLL carries the string table: every language of strings.tsv, IDs 6000, 6001,
# 6003 and 6004 in each, never 6002, and each text exactly as the table has it.
#   check-dll-strings.sh WINDRES Presetra.dll strings.tsv
set -euo pipefail
windres="$1"
dll="$2"
table="$3"
here=$(dirname "$0")
actual=$(mktemp)
expected=$(mktemp)
trap 'rm -f "$actual" "$expected"' EXIT

# windres prints each LANGUAGE block back with its strings.
"$windres" -i "$dll" -O rc -c 65001 >"$actual"
python3 "$here/compare_string_tables.py" "$actual" "$table"
