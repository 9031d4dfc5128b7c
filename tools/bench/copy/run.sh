#!/usr/bin/env bash
# Generates about 1 GB of files (a few bytes to 64 MiB), runs copy_bench under
# Wine over several alternating rounds, once into an empty folder and once
# over older files (an update's usual case), and deletes the data afterwards.
# Builds out/copy_bench.exe first (build preset "bench").
# Usage: run.sh [rounds, best a multiple of 4] [data folder]
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../../.." && pwd)
ROUNDS=${1:-4}
DATA=${2:-$ROOT/build/bench-copy}
(cd "$ROOT" && cmake --preset windows >/dev/null && cmake --build --preset bench >/dev/null)
. "$ROOT/tools/wine-env.sh"
quill_wine_up || exit 1
trap 'rm -rf "$DATA"' EXIT
rm -rf "$DATA"
mkdir -p "$DATA/src"
gen() {  # count size prefix
  for i in $(seq "$1"); do head -c "$2" /dev/urandom >"$DATA/src/$3_$i.bin"; done
}
gen 8 67108864 m64
gen 12 16777216 m16
gen 48 1048576 m1
gen 200 262144 k256
gen 600 40000 k40
gen 300 16384 k16
for i in $(seq 400); do head -c $((RANDOM % 16000 + 1)) /dev/urandom >"$DATA/src/small_$i.bin"; done
for i in $(seq 20); do head -c "$i" /dev/urandom >"$DATA/src/tiny_$i.bin"; done
du -sh "$DATA/src"
wine "$ROOT/out/copy_bench.exe" "Z:${DATA//\//\\}\\src" "Z:${DATA//\//\\}\\dst" "$ROUNDS"
echo
wine "$ROOT/out/copy_bench.exe" --over "Z:${DATA//\//\\}\\src" "Z:${DATA//\//\\}\\dst" "$ROUNDS"
