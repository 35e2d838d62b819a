#!/usr/bin/env bash
# The shipped 32-bit release: built, its file checked, and run once under the
# 32-bit Wine loader; then its size, sections and imports are printed.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
status=0
"$root/scripts/preset.sh" win32 || status=$?
program=$root/build/win32/skelvane.exe
if [ -f "$program" ]; then
  python3 "$root/tests/release/release_check.py" size "$program"
  python3 "$root/tests/release/release_check.py" imports "$program"
fi
exit $status
