#!/usr/bin/env bash
# Builds a Debug build with assertions, AddressSanitizer and
# UndefinedBehaviorSanitizer (clang, with the libFuzzer targets) into
# build-asan/ and runs every test in it, leak detection on.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
# A tree configured by another compiler cannot be switched in place.
if [ -f build-asan/CMakeCache.txt ] && ! grep -q '^CMAKE_CXX_COMPILER:.*clang' build-asan/CMakeCache.txt; then
  rm -rf build-asan
fi
CC=clang CXX=clang++ cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DKOV_SANITIZE=ON -DKOV_FUZZ=ON \
  -DCMAKE_CXX_FLAGS= -DCMAKE_EXE_LINKER_FLAGS= >/dev/null
cmake --build build-asan -j "$(nproc)"
cd build-asan
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/../scripts/lsan.supp
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# The package is proven by the main build; the chaos soak is shorter here,
# where it finds memory faults rather than rare timings.
KOV_SOAK_SECONDS=10 QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$(nproc)" -E 'bench|install'
