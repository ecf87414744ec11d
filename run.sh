#!/usr/bin/env bash
# Builds the release configuration and starts Velmoor from its run directory.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/setup.sh play
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DVELMOOR_TESTS=OFF >/dev/null
cmake --build build -j"$(nproc)"
if [ ! -x build/run/Velmoor ]; then
  echo "Velmoor: the game itself is not built yet; the libraries are."
  exit 0
fi
cd build/run
exec ./Velmoor "$@"
