#!/usr/bin/env bash
# Kestrel's one entry point on a fresh Debian 12 machine.
#   ./kestrel.sh run    install dependencies, build, start Kestrel
#   ./kestrel.sh test   install dependencies, build, run the whole test suite
#                       (plain build, then again under ASan/UBSan)
#   ./kestrel.sh bench  install dependencies, build, run the benchmark
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(
  build-essential cmake ninja-build pkg-config ccache
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libswresample-dev libavdevice-dev libavfilter-dev
  libx11-dev libxext-dev libxfixes-dev pulseaudio
  xvfb xauth x11-utils fonts-dejavu-core
  libopencv-dev
)

install_dependencies() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
}

jobs=$(nproc)

build() {  # build DIR [cmake options...]
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
}

run_tests() {  # run_tests DIR
  (cd "$1" && ctest --output-on-failure -j "$jobs" --timeout 900)
}

case "${1:-run}" in
  run)
    install_dependencies
    build build -DCMAKE_BUILD_TYPE=RelWithDebInfo
    exec build/bin/kestrel
    ;;
  test)
    install_dependencies
    build build -DCMAKE_BUILD_TYPE=RelWithDebInfo
    run_tests build
    # FFmpeg's libraries are not instrumented, so the sanitizer build cannot
    # see them write past a picture: glibc's heap checker can, with pictures
    # kept on the heap instead of in mappings of their own.
    (
      export LD_PRELOAD=$(ls /usr/lib/*/libc_malloc_debug.so.0 | head -n 1)
      export MALLOC_CHECK_=3 GLIBC_TUNABLES=glibc.malloc.mmap_threshold=33554432
      run_tests build
    )
    # Memory errors in our FFmpeg and image code; leaks only in our own code.
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:detect_odr_violation=0
    export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    build build-asan -DCMAKE_BUILD_TYPE=Debug -DKESTREL_SANITIZE=ON
    run_tests build-asan
    ;;
  bench)
    install_dependencies
    build build -DCMAKE_BUILD_TYPE=RelWithDebInfo
    exec build/bin/kestrel-bench "${@:2}"
    ;;
  *)
    echo "usage: $0 run|test|bench" >&2
    exit 2
    ;;
esac
