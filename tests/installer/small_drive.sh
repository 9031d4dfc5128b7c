#!/bin/bash
# Runs the cases that need a drive of their own, a tmpfs mapped into the test
# prefix. Exit 77 (skipped) when mounting is refused.
# Usage: small_drive.sh TEST_EXE [MODE] [GTEST_FILTER] (default: the mode's installer case)
#   small:   the game on Q:, 4 MiB: not enough room for the update;
#   filling: the game on R:, 1900 MiB: just room enough, until the test
#            fills it during the copy (tmpfs holds only what is written).
set -u
test_exe=$1
mode=${2:-small}
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../tools/wine-env.sh"
quill_wine_up || exit 1
case $mode in
  small) letter=q size=4m variable=QUILL_SMALL_DRIVE filter=${3:-'InstallerSmallDrive.*'} ;;
  filling) letter=r size=1900m variable=QUILL_FILLING_DRIVE filter=${3:-'InstallerFillingDrive.*'} ;;
  *) echo "unknown mode $mode" >&2; exit 2 ;;
esac
mnt=$(mktemp -d /tmp/quill-$mode.XXXXXX)
link=$WINEPREFIX/dosdevices/$letter:
cleanup() {
  rm -f "$link"
  umount "$mnt" 2>/dev/null
  rmdir "$mnt"
}
trap cleanup EXIT
if ! mount -t tmpfs -o size=$size tmpfs "$mnt" 2>/dev/null; then
  echo "mount not permitted: skipped"
  exit 77
fi
rm -f "$link"
ln -s "$mnt" "$link"
env "$variable=${letter^^}:" timeout 100 "$here/../../tools/wine-run" "$test_exe" --gtest_filter="$filter"
