#!/usr/bin/env bash
# Installs, builds and runs the whole test suite headless: in the build the
# program ships from, again with the sanitizers (scripts/sanitize.sh), then
# every fuzz target for 20 s (scripts/fuzz.sh), then the Windows build under
# Wine (scripts/windows.sh builds Qt for Windows once per machine).
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/build.sh
(cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$(nproc)")
bash scripts/sanitize.sh
bash scripts/fuzz.sh 20
bash scripts/windows.sh >/dev/null
bash scripts/windows-test.sh
