#!/usr/bin/env bash
# make bench: times the program under wine64 against its floors and against
# the tools a setup author would use instead (reg delete, regedit /s), sizes
# the release builds, and writes bench/RESULTS.md and bench/chart.png.
# About 10 to 20 minutes on two cores.
#
# Knobs (environment): BENCH_ROUNDS, rounds for the start-up and the lists up
# to 1,000 keys (default 15); BENCH_SLOW_ROUNDS, rounds for 10,000 keys and for
# reg delete of more than one key (default 5); BENCH_REG_BUDGET, seconds allowed
# for reg delete of 1,000 keys, which sets its rounds from 1 to 3 (default 300);
# BENCH_SIZES, the list lengths (default "1 100 1000 10000"); BENCH_RESULTS,
# where RESULTS.md and chart.png go (default bench); BENCH_NOTE, a sentence
# about the machine for the results.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

rounds=${BENCH_ROUNDS:-15}
slow_rounds=${BENCH_SLOW_ROUNDS:-5}
reg_budget=${BENCH_REG_BUDGET:-300}
read -r -a sizes <<<"${BENCH_SIZES:-1 100 1000 10000}"
results=${BENCH_RESULTS:-bench}
out="$root/build/bench-out"
rm -rf "$out"
mkdir -p "$out"

# Builds a preset's settings into a directory of our own, so that the test
# builds in build/<preset> are never raced.
build() {
  local preset=$1 dir=$2
  shift 2
  cmake --preset "$preset" -B "$dir" -DSKELVANE_BENCH=ON >"$out/$preset.configure.log" 2>&1 ||
    { cat "$out/$preset.configure.log"; exit 1; }
  cmake --build "$dir" -j "$(nproc)" --target "$@" >"$out/$preset.build.log" 2>&1 ||
    { cat "$out/$preset.build.log"; exit 1; }
}
echo "building ..."
build win64 build/bench-win64 skelvane bench_floor_three_dlls bench_floor_kernel32_advapi32 \
  bench_floor_kernel32 bench_platform_calls bench_timer bench_skelvane_mingw_crt
build win32 build/bench-win32 skelvane bench_skelvane_mingw_crt

# Footprint: size and imported DLLs of each build, one tab-separated line each.
footprint() {
  local label=$1 file=$2 objdump=$3 dlls
  dlls=$($objdump -p "$file" | sed -n 's/^\s*DLL Name: //p' | tr '\n' ' ')
  printf '%s\t%s\t%s\n' "$label" "$(stat -c %s "$file")" "$dlls" >>"$out/footprint.tsv"
}
footprint "i686 release" build/bench-win32/skelvane.exe i686-w64-mingw32-objdump
footprint "x86_64 release" build/bench-win64/skelvane.exe x86_64-w64-mingw32-objdump
footprint "i686, MinGW runtime" build/bench-win32/bench/bench_skelvane_mingw_crt.exe i686-w64-mingw32-objdump
footprint "x86_64, MinGW runtime" build/bench-win64/bench/bench_skelvane_mingw_crt.exe x86_64-w64-mingw32-objdump
footprint "x86_64 empty floor, three DLLs" build/bench-win64/bench/bench_floor_three_dlls.exe x86_64-w64-mingw32-objdump
footprint "x86_64 empty floor, KERNEL32 and ADVAPI32" build/bench-win64/bench/bench_floor_kernel32_advapi32.exe x86_64-w64-mingw32-objdump
footprint "x86_64 empty floor, KERNEL32" build/bench-win64/bench/bench_floor_kernel32.exe x86_64-w64-mingw32-objdump
# The floors are only floors if the loader maps what the program's loader maps.
grep -q $'three DLLs\t[0-9]*\tADVAPI32.dll KERNEL32.dll USER32.dll $' "$out/footprint.tsv" ||
  { echo "the three-DLL floor does not import exactly KERNEL32, USER32 and ADVAPI32"; exit 1; }

export WINEPREFIX="$root/build/bench-prefix"
export WINEDEBUG=-all
source scripts/wine-env.sh
echo "starting Wine in $WINEPREFIX ..."
wine_start
# A fresh server's first process starts the session's services; let that
# settle before anything is timed or traced.
"$WINE64" cmd /c exit >"$out/session.log" 2>&1 || true
sleep 3

# Everything the Windows side sees lives in C:\bench: the programs in bin (with
# no settings file beside them), the lists in lists.
work="$WINEPREFIX/drive_c/bench"
rm -rf "$work"
mkdir -p "$work/bin" "$work/lists"
cp build/bench-win64/skelvane.exe build/bench-win64/bench/bench_*.exe "$work/bin/"
bin='C:\bench\bin'
lists='C:\bench\lists'

# Lists of N keys: a settings file with the trace off, one with it on, and a
# .reg file that removes the same keys. Profile and .reg files end lines in CRLF.
for n in "${sizes[@]}"; do
  awk -v n="$n" 'BEGIN {
    printf "[skelvane]\r\n"
    for (i = 1; i <= n; i++) printf "del%d=HKEY_CURRENT_USER\\Software\\SkelvaneBench\\K%d\r\n", i, i
  }' >"$work/lists/keys-$n.ini"
  { printf '[skelvane]\r\ndebug=1\r\n'; tail -n +2 "$work/lists/keys-$n.ini"; } >"$work/lists/trace-$n.ini"
  awk -v n="$n" 'BEGIN {
    printf "REGEDIT4\r\n\r\n"
    for (i = 1; i <= n; i++) printf "[-HKEY_CURRENT_USER\\Software\\SkelvaneBench\\K%d]\r\n", i
  }' >"$work/lists/remove-$n.reg"
done

{
  echo "CPU: $(lscpu | sed -n 's/^Model name:\s*//p' | head -n 1)"
  echo "Cores: $(nproc)"
  echo "Memory: $(free -g | awk '/^Mem:/ {print $2}') GiB"
  echo "Kernel: $(uname -r)"
  echo "OS: $(. /etc/os-release && echo "$PRETTY_NAME")"
  echo "Wine: $("$WINE64" --version)"
  echo "Compiler: $(x86_64-w64-mingw32-g++ --version | head -n 1)"
  echo "Date: $(date -u '+%Y-%m-%d %H:%M UTC')"
  echo "Load at start: $(cut -d ' ' -f 1-3 /proc/loadavg)"
  echo "Note: ${BENCH_NOTE:-}"
} >"$out/machine.txt"

# Runs one group of configurations through the harness, interleaved by rounds:
# group NAME ROUNDS KEYS then NAME=COMMAND pairs (a command starting with '*'
# runs once per key). Writes NAME.names and NAME.runs for the report.
group() {
  local name=$1 group_rounds=$2 keys=$3
  shift 3
  local commands=() pair
  : >"$out/$name.names"
  for pair in "$@"; do
    echo "${pair%%=*}" >>"$out/$name.names"
    commands+=("${pair#*=}")
  done
  echo "  $name: $# configurations, $group_rounds rounds ($(date +%T))"
  if ! "$WINE64" "$bin\\bench_timer.exe" "$group_rounds" "$keys" "${commands[@]}" \
    >"$out/$name.runs" 2>"$out/$name.err"; then
    cat "$out/$name.err"
    exit 1
  fi
}

floors=("floor3=$bin\\bench_floor_three_dlls.exe" "floor2=$bin\\bench_floor_kernel32_advapi32.exe"
  "floor1=$bin\\bench_floor_kernel32.exe")
started=$(date +%s)
echo "timing ..."
group startup "$rounds" 0 "${floors[@]}" \
  "skelvane=$bin\\skelvane.exe" "mingw_crt=$bin\\bench_skelvane_mingw_crt.exe"

calls="$bin\\bench_platform_calls.exe"
for n in "${sizes[@]}"; do
  group_rounds=$rounds
  [ "$n" -lt 10000 ] || group_rounds=$slow_rounds
  group "list-$n" "$group_rounds" "$n" "${floors[@]}" \
    "skelvane=$bin\\skelvane.exe $lists\\keys-$n.ini" \
    "skelvane_trace=$bin\\skelvane.exe $lists\\trace-$n.ini" \
    "calls=$calls a $n $lists\\keys-$n.ini" \
    "calls_trace=$calls t $n $lists\\trace-$n.ini" \
    "calls_read=$calls r $n $lists\\keys-$n.ini" \
    "calls_case=$calls u $n $lists\\keys-$n.ini" \
    "calls_remove=$calls d $n $lists\\keys-$n.ini" \
    "calls_write=$calls w $n $lists\\trace-$n.ini" \
    "regedit=C:\\windows\\regedit.exe /s $lists\\remove-$n.reg"
done

# reg delete runs one process per key: slow, so it has groups of its own, with
# Skelvane and the floor timed in the same rounds for the ratios; fewer rounds
# beyond one key, and at 1,000 keys as many as fit the budget, judged from the
# group before.
previous=
for n in "${sizes[@]}"; do
  [ "$n" -le 1000 ] || continue
  group_rounds=$slow_rounds
  [ "$n" -gt 1 ] || group_rounds=$rounds
  if [ "$n" -ge 1000 ] && [ -n "$previous" ]; then
    # Seconds one round would take, from the previous group's reg delete median.
    median=$(awk '$1 == "run" && $2 == 2 { print $3 }' "$out/reg-$previous.runs" | sort -n |
      awk '{ t[NR] = $1 } END { print t[int((NR + 1) / 2)] }')
    per_round=$((median * n / previous / 1000000 + 1))
    group_rounds=$((reg_budget / per_round))
    [ "$group_rounds" -ge 1 ] || group_rounds=1
    [ "$group_rounds" -le 3 ] || group_rounds=3
  fi
  group "reg-$n" "$group_rounds" "$n" "${floors[0]}" "skelvane=$bin\\skelvane.exe $lists\\keys-$n.ini" \
    "reg=*C:\\windows\\system32\\reg.exe delete HKCU\\Software\\SkelvaneBench\\K%d /f"
  previous=$n
done

# Which DLLs each kind of process maps at start, from Wine's own loader trace:
# what an empty program, the program and its peers pay for before any work.
loaded_dlls() {
  local name=$1
  shift
  WINEDEBUG=+loaddll "$WINE64" "$@" >"$out/loaddll-$name.log" 2>&1 || true
  # The first module loaded is the program itself; keep its thread's lines only.
  awk -v name="$name" '/Loaded L"/ {
      tid = substr($0, 1, index($0, ":") - 1)
      if (first == "") first = tid
      if (tid != first) next
      path = $0; sub(/^[^"]*"/, "", path); sub(/".*$/, "", path)
      n = split(path, parts, /\\/); dlls = dlls (count++ ? " " : "") tolower(parts[n])
    } END { printf "%s\t%d\t%s\n", name, count, dlls }' "$out/loaddll-$name.log" >>"$out/loaded.tsv"
}
echo "tracing the loader ..."
loaded_dlls floor1 "$bin\\bench_floor_kernel32.exe"
loaded_dlls floor2 "$bin\\bench_floor_kernel32_advapi32.exe"
loaded_dlls floor3 "$bin\\bench_floor_three_dlls.exe"
loaded_dlls skelvane "$bin\\skelvane.exe"
loaded_dlls mingw_crt "$bin\\bench_skelvane_mingw_crt.exe"
loaded_dlls regedit 'C:\windows\regedit.exe' /s "$lists\\remove-1.reg"
loaded_dlls reg 'C:\windows\system32\reg.exe' delete 'HKCU\Software\SkelvaneBench\K1' /f

{
  echo "Load at end: $(cut -d ' ' -f 1-3 /proc/loadavg)"
  echo "Timing took: $(($(date +%s) - started)) s"
} >>"$out/machine.txt"

echo "reporting ..."
mkdir -p "$results"
status=0
python3 bench/report.py "$out" "$results/RESULTS.md" || status=$?
gnuplot -e "data='$out/chart.dat'; output='$results/chart.png'" bench/chart.gp
echo "wrote $results/RESULTS.md and $results/chart.png"
exit $status
