#!/bin/bash
# Screenshot of the debug window showing Japanese lines, taken under Xvfb.
# Builds framework_debugoutput_test first (build preset "screenshots").
# Writes out/screenshots/debug-window.png.
set -eu
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
(cd "$ROOT" && cmake --preset windows >/dev/null && cmake --build --preset screenshots >/dev/null)
export QUILL_WIN_BUILD=$ROOT/build/win
. "$ROOT/tools/wine-env.sh"
EXE=$QUILL_WIN_BUILD/tests/framework/framework_debugoutput_test.exe
OUT=$ROOT/out/screenshots/debug-window.png
[ -f "$EXE" ] || { echo "missing $EXE (build framework_debugoutput_test)" >&2; exit 1; }
mkdir -p "$(dirname "$OUT")"
quill_wine_up || exit 1

# Japanese glyphs: make the IPA Gothic font visible in the prefix and let the
# system's UI font names resolve to it.
FONT=$(fc-match -f '%{file}' 'IPAGothic' 2>/dev/null || true)
if [ -n "$FONT" ] && [ -f "$FONT" ]; then
  mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
  ln -sf "$FONT" "$WINEPREFIX/drive_c/windows/Fonts/$(basename "$FONT")"
fi
KEY='HKCU\Software\Wine\Fonts\Replacements'
for name in "MS Shell Dlg" "MS Shell Dlg 2" "MS UI Gothic" "Tahoma" "MS Sans Serif" "System"; do
  wine reg add "$KEY" /v "$name" /t REG_SZ /d "IPAGothic" /f >/dev/null 2>&1
done

FLAG=$(mktemp -u /tmp/quill-shot.XXXXXX)
QUILL_SCREENSHOT_DONE="Z:${FLAG//\//\\}" "$ROOT/tools/wine-run" "$EXE" \
  --gtest_filter=DebugOutputTest.ShowForScreenshot >/dev/null 2>&1 &
PROGRAM=$!
WINDOW=
for _ in $(seq 100); do
  WINDOW=$(xdotool search --name 'デバッグ表示' 2>/dev/null | head -1 || true)
  [ -n "$WINDOW" ] && break
  sleep 0.1
done
if [ -z "$WINDOW" ]; then
  touch "$FLAG"; wait "$PROGRAM" || true
  echo "debug window did not appear" >&2; exit 1
fi
sleep 1.5  # let the lines arrive and paint
import -window root -crop 640x200+0+0 "$OUT"
touch "$FLAG"
wait "$PROGRAM" || true
rm -f "$FLAG"
echo "$OUT"
