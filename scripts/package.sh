#!/usr/bin/env bash
# Builds the Debian package into build/: kov-t6_VERSION-1_amd64.deb.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
(cd build && cpack -G DEB)
ls build/kov-t6_*.deb
