#!/bin/bash
# The sample game's pictures, drawn with ImageMagick, into FOLDER (default: a
# folder tools/sample-data.sh packs from):
#   bg/title.bmp bg/moor.bmp bg/village.bmp bg/harbour.bmp  800 x 600, 24-bit
#   bg/lighthouse.bmp                                       the update's new scene
#   sys/textbox.bmp + sys/textbox.alp                       760 x 150, its alpha
#                                                           plane, top row first
# Needs ImageMagick, DejaVu Serif and IPA P Gothic.
set -eu
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
OUT=${1:?usage: game-art.sh FOLDER}
SERIF=/usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf
GOTHIC=/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf
WORK=$(mktemp -d /tmp/quill-game-art.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
mkdir -p "$OUT/bg" "$OUT/sys"

save() { convert "$1" -alpha off -type TrueColor BMP3:"$2"; }

# Stars: N points in the upper H rows, from a fixed seed.
stars() { awk -v n="$1" -v h="$2" -v s="$3" 'BEGIN { srand(s); for (i = 0; i < n; i++) {
  x = int(rand() * 800); y = int(rand() * h); r = rand() < 0.2 ? 1.5 : 0.8;
  printf "circle %d,%d %.1f,%d ", x, y, x + r, y } }'; }

# Title: dawn over the moor, the name and a subtitle.
convert -size 800x330 gradient:'#2a3560-#e8a07a' -size 800x270 gradient:'#e8a07a-#f6d9a8' -append "$WORK/sky.png"
convert -size 800x600 xc:none \
  -fill '#fff3c880' -draw "circle 400,330 400,420" -blur 0x30 \
  -fill '#ffe9a8' -draw "circle 400,330 400,372" "$WORK/sun.png"
convert -size 800x600 xc:none \
  -fill '#6b5a78' -draw "path 'M 0,330 C 140,290 260,320 380,336 C 520,354 640,300 800,316 L 800,600 L 0,600 Z'" \
  -fill '#3f4a52' -draw "path 'M 0,392 C 180,350 300,372 440,388 C 580,404 680,366 800,378 L 800,600 L 0,600 Z'" \
  -fill '#26332c' -draw "path 'M 0,452 C 160,420 320,438 470,450 C 600,460 700,430 800,440 L 800,600 L 0,600 Z'" \
  "$WORK/land.png"
convert "$WORK/sky.png" "$WORK/sun.png" -composite "$WORK/land.png" -composite \
  -fill '#1d2440' -font "$SERIF" -pointsize 92 -gravity north -annotate +3+93 'Quillmoor' \
  -fill '#fdf4dc' -annotate +0+90 'Quillmoor' \
  -fill '#fdf4dc' -font "$GOTHIC" -pointsize 30 -annotate +0+212 '～ 霧の荒野の物語 ～' "$WORK/title.png"
save "$WORK/title.png" "$OUT/bg/title.bmp"

# Moor: a grey morning, green hills, standing stones and bands of mist.
convert -size 800x600 gradient:'#b9c6c9-#e4e8e0' "$WORK/sky.png"
convert -size 800x600 xc:none \
  -fill '#7d9470' -draw "path 'M 0,300 C 150,260 300,290 450,300 C 600,312 700,270 800,282 L 800,600 L 0,600 Z'" \
  -fill '#5e7a52' -draw "path 'M 0,370 C 200,330 330,356 500,368 C 640,378 720,350 800,356 L 800,600 L 0,600 Z'" \
  -fill '#3f5a3a' -draw "path 'M 0,450 C 180,418 360,440 520,452 C 660,462 740,436 800,440 L 800,600 L 0,600 Z'" \
  -fill '#6e6a64' -draw "polygon 520,368 528,318 546,314 552,370" -draw "polygon 566,372 572,330 588,328 592,374" \
  -draw "polygon 604,372 610,322 628,320 632,376" -draw "rectangle 522,312 592,322" \
  "$WORK/land.png"
convert -size 800x600 xc:none -fill '#ffffff90' \
  -draw "ellipse 200,330 260,18 0,360" -draw "ellipse 620,300 220,14 0,360" -draw "ellipse 420,410 320,20 0,360" \
  -blur 0x14 "$WORK/mist.png"
convert "$WORK/sky.png" "$WORK/land.png" -composite "$WORK/mist.png" -composite "$WORK/moor.png"
save "$WORK/moor.png" "$OUT/bg/moor.bmp"

# Village: blue sky, houses with red roofs, a bell tower, the road.
convert -size 800x600 gradient:'#5b8fd6-#cfe3f5' "$WORK/sky.png"
houses=()
for i in 0 1 2 3; do
  x=$((40 + i * 150)); y=$((300 + (i % 2) * 20))
  houses+=(-fill '#e9dcc0' -draw "rectangle $x,$y $((x + 110)),$((y + 110))"
           -fill '#a8402f' -draw "polygon $((x - 10)),$y $((x + 55)),$((y - 60)) $((x + 120)),$y"
           -fill '#4a3a2a' -draw "rectangle $((x + 40)),$((y + 60)) $((x + 70)),$((y + 110))"
           -fill '#f3d27a' -draw "rectangle $((x + 12)),$((y + 24)) $((x + 32)),$((y + 44))")
done
convert -size 800x600 xc:none \
  -fill '#6d9a4a' -draw "rectangle 0,420 800,600" \
  -fill '#c9b48a' -draw "polygon 330,600 470,600 420,420 380,420" \
  -fill '#8c8c8c' -draw "rectangle 690,150 750,330" -fill '#5a5a5a' -draw "polygon 680,150 720,90 760,150" \
  -fill '#d9b040' -draw "circle 720,190 720,206" \
  "${houses[@]}" "$WORK/land.png"
convert "$WORK/sky.png" "$WORK/land.png" -composite "$WORK/village.png"
save "$WORK/village.png" "$OUT/bg/village.bmp"

# Harbour: sunset over the sea, a pier and two boats.
convert -size 800x320 gradient:'#6a2c5a-#f09a4a' -size 800x280 gradient:'#3b4f7a-#16233f' -append "$WORK/sky.png"
convert -size 800x600 xc:none \
  -fill '#ffd07a' -draw "circle 560,300 560,346" \
  -fill '#ffd07a60' -draw "rectangle 500,322 620,330" -draw "rectangle 520,346 600,352" -draw "rectangle 540,372 580,376" \
  -fill '#3a2a22' -draw "rectangle 0,380 360,410" -draw "rectangle 40,410 56,520" -draw "rectangle 160,410 176,520" \
  -draw "rectangle 280,410 296,520" \
  -fill '#5a3a2a' -draw "polygon 420,430 560,430 540,460 440,460" -fill '#efe6d2' -draw "polygon 486,428 486,340 540,424" \
  -fill '#5a3a2a' -draw "polygon 640,470 760,470 744,494 656,494" -fill '#efe6d2' -draw "polygon 696,468 696,396 740,464" \
  "$WORK/sea.png"
convert "$WORK/sky.png" "$WORK/sea.png" -composite "$WORK/harbour.png"
save "$WORK/harbour.png" "$OUT/bg/harbour.bmp"

# Lighthouse (the update's scene): night, stars, the tower and its beam.
convert -size 800x600 gradient:'#050a1e-#1e3358' "$WORK/sky.png"
convert -size 800x600 xc:none -fill '#fff6d8' -draw "$(stars 120 330 11)" "$WORK/stars.png"
convert -size 800x600 xc:none -fill '#fff2a860' \
  -draw "polygon 330,170 0,60 0,250" -draw "polygon 330,170 800,90 800,240" -blur 0x6 "$WORK/beam.png"
convert -size 800x600 xc:none \
  -fill '#0f1c33' -draw "rectangle 0,360 800,600" \
  -fill '#2b2b30' -draw "path 'M 180,600 L 230,380 C 280,360 400,360 450,380 L 520,600 Z'" \
  -fill '#e8e4dc' -draw "polygon 300,380 316,180 344,180 360,380" \
  -fill '#b8323a' -draw "polygon 305,320 309,270 351,270 355,320" -draw "polygon 311,230 314,200 346,200 349,230" \
  -fill '#ffe79a' -draw "rectangle 314,156 346,180" -fill '#3a3a42' -draw "polygon 306,156 330,130 354,156" \
  "$WORK/land.png"
convert "$WORK/sky.png" "$WORK/stars.png" -composite "$WORK/beam.png" -composite "$WORK/land.png" -composite \
  "$WORK/lighthouse.png"
save "$WORK/lighthouse.png" "$OUT/bg/lighthouse.bmp"

# Text box: a rounded, mostly opaque plate with a gold rim. Colours are
# straight; the alpha plane says how much of each pixel covers the scene.
convert -size 760x150 xc:none \
  -fill '#101a38c4' -stroke '#d9b872' -strokewidth 3 -draw "roundrectangle 2,2 757,147 16,16" "$WORK/box.png"
convert "$WORK/box.png" -background '#101a38' -alpha remove -alpha off -type TrueColor BMP3:"$OUT/sys/textbox.bmp"
convert "$WORK/box.png" -alpha extract -depth 8 gray:"$OUT/sys/textbox.alp"
ls -l "$OUT"/bg "$OUT"/sys
