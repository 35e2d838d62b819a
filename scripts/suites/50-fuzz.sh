#!/usr/bin/env bash
# Every kept seed once, then a bounded run of each fuzz target (about a
# minute each); `make fuzz` runs them longer.
SKELVANE_FUZZ_SECONDS=60 exec bash "$(dirname "$0")/../fuzz.sh"
