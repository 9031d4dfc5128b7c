#!/bin/bash
# The DirectDraw surfaces sheet: out/pictures/ddraw-surfaces.png (saved
# through SaveBitmap from a DirectDraw surface, converted by ImageMagick) and
# out/screenshots/ddraw-window.png (the same sheet painted into its window
# from the DirectDraw surface's device context, taken under Xvfb). Needs
# out/ddraw_pictures.exe.
set -eu
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
. "$ROOT/tools/wine-env.sh"
EXE=$ROOT/out/ddraw_pictures.exe
[ -f "$EXE" ] || { echo "missing $EXE (build ddraw_pictures)" >&2; exit 1; }
mkdir -p "$ROOT/out/pictures" "$ROOT/out/screenshots"
quill_wine_up || exit 1
WORK=$(mktemp -d /tmp/quill-ddraw.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
"$ROOT/tools/wine-run" "$EXE" "Z:${WORK//\//\\}" >/dev/null
/usr/bin/convert "$WORK/ddraw-surfaces.bmp" "$ROOT/out/pictures/ddraw-surfaces.png"
echo "$ROOT/out/pictures/ddraw-surfaces.png"

"$ROOT/tools/wine-run" "$EXE" "Z:${WORK//\//\\}" --show >/dev/null 2>&1 &
PROGRAM=$!
WINDOW=
for _ in $(seq 100); do
  WINDOW=$(xdotool search --name 'DirectDraw surfaces' 2>/dev/null | head -1 || true)
  [ -n "$WINDOW" ] && break
  sleep 0.1
done
if [ -z "$WINDOW" ]; then
  kill "$PROGRAM" 2>/dev/null; echo "the window did not appear" >&2; exit 1
fi
# A busy machine may show the window before it is painted: take the
# picture again until it is not all black.
for _ in $(seq 8); do
  sleep 0.5
  import -window root -crop 1024x440+0+0 "$ROOT/out/screenshots/ddraw-window.png"
  [ "$(convert "$ROOT/out/screenshots/ddraw-window.png" -format '%[fx:maxima.intensity>0]' info:)" = 1 ] && break
done
# The window closes itself after five seconds.
for _ in $(seq 100); do kill -0 "$PROGRAM" 2>/dev/null || break; sleep 0.1; done
wait "$PROGRAM" 2>/dev/null || true
echo "$ROOT/out/screenshots/ddraw-window.png"
