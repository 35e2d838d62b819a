#!/usr/bin/env bash
# CTest's emulator for the Windows test programs: runs one under wine64 in the
# project's private prefix (made at first use). Wine's output goes to a file
# and is shown afterwards, because Wine's helper processes inherit a pipe and
# keep its reader waiting.
set -u
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-env.sh"
wine_prefix_ready
output=$(mktemp "${TMPDIR:-/tmp}/skelvane-wine-run.XXXXXX")
"$WINE64" "$@" >"$output" 2>&1 </dev/null
status=$?
cat "$output"
rm -f "$output"
exit $status
