#!/usr/bin/env bash
# Runs every test suite in scripts/suites in order and sums them up. A suite
# is a script that exits 0 when all its tests pass.
set -uo pipefail
cd "$(dirname "$0")/.."
mkdir -p build
passed=0
failed=0
failed_names=()
for suite in scripts/suites/*.sh; do
  name=$(basename "$suite" .sh)
  echo "=== suite $name"
  start=$(date +%s)
  if bash "$suite"; then
    passed=$((passed + 1))
    echo "=== suite $name passed in $(($(date +%s) - start)) s"
  else
    failed=$((failed + 1))
    failed_names+=("$name")
    echo "=== suite $name FAILED in $(($(date +%s) - start)) s"
  fi
done
[ $failed -eq 0 ] || echo "failed suites: ${failed_names[*]}"
echo "suites: $passed passed, $failed failed"
[ $failed -eq 0 ]
