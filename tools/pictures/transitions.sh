#!/bin/bash
# Contact sheets of every transition, drawn by out/transitions.exe --render
# under Wine (progress 0, 256, 512, 768 and 1024 from left to right, one
# operation per row), one PNG per family in out/pictures/:
#   transitions-two-picture.png  BltTransition 1 and 33 to 36
#   transitions-fades.png        BltTransitionEx -1, 1, 2, 15 to 20 (fades, rule image, dissolves)
#   transitions-blinds.png       3, 4, 9, 10 (slats and blinds)
#   transitions-strips.png       5 to 8, 11 to 14 (cascading strip wipes)
#   transitions-mosaic-scatter.png  21, 22, 31 to 36
#   transitions-centred.png      23 to 30 (centred rectangles)
# Picture A is the sample medium's moor, B a drawn sunrise. Then takes the
# screenshot of the player (tools/screenshots/transitions.sh). Builds what it
# runs. Labels in IPA Gothic (the font of the screenshots).
set -eu
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
cd "$ROOT"
cmake --preset windows >/dev/null && cmake --build --preset windows --target transitions >/dev/null
. "$ROOT/tools/wine-env.sh"
mkdir -p "$ROOT/out/pictures"
quill_wine_up || exit 1
WORK=$(mktemp -d /tmp/quill-transitions.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
PICTURE="Z:${ROOT//\//\\}\\sample\\medium\\data\\v_006_000.bmp"
"$ROOT/tools/wine-run" "$ROOT/out/transitions.exe" --render "Z:${WORK//\//\\}" --size 200x150 \
  --picture "$PICTURE" >/dev/null

# sheet NAME TITLE PREFIX OPS...: one row per operation.
sheet() {
  local name=$1 title=$2 prefix=$3 op p file label args=()
  shift 3
  for op in "$@"; do
    for p in 0000 0256 0512 0768 1024; do
      if [ "$op" -lt 0 ]; then file="$WORK/$prefix-m$((-op))-$p.bmp"; else file=$(printf '%s/%s-%02d-%s.bmp' "$WORK" "$prefix" "$op" "$p"); fi
      label="$prefix $op  p=$((10#$p))"
      args+=(-label "$label" "$file")
    done
  done
  montage -font /usr/share/fonts/opentype/ipafont-gothic/ipag.ttf -title "$title" -pointsize 12 "${args[@]}" -tile 5x -geometry +4+4 -background '#202020' \
    -fill white "$ROOT/out/pictures/transitions-$name.png"
  echo "$ROOT/out/pictures/transitions-$name.png"
}
sheet two-picture "Two-picture transitions (BltTransition)" tp 1 33 34 35 36
sheet fades "Extended: white, crossfade, rule image, dissolves" ex -1 1 2 15 16 17 18 19 20
sheet blinds "Extended: slats and blinds" ex 3 4 9 10
sheet strips "Extended: cascading strip wipes" ex 5 6 7 8 11 12 13 14
sheet mosaic-scatter "Extended: mosaic and scatter" ex 21 22 31 32 33 34 35 36
sheet centred "Extended: centred rectangles" ex 23 24 25 26 27 28 29 30
bash "$ROOT/tools/screenshots/transitions.sh"
