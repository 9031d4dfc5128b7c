#!/usr/bin/env bash
# Proves the README's first two commands on a fresh machine: makes a minimal
# Debian 12 root (debootstrap --variant=minbase), mounts /proc, /sys and /dev
# into it, clones this repository's committed HEAD there and runs the README's
# two commands exactly as written, as root, with a clean environment. Reports
# each command's status and time, then cleans up (stops what still runs in the
# root, unmounts, removes it). A tool for the team, not part of the tests.
#
#   bash tools/fresh-machine.sh [--keep]     # --keep leaves the root for a look
#
# Needs root and the network. FRESH_DIR chooses where the root is made
# (default /var/tmp); FRESH_MIRROR the Debian mirror.
set -uo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
KEEP=0
[ "${1:-}" = --keep ] && KEEP=1
MIRROR=${FRESH_MIRROR:-http://deb.debian.org/debian}
[ "$(id -u)" = 0 ] || { echo "fresh-machine: run as root" >&2; exit 2; }

if ! command -v debootstrap >/dev/null; then
  echo "fresh-machine: installing debootstrap"
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q debootstrap >/dev/null 2>&1 ||
    { apt-get update -q >/dev/null 2>&1; DEBIAN_FRONTEND=noninteractive apt-get install -y -q debootstrap >/dev/null; } ||
    { echo "fresh-machine: cannot install debootstrap" >&2; exit 2; }
fi

# The README's commands: the non-blank lines of its first sh block, comments cut.
# X servers' abstract sockets are shared between this machine and the root:
# a server running here on the scripts' usual display would be taken for the
# root's own and its windows mixed with another run's. The root gets a
# display number nothing here uses, as a fresh machine would.
DISPLAY_FREE=
for n in $(seq 150 199); do
  if [ ! -e /tmp/.X11-unix/X$n ] && ! grep -q "@/tmp/.X11-unix/X$n\b" /proc/net/unix 2>/dev/null; then
    DISPLAY_FREE=:$n
    break
  fi
done
[ -n "$DISPLAY_FREE" ] || { echo "fresh-machine: no free X display number" >&2; exit 2; }

mapfile -t COMMANDS < <(awk '/^```sh/{on=1; next} on && /^```/{exit} on' "$ROOT/README.md" |
                        sed -E 's/[[:space:]]+#.*$//; s/[[:space:]]+$//' | grep -v '^$')
[ ${#COMMANDS[@]} -ge 2 ] || { echo "fresh-machine: README has no sh block with two commands" >&2; exit 2; }

FRESH=$(mktemp -d "${FRESH_DIR:-/var/tmp}/quill-fresh.XXXXXX")
LOG=$FRESH.log
: >"$LOG"

in_root_pids() {
  local p
  for p in /proc/[0-9]*; do
    [ "$(readlink "$p/root" 2>/dev/null)" = "$FRESH" ] && echo "${p#/proc/}"
  done
}
cleanup() {
  local pids
  pids=$(in_root_pids)
  [ -n "$pids" ] && { kill $pids 2>/dev/null; sleep 2; kill -9 $(in_root_pids) 2>/dev/null; }
  for m in $(awk -v r="$FRESH" '$2 == r || index($2, r "/") == 1 {print $2}' /proc/mounts | sort -r); do
    umount -l "$m" 2>/dev/null
  done
  if [ $KEEP = 1 ]; then echo "fresh-machine: root kept at $FRESH"; else rm -rf --one-file-system "$FRESH"; fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

elapsed() { local s=$1; printf '%dm%02ds' $((s / 60)) $((s % 60)); }

echo "fresh-machine: making a minimal Debian 12 root in $FRESH (log: $LOG)"
t0=$SECONDS
if ! debootstrap --variant=minbase bookworm "$FRESH" "$MIRROR" >>"$LOG" 2>&1; then
  echo "fresh-machine: debootstrap failed after $(elapsed $((SECONDS - t0))); last lines:" >&2
  tail -5 "$LOG" >&2
  exit 1
fi
echo "fresh-machine: root made in $(elapsed $((SECONDS - t0)))"

# A Debian 12 machine's sources: the release, its updates and security.
cat >"$FRESH/etc/apt/sources.list" <<EOF
deb $MIRROR bookworm main
deb $MIRROR bookworm-updates main
deb http://deb.debian.org/debian-security bookworm-security main
EOF
cp /etc/resolv.conf "$FRESH/etc/resolv.conf" 2>/dev/null || true
mount -t proc proc "$FRESH/proc"
mount --rbind /sys "$FRESH/sys" && mount --make-rslave "$FRESH/sys"
mount --rbind /dev "$FRESH/dev" && mount --make-rslave "$FRESH/dev"

# The committed state of this repository, as a clone would see it.
git clone -q "$ROOT" "$FRESH/root/quillmoor" || { echo "fresh-machine: git clone failed" >&2; exit 1; }
echo "fresh-machine: cloned $(git -C "$ROOT" rev-parse --short HEAD) into /root/quillmoor"

results=()
status=0
for cmd in "${COMMANDS[@]}"; do
  echo
  echo "fresh-machine: \$ $cmd"
  t0=$SECONDS
  chroot "$FRESH" /usr/bin/env -i HOME=/root TERM="${TERM:-xterm}" QUILL_DISPLAY="$DISPLAY_FREE" \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    /bin/bash -c "cd /root/quillmoor && $cmd" 2>&1 | tee -a "$LOG"
  rc=${PIPESTATUS[0]}
  results+=("$(printf '%-60s exit %3d  %s' "$cmd" "$rc" "$(elapsed $((SECONDS - t0)))")")
  [ "$rc" = 0 ] || status=1
done

echo
echo "fresh-machine: results"
for r in "${results[@]}"; do echo "  $r"; done
if grep -q 'setlocale' "$LOG"; then
  echo "fresh-machine: locale warnings were printed:"
  grep 'setlocale' "$LOG" | sort | uniq -c | sed 's/^/  /'
  status=1
fi
exit $status
