#!/bin/bash
# Runs the not-enough-room case with the game on drive Q:, a 4 MiB tmpfs
# mapped into the test prefix. Exit 77 (skipped) when mounting is refused.
# Usage: small_drive.sh TEST_EXE [GTEST_FILTER] (default: the installer's case)
set -u
test_exe=$1
filter=${2:-InstallerSmallDrive.*}
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../tools/wine-env.sh"
quill_wine_up || exit 1
mnt=$(mktemp -d /tmp/quill-small.XXXXXX)
link=$WINEPREFIX/dosdevices/q:
cleanup() {
  rm -f "$link"
  umount "$mnt" 2>/dev/null
  rmdir "$mnt"
}
trap cleanup EXIT
if ! mount -t tmpfs -o size=4m tmpfs "$mnt" 2>/dev/null; then
  echo "mount not permitted: skipped"
  exit 77
fi
rm -f "$link"
ln -s "$mnt" "$link"
QUILL_SMALL_DRIVE='Q:' timeout 50 "$here/../../tools/wine-run" "$test_exe" --gtest_filter="$filter"
