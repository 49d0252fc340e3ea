#!/usr/bin/env bash
# Set-up, build and test for Presetra on Debian 12, as root.
#   ./dev.sh run [--wine]  install what is missing, build, run the commit on the default machine
#                          (--wine: also under Wine's real Windows Installer)
#   ./dev.sh test          install what is missing, build every build, run every test
# Each prints one line per stage; apt's and the builds' own output goes to build/dev.log, whose
# last lines are shown when a stage fails.
set -euo pipefail
cd "$(dirname "$0")"

packages=(
  cmake ninja-build g++ make pkg-config python3
  libgtest-dev libbenchmark-dev nlohmann-json3-dev clang libclang-rt-14-dev
  g++-mingw-w64-i686 binutils-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
  msitools wixl wine wine32:i386 wine64
  libwim-dev libhivex-dev wimtools xz-utils
)

mkdir -p build
log=build/dev.log
: >"$log"

# Runs one stage with its output in the log; one line on the terminal.
stage() {  # TITLE COMMAND...
  local title="$1" start=$SECONDS status=0
  shift
  printf '%s ... ' "$title"
  printf '\n==== %s\n' "$title" >>"$log"
  "$@" >>"$log" 2>&1 || status=$?
  if ((status == 0)); then
    echo "done ($((SECONDS - start)) s)"
    return
  fi
  echo "FAILED (exit status $status)"
  {
    echo "---- the last lines of $log:"
    tail -n 60 "$log"
    echo "---- all of it: $log"
    # What failed and why, last, where a reader of the last lines looks first.
    [[ -z "${failure_summary:-}" ]] || $failure_summary
  } >&2
  exit "$status"
}

install_missing() {
  local missing=()
  for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$package")
    fi
  done
  ((${#missing[@]})) || return 0
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  # Wine runs the 32-bit DLL: it needs the i386 architecture (where the machine can run it).
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

configure_and_build() {  # FOLDER "TARGET..." CMAKE_ARGUMENTS...
  local folder="$1" targets
  read -r -a targets <<<"$2"
  shift 2
  cmake -S . -B "$folder" -G Ninja -DPRESETRA_WARNINGS_AS_ERRORS=ON "$@"
  cmake --build "$folder" -j2 --target "${targets[@]}"
}

build() {
  stage "Building for 32-bit Windows (build/cross)" configure_and_build build/cross all \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
  stage "Building for 64-bit Windows (build/cross64)" configure_and_build build/cross64 all \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake
  stage "Building the tool and the tests (build/native)" configure_and_build build/native all \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo
}

# The tests that failed in a ctest run, and what the end-to-end test and the fuzzers said of
# their failures.
tests_failed() {  # FOLDER
  local folder="$1"
  echo "---- what failed:"
  # (Each may find nothing: the summary goes on.)
  sed -n '/^The following tests FAILED:/,/^Errors while running CTest/p' "$folder/ctest.txt" |
    grep -v '^Errors while running CTest' || true
  [[ ! -f "$folder/e2e/outcome.txt" ]] ||
    grep -v -e ': identical$' -e ' ms;' -e ' ms$' "$folder/e2e/outcome.txt" | head -n 60 || true
  grep -h -E '^fuzz: .* found a fault|runtime error|^SUMMARY: ' "$folder/ctest.txt" | head -n 20 || true
}

# ctest in one folder; its closing summary and the end-to-end outcome go to the terminal too.
run_tests() {  # TITLE FOLDER CTEST_ARGUMENTS...
  local title="$1" folder="$2"
  shift 2
  local output="$folder/ctest.txt"
  failure_summary="tests_failed $folder"
  stage "$title" bash -c 'set -o pipefail; ctest --test-dir "$1" --output-on-failure "${@:3}" | tee "$2"' \
    _ "$folder" "$output" "$@"
  failure_summary=""
  # The end-to-end test's own lines: which packages ran, and the launch times.
  [[ ! -f "$folder/e2e/outcome.txt" ]] || grep -v ': identical$' "$folder/e2e/outcome.txt" | sed 's/^/  /'
  grep -E 'tests passed, [0-9]+ tests failed out of' "$output" || true
  local counts
  counts=$(sed -n 's/.*tests passed, \([0-9]*\) tests failed out of \([0-9]*\).*/\1 \2/p' "$output")
  failed=$((failed + ${counts%% *}))
  total=$((total + ${counts##* }))
}

case "${1:-}" in
  run)
    stage "Installing what is missing" install_missing
    build
    ./build/native/presetra commit
    if [[ "${2:-}" == "--wine" ]]; then
      # The same machine under Wine: the package installed and removed by msiexec, the log
      # the DLL wrote compared with the one above.
      stage "Running the default machine under Wine" tests/e2e/run.sh build/native build/cross \
        build/cross64 examples/notebook-modern-standby.json
      cat build/native/e2e/*/notebook-modern-standby.wine.txt
    fi
    ;;
  test)
    stage "Installing what is missing" install_missing
    build
    # Every compiler and build type a maintainer may choose builds cleanly with warnings as
    # errors: g++ at -O3 and clang warn where RelWithDebInfo does not.
    stage "Building with g++ in Release (build/gcc-release)" configure_and_build build/gcc-release all \
      -DCMAKE_BUILD_TYPE=Release
    stage "Building with clang in Release (build/clang-release)" configure_and_build \
      build/clang-release all -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER=clang++
    failed=0
    total=0
    run_tests "Checking the x86 DLL and package (build/cross)" build/cross
    run_tests "Checking the x64 DLL and package (build/cross64)" build/cross64
    run_tests "Unit tests, fault sweep, Wine end-to-end, fuzzing (build/native)" build/native -j2
    # The unit tests, the fault sweep among them, again under AddressSanitizer and
    # UndefinedBehaviorSanitizer.
    stage "Building the unit tests under ASan and UBSan (build/asan)" configure_and_build \
      build/asan "presetra_unit_tests presetra_thread_tests" -DCMAKE_BUILD_TYPE=Debug \
      "-DCMAKE_CXX_FLAGS=-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
    run_tests "Unit tests under ASan and UBSan (build/asan)" build/asan -j2 -LE "e2e|fuzz"
    # The thread pool and the fleet planned on it, under ThreadSanitizer: a race shows as a
    # report, not as a table that differs once in a while.
    stage "Building the thread tests under TSan (build/tsan)" configure_and_build \
      build/tsan presetra_thread_tests -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      "-DCMAKE_CXX_FLAGS=-fsanitize=thread -fno-omit-frame-pointer"
    TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
      run_tests "Thread tests under TSan (build/tsan)" build/tsan -j2 -L threads
    echo "tests: $((total - failed)) passed, $failed failed"
    ;;
  *)
    echo "usage: $0 run [--wine] | test" >&2
    exit 2
    ;;
esac
