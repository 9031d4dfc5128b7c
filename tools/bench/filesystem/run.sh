#!/usr/bin/env bash
# Builds bench_filesystem for Windows (build preset "bench") and runs it under
# Wine: LZSS against zlib against memcpy, pack member reads through CFile.
# With "native" it builds and runs the native program instead (preset "native").
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../../.." && pwd)
cd "$ROOT"
if [ "${1:-}" = native ]; then
  cmake --preset native >/dev/null && cmake --build --preset native --target bench_filesystem >/dev/null
  exec build/native/tools/bench/filesystem/bench_filesystem
fi
cmake --preset windows >/dev/null && cmake --build --preset bench >/dev/null
. tools/wine-env.sh
quill_wine_up || exit 1
wine build/win/tools/bench/filesystem/bench_filesystem.exe
