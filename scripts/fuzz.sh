#!/usr/bin/env bash
# Builds the fuzz preset, runs every kept seed once, then fuzzes each target
# for SKELVANE_FUZZ_SECONDS (default 600) on a scratch copy of its seeds, so
# the repository is never changed. Prints each target's executions and
# coverage; exits nonzero when a target finds a fault (the input that broke
# it is kept in build/fuzz/work/<target>/).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${SKELVANE_FUZZ_SECONDS:-600}

mkdir -p build
cmake --preset fuzz >build/fuzz.configure.log 2>&1 || { cat build/fuzz.configure.log; exit 1; }
cmake --build --preset fuzz -j "$(nproc)"
ctest --preset fuzz

export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

# The largest input each target makes: past every 131/132 edge for the
# start-up, and a few hundred entries or lines of several hundred bytes for
# the run (the profile reads of the test double scan the whole file, so much
# larger inputs only slow the search down; the kept seeds run whole above).
max_len() {
  case $1 in
    startup_fuzzer) echo 1024 ;;
    run_fuzzer) echo 4096 ;;
  esac
}

status=0
summary=()
for target in startup_fuzzer run_fuzzer; do
  work=build/fuzz/work/$target
  rm -rf "$work"
  mkdir -p "$work/corpus"
  cp fuzz/corpus/$target/* "$work/corpus/"
  echo "--- fuzzing $target for $seconds s"
  if build/fuzz/fuzz/$target -max_total_time="$seconds" -max_len="$(max_len $target)" \
      -timeout=30 -dict=fuzz/$target.dict -print_final_stats=1 \
      -artifact_prefix="$work/" "$work/corpus" >"$work/log" 2>&1; then
    result=passed
  else
    result=FAILED
    status=1
    grep -v '^#' "$work/log" | tail -40
    echo "the input is kept in $work/; run it again with: build/fuzz/fuzz/$target <that file>"
  fi
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log")
  coverage=$(grep -E '^#[0-9]+[[:space:]]+(DONE|NEW|REDUCE|pulse|INITED)' "$work/log" | tail -1 |
    grep -oE 'cov: [0-9]+ ft: [0-9]+ corp: [0-9]+' || true)
  summary+=("$target: $result, ${execs:-?} executions in $seconds s, ${coverage:-no coverage line}")
done

echo "--- fuzz summary"
printf '%s\n' "${summary[@]}"
exit $status
