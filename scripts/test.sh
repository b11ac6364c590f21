#!/usr/bin/env bash
# Sets up, builds Velmora and runs every test: headless, and the desktop
# tests each on an X server of their own.
#
#   scripts/test.sh [ctest arguments]             the ordinary build in build/
#   scripts/test.sh --sanitize [ctest arguments]  AddressSanitizer and
#       UndefinedBehaviorSanitizer with leak detection, in build-sanitize/;
#       any report fails the test that caused it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

build=build
flags=()
if [ "${1:-}" = "--sanitize" ]; then
  shift
  build=build-sanitize
  sanitize="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
  flags=(-DCMAKE_BUILD_TYPE=Debug
         "-DCMAKE_C_FLAGS=$sanitize" "-DCMAKE_CXX_FLAGS=$sanitize"
         "-DCMAKE_EXE_LINKER_FLAGS=-fsanitize=address,undefined"
         "-DCMAKE_SHARED_LINKER_FLAGS=-fsanitize=address,undefined")
  export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:halt_on_error=1:detect_stack_use_after_return=1:strict_string_checks=1"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
  # Leaks inside the system's font and display libraries are theirs, not ours.
  export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
else
  flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
fi

cmake -S . -B "$build" "${flags[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)"
export QT_QPA_PLATFORM=offscreen
cd "$build"
ctest --output-on-failure -j"$(nproc)" "$@"
