#!/usr/bin/env bash
# Builds bench_image_cache (build preset "bench") and runs it under Wine:
# Acquire of a cached picture in a cache of 1,000 entries against a lookup of
# the same names in a plain hash map.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../../.." && pwd)
cd "$ROOT"
cmake --preset windows >/dev/null && cmake --build --preset bench >/dev/null
. tools/wine-env.sh
quill_wine_up || exit 1
wine build/win/tools/bench/imagecache/bench_image_cache.exe
