#!/usr/bin/env bash
# Installs the Debian 12 packages needed to build, run and test KOV-T6.
# Runs apt-get update only when something is missing.
set -euo pipefail

packages=(
  build-essential cmake
  qt6-base-dev qt6-serialport-dev libgl-dev
  libqt6serialport6 libqt6printsupport6 libqt6network6
  qt6-qpa-plugins qt6-translations-l10n
  fonts-noto-cjk
  poppler-utils fonts-dejavu-core tmux
  help2man dpkg-dev fakeroot appstream lintian
  clang libclang-rt-14-dev llvm
  ser2net python3-serial
  libqt6sql6-sqlite libqt6sql6-psql postgresql-15
)

bash "$(dirname "$0")/need.sh" "${packages[@]}"
