#!/usr/bin/env bash
# The main job on a built-in example: sample keys are created in a throwaway
# Wine prefix, examples/skelvane.ini (debug=1) lists most of them, the
# program runs beside it, and the trace and the registry before and after are
# shown. The 64-bit build runs here because this kernel runs 32-bit Windows
# programs only under emulation; both builds come from the same sources.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
mkdir -p build
for preset in win32 win64; do
  cmake --preset $preset >build/$preset.configure.log 2>&1 || { cat build/$preset.configure.log; exit 1; }
  cmake --build --preset $preset --target skelvane >build/$preset.build.log 2>&1 ||
    { cat build/$preset.build.log; exit 1; }
done

work=$(mktemp -d /tmp/skelvane-demo.XXXXXX)
export WINEPREFIX="$work/prefix"
source scripts/wine-env.sh
trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
echo "Creating a throwaway Wine prefix in $WINEPREFIX ..."
"$WINE64" wineboot -i >"$work/boot.log" 2>&1 || true
wineserver -p >/dev/null 2>&1 || true

reg() { "$WINE64" reg "$@" >"$work/reg.out" 2>&1 || true; }
show_registry() {
  for key in 'HKCU\Software\SkelvaneDemo' 'HKLM\Software\SkelvaneDemo' 'HKCR\SkelvaneDemo.Document'; do
    if "$WINE64" reg query "$key" /s >"$work/query.out" 2>&1; then
      grep -E '^HKEY_' "$work/query.out" | sed 's/^/  /'
    else
      echo "  $key: (none)"
    fi
  done
}

for key in 'HKCU\Software\SkelvaneDemo\Plugin\Cache' 'HKCU\Software\SkelvaneDemo\Keep' \
           'HKLM\Software\SkelvaneDemo' 'HKCR\SkelvaneDemo.Document'; do
  reg add "$key" /f
done
reg add 'HKCU\Software\SkelvaneDemo\Keep' /v Note /d "not listed, so it stays" /f

mkdir -p "$work/setup"
cp build/win64/skelvane.exe "$work/setup/"
cp examples/skelvane.ini "$work/setup/"

echo
echo "Settings file (beside the program):"
sed 's/\r$//; s/^/  /' "$work/setup/skelvane.ini"
echo
echo "Registry before:"
show_registry

# Wine's debugstr channel shows each OutputDebugStringA write as one escaped line.
status=0
WINEDEBUG=warn+debugstr "$WINE64" "$work/setup/skelvane.exe" >"$work/run.out" 2>&1 || status=$?
echo
echo "Trace (each debug-output write, joined):"
sed -n 's/^.*OutputDebugStringA "\(.*\)"$/\1/p' "$work/run.out" | while IFS= read -r piece; do
  printf '%b' "$piece"
done | sed 's/^/  /'
echo
echo "Exit status: $status"
echo
echo "Registry after:"
show_registry
