#!/usr/bin/env bash
# Screenshot of the transition player under Xvfb, into
# out/screenshots/transitions-player.png: extended transition 23 (B grows
# out of the centre) paused at progress 512, the operation in the caption.
# Builds what it runs.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
cd "$ROOT"
cmake --preset windows >/dev/null && cmake --build --preset windows --target transitions >/dev/null
export QUILL_WINEPREFIX=${QUILL_WINEPREFIX:-$ROOT/build/screenshots/wineprefix}
. tools/wine-env.sh
quill_wine_up || exit 1
. tools/screenshots/japanese-fonts.sh
quill_japanese_fonts || exit 1
SHOTS=$ROOT/out/screenshots
mkdir -p "$SHOTS"

WORK=$(mktemp -d /tmp/quill-player.XXXXXX)
pid=
cleanup() {
  [ -z "$pid" ] || kill "$pid" 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT

mkfifo "$WORK/out.fifo"
wine out/transitions.exe --picture "Z:${ROOT//\//\\}\\sample\\medium\\data\\v_006_000.bmp" \
  --start ex23 --progress 512 --paused >"$WORK/out.fifo" 2>/dev/null &
pid=$!
exec 3<"$WORK/out.fifo"
line=
while IFS= read -r -t 30 -u 3 line; do
  case $line in window*) break ;; esac
done
set -- $line
sleep 1.5
import -window root -crop "${4}x${5}+${2}+${3}" +repage "$SHOTS/transitions-player.png"
echo "$SHOTS/transitions-player.png"
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
pid=
exec 3<&-
