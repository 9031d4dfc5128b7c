#!/usr/bin/env bash
# The main job on the bundled sample: registers sample/game as the installed
# Quillmoor in a private Wine prefix, lays out the update medium (sample/medium
# with out/installer.exe next to its data folder), runs the update and prints
# what the user saw: every message box (caption, text, buttons) and the game
# folder before and after. Extra arguments are the answers to give, in order
# (default: "ok" for the success message). QUILL_WINDOWS_VERSION ("win98",
# "winxp", ...) is the Windows version Wine reports to the installer.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
mkdir -p build
[ "$(id -u)" = 0 ] && bash tools/install-deps.sh

if [ ! -x out/installer.exe ] || [ ! -x out/answer.exe ] || [ "${QUILL_REBUILD:-1}" = 1 ]; then
  echo "building the Windows programs ..."
  cmake --preset windows >build/win.cmake.log 2>&1 || { cat build/win.cmake.log; exit 1; }
  cmake --build --preset sample >build/sample.build.log 2>&1 \
    || { tail -40 build/sample.build.log; exit 1; }
fi

SAMPLE=$ROOT/build/sample
export QUILL_WINEPREFIX=$SAMPLE/wineprefix
. tools/wine-env.sh
quill_wine_up || exit 1

GAME_UNIX=$WINEPREFIX/drive_c/Games/Quillmoor
GAME_WIN='C:\Games\Quillmoor'
MEDIUM=$SAMPLE/medium
rm -rf "$GAME_UNIX" "$MEDIUM"
mkdir -p "$GAME_UNIX" "$MEDIUM"
cp -r sample/game/. "$GAME_UNIX/"
cp -r sample/medium/. "$MEDIUM/"
cp out/installer.exe "$MEDIUM/"

KEY='HKLM\Software\Microsoft\Windows\CurrentVersion\App Paths\Quillmoor.exe'
wine reg add "$KEY" /ve /d "$GAME_WIN\\Quillmoor.exe" /f >/dev/null 2>&1
wine reg add "$KEY" /v Path /d "$GAME_WIN" /f >/dev/null 2>&1
VERSION_KEY='HKCU\Software\Wine\AppDefaults\installer.exe'
if [ -n "${QUILL_WINDOWS_VERSION:-}" ]; then
  wine reg add "$VERSION_KEY" /v Version /d "$QUILL_WINDOWS_VERSION" /f >/dev/null 2>&1
else
  wine reg delete "$VERSION_KEY" /f >/dev/null 2>&1 || true
fi

listing() { (cd "$GAME_UNIX" && find . -type f | LC_ALL=C sort | while read -r f; do
  printf '  %8s  %s  %s\n' "$(stat -c %s "$f")" "$(md5sum <"$f" | cut -c1-12)" "${f#./}"; done); }

echo
echo "game folder $GAME_WIN before the update:"
listing
echo
echo "medium: $MEDIUM (installer.exe next to data\\gamedata2..5)"
echo "running installer.exe${QUILL_WINDOWS_VERSION:+ (Windows version: $QUILL_WINDOWS_VERSION)} ..."
wine "$MEDIUM/installer.exe" >/dev/null 2>&1 &
inst=$!
answers=("$@")
[ ${#answers[@]} -gt 0 ] || answers=(ok)
echo
echo "what the user saw:"
wine out/answer.exe -t 60 "${answers[@]}" 2>&1 | iconv -f CP932 -t UTF-8 | sed 's/^/  /' || true
wait $inst || true
echo
echo "game folder $GAME_WIN after the update:"
listing
quill_wine_down
