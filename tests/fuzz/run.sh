#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, AddressSanitizer and UndefinedBehaviorSanitizer, and
# runs each from its seed corpus for a bounded time.
#   run.sh BUILD_DIR [SECONDS]   (SECONDS for the stream reader; the others get half)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
out=$(realpath -m "$1")
seconds="${2:-60}"
mkdir -p "$out/obj"
command -v clang++ >/dev/null || { echo "fuzz: clang++ is not installed" >&2; exit 1; }

flags=(-std=c++20 -O1 -g -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all
       -I"$root" -I"$out")
python3 "$root/tools/gen_string_table.py" cpp "$root/resources/strings.tsv" "$out/string_table_data.cpp"
python3 "$root/tools/gen_power_defaults.py" "$root/platform/emulation/powercfg/windows_defaults.tsv" \
  "$out/windows_defaults_data.cpp"
# The system's code and the simulated machine, built once for every target. An object is made
# again when its source or any header is newer: a header that changes a class's layout must not
# leave objects built with the old one beside objects built with the new.
newest_header=$(find "$root"/platform "$root"/machine "$root"/host "$root"/module "$root"/wmi "$root"/power \
  "$root"/policy "$root"/resources -name '*.h' -printf '%T@ %p\n' | sort -n | tail -n 1 | cut -d' ' -f2-)
objects=()
for source in "$root"/platform/*.cpp "$root"/machine/*.cpp "$root"/platform/sim/*.cpp "$root"/platform/emulation/*.cpp "$root"/platform/emulation/powercfg/*.cpp \
              "$root"/host/*.cpp "$root"/module/loaded_module.cpp "$root"/wmi/*.cpp "$root"/power/*.cpp "$root"/policy/*.cpp \
              "$root"/resources/string_table.cpp "$out/string_table_data.cpp" \
              "$out/windows_defaults_data.cpp"; do
  object="$out/obj/$(echo "${source#$root/}" | tr '/' '_').o"
  if [[ ! -f "$object" || "$source" -nt "$object" || "$newest_header" -nt "$object" ]]; then
    clang++ "${flags[@]}" -c "$source" -o "$object"
  fi
  objects+=("$object")
done

run() {  # TARGET SECONDS
  local target="$1" time="$2"
  clang++ "${flags[@]}" -fsanitize=fuzzer "$root/tests/fuzz/${target}_fuzz.cpp" "${objects[@]}" \
    -o "$out/${target}_fuzz"
  local corpus="$out/corpus-$target"
  rm -rf "$corpus"
  cp -r "$root/tests/fuzz/corpus/$target" "$corpus"
  local log="$out/$target.log"
  if ! "$out/${target}_fuzz" -max_total_time="$time" -print_final_stats=1 \
      -artifact_prefix="$out/$target-" "$corpus" >"$log" 2>&1; then
    grep -E "ERROR|SUMMARY|runtime error|what\(\)" "$log" | head -20 >&2
    echo "fuzz: $target found a fault; the input is in $out/$target-crash-*" >&2
    exit 1
  fi
  grep -E "stat::number_of_executed_units" "$log"
  echo "fuzz: $target ran ${time} s without a finding"
}

run wmiparams "$seconds"
for target in feature_bytes has_feature parse_guid registry_string profile; do
  run "$target" $((seconds / 2))
done
