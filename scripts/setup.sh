#!/usr/bin/env bash
# Installs the Debian packages of one set: `play` what building the release game, generating its
# data and playing take (./run.sh), `test` those and what the tests, the benchmarks and the fuzz
# build add (./test.sh), `cross` what the arm64 cross build and its runs under qemu add
# (scripts/cross-test.sh). Quiet and quick when everything is already there.
# Usage: scripts/setup.sh play|test|cross
set -euo pipefail

# The compiler and build tools; SDL2, fluidsynth and GLib (the soundfont reader under fluidsynth
# logs through it) and the soundfont the music plays from; FreeType, libjpeg and zlib; cairo and
# the fonts the data generator draws with, Open Sans being copied as the game's font; libxcb, through
# which the game asks the X display whether it takes it before SDL connects.
PLAY=(
  pkg-config cmake g++ make
  libsdl2-dev libxcb1-dev libfluidsynth-dev libglib2.0-dev timgm6mb-soundfont
  libfreetype-dev libjpeg62-turbo-dev zlib1g-dev libcairo2-dev
  fonts-dejavu-core fonts-dejavu-extra fonts-open-sans
)

# GoogleTest, Google Benchmark and the benchmarks' peers (pixman, stb); clang with its fuzzer
# runtime; the X server and pointer driver of the end-to-end tests, ImageMagick for their screen
# grabs and comparisons.
TEST=(
  libgtest-dev libgmock-dev libbenchmark-dev libpixman-1-dev libstb-dev
  clang libclang-rt-14-dev
  xvfb xauth xdotool imagemagick
)

# Debian's aarch64 cross compiler, qemu-user, and the arm64 -dev packages of the libraries beside
# the native ones (multiarch); libc6:arm64 is the C library the tests run on under qemu-aarch64
# (cmake/aarch64-linux-gnu.cmake).
CROSS=(
  g++-aarch64-linux-gnu qemu-user pkgconf:arm64 libc6:arm64
  zlib1g-dev:arm64 libjpeg62-turbo-dev:arm64 libgtest-dev:arm64 libgmock-dev:arm64
  libsdl2-dev:arm64 libxcb1-dev:arm64 libfluidsynth-dev:arm64 libglib2.0-dev:arm64 libfreetype-dev:arm64
  libcairo2-dev:arm64
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
  if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null; then
      echo "setup: these packages are missing and only root can install them here (no sudo): ${missing[*]}" >&2
      return 1
    fi
    sudo="sudo"
  fi
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  # A library in both architectures must be one version in both, so apt may bring the amd64 one
  # up to the arm64 one's version; it must never remove one.
  $sudo apt-get install -y -qq --no-install-recommends --no-remove "${missing[@]}" >/dev/null
}

case "${1:-}" in
  play) install_missing "${PLAY[@]}" ;;
  test) install_missing "${PLAY[@]}" "${TEST[@]}" ;;
  cross)
    if ! dpkg --print-foreign-architectures | grep -qx arm64; then
      echo "setup: adding the arm64 architecture"
      if [ "$(id -u)" -ne 0 ]; then sudo dpkg --add-architecture arm64; else dpkg --add-architecture arm64; fi
    fi
    install_missing "${PLAY[@]}" "${TEST[@]}" "${CROSS[@]}"
    ;;
  *)
    echo "usage: $0 play|test|cross" >&2
    exit 2
    ;;
esac
