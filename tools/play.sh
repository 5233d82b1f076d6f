#!/usr/bin/env bash
# Installs what is missing, builds the game and starts it from the source
# folder (it reads gfx/ and keeps hiscores.dat in its working directory).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh play
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build build --target tessalorium -j "$(nproc)"
exec build/tessalorium
