#!/usr/bin/env bash
# Screenshots of the installer under Xvfb: the updating notice and one
# message box (a "FileLoadError" prompt, held by a locked source file) in
# front of it, into out/screenshots/. Sets up a Japanese font for the prefix first.
# Builds what it runs first (build preset "screenshots").
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
cd "$ROOT"
cmake --preset windows >/dev/null && cmake --build --preset screenshots >/dev/null
export QUILL_WINEPREFIX=${QUILL_WINEPREFIX:-$ROOT/build/screenshots/wineprefix}
. tools/wine-env.sh
quill_wine_up || exit 1
SHOTS=$ROOT/out/screenshots
mkdir -p "$SHOTS"

. tools/screenshots/japanese-fonts.sh
quill_japanese_fonts || exit 1

WORK=$(mktemp -d /tmp/quill-shots.XXXXXX)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$WORK"
}
trap cleanup EXIT
mkdir -p "$WORK/game" "$WORK/medium/data/gamedata2" "$WORK/medium/data/gamedata5"
echo game >"$WORK/game/Quillmoor.exe"
echo held >"$WORK/medium/data/gamedata2/held.txt"
cp out/installer.exe "$WORK/medium/"
win() { echo "Z:${1//\//\\}"; }
KEY='HKCU\Software\Microsoft\Windows\CurrentVersion\App Paths\Quillmoor.exe'
wine reg delete 'HKLM\Software\Microsoft\Windows\CurrentVersion\App Paths\Quillmoor.exe' /f >/dev/null 2>&1 || true
wine reg add "$KEY" /ve /d "$(win "$WORK/game")\\Quillmoor.exe" /f >/dev/null 2>&1
wine reg add "$KEY" /v Path /d "$(win "$WORK/game")" /f >/dev/null 2>&1

timeout 40 wine out/hold.exe "$(win "$WORK/medium/data/gamedata2/held.txt")" 25 >/dev/null 2>&1 &
pids+=($!)
sleep 1
timeout 40 wine "$WORK/medium/installer.exe" >/dev/null 2>&1 &
pids+=($!)
# Wait for the prompt (printed, not answered), then photograph it in front of
# the notice, which is moved up a little so that it shows behind the prompt.
timeout 25 wine out/answer.exe -t 20 none | iconv -f cp932 -t utf-8
sleep 1
for w in $(xdotool search --name '実行ファイル更新' 2>/dev/null); do xdotool windowmove "$w" 300 290 || true; done
sleep 1
import -window root "$SHOTS/installer-prompt.png"
# Move the prompt aside so that the notice shows alone.
for w in $(xdotool search --name FileLoadError 2>/dev/null); do xdotool windowmove "$w" 0 440 || true; done
sleep 1
import -window root "$SHOTS/installer-notice.png"
timeout 25 wine out/answer.exe -t 20 cancel >/dev/null
wait "${pids[1]}" 2>/dev/null || true
wine reg delete "$KEY" /f >/dev/null 2>&1 || true
ls -l "$SHOTS"
