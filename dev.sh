#!/usr/bin/env bash
# Set-up, build and test for Presetra on Debian 12, as root.
#   ./dev.sh run [--wine]  install what is missing, build, run the commit on the default machine
#                          (--wine: also under Wine's real Windows Installer)
#   ./dev.sh test          install what is missing, build both builds, run every test
set -euo pipefail
cd "$(dirname "$0")"

packages=(
  cmake ninja-build g++ make pkg-config python3
  libgtest-dev libbenchmark-dev nlohmann-json3-dev clang libclang-rt-14-dev
  g++-mingw-w64-i686 binutils-mingw-w64-i686
  msitools wixl wine wine32:i386 wine64
)

install_missing() {
  local missing=()
  for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$package")
    fi
  done
  if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    # Wine runs the 32-bit DLL: it needs the i386 architecture.
    dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
}

build() {
  cmake -S . -B build/cross -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
  cmake --build build/cross -j2
  cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build build/native -j2
}

case "${1:-}" in
  run)
    install_missing
    build
    ./build/native/presetra commit
    if [[ "${2:-}" == "--wine" ]]; then
      # The same machine under Wine: the package installed and removed by msiexec, the log
      # the DLL wrote compared with the one above.
      tests/e2e/run.sh build/native build/cross examples/notebook-modern-standby.json
      cat build/native/e2e/notebook-modern-standby.wine.txt
    fi
    ;;
  test)
    install_missing
    build
    ctest --test-dir build/cross --output-on-failure
    ctest --test-dir build/native --output-on-failure -j2
    # The unit tests, the fault sweep among them, again under AddressSanitizer and
    # UndefinedBehaviorSanitizer.
    cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
      -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer" \
      >/dev/null
    cmake --build build/asan -j2 --target presetra_unit_tests
    ctest --test-dir build/asan --output-on-failure -j2 -LE "e2e|fuzz"
    ;;
  *)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac
