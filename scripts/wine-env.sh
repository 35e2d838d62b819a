# Sourced by the scripts that run Windows programs: a private 64-bit Wine
# prefix inside the build tree, quiet, with a warm server that is stopped
# when the calling script ends.
: "${SKELVANE_ROOT:=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}"
export WINEPREFIX="${WINEPREFIX:-$SKELVANE_ROOT/build/wineprefix64}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEARCH=win64
export WINEDLLOVERRIDES="mscoree,mshtml="
WINE64=/usr/lib/wine/wine64
[ -x "$WINE64" ] || WINE64=$(command -v wine64)

# Creates the prefix at first use; quick when it is there.
wine_prefix_ready() {
  mkdir -p "$(dirname "$WINEPREFIX")"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    "$WINE64" wineboot -i >"$WINEPREFIX.boot.log" 2>&1 || true
  fi
}

wine_start() {
  wine_prefix_ready
  wineserver -p >/dev/null 2>&1 || true
  trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
}
