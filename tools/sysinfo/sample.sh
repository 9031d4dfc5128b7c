#!/usr/bin/env bash
# Runs out/sysinfo.exe under Wine in out/sysinfo/ and shows the report it
# wrote there (converted from Shift-JIS for the terminal). Needs the Windows
# build of sysinfo (QUILL_WIN_BUILD, by default build/win).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
export QUILL_WIN_BUILD=${QUILL_WIN_BUILD:-$ROOT/build/win}
. "$ROOT/tools/wine-env.sh"
EXE=$ROOT/out/sysinfo.exe
[ -f "$EXE" ] || { echo "missing $EXE (build sysinfo)" >&2; exit 1; }
quill_wine_up || exit 1
mkdir -p "$ROOT/out/sysinfo"
cd "$ROOT/out/sysinfo"
wine "$EXE" </dev/null | iconv -f cp932 -t utf-8
iconv -f cp932 -t utf-8 info.txt
