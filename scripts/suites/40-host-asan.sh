#!/usr/bin/env bash
# The host unit tests again, built with clang under AddressSanitizer and
# UndefinedBehaviorSanitizer; the first finding stops the test that met it.
exec "$(dirname "$0")/../preset.sh" host-asan
