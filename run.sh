#!/usr/bin/env bash
# Installs, builds and starts KOV-T6 on the built-in controller simulator.
# Arguments replace --simulator and go to the program (e.g. --device /dev/ttyUSB0).
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/build.sh
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ "${QT_QPA_PLATFORM:-}" != offscreen ]; then
  echo "No display found: run it on a virtual one with 'apt-get install -y xvfb && xvfb-run -a ./run.sh', or set DISPLAY." >&2
  exit 1
fi
[ $# -eq 0 ] && set -- --simulator
exec build/bin/kov-t6 "$@"
