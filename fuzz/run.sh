#!/usr/bin/env bash
# Builds the fuzz targets (configure and build preset "fuzz") and runs each
# for SECONDS (default 60), one after another unless FUZZ_JOBS=parallel.
# Corpora live in build/fuzz/corpus.
set -euo pipefail
secs=${1:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/fuzz
cd "$root"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz >/dev/null
targets=$(cd "$build/fuzz" && ls fuzz_* | grep -v '\.' | sed 's/^fuzz_//' | sort)
pids=()
for t in $targets; do
  corpus=$build/corpus/$t
  mkdir -p "$corpus"
  cmd=(nice "$build/fuzz/fuzz_$t" -max_total_time="$secs" -rss_limit_mb=1024
       -artifact_prefix="$build/crash-$t-")
  # A dictionary of the input's words, for text formats.
  [ -f "$root/fuzz/$t.dict" ] && cmd+=(-dict="$root/fuzz/$t.dict")
  cmd+=("$corpus")
  if [ "${FUZZ_JOBS:-}" = parallel ]; then
    "${cmd[@]}" >"$build/$t.log" 2>&1 & pids+=($!)
  else
    "${cmd[@]}" >"$build/$t.log" 2>&1 || { echo "fuzz_$t: failure, see $build/$t.log"; exit 1; }
  fi
done
status=0
for p in "${pids[@]}"; do wait "$p" || status=1; done
for t in $targets; do
  echo "fuzz_$t: $(grep -Eo 'Done [0-9]+ runs' "$build/$t.log" | tail -1)"
done
exit $status
