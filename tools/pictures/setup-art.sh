#!/bin/bash
# The installer's two pictures on the sample medium, drawn with ImageMagick:
#   sample/medium/data/v_006_000.bmp  800 x 600, 24-bit: a moor at dusk
#   sample/medium/data/v_006_001.bmp  440 x 150, 24-bit: the title panel
#   sample/medium/data/v_006_001.alp  its alpha plane, one byte per pixel,
#                                     top row first (as a surface takes it)
# The files are committed; run this only to redraw them. Needs ImageMagick,
# DejaVu Serif and IPA P Gothic.
set -eu
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
OUT=${1:-$ROOT/sample/medium/data}
SERIF=/usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf
GOTHIC=/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf
WORK=$(mktemp -d /tmp/quill-art.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
mkdir -p "$OUT"

# Background: dusk sky, a moon with a halo, stars, three ridges of moor and
# a cottage with one lit window.
stars=$(awk 'BEGIN { srand(7); for (i = 0; i < 90; i++) {
  x = int(rand() * 800); y = int(rand() * 260); r = rand() < 0.15 ? 1.4 : 0.7;
  printf "circle %d,%d %.1f,%d ", x, y, x + r, y } }')
convert -size 800x380 gradient:'#0b1634-#c8744a' \
  -size 800x220 gradient:'#c8744a-#6b3f3a' -append "$WORK/sky.png"
convert -size 800x600 xc:none -fill '#fff6d8' -draw "$stars" "$WORK/stars.png"
convert -size 800x600 xc:none -fill '#f4e9c880' -draw "circle 690,92 690,157" -blur 0x18 \
  -fill '#f4e9c8' -draw "circle 690,92 690,130" \
  -fill '#e2d4ae' -draw "circle 678,82 678,90" -draw "circle 702,104 702,109" "$WORK/moon.png"
convert -size 800x600 xc:none \
  -fill '#4a3f5c' -draw "path 'M 0,360 C 120,300 220,330 330,350 C 450,372 520,300 640,310 C 720,318 770,340 800,350 L 800,600 L 0,600 Z'" \
  -fill '#2f3b3a' -draw "path 'M 0,430 C 150,380 260,400 380,420 C 500,440 600,390 800,410 L 800,600 L 0,600 Z'" \
  -fill '#1c2a22' -draw "path 'M 0,500 C 160,455 300,470 420,488 C 560,508 680,470 800,480 L 800,600 L 0,600 Z'" \
  -fill '#5b3b5e' -draw "path 'M 0,560 C 140,540 260,548 400,556 C 540,566 680,540 800,548 L 800,600 L 0,600 Z'" \
  -fill '#141c17' -draw "polygon 150,474 150,446 172,430 194,446 194,474" \
  -draw "rectangle 182,426 188,440" \
  -fill '#ffd27a' -draw "rectangle 160,452 168,462" "$WORK/land.png"
convert "$WORK/sky.png" "$WORK/stars.png" -composite "$WORK/moon.png" -composite \
  "$WORK/land.png" -composite -alpha off -type TrueColor BMP3:"$OUT/v_006_000.bmp"

# Title panel: a rounded, mostly opaque plate with a gold rim, a quill and
# the game's name. Colours are straight (not premultiplied); the alpha plane
# says how much of each pixel covers the background.
convert -size 440x150 xc:none \
  -fill '#1a1f33c8' -stroke '#d9b872' -strokewidth 3 -draw "roundrectangle 2,2 437,147 18,18" \
  -stroke none -fill '#f3e6c4' \
  -draw "path 'M 38,126 C 52,92 76,48 118,22 C 112,58 92,94 50,120 Z'" \
  -stroke '#d9b872' -strokewidth 2 -fill none -draw "path 'M 34,134 C 58,96 84,60 116,26'" \
  -stroke none -fill '#f3e6c4' -font "$SERIF" -pointsize 46 -annotate +132+78 'Quillmoor' \
  -fill '#d9b872' -font "$GOTHIC" -pointsize 22 -annotate +136+118 '更新プログラム' "$WORK/panel.png"
convert "$WORK/panel.png" -alpha off -type TrueColor BMP3:"$OUT/v_006_001.bmp"
convert "$WORK/panel.png" -alpha extract -depth 8 gray:"$OUT/v_006_001.alp"
# For a person to look at: the panel over the background, as the window shows it.
convert "$OUT/v_006_000.bmp" "$WORK/panel.png" -geometry +180+150 -composite "$WORK/preview.png"
[ -z "${PREVIEW:-}" ] || cp "$WORK/preview.png" "$PREVIEW"
ls -l "$OUT"/v_006_*
