#!/usr/bin/env bash
# Screenshots of the installer's main window and wizard under Xvfb, into
# out/screenshots/:
#   setup-window.png        the main window painted from its pictures (the
#                           sample medium's data\v_006_000.bmp and v_006_001.bmp)
#   setup-window-close.png  its close question over it
#   setup-wizard-1.png      wizard page 1 (Next only, centred)
#   setup-wizard-2.png      wizard page 2 (Back and Finish)
#   setup-wizard-cancel.png the wizard's cancel question
# Builds what it runs first (build preset "screenshots").
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
cd "$ROOT"
cmake --preset windows >/dev/null && cmake --build --preset screenshots >/dev/null
export QUILL_WINEPREFIX=${QUILL_WINEPREFIX:-$ROOT/build/screenshots/wineprefix}
. tools/wine-env.sh
quill_wine_up || exit 1
. tools/screenshots/japanese-fonts.sh
quill_japanese_fonts || exit 1
SHOTS=$ROOT/out/screenshots
mkdir -p "$SHOTS"

WORK=$(mktemp -d /tmp/quill-setupwin.XXXXXX)
pid=
cleanup() {
  [ -z "$pid" ] || kill "$pid" 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT

# Starts setup_show.exe MODE in FOLDER; its lines arrive on descriptor 3.
start() {
  mkfifo "$WORK/$1.fifo"
  (cd "$2" && exec wine "$ROOT/out/setup_show.exe" "$1" >"$WORK/$1.fifo" 2>/dev/null) &
  pid=$!
  exec 3<"$WORK/$1.fifo"
}
# Waits for the line that starts with STAGE and crops the screen to the
# rectangle it carries (the whole screen without one) into FILE.
shoot() {
  local line
  while IFS= read -r -t 30 -u 3 line; do
    case $line in "$1"*) break ;; esac
  done
  set -- "$2" $line
  sleep 0.5
  if [ $# -eq 6 ]; then
    import -window root -crop "${5}x${6}+${3}+${4}" +repage "$1"
  else
    import -window root "$1"
  fi
  echo "$1"
}
# Waits for the question, photographs the screen, answers it.
question() {
  timeout 30 wine out/answer.exe -t 25 none | iconv -f cp932 -t utf-8 | sed 's/^/  /'
  sleep 0.5
  import -window root "$1"
  echo "$1"
  timeout 30 wine out/answer.exe -t 25 yes >/dev/null
}

start window "$ROOT/sample/medium"
shoot window "$SHOTS/setup-window.png"
question "$SHOTS/setup-window-close.png"
wait "$pid" || true
exec 3<&-

start wizard "$ROOT/sample/medium"
shoot page1 "$SHOTS/setup-wizard-1.png"
shoot page2 "$SHOTS/setup-wizard-2.png"
question "$SHOTS/setup-wizard-cancel.png"
wait "$pid" || true
exec 3<&-
pid=
