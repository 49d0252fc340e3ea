#!/usr/bin/env bash
# Checks that the DLL carries the string table: every language of strings.tsv, IDs 6000, 6001,
# 6003 and 6004 in each, never 6002, and each text exactly as the table has it.
set -euo pipefail
dll="$1"
table="$2"
here=$(dirname "$0")
actual=$(mktemp)
expected=$(mktemp)
trap 'rm -f "$actual" "$expected"' EXIT

# windres prints each LANGUAGE block back with its strings.
i686-w64-mingw32-windres -i "$dll" -O rc -c 65001 >"$actual"
python3 "$here/compare_string_tables.py" "$actual" "$table"
