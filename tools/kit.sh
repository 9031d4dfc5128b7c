#!/usr/bin/env bash
# The kit as a game maker uses it: installs the Windows build (build/win) under
# build/kit, then builds against the installed kit alone, each as a project of
# its own with the kit's toolchain file:
#   the game (game/)                       into build/kit-game (Quillmoor.exe)
#   the guide's samples (docs/guide.md)    into build/kit-guide
# Every C++ and CMake block of the guide that names a file ("```cpp scene.cpp")
# is written out as that file; a C++ block without a name fails the run, so no
# sample goes uncompiled. --no-guide builds the game only. Exits non-zero when
# any step fails, with the end of that step's log.
set -uo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
JOBS=${JOBS:-2}
KIT=$ROOT/build/kit
guide=1
[ "${1:-}" = --no-guide ] && guide=0

run() {  # log, command...
  local log=$1; shift
  "$@" >"$log" 2>&1 || { echo "kit: failed: $*" >&2; tail -40 "$log" >&2; exit 1; }
}

rm -rf "$KIT"
run build/kit.install.log cmake --install build/win --prefix "$KIT"
echo "kit: installed in $KIT ($(find "$KIT/lib" -name '*.a' | wc -l) libraries, $(find "$KIT/include" -name '*.h' | wc -l) headers)"

build() {  # source folder, build folder
  run "$2.configure.log" cmake -S "$1" -B "$2" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$KIT/lib/cmake/Quill/toolchain.cmake"
  run "$2.build.log" cmake --build "$2" -j"$JOBS"
}

build game build/kit-game
echo "kit: the game built against it: build/kit-game/Quillmoor.exe"

if [ $guide = 1 ]; then
  SAMPLES=$ROOT/build/kit-guide-src
  rm -rf "$SAMPLES" && mkdir -p "$SAMPLES"
  awk -v out="$SAMPLES" '
    /^```/ && !inside {
      inside = 1; lang = $1; sub(/^```/, "", lang); file = $2
      if (lang == "cpp" && file == "") { printf "docs/guide.md:%d: a C++ block without a file name\n", NR > "/dev/stderr"; bad = 1 }
      writing = (lang == "cpp" || lang == "cmake") && file != ""
      if (writing) { path = out "/" file; printf "" > path; count++ }
      next
    }
    /^```/ && inside { inside = 0; if (writing) close(path); writing = 0; next }
    writing { print >> path }
    END { if (bad) exit 1; if (count == 0) { print "docs/guide.md: no samples" > "/dev/stderr"; exit 1 } }
  ' docs/guide.md || exit 1
  build "$SAMPLES" build/kit-guide
  echo "kit: the guide's samples built against it: $(cd "$SAMPLES" && ls | tr '\n' ' ')"
fi
