#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, AddressSanitizer and UndefinedBehaviorSanitizer, and
# runs each from its seed corpus for a bounded time.
#   run.sh BUILD_DIR [SECONDS]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
out=$(realpath -m "$1")
seconds="${2:-60}"
mkdir -p "$out"
command -v clang++ >/dev/null || { echo "fuzz: clang++ is not installed" >&2; exit 1; }

flags=(-std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all
       -I"$root")
sources=(platform/text.cpp platform/variant.cpp wmi/archive.cpp wmi/object.cpp
         wmi/variant_codec.cpp wmi/wmi_parameters.cpp wmi/wmi_property_map.cpp)
clang++ "${flags[@]}" "${sources[@]/#/$root/}" "$root/tests/fuzz/wmiparams_fuzz.cpp" \
  -o "$out/wmiparams_fuzz"

corpus="$out/corpus-wmiparams"
rm -rf "$corpus"
cp -r "$root/tests/fuzz/corpus/wmiparams" "$corpus"
"$out/wmiparams_fuzz" -max_total_time="$seconds" -print_final_stats=1 "$corpus" 2>&1 | tail -n 12
echo "fuzz: wmiparams ran ${seconds} s without a finding"
