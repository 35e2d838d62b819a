#!/usr/bin/env bash
# The 64-bit build and its end-to-end tests on Wine's real Windows API.
set -euo pipefail
source "$(dirname "$0")/../wine-env.sh"
wine_start
"$(dirname "$0")/../preset.sh" win64
