#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DCHRONVALE_BUILD_TESTS=OFF -DCHRONVALE_WERROR=OFF
cmake --build build -j"$(nproc)"
exec build/chronvale
