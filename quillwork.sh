#!/usr/bin/env bash
# Sets up what is missing, builds, then plays the demo (`./quillwork.sh play [ARGS]`) or runs
# every test (`./quillwork.sh test`). Works on a fresh Debian 12 or Ubuntu machine.
set -euo pipefail
cd "$(dirname "$0")"

packages=(build-essential cmake ninja-build pkg-config qt6-base-dev libgl-dev libpng-dev libjpeg-dev
  zlib1g-dev libgtest-dev libgmock-dev libbenchmark-dev libfreetype-dev libfontconfig-dev
  fonts-ipafont-gothic clang libclang-rt-14-dev)

install_missing() {
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
}

jobs=$(nproc 2>/dev/null || echo 2)
werror=OFF
[ "${CI:-}" = "true" ] && werror=ON

build() {
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQW_WERROR="$werror"
  cmake --build build -j"$jobs"
}

# The fuzz targets with libFuzzer and the sanitizers, where clang is there.
fuzz() {
  command -v clang++ >/dev/null || { echo "clang++ not found: sanitizer fuzz runs skipped"; return 0; }
  cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQW_FUZZ_ONLY=ON \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DQW_WERROR="$werror"
  cmake --build build-fuzz -j"$jobs"
  ctest --test-dir build-fuzz --output-on-failure
}

case "${1:-play}" in
  play)
    shift || true
    install_missing
    build
    exec ./build/quillwork "$@"
    ;;
  test)
    install_missing
    build
    fuzz
    ctest --test-dir build --output-on-failure -j"$jobs"
    ;;
  build)
    install_missing
    build
    ;;
  *)
    echo "usage: $0 [play [ARGS] | test | build]" >&2
    exit 2
    ;;
esac
