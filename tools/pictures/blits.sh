#!/bin/bash
# Sheets of the blit operations, drawn by out/blit_pictures.exe under Wine
# and converted to PNG: out/pictures/blit-rotation.png, blit-rule-wipe.png,
# blit-mosaic.png, blit-scatter.png, blit-blur.png. Builds what it runs.
set -eu
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
cd "$ROOT"
cmake --preset windows >/dev/null && cmake --build --preset windows --target blit_pictures >/dev/null
. "$ROOT/tools/wine-env.sh"
mkdir -p "$ROOT/out/pictures"
quill_wine_up || exit 1
WORK=$(mktemp -d /tmp/quill-blit-pictures.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
"$ROOT/tools/wine-run" "$ROOT/out/blit_pictures.exe" "Z:${WORK//\//\\}" >/dev/null
for sheet in rotation rule-wipe mosaic scatter blur; do
  /usr/bin/convert "$WORK/blit-$sheet.bmp" "$ROOT/out/pictures/blit-$sheet.png"
  echo "$ROOT/out/pictures/blit-$sheet.png"
done
