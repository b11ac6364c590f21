#!/usr/bin/env bash
# Installs the Debian packages Velmora needs to build, run and test, when one
# of them is missing. Run as root (or with sudo available).
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libsqlite3-dev libicu-dev
  postgresql libpq-dev
  fonts-noto-cjk
  qt6-translations-l10n
  xvfb xauth
  python3 python3-rdkit
  librdkit-dev libboost-dev libinchi-dev libcairo2-dev
  libbenchmark-dev
)
# Tools the tests use to read what the program writes.
packages+=(unrtf poppler-utils)
# The desktop tests: a window manager, real X input, screenshots, xprop.
packages+=(openbox xdotool imagemagick x11-utils)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
