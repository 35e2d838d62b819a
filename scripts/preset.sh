#!/usr/bin/env bash
# Configures, builds and tests one CMake preset: scripts/preset.sh NAME
set -euo pipefail
cd "$(dirname "$0")/.."
preset=$1
cmake --preset "$preset" >"build/$preset.configure.log" 2>&1 || { cat "build/$preset.configure.log"; exit 1; }
cmake --build --preset "$preset" -j "$(nproc)"
ctest --preset "$preset" -j "${SKELVANE_TEST_JOBS:-1}"
