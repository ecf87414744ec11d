#!/usr/bin/env bash
# Installs what the arm64 cross build and its test runs need (scripts/cross-test.sh): Debian's
# aarch64 cross compiler, qemu-user, and the arm64 -dev packages of the libraries beside the
# native ones (multiarch). Quiet and quick when everything is already there.
set -euo pipefail

# libc6:arm64 is the C library the tests run on under qemu-aarch64 (cmake/aarch64-linux-gnu.cmake).
CROSS_PACKAGES=(
  g++-aarch64-linux-gnu qemu-user pkgconf:arm64 libc6:arm64
  zlib1g-dev:arm64 libjpeg62-turbo-dev:arm64 libgtest-dev:arm64 libgmock-dev:arm64
  libsdl2-dev:arm64 libfluidsynth-dev:arm64 libglib2.0-dev:arm64 libfreetype-dev:arm64
  libcairo2-dev:arm64
)

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

added=0
if ! dpkg --print-foreign-architectures | grep -qx arm64; then
  echo "setup-cross: adding the arm64 architecture"
  $SUDO dpkg --add-architecture arm64
  added=1
fi

missing=()
for p in "${CROSS_PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && [ $added -eq 0 ] && exit 0

# A library in both architectures must be the same version in both, so apt may bring the amd64
# one up to the arm64 one's version; it must never remove one (--no-remove).
echo "setup-cross: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends --no-remove "${missing[@]}" >/dev/null
