#!/usr/bin/env bash
# Records the live table of kov-t6-cli batch as the terminal shows it (a
# tmux capture), mid-run and at the end, in both languages, against four
# kov-sim lines (in a folder named for the rack): one whose verification
# differs, one that vanishes.
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs/screenshots}
cmake --build build --target kov-sim kov-t6-cli -j "$(nproc)" >/dev/null
command -v tmux >/dev/null || { echo "batch-picture.sh: tmux missing (scripts/install-deps.sh)" >&2; exit 1; }
bin=$PWD/build/bin
tmp=$(mktemp -d /tmp/rack7.XXXX)
sims=()
trap 'kill "${sims[@]}" 2>/dev/null; tmux kill-session -t kov-batch 2>/dev/null; rm -rf "$tmp"' EXIT
export XDG_CONFIG_HOME="$tmp/config"
for i in 1 2 3 4; do
  extra=()
  [ "$i" = 4 ] && extra=(--fault 0WD1:vanish)
  "$bin/kov-sim" --link "$tmp/line$i" --paced "${extra[@]}" >/dev/null &
  sims+=($!)
done
sleep 0.5
"$bin/kov-t6-cli" params standard 28 -o "$tmp/P.pmt" >/dev/null 2>&1
"$bin/kov-t6-cli" params standard 35 -o "$tmp/Q.pmt" >/dev/null 2>&1
mkdir -p "$out"
for lang in ja en; do
  {
    echo "line,steps"
    for i in 1 2 3 4; do
      file=P.pmt; [ "$i" = 2 ] && file=Q.pmt
      echo "$tmp/line$i,params write P.pmt; params verify $file; move --count 3; version"
    done
  } >"$tmp/plan.csv"
  tmux new-session -d -s kov-batch -x 110 -y 12 -c "$tmp" \
    "$bin/kov-t6-cli --lang $lang batch plan.csv; sleep 60"
  sleep 1.5
  tmux capture-pane -p -t kov-batch >"$out/batch-running-$lang.txt"
  sleep 5
  tmux capture-pane -p -t kov-batch >"$out/batch-done-$lang.txt"
  tmux kill-session -t kov-batch
  sed -i -e :a -e '/^\n*$/{$d;N;ba' -e '}' "$out"/batch-*-"$lang".txt # no blank rows below
done
echo "batch pictures in $out"
