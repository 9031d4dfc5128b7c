#!/usr/bin/env bash
# The sample game's data, packed by pak: draws the pictures
# (tools/pictures/game-art.sh), converts the scene scripts of sample/source
# (UTF-8) to Shift-JIS and packs them:
#   sample/game/data.pak        script\scenes.txt (1.00), bg\title.bmp, bg\moor.bmp,
#                               bg\village.bmp, bg\harbour.bmp
#   sample/game/data/sys.dat    LZSS archive: textbox.bmp, textbox.alp
#   sample/medium/data/gamedata2/data/script.pak   the update's script (1.06),
#                               found for data\script\scenes.txt before data.pak
#   sample/medium/data/gamedata2/data/bg.pak       the update's new picture,
#                               bg\lighthouse.bmp (the others stay in data.pak)
# The packed files are committed; run this only to change them. Needs
# ImageMagick and the native build of pak.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
cmake --preset native >/dev/null && cmake --build --preset native --target pak >/dev/null
PAK=$ROOT/out/pak
WORK=$(mktemp -d /tmp/quill-sample-data.XXXXXX)
trap 'rm -rf "$WORK"' EXIT

bash tools/pictures/game-art.sh "$WORK/art" >/dev/null
sjis() { mkdir -p "$(dirname "$2")"; iconv -f UTF-8 -t CP932 "$1" | sed 's/$/\r/' >"$2"; }

mkdir -p "$WORK/game/bg" "$WORK/sys" "$WORK/update-script" "$WORK/update-bg"
sjis sample/source/game/script/scenes.txt "$WORK/game/script/scenes.txt"
cp "$WORK"/art/bg/{title,moor,village,harbour}.bmp "$WORK/game/bg/"
cp "$WORK"/art/sys/textbox.* "$WORK/sys/"
sjis sample/source/update/script/scenes.txt "$WORK/update-script/scenes.txt"
cp "$WORK/art/bg/lighthouse.bmp" "$WORK/update-bg/"

UPDATE=sample/medium/data/gamedata2/data
mkdir -p sample/game/data "$UPDATE"
"$PAK" create sample/game/data.pak "$WORK/game"
"$PAK" create sample/game/data/sys.dat "$WORK/sys"
"$PAK" create "$UPDATE/script.pak" "$WORK/update-script"
"$PAK" create "$UPDATE/bg.pak" "$WORK/update-bg"
for f in sample/game/data.pak sample/game/data/sys.dat "$UPDATE/script.pak" "$UPDATE/bg.pak"; do
  "$PAK" verify "$f" >/dev/null
  printf '%9d  %s\n' "$(stat -c %s "$f")" "$f"
done
