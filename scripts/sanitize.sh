#!/usr/bin/env bash
# Builds a Debug build with assertions, AddressSanitizer and
# UndefinedBehaviorSanitizer into build-asan/ and runs every test in it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DKOV_SANITIZE=ON \
  -DCMAKE_CXX_FLAGS= -DCMAKE_EXE_LINKER_FLAGS= >/dev/null
cmake --build build-asan -j "$(nproc)"
cd build-asan
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$(nproc)" -E bench
