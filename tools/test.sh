#!/usr/bin/env bash
# The whole test command: installs what is missing, builds the native pure
# code with ASan/UBSan and the Windows build, installs the Windows build as
# the kit and builds the game and the guide's samples against it (each a
# project of its own), runs both test suites (the Windows one under Wine with
# Xvfb; the game's play-through runs the game built against the kit), builds
# every fuzz target and runs each for a few seconds (FUZZ_SECONDS, default 4)
# from its seed corpus. Exits non-zero when any test fails, the kit or what is
# built against it does not build, a fuzz target does not build or one
# crashes.
set -uo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
JOBS=${JOBS:-2}
cd "$ROOT"
mkdir -p build

if [ "$(id -u)" = 0 ]; then
  bash tools/install-deps.sh || { echo "installing dependencies failed" >&2; exit 1; }
fi

status=0
step() { echo; echo "==== $* ($(date +%H:%M:%S))"; }

step "native build (pure code, AddressSanitizer + UndefinedBehaviorSanitizer)"
cmake --preset native >build/native.cmake.log 2>&1 || { cat build/native.cmake.log; exit 1; }
cmake --build --preset native -j"$JOBS" >build/native.build.log 2>&1 \
  || { tail -50 build/native.build.log; exit 1; }

step "Windows build (i686 MinGW-w64, static)"
cmake --preset windows >build/win.cmake.log 2>&1 || { cat build/win.cmake.log; exit 1; }
cmake --build --preset windows -j"$JOBS" >build/win.build.log 2>&1 \
  || { tail -50 build/win.build.log; exit 1; }

step "the kit: installed, the game and the guide's samples built against it"
if bash tools/kit.sh; then
  export QUILL_GAME_EXE="$ROOT/build/kit-game/Quillmoor.exe"
else
  status=1
fi

step "native tests"
ctest --preset native -j"$JOBS" || status=1

step "fuzz targets (clang, libFuzzer): build, then ${FUZZ_SECONDS:-4} s each"
bash fuzz/run.sh "${FUZZ_SECONDS:-4}" || status=1

step "Windows tests under Wine"
export QUILL_WIN_BUILD="$ROOT/build/win"
. tools/wine-env.sh
quill_wine_up || { echo "cannot set up Wine and its display" >&2; exit 1; }
if ! ctest --preset windows -j"$JOBS"; then
  # The i386 emulator of a 64-bit host now and then stops a Wine process at
  # a valid instruction ("Unhandled illegal instruction"). Tests that failed
  # only that way run once more; any other failure stands.
  log=build/win/Testing/Temporary/LastTest.log
  failed=$(cut -d: -f2 build/win/Testing/Temporary/LastTestsFailed.log 2>/dev/null)
  emulator=1
  for t in $failed; do
    awk -v t="$t" '$0 ~ "^[0-9]+/[0-9]+ Testing: " t "$" {on=1} on && /^Test (Failed|Passed)/ {on=0} on' "$log" \
      | grep -q "Unhandled illegal instruction" || emulator=0
  done
  if [ -n "$failed" ] && [ $emulator = 1 ]; then
    echo "stopped by the emulator, run once more:" $failed
    ctest --preset windows --rerun-failed || status=1
  else
    status=1
  fi
fi
quill_wine_down

echo
if [ $status = 0 ]; then echo "all test suites passed"; else echo "some tests FAILED"; fi
exit $status
