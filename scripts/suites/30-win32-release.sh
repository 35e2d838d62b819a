#!/usr/bin/env bash
# The shipped 32-bit release and its checks.
exec "$(dirname "$0")/../preset.sh" win32
