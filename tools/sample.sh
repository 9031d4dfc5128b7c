#!/usr/bin/env bash
# The main job on the bundled sample: registers sample/game as the installed
# Quillmoor in a private Wine prefix (with the game, Quillmoor.exe, built
# against the installed kit by tools/kit.sh), lays out the update medium
# (sample/medium with out/installer.exe next to its data folder), runs the
# update and prints what the user saw: every message box (caption, text,
# buttons) and the game folder before and after. The game runs before and
# after the update, at its last scene, and a screenshot of each is saved
# (out/screenshots/game-before-update.png, game-after-update.png). Extra
# arguments are the answers to give, in order (default: "ok" for the success
# message). QUILL_WINDOWS_VERSION ("win98", "winxp", ...) is the Windows
# version Wine reports to the installer.
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
if [ ! -x build/kit-game/Quillmoor.exe ] || [ "${QUILL_REBUILD:-1}" = 1 ]; then
  echo "building the game against the installed kit ..."
  bash tools/kit.sh --no-guide >/dev/null || exit 1
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
cp build/kit-game/Quillmoor.exe "$GAME_UNIX/"
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

# The game at its last scene, photographed once its window shows.
. tools/screenshots/japanese-fonts.sh
quill_japanese_fonts || exit 1
SHOTS=$ROOT/out/screenshots
mkdir -p "$SHOTS"
photograph() {  # png
  local fifo line game
  fifo=$(mktemp -u /tmp/quill-game.XXXXXX)
  mkfifo "$fifo"
  wine "$GAME_UNIX/Quillmoor.exe" --scene last >"$fifo" 2>/dev/null &
  game=$!
  exec 3<"$fifo"
  line=
  while IFS= read -r -t 120 -u 3 line; do
    case $line in window*) break ;; esac
  done
  exec 3<&-
  rm -f "$fifo"
  if [ -n "$line" ]; then
    set -- "$1" $line
    sleep "${QUILL_SHOT_DELAY:-2}"
    import -window root -crop "${5}x${6}+${3}+${4}" +repage "$1"
    echo "  $1"
  else
    echo "  the game showed no window; no screenshot" >&2
  fi
  kill "$game" 2>/dev/null || true
  wait "$game" 2>/dev/null || true
}

echo
echo "game folder $GAME_WIN before the update:"
listing
echo "the game before the update (its last scene):"
photograph "$SHOTS/game-before-update.png"
echo
echo "medium: $MEDIUM (installer.exe next to data\\gamedata2..5)"
echo "running installer.exe${QUILL_WINDOWS_VERSION:+ (Windows version: $QUILL_WINDOWS_VERSION)} ..."
wine "$MEDIUM/installer.exe" >/dev/null 2>&1 &
inst=$!
answers=("$@")
[ ${#answers[@]} -gt 0 ] || answers=(ok)
echo
echo "what the user saw:"
wine out/answer.exe -t 60 "${answers[@]}" 2>&1 | tr -d '\r' | iconv -f CP932 -t UTF-8 | sed 's/^/  /' || true
wait $inst || true
echo
echo "game folder $GAME_WIN after the update:"
listing
echo "the game after the update (its last scene):"
photograph "$SHOTS/game-after-update.png"
quill_wine_down
