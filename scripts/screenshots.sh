#!/usr/bin/env bash
# Retakes docs/screenshots from the program itself, on the built-in
# simulator and the offscreen platform: the windows in both languages and
# the first page of each printed report.
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs/screenshots}
cmake --build build --target kov-t6-screenshots kov-t6-cli -j "$(nproc)" >/dev/null
command -v pdftoppm >/dev/null || { echo "screenshots.sh: pdftoppm missing (apt install poppler-utils)" >&2; exit 1; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# The history the pictures make stays in the temporary folder too.
export QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$tmp/config" XDG_DATA_HOME="$tmp/data" XDG_RUNTIME_DIR="$tmp"
mkdir -p "$out"
cli=build/bin/kov-t6-cli
for lang in ja en; do
  # The offscreen platform's notes on window hints are not ours to show.
  build/bin/kov-t6-screenshots "$out" "$lang" 2> >(grep -v "This plugin does not support" >&2)
  "$cli" --simulator --yes --lang "$lang" index read -o "$tmp/index.ztd" >/dev/null 2>&1
  "$cli" --simulator --yes --lang "$lang" params read -o "$tmp/params.pmt" >/dev/null 2>&1
  for report in index params; do
    file="$tmp/$report.ztd"; [ "$report" = params ] && file="$tmp/$report.pmt"
    "$cli" --lang "$lang" print "$report" "$file" -o "$tmp/$report.pdf" >/dev/null
    pdftoppm -png -r 50 -f 1 -l 1 -singlefile "$tmp/$report.pdf" "$out/report-$report-$lang"
  done
  # The comparison report: the file read against the standard of size 35.
  "$cli" --lang "$lang" params standard 35 --encoder -o "$tmp/std35.pmt" >/dev/null 2>&1
  "$cli" --lang "$lang" print diff "$tmp/params.pmt" "$tmp/std35.pmt" -o "$tmp/diff.pdf" >/dev/null
  pdftoppm -png -r 50 -f 1 -l 1 -singlefile "$tmp/diff.pdf" "$out/report-diff-$lang"
done
echo "screenshots in $out"
