#!/usr/bin/env bash
# Installs what the tests need, builds everything and runs every test: once
# in the normal build, the core tests again under AddressSanitizer and
# UndefinedBehaviorSanitizer, and the threaded playback tests under
# ThreadSanitizer; last, a short fuzzing run of every input reader.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh test

export TMPDIR="${TMPDIR:-/tmp}"
jobs=2

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$jobs"
(cd build && ctest --output-on-failure -j"$jobs")

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBV_SANITIZE=address,undefined \
  -DBV_BUILD_GUI=OFF -DBV_BUILD_BENCH=OFF
cmake --build build-asan -j"$jobs"
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --output-on-failure -j"$jobs")

cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBV_SANITIZE=thread \
  -DBV_BUILD_GUI=OFF -DBV_BUILD_BENCH=OFF -DBV_BUILD_TOOLS=OFF
cmake --build build-tsan -j"$jobs" --target bv_core_tests bv_sound_tests
(cd build-tsan && TSAN_OPTIONS=halt_on_error=1 ctest --output-on-failure -j"$jobs" -R "$(cat ../tests/tsan-tests.txt)")

# Every fuzz target for a short while (clang build in build-fuzz/); any
# finding fails the run.
fuzz/run.sh "${BV_FUZZ_SECONDS:-20}"
