#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Velmoor need.
# Quiet and quick when everything is already there.
set -euo pipefail

PACKAGES=(
  pkg-config cmake g++ make
  libsdl2-dev libfluidsynth-dev libglib2.0-dev timgm6mb-soundfont
  libfreetype-dev libjpeg62-turbo-dev zlib1g-dev libcairo2-dev
  fonts-dejavu-core fonts-dejavu-extra fonts-open-sans
  libgtest-dev libgmock-dev libbenchmark-dev libpixman-1-dev libstb-dev
  clang libclang-rt-14-dev
  xvfb xauth xdotool imagemagick sox
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
