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
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "Need root or sudo to install: ${missing[*]}" >&2; exit 1; }
  sudo=sudo
fi
echo "Installing: ${missing[*]}"
$sudo apt-get update
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
