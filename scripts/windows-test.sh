#!/usr/bin/env bash
# The Windows build under Wine: every QtTest suite that runs there, then
# kov-t6-cli.exe against kov-sim (a Linux process) over tcp:// and
# rfc2217://.
# Needs the Linux build (kov-sim) and scripts/windows.sh's build-win/.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
qt=$(bash scripts/windows-qt.sh)
bash scripts/need.sh wine64
wine=/usr/lib/wine/wine64
export WINEPREFIX=$root/build-win/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# The prefix the suites use too: COM1-COM32 hidden from the machine's ports.
[ -f "$WINEPREFIX/hide-ports.reg" ] || sh cmake/wine-prefix.sh "$wine"
dist=$root/build-win/KOV-T6
cli() { "$wine" "$dist/kov-t6-cli.exe" "$@"; }

start=$(date +%s)
# 1. The suites, each .exe run by Wine (CMake's cross-compiling emulator).
(cd build-win && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j 2)

# 2. kov-t6-cli.exe against kov-sim over the network.
tmp=$(mktemp -d)
sims=()
trap 'kill "${sims[@]}" 2>/dev/null; rm -rf "$tmp"' EXIT
serve() { # serve PORT [kov-sim options...]: a simulator on 127.0.0.1:PORT
  local port=$1; shift
  "$root/build/bin/kov-sim" --tcp "127.0.0.1:$port" "$@" >/dev/null &
  sims+=($!)
}
fail=0
check() { # check WANT DESCRIPTION COMMAND...: the exit status is WANT
  local want=$1 what=$2; shift 2
  local got=0
  "$@" >"$tmp/out" 2>"$tmp/err" || got=$?
  if [ "$got" -ne "$want" ]; then
    echo "FAIL: $what: exit $got, not $want" >&2
    sed 's/^/  /' "$tmp/err" >&2
    fail=1
  else
    echo "PASS: $what"
  fi
}
serve 46101
serve 46102 --rfc2217
serve 46103
sleep 0.5
cli params standard 28 -o "$tmp/s28.pmt" >/dev/null 2>&1
cli params standard 35 -o "$tmp/s35.pmt" >/dev/null 2>&1
for url in tcp://127.0.0.1:46101 rfc2217://127.0.0.1:46102; do
  check 0 "$url version" cli --device "$url" version
  check 0 "$url params write" cli --device "$url" --yes params write "$tmp/s28.pmt"
  check 0 "$url params verify" cli --device "$url" params verify "$tmp/s28.pmt"
  check 1 "$url params verify, differing" cli --device "$url" params verify "$tmp/s35.pmt"
  check 0 "$url params read" cli --device "$url" --yes params read -o "$tmp/read.pmt"
  check 0 "$url index read" cli --device "$url" --yes index read -o "$tmp/read.ztd"
  check 0 "$url index write" cli --device "$url" --yes index write "$tmp/read.ztd"
  check 0 "$url move" cli --device "$url" move --count 2
  check 0 "$url io" cli --device "$url" io --seconds 1
  check 0 "$url --json" cli --device "$url" --json version
  grep -q '"ok":true' "$tmp/out" || { echo "FAIL: $url --json: no \"ok\":true" >&2; fail=1; }
done
printf 'line,steps\ntcp://127.0.0.1:46101,params verify s28.pmt; version\ntcp://127.0.0.1:46103,params write s28.pmt; params verify s28.pmt\n' >"$tmp/plan.csv"
check 0 "a batch of two lines" bash -c "cd '$tmp' && '$wine' '$dist/kov-t6-cli.exe' batch plan.csv"
check 3 "COM9, no such port" cli --port 9 version

# The plant's memory in the SQLite history of the prefix's user: a named
# line, a safe write, the drift check and the entries they kept.
cli lines remove WinePress >/dev/null 2>&1 || true
check 0 "lines add" cli --device tcp://127.0.0.1:46103 lines add WinePress
check 0 "--line, a safe write" cli --line WinePress --safe --yes params write "$tmp/s28.pmt"
check 0 "--line, the drift check" cli --line WinePress check
check 0 "--line, the history" cli --line WinePress --json history
grep -q '"command":"check","id":[0-9]*,"line":"WinePress"' "$tmp/out" &&
  grep -q '"command":"params backup"' "$tmp/out" ||
  { echo "FAIL: the history lacks the check or the backup: $(head -c 400 "$tmp/out")" >&2; fail=1; }

# 3. A COM port as far as Wine goes: COM5 is a kov-sim pseudo-terminal. It
# is listed and opens, and a command reaches the simulator; its reply is
# never reported (Wine learns of received characters through TIOCGICOUNT,
# which a pseudo-terminal lacks), so the command ends in the timeout message.
"$root/build/bin/kov-sim" --link "$tmp/pty" --log "$tmp/com.log" >/dev/null &
sims+=($!)
for _ in $(seq 50); do [ -e "$tmp/pty" ] && break; sleep 0.1; done
ports() { # ports VALUE: COM5 mapped to VALUE ("" hides it), Wine restarted
  # A wineserver still ending may refuse the first try on a busy machine.
  local try
  for try in 1 2 3; do
    "$wine" reg add 'HKLM\Software\Wine\Ports' /v COM5 /t REG_SZ /d "$1" /f >/dev/null 2>&1 && break
    [ "$try" = 3 ] && { echo "FAIL: COM5 could not be mapped" >&2; fail=1; }
    sleep 1
  done
  /usr/lib/wine/wineserver64 -k 2>/dev/null || true
}
ports "$(readlink -f "$tmp/pty")"
check 0 "COM5 listed" cli --lang en ports
grep -q '^COM5 — .*: opens' "$tmp/out" || { echo "FAIL: COM5 not listed as opening" >&2; fail=1; }
check 3 "COM5: a command reaches kov-sim" cli --lang en --port 5 --timeout-scale 0.2 version
grep -q '^0CM6' "$tmp/com.log" || { echo "FAIL: nothing reached kov-sim through COM5" >&2; fail=1; }
grep -q 'Communication timeout error!' "$tmp/err" || { echo "FAIL: COM5: no timeout message" >&2; fail=1; }
ports ""
echo "Windows tests under Wine: $(( $(date +%s) - start )) s"
exit $fail
