#!/usr/bin/env bash
# Builds the surface benchmark natively without sanitizers (build/native-bench)
# and for Windows, then runs both: natively, and under Wine.
# Usage: run.sh [level]  (portable|mmx|sse|sse2|avx2: the level in force)
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../../.." && pwd)
cd "$ROOT"
[ $# -gt 0 ] && export QUILL_CPU_LEVEL=$1
cmake -S . -B build/native-bench -DQUILL_SANITIZE=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/native-bench -j2 --target bench_surface >/dev/null
cmake -S . -B build/win -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-i686-mingw.cmake" \
  -DCMAKE_CROSSCOMPILING_EMULATOR="$ROOT/tools/wine-run" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/win -j2 --target bench_surface >/dev/null
build/native-bench/tools/bench/surface/bench_surface
echo
. tools/wine-env.sh
quill_wine_up || exit 1
wine out/bench_surface.exe
