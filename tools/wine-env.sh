# Sourced by the scripts that run Windows programs: a private 32-bit Wine
# prefix with the Japanese code page, an X display and a persistent wineserver.
QUILL_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
: "${QUILL_WIN_BUILD:=$QUILL_ROOT/build/win}"
export WINEPREFIX=${QUILL_WINEPREFIX:-$QUILL_WIN_BUILD/wineprefix}
export WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export LC_ALL=ja_JP.UTF-8 LANG=ja_JP.UTF-8
export DISPLAY=${QUILL_DISPLAY:-:91}

quill_display_up() {
  local n=${DISPLAY#:}
  if [ ! -e "/tmp/.X11-unix/X$n" ]; then
    Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  fi
}

quill_wine_up() {
  quill_display_up
  mkdir -p "$(dirname "$WINEPREFIX")"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot -i >/dev/null 2>&1
    wineserver -w
  fi
  # A persistent server makes every later process start in milliseconds.
  wineserver -p >/dev/null 2>&1 || true
}

quill_wine_down() {
  wineserver -k >/dev/null 2>&1 || true
}
