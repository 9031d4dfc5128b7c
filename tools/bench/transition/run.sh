#!/usr/bin/env bash
# Builds the transition benchmark natively without sanitizers (preset
# "native-bench", with pixman) and for Windows (target bench_transition), then runs
# both: natively, and under Wine.
# Usage: run.sh [level]  (portable|mmx|sse|sse2|avx2: the level in force)
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../../.." && pwd)
cd "$ROOT"
[ $# -gt 0 ] && export QUILL_CPU_LEVEL=$1
cmake --preset native-bench >/dev/null && cmake --build --preset native-bench --target bench_transition >/dev/null
cmake --preset windows >/dev/null && cmake --build --preset windows --target bench_transition >/dev/null
build/native-bench/tools/bench/transition/bench_transition
echo
. tools/wine-env.sh
quill_wine_up || exit 1
wine out/bench_transition.exe
