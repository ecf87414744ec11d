#!/usr/bin/env bash
# Installs the Debian packages of one set: `play` what building the release game, generating its
# data and playing take (./run.sh), `test` those and what the tests, the benchmarks and the fuzz
# build add (./test.sh). Quiet and quick when everything is already there.
# Usage: scripts/setup.sh play|test
set -euo pipefail

# The compiler and build tools; SDL2, fluidsynth and GLib (the soundfont reader under fluidsynth
# logs through it) and the soundfont the music plays from; FreeType, libjpeg and zlib; cairo and
# the fonts the data generator draws with, Open Sans being copied as the game's font.
PLAY=(
  pkg-config cmake g++ make
  libsdl2-dev libfluidsynth-dev libglib2.0-dev timgm6mb-soundfont
  libfreetype-dev libjpeg62-turbo-dev zlib1g-dev libcairo2-dev
  fonts-dejavu-core fonts-dejavu-extra fonts-open-sans
)

# GoogleTest, Google Benchmark and the benchmarks' peers (pixman, stb); clang with its fuzzer
# runtime; the X server and pointer driver of the end-to-end tests, ImageMagick for their screen
# grabs and comparisons, sox for the sounds the tests write.
TEST=(
  libgtest-dev libgmock-dev libbenchmark-dev libpixman-1-dev libstb-dev
  clang libclang-rt-14-dev
  xvfb xauth xdotool imagemagick sox
)

# install_missing PACKAGE...: installs those of the packages that are not installed yet.
install_missing() {
  local missing=() p
  for p in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$p")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0

  local sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

case "${1:-}" in
  play) install_missing "${PLAY[@]}" ;;
  test) install_missing "${PLAY[@]}" "${TEST[@]}" ;;
  *)
    echo "usage: $0 play|test" >&2
    exit 2
    ;;
esac
