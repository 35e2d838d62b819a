#!/usr/bin/env bash
# The program's logic against the test double, on Linux.
exec "$(dirname "$0")/../preset.sh" host
