#!/usr/bin/env bash
# The sample update end to end (tools/sample.sh on the programs already built)
# with Wine reporting Windows 98 to the installer, then Windows XP: each run
# shows the success message and nothing else, changes the game folder, and
# both leave the same game folder.
set -uo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
status=0
fail() { echo "FAILED ($1): $2"; status=1; }
declare -A result
for version in win98 winxp; do
  out=$(QUILL_REBUILD=0 QUILL_WINDOWS_VERSION=$version bash "$ROOT/tools/sample.sh" 2>&1)
  echo "$out"
  seen=$(sed -n '/^what the user saw:/,/^game folder .* after the update:/p' <<<"$out" | sed '1d;$d')
  expected=$'  caption: 正常終了\n  text: セットアップは正常に終了しました。\n  buttons: [OK]\n  answer: ok'
  [ "$seen" = "$expected" ] || fail $version "the boxes shown were not the success message alone"
  before=$(sed -n '/before the update:$/,/^$/p' <<<"$out" | sed '1d')
  result[$version]=$(sed -n '/after the update:$/,$p' <<<"$out" | sed '1d')
  [ -n "${result[$version]}" ] || fail $version "no game folder listed after the update"
  [ "$before" != "${result[$version]}" ] || fail $version "the game folder did not change"
done
[ "${result[win98]}" = "${result[winxp]}" ] || fail both "the game folders differ after the update"
[ $status = 0 ] && echo "the sample update ends the same with Windows 98 and Windows XP"
exit $status
