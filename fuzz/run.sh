#!/usr/bin/env bash
# Builds the fuzz targets (configure and build preset "fuzz") and runs each
# for SECONDS (default 60), one after another unless FUZZ_JOBS=parallel.
# Each target starts from the seeds in fuzz/corpus/TARGET (kept in the
# repository, never written) and the inputs it found before, in
# build/fuzz/corpus/TARGET. Exits non-zero when the build fails or a target
# finds a crash; the crashing input is left as build/fuzz/crash-TARGET-*.
set -uo pipefail
secs=${1:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/fuzz
cd "$root"
cmake --preset fuzz >"$root/build/fuzz.cmake.log" 2>&1 || { cat "$root/build/fuzz.cmake.log"; exit 1; }
cmake --build --preset fuzz >"$root/build/fuzz.build.log" 2>&1 || { tail -50 "$root/build/fuzz.build.log"; exit 1; }
targets=$(cd "$build/fuzz" && ls fuzz_* | grep -v '\.' | sed 's/^fuzz_//' | sort)
[ -n "$targets" ] || { echo "no fuzz targets were built" >&2; exit 1; }
run() {
  local t=$1 corpus=$build/corpus/$1
  mkdir -p "$corpus"
  local cmd=(nice "$build/fuzz/fuzz_$t" -max_total_time="$secs" -rss_limit_mb=1024 -timeout=10
             -artifact_prefix="$build/crash-$t-")
  # A dictionary of the input's words, for text formats.
  [ -f "$root/fuzz/$t.dict" ] && cmd+=(-dict="$root/fuzz/$t.dict")
  cmd+=("$corpus")
  [ -d "$root/fuzz/corpus/$t" ] && cmd+=("$root/fuzz/corpus/$t")
  "${cmd[@]}" >"$build/$t.log" 2>&1
}
status=0
pids=()
for t in $targets; do
  if [ "${FUZZ_JOBS:-}" = parallel ]; then
    run "$t" & pids+=($!)
  else
    run "$t" || status=1
  fi
done
for p in "${pids[@]}"; do wait "$p" || status=1; done
for t in $targets; do
  if grep -q 'Done [0-9]* runs' "$build/$t.log"; then
    echo "fuzz_$t: $(grep -Eo 'Done [0-9]+ runs' "$build/$t.log" | tail -1)"
  else
    echo "fuzz_$t: FAILED, see $build/$t.log:"
    grep -E 'ERROR|SUMMARY|runtime error|Test unit written' "$build/$t.log" | head -8 | sed 's/^/    /'
    status=1
  fi
done
exit $status
