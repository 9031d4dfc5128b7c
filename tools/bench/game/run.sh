#!/usr/bin/env bash
# The game's benchmark mode under Wine (Quillmoor.exe --bench): the time from
# its window appearing to the first picture shown, and the frames per second
# of every transition its script uses at 800 x 600, uncapped, against the
# straight copy of a picture shown the same way. Runs on the sample game with
# the update's files (so every transition of both scripts is measured), once
# with the frame on DirectDraw and once in a DIB section (--dib). Builds the
# game in the tree (target Quillmoor).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../../.." && pwd)
cd "$ROOT"
cmake --preset windows >/dev/null && cmake --build --preset windows --target Quillmoor >/dev/null
. tools/wine-env.sh
quill_wine_up || exit 1
GAME=$(mktemp -d /tmp/quill-bench-game.XXXXXX)
trap 'rm -rf "$GAME"' EXIT
cp -r sample/game/. "$GAME/"
cp -r sample/medium/data/gamedata2/. "$GAME/"
cp out/Quillmoor.exe "$GAME/"
wine "$GAME/Quillmoor.exe" --bench
echo
wine "$GAME/Quillmoor.exe" --bench --dib
