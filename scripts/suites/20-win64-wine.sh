#!/usr/bin/env bash
# The 64-bit build and its end-to-end tests on Wine's real Windows API.
set -euo pipefail
cd "$(dirname "$0")/../.."
source scripts/wine-env.sh
mkdir -p build

# A fresh prefix takes minutes to make: make it while the build runs. Its
# output goes to a file, never to a pipe that Wine's helpers would hold open.
trap 'wait; wineserver -k >/dev/null 2>&1 || true' EXIT
wine_prefix_ready >/dev/null 2>&1 &
prefix_job=$!
cmake --preset win64 >build/win64.configure.log 2>&1 || { cat build/win64.configure.log; exit 1; }
cmake --build --preset win64 -j "$(nproc)"
wait $prefix_job
wine_start

ctest --preset win64 -j "${SKELVANE_TEST_JOBS:-1}"
# The timings that the large cases print.
grep -h '\[ timing' build/win64/Testing/Temporary/LastTest.log || true
