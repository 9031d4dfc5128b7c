#!/bin/bash
# The surface formats sheet: out/pictures/surface-formats.png (saved through
# SaveBitmap, converted by ImageMagick) and out/screenshots/surface-window.png
# (the same sheet painted into a window from the surface's device context,
# taken under Xvfb). Needs out/surface_pictures.exe.
set -eu
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
. "$ROOT/tools/wine-env.sh"
EXE=$ROOT/out/surface_pictures.exe
[ -f "$EXE" ] || { echo "missing $EXE (build surface_pictures)" >&2; exit 1; }
mkdir -p "$ROOT/out/pictures" "$ROOT/out/screenshots"
quill_wine_up || exit 1
WORK=$(mktemp -d /tmp/quill-pictures.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
"$ROOT/tools/wine-run" "$EXE" "Z:${WORK//\//\\}" >/dev/null
/usr/bin/convert "$WORK/surface-formats.bmp" "$ROOT/out/pictures/surface-formats.png"
echo "$ROOT/out/pictures/surface-formats.png"

"$ROOT/tools/wine-run" "$EXE" "Z:${WORK//\//\\}" --show >/dev/null 2>&1 &
PROGRAM=$!
WINDOW=
for _ in $(seq 100); do
  WINDOW=$(xdotool search --name 'Surface formats' 2>/dev/null | head -1 || true)
  [ -n "$WINDOW" ] && break
  sleep 0.1
done
if [ -z "$WINDOW" ]; then
  kill "$PROGRAM" 2>/dev/null; echo "the window did not appear" >&2; exit 1
fi
sleep 1
import -window root -crop 1024x240+0+0 "$ROOT/out/screenshots/surface-window.png"
wait "$PROGRAM" 2>/dev/null || true  # the window closes itself after five seconds
echo "$ROOT/out/screenshots/surface-window.png"
