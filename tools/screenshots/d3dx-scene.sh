#!/usr/bin/env bash
# The scene drawn by assembled shaders on a real Direct3D 8 device under Wine:
# sixteen 32 x 32 cells, one per vertex/pixel shader pair (vs 1.0/1.1,
# ps 1.1 to 1.4, textures from bitmaps in memory, a colour key). Needs the
# Windows build of d3dx_device_test (QUILL_WIN_BUILD, by default build/win).
# Writes out/screenshots/d3dx-scene.png, enlarged four times.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
export QUILL_WIN_BUILD=${QUILL_WIN_BUILD:-$ROOT/build/win}
. "$ROOT/tools/wine-env.sh"
EXE=$QUILL_WIN_BUILD/tests/d3dx/d3dx_device_test.exe
OUT=$ROOT/out/screenshots/d3dx-scene.png
[ -f "$EXE" ] || { echo "missing $EXE (build d3dx_device_test)" >&2; exit 1; }
mkdir -p "$(dirname "$OUT")"
quill_wine_up || exit 1
BMP=$(mktemp /tmp/quill-d3dx-scene.XXXXXX.bmp)
trap 'rm -f "$BMP"' EXIT
QUILL_D3DX_SCENE="Z:${BMP//\//\\}" "$ROOT/tools/wine-run" "$EXE" \
  --gtest_filter=D3DXShaderOnDevice.AssembledShadersDrawTheKnownScene >/dev/null
convert "$BMP" -filter point -resize 400% "$OUT"
echo "$OUT"
