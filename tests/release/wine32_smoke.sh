#!/usr/bin/env bash
# One run of the shipped 32-bit program under the 32-bit Wine loader (through
# qemu's user-mode emulator): four entries under HKCU and HKLM\SOFTWARE, one
# key with a subkey and one missing, trace on. Checks every debug-output
# write, the exit status and the registry in both views.
#   wine32_smoke.sh PROGRAM PREFIX
# PREFIX is created when it is missing or unfinished, and reused otherwise.
set -euo pipefail
program=$1
export WINEPREFIX=$2
root=$(cd "$(dirname "$0")/../.." && pwd)
started=$(date +%s)

bash "$root/scripts/setup-wine32.sh"
source "$root/scripts/wine-env.sh"
WINE32=/usr/lib/wine/wine
[ -x "$WINE32" ] || { echo "wine32 smoke: $WINE32 is missing (install wine32:i386)" >&2; exit 1; }
# Under qemu the 32-bit loader's early mappings land where Wine must put its
# shared user data; glibc's locale files are the largest of them, so the run
# uses the built-in C locale.
unset LANG LANGUAGE
export LC_ALL=C

# A prefix is only usable for 32-bit programs once wineboot has filled
# syswow64, which takes minutes under emulation; an interrupted one is redone.
ready_mark=$WINEPREFIX/.skelvane-wine32-ready
if [ ! -f "$ready_mark" ]; then
  rm -rf "$WINEPREFIX"
  mkdir -p "$(dirname "$WINEPREFIX")"
  boot_started=$(date +%s)
  "$WINE64" wineboot -i >"$WINEPREFIX.boot.log" 2>&1 || true
  wineserver -w
  if [ ! -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ]; then
    echo "wine32 smoke: wineboot left no 32-bit system in $WINEPREFIX; see $WINEPREFIX.boot.log" >&2
    exit 1
  fi
  touch "$ready_mark"
  echo "wine32 smoke: prefix created in $(($(date +%s) - boot_started)) s"
else
  echo "wine32 smoke: reusing prefix $WINEPREFIX"
fi
wine_start

work=$WINEPREFIX/drive_c/skelvane-smoke
rm -rf "$work"
mkdir -p "$work"
trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
cp "$program" "$work/skelvane.exe"

# Both views of HKLM\SOFTWARE get the same keys: the 32-bit program must
# touch only its own view, SOFTWARE\Wow6432Node, as seen from 64-bit reg.exe.
printf '%s\r\n' 'REGEDIT4' '' \
  '[-HKEY_CURRENT_USER\Software\SkelvaneSmoke]' \
  '[-HKEY_LOCAL_MACHINE\SOFTWARE\SkelvaneSmoke]' \
  '[-HKEY_LOCAL_MACHINE\SOFTWARE\Wow6432Node\SkelvaneSmoke]' \
  '[HKEY_CURRENT_USER\Software\SkelvaneSmoke\Gone]' \
  '[HKEY_CURRENT_USER\Software\SkelvaneSmoke\Parent\Child]' \
  '[HKEY_LOCAL_MACHINE\SOFTWARE\Wow6432Node\SkelvaneSmoke\Gone]' \
  '[HKEY_LOCAL_MACHINE\SOFTWARE\Wow6432Node\SkelvaneSmoke\Kept]' \
  '[HKEY_LOCAL_MACHINE\SOFTWARE\SkelvaneSmoke\Gone]' \
  '[HKEY_LOCAL_MACHINE\SOFTWARE\SkelvaneSmoke\Missing]' >"$work/keys.reg"
"$WINE64" reg import 'C:\skelvane-smoke\keys.reg' >"$work/import.log" 2>&1 ||
  { cat "$work/import.log"; exit 1; }

printf '%s\r\n' '[skelvane]' 'debug=1' \
  'del1=HKEY_CURRENT_USER\Software\SkelvaneSmoke\Gone' \
  'del2=hkey_local_machine\software\skelvanesmoke\gone' \
  'del3=HKEY_CURRENT_USER\Software\SkelvaneSmoke\Parent' \
  'del4=HKEY_LOCAL_MACHINE\SOFTWARE\SkelvaneSmoke\Missing' >"$work/skelvane.ini"

run_started=$(date +%s)
status=0
WINEDEBUG=warn+debugstr "$WINE32" 'C:\skelvane-smoke\skelvane.exe' >"$work/run.log" 2>&1 || status=$?
echo "wine32 smoke: program run took $(($(date +%s) - run_started)) s"

failed=0
fail() {
  echo "FAIL: $*"
  failed=1
}
[ "$status" -eq 0 ] || fail "exit status $status, expected 0"

# Wine's debugstr channel shows each OutputDebugStringA write as one line,
# C-escaped: a backslash doubled, a line feed as \n.
sed -n 's/^.*:warn:debugstr:OutputDebugStringA "\(.*\)"$/\1/p' "$work/run.log" >"$work/writes"
entry() { printf '%s\n' "$1" '\n' "$2" '\n' "retval = $3\\n"; }
{
  printf '%s\n' 'Skelvane - ini name is: ' 'C:\\skelvane-smoke\\skelvane.ini' '\n'
  entry HKEY_CURRENT_USER 'SOFTWARE\\SKELVANESMOKE\\GONE' 0
  entry HKEY_LOCAL_MACHINE 'SOFTWARE\\SKELVANESMOKE\\GONE' 0
  entry HKEY_CURRENT_USER 'SOFTWARE\\SKELVANESMOKE\\PARENT' 5
  entry HKEY_LOCAL_MACHINE 'SOFTWARE\\SKELVANESMOKE\\MISSING' 2
} >"$work/expected"
if ! diff -u "$work/expected" "$work/writes" >"$work/writes.diff"; then
  fail "debug-output writes differ (expected, then seen):"
  cat "$work/writes.diff"
  grep -v ':debugstr:' "$work/run.log" | head -20
fi

key_is() {
  local state=$1 key=$2
  if "$WINE64" reg query "$key" >/dev/null 2>&1; then
    [ "$state" = present ] || fail "$key is still there"
  else
    [ "$state" = gone ] || fail "$key was removed"
  fi
}
key_is gone 'HKCU\Software\SkelvaneSmoke\Gone'
key_is present 'HKCU\Software\SkelvaneSmoke\Parent\Child'
key_is gone 'HKLM\SOFTWARE\Wow6432Node\SkelvaneSmoke\Gone'
key_is present 'HKLM\SOFTWARE\Wow6432Node\SkelvaneSmoke\Kept'
key_is present 'HKLM\SOFTWARE\SkelvaneSmoke\Gone'
key_is present 'HKLM\SOFTWARE\SkelvaneSmoke\Missing'

echo "wine32 smoke: $(grep -c . "$work/writes") writes checked, $(($(date +%s) - started)) s in all"
[ "$failed" -eq 0 ]
