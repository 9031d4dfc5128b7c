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

quill_display_alive() { xdpyinfo -display "$1" >/dev/null 2>&1; }

# Uses the display if a server answers on it; otherwise starts Xvfb there, or
# on the next free number. A server that died (a killed session, a machine
# restored from a snapshot) leaves its lock and socket behind, so their
# presence alone proves nothing. The display chosen is exported for children.
quill_display_up() {
  local n=${DISPLAY#:} pid
  for _ in $(seq 10); do
    quill_display_alive ":$n" && break
    if [ -e "/tmp/.X$n-lock" ]; then
      pid=$(tr -dc 0-9 <"/tmp/.X$n-lock")
      if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then n=$((n + 1)); continue; fi
      rm -f "/tmp/.X$n-lock" "/tmp/.X11-unix/X$n"
    fi
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    for _ in $(seq 50); do quill_display_alive ":$n" && break 2; sleep 0.1; done
    n=$((n + 1))
  done
  if ! quill_display_alive ":$n"; then
    echo "no X display: Xvfb did not start" >&2
    return 1
  fi
  export DISPLAY=":$n" QUILL_DISPLAY=":$n"
}

quill_wine_up() {
  quill_display_up || return 1
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
