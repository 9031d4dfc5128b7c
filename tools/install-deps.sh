#!/usr/bin/env bash
# Installs everything the build, the tests and the sample run need on a fresh
# Debian 12 machine (run as root). Quick when all is present already.
set -euo pipefail
PKGS=(cmake make g++ clang libclang-rt-14-dev zlib1g-dev mingw-w64 g++-mingw-w64-i686-posix
      wine wine32:i386 xvfb libz-mingw-w64-dev googletest locales fonts-ipafont-gothic
      x11-utils imagemagick xdotool libgl1:i386 libgl1-mesa-dri:i386 libglx-mesa0:i386
      # extra packages (append here)
)
missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
locale -a 2>/dev/null | grep -qi '^ja_JP.utf8$' || localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
