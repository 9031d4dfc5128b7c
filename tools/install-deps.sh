#!/usr/bin/env bash
# Installs everything the build, the tests and the sample run need on a Debian
# 12 machine (run as root). Quick when all is present already.
#
# The mirror is not always consistent, so:
#  - a package index that fails to download is a warning, not the end;
#  - when an i386 package cannot be installed because its amd64 twin is (or is
#    about to be) at another version (multiarch packages must match), both are
#    pinned to the newest version that both architectures offer;
#  - a failed download is retried once;
#  - what still fails is named, one line per package, with the reason.
set -uo pipefail
PKGS=(cmake make g++ clang libclang-rt-14-dev zlib1g-dev mingw-w64 g++-mingw-w64-i686-win32
      wine wine32:i386 xvfb libz-mingw-w64-dev googletest locales fonts-ipafont-gothic
      x11-utils imagemagick xdotool libgl1:i386 libgl1-mesa-dri:i386 libglx-mesa0:i386
      libpixman-1-dev python3 git ca-certificates
)
export DEBIAN_FRONTEND=noninteractive
say() { echo "install-deps: $*" >&2; }

# The locale first, and outside the locale archive: a shell that looked for
# the archive before it existed never looks again, so a locale added to the
# archive by this run would be unknown to the shell that runs the tests.
ensure_locale() {
  locale -a 2>/dev/null | grep -qix 'ja_JP.utf8' && return 0
  command -v localedef >/dev/null || return 1
  localedef --no-archive -i ja_JP -f UTF-8 ja_JP.UTF-8 2>/dev/null
  locale -a 2>/dev/null | grep -qix 'ja_JP.utf8'
}

missing_packages() {
  local p
  for p in "${PKGS[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || echo "$p"
  done
}

apt_update() {
  local out
  out=$(apt-get update 2>&1)
  # "E: Failed to fetch URL  reason" for each index that did not come.
  grep -E '^(E|W): Failed to fetch' <<<"$out" | sed -E 's/^[EW]: Failed to fetch ([^ ]+) +(.*)$/warning: index not downloaded, older or no list used: \1 (\2)/' |
    while IFS= read -r l; do say "$l"; done
  grep -q '^Reading package lists' <<<"$out" || { say "warning: apt-get update failed: $(tail -1 <<<"$out")"; return 1; }
  return 0
}

# Every version of a package that the indexes offer for one architecture.
versions_of() { apt-cache madison "$1:$2" 2>/dev/null | awk -F'|' -v a="$2" '$3 ~ a {gsub(/ /,"",$2); print $2}' | sort -u; }

# The newest version both architectures offer, or nothing.
common_version() {
  local name=$1 best="" v
  while IFS= read -r v; do
    [ -n "$v" ] || continue
    if [ -z "$best" ] || dpkg --compare-versions "$v" gt "$best"; then best=$v; fi
  done < <(comm -12 <(versions_of "$name" amd64) <(versions_of "$name" i386))
  echo "$best"
}

# Pins the packages that apt says cannot be installed (the right-hand side of
# its "Depends: X but it is not going to be installed") to the newest version
# both architectures offer: the i386 one always, the amd64 twin when it is
# installed or when apt complained about the same package before.
PINS=()
declare -A PINNED=()
align_from() {
  local out=$1 added=0 name v
  for name in $(grep -oE '(Depends|Breaks|Conflicts): [a-z0-9][a-z0-9.+-]*(:i386|:amd64)?' <<<"$out" |
                sed -E 's/^[A-Za-z]+: //; s/:(i386|amd64)$//' | sort -u); do
    [ "${PINNED[$name]:-}" = both ] && continue
    v=$(common_version "$name")
    [ -n "$v" ] || continue
    if [ -z "${PINNED[$name]:-}" ] && ! dpkg-query -W -f='${Status}' "$name:amd64" 2>/dev/null | grep -q 'ok installed'; then
      PINNED[$name]=i386
      PINS+=("$name:i386=$v")
    else
      [ "${PINNED[$name]:-}" = i386 ] || PINS+=("$name:i386=$v")
      PINNED[$name]=both
      PINS+=("$name:amd64=$v")
    fi
    say "pinning $name to $v (offered for both amd64 and i386)"
    added=1
  done
  [ $added = 1 ]
}

# One line per package that still cannot be installed.
report_failure() {
  local out=$1 l
  l=$(grep -E '^ [^ ].* : (Depends|PreDepends|Breaks|Conflicts):' <<<"$out" |
      sed -E 's/^ ([^ ]+) : (Depends|PreDepends|Breaks|Conflicts): (.*)$/cannot install \1: \2 \3/')
  if [ -n "$l" ]; then
    while IFS= read -r x; do say "$x"; done <<<"$l"
  else
    grep -E '^E: ' <<<"$out" | head -5 | while IFS= read -r x; do say "cannot install: ${x#E: }"; done
  fi
}

install_packages() {
  local out try
  for try in 1 2 3 4 5 6 7 8; do
    out=$(apt-get install -s --no-install-recommends "$@" "${PINS[@]}" 2>&1) && break
    align_from "$out" || { report_failure "$out"; return 1; }
  done
  for try in 1 2; do
    out=$(apt-get install -y -q --no-install-recommends --allow-downgrades "$@" "${PINS[@]}" 2>&1) && return 0
    [ $try = 1 ] && { say "install failed, retrying once: $(grep -E '^E: ' <<<"$out" | head -1)"; apt_update; }
  done
  report_failure "$out"
  return 1
}

# Some machines run no 32-bit user code natively: the kernel refuses to
# start an i386 program (ENOEXEC). Wine's 32-bit loader then runs under qemu's
# user-mode emulator, registered (with the "F" flag, so that it works in a
# chroot too) for i386 programs. Before 8.1, qemu searched its guest address
# space a page at a time on every mmap: each Wine process then took four
# minutes to start. Debian 12 has 7.2, its backports a newer one.
I386_MAGIC='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
I386_MASK='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
QEMU_MIN=8.1
qemu_version() { qemu-i386 --version 2>/dev/null | sed -n '1s/.*version \([0-9][0-9.]*\).*/\1/p'; }
qemu_fast() { local v; v=$(qemu_version); [ -n "$v" ] && dpkg --compare-versions "$v" ge $QEMU_MIN; }

install_qemu() {
  qemu_fast && return 0
  install_packages qemu-user >/dev/null 2>&1
  qemu_fast && return 0
  local codename list=/etc/apt/sources.list.d/quill-backports.list
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  if [ -n "$codename" ] && [ ! -e $list ]; then
    say "qemu $(qemu_version) starts Wine too slowly: taking qemu-user from $codename-backports"
    echo "deb http://deb.debian.org/debian $codename-backports main" >$list
    apt_update
  fi
  apt-get install -y -q --no-install-recommends -t "$codename-backports" qemu-user >/dev/null 2>&1
  qemu_fast && return 0
  command -v qemu-i386 >/dev/null || return 1
  say "warning: qemu $(qemu_version) is older than $QEMU_MIN: every Windows program takes minutes to start"
}

ensure_i386_programs() {
  local misc=/proc/sys/fs/binfmt_misc
  [ -e $misc/qemu-i386 ] || ! /lib/ld-linux.so.2 --version >/dev/null 2>&1 || return 0
  install_qemu || { say "cannot install qemu-user"; return 1; }
  local qemu
  qemu=$(command -v qemu-i386)
  [ -e $misc/register ] || mount -t binfmt_misc binfmt_misc $misc 2>/dev/null
  # The "F" flag opens the interpreter once, at registration: an entry made
  # before an upgrade (or for another file) runs the old one until replaced.
  # An installed file keeps its package's mtime; its ctime is the install's.
  if [ -e $misc/qemu-i386 ] && ! { grep -qx "interpreter $qemu" $misc/qemu-i386 &&
                                   [ "$(stat -Lc %Z "$qemu")" -le "$(stat -c %Y $misc/qemu-i386)" ]; }; then
    echo -1 >$misc/qemu-i386 2>/dev/null
  fi
  if [ ! -e $misc/qemu-i386 ]; then
    say "this machine runs no 32-bit programs natively: registering $qemu ($(qemu_version)) for them"
    printf '%s' ":qemu-i386:M::$I386_MAGIC:$I386_MASK:$qemu:F" >$misc/register 2>/dev/null
  fi
  echo 1 >$misc/qemu-i386 2>/dev/null
  /lib/ld-linux.so.2 --version >/dev/null 2>&1 || { say "cannot run 32-bit programs, even emulated"; return 1; }
}

main() {
  local missing
  mapfile -t missing < <(missing_packages)
  if [ ${#missing[@]} -gt 0 ]; then
    dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
    apt_update || apt_update || true
    install_packages "${missing[@]}" || return 1
    mapfile -t missing < <(missing_packages)
    if [ ${#missing[@]} -gt 0 ]; then
      for p in "${missing[@]}"; do say "cannot install $p: not installed after apt-get install"; done
      return 1
    fi
  fi
  ensure_i386_programs || return 1
  ensure_locale || { say "cannot generate the locale ja_JP.UTF-8"; return 1; }
}
main
