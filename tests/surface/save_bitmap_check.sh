#!/bin/bash
# Saves surfaces of every format under Wine, then has ImageMagick read each
# file back and compares its pixels (top row first, R, G, B) with what the
# surface held.
set -u
test_exe=$1
here=$(cd "$(dirname "$0")" && pwd)
out=$(mktemp -d /tmp/quill-save.XXXXXX)
trap 'rm -rf "$out"' EXIT
QUILL_SAVE_DIR=$out "$here/../../tools/wine-run" "$test_exe" --gtest_filter='SurfaceSave.FilesForImageMagick' \
  || exit 1
n=0
for bmp in "$out"/*.bmp; do
  want=${bmp%.bmp}.rgb
  if ! /usr/bin/convert "$bmp" -depth 8 "rgb:$out/got.rgb"; then
    echo "ImageMagick cannot read $(basename "$bmp")"
    exit 1
  fi
  if ! cmp -s "$want" "$out/got.rgb"; then
    echo "$(basename "$bmp"): ImageMagick reads other pixels"
    cmp -l "$want" "$out/got.rgb" | head -5
    exit 1
  fi
  n=$((n + 1))
done
[ "$n" -gt 0 ] || { echo "no files saved"; exit 1; }
echo "$n files read back by ImageMagick with the same pixels"
