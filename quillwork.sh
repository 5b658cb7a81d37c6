#!/usr/bin/env bash
# Sets up what is missing, builds, then plays the demo (`./quillwork.sh play [ARGS]`) or runs
# every test (`./quillwork.sh test`). Works on a fresh Debian 12 or Ubuntu machine.
set -euo pipefail
cd "$(dirname "$0")"

packages=(build-essential cmake ninja-build pkg-config qt6-base-dev libgl-dev libpng-dev libjpeg-dev
  zlib1g-dev libgtest-dev libgmock-dev libbenchmark-dev libfreetype-dev libfontconfig-dev
  fonts-ipafont-gothic nlohmann-json3-dev libsdl2-mixer-dev timgm6mb-soundfont libavformat-dev
  libavcodec-dev libavutil-dev libswscale-dev libswresample-dev libsdl2-dev libspeechd-dev)
# For the libFuzzer runs; where a release names them otherwise, the runs are skipped.
fuzz_packages=(clang libclang-rt-14-dev)

missing_of() {
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || echo "$p"
  done
}

install_missing() {
  local missing optional
  missing=$(missing_of "${packages[@]}")
  optional=$(missing_of "${fuzz_packages[@]}")
  [ -z "$missing$optional" ] && return 0
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
  if [ -n "$missing" ]; then
    echo "Installing: $missing"
    # shellcheck disable=SC2086
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $missing
  fi
  if [ -n "$optional" ]; then
    # shellcheck disable=SC2086
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $optional ||
      echo "clang's fuzzer runtime is not available here: the libFuzzer runs will be skipped"
  fi
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
  if ! echo 'extern "C" int LLVMFuzzerTestOneInput(const char*, unsigned long) { return 0; }' |
      clang++ -x c++ -fsanitize=fuzzer,address,undefined -o /dev/null - 2>/dev/null; then
    echo "clang cannot build libFuzzer programs here: sanitizer fuzz runs skipped"
    return 0
  fi
  cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQW_FUZZ_ONLY=ON \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DQW_WERROR="$werror"
  cmake --build build-fuzz -j"$jobs"
  ctest --test-dir build-fuzz --output-on-failure
}

# The whole test suite once more, built with the address and undefined-behaviour sanitizers.
sanitize() {
  local flags="-O1 -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined"
  # Warnings are held to account by the plain build; the sanitizers' inlining only adds noise.
  cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQW_WERROR=OFF \
    -DQW_BUILD_BENCH=OFF -DQW_BUILD_FUZZ=OFF -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined"
  cmake --build build-asan -j"$jobs"
  LSAN_OPTIONS="suppressions=$PWD/fuzz/lsan.supp" UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-asan --output-on-failure -j"$jobs"
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
  sanitize)
    install_missing
    sanitize
    ;;
  *)
    echo "usage: $0 [play [ARGS] | test | build | sanitize]" >&2
    exit 2
    ;;
esac
