#!/usr/bin/env bash
# The scene drawn through the Direct3D device layer on a real Direct3D 8
# device under Wine: fifteen 32 x 32 cells (shaders assembled by our own
# extension library, a vertex buffer, textures from bitmaps in memory with a
# colour key, fixed-function drawing on the default states, surfaces copied
# in), read back from the back buffer through CD3DSurface. Needs the Windows
# build of d3d_scene_test (QUILL_WIN_BUILD, by default build/win). Writes
# out/screenshots/d3d-scene.png, enlarged four times.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
export QUILL_WIN_BUILD=${QUILL_WIN_BUILD:-$ROOT/build/win}
. "$ROOT/tools/wine-env.sh"
EXE=$QUILL_WIN_BUILD/tests/d3d/d3d_scene_test.exe
OUT=$ROOT/out/screenshots/d3d-scene.png
[ -f "$EXE" ] || { echo "missing $EXE (build d3d_scene_test)" >&2; exit 1; }
mkdir -p "$(dirname "$OUT")"
quill_wine_up || exit 1
BMP=$(mktemp /tmp/quill-d3d-scene.XXXXXX.bmp)
trap 'rm -f "$BMP"' EXIT
QUILL_D3D_SCENE="Z:${BMP//\//\\}" "$ROOT/tools/wine-run" "$EXE" \
  --gtest_filter=D3DSceneTest.AssembledShadersAndTexturesDrawTheKnownScene >/dev/null
convert "$BMP" -filter point -resize 400% "$OUT"
echo "$OUT"
