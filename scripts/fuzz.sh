#!/usr/bin/env bash
# Runs every libFuzzer target of build-asan/ (scripts/sanitize.sh builds it)
# for SECONDS each (default 20), two at a time, from the corpus kept in
# tests/data/fuzz/<target>. Fails on any crash, broken check, leak or
# timeout; the input that did it is left in build-asan/fuzz-out/.
# Usage: scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(fuzz_ztd fuzz_pmt fuzz_lists fuzz_replies fuzz_settings fuzz_link fuzz_telnet)
bin=build-asan/bin
out=build-asan/fuzz-out
mkdir -p "$out"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export QT_QPA_PLATFORM=offscreen

run() {
  local t=$1 work="$out/$1"
  rm -rf "$work" && mkdir -p "$work/corpus"
  # New inputs go to a scratch corpus; the kept one stays as it is.
  if "$bin/$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
       -artifact_prefix="$work/" "$work/corpus" "tests/data/fuzz/$t" >"$work/log" 2>&1; then
    local runs
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$work/log" | grep -o '[0-9]*$' || echo '?')
    echo "$t: $runs runs in ${seconds} s, no crash"
  else
    echo "$t: FAILED (see $work/log; the input is in $work/)" >&2
    tail -30 "$work/log" >&2
    return 1
  fi
}

export -f run
export bin out seconds
printf '%s\n' "${targets[@]}" | xargs -P 2 -I{} bash -c 'run {}'
