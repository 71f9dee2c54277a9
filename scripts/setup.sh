#!/usr/bin/env bash
# Installs what the build, the viewer and the tests need on Debian 12, only when something is missing.
set -euo pipefail

# Usage: setup.sh [--run]   --run: only what building and starting the viewer needs.
packages=(cmake g++ make pkg-config libsdl2-dev libx11-dev libgtest-dev libgmock-dev libbenchmark-dev python3)
if [ "${1:-}" != "--run" ]; then
  packages+=(
    clang libclang-rt-14-dev clang-format
    xvfb xauth xdotool x11-utils x11-xserver-utils imagemagick xfonts-base
    g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686 wine wine64 wine32:i386
  )
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "setup: missing packages (${missing[*]}); run as root or install them" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
# wine32 is an i386 package: the architecture must be known before the package lists are read.
dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
apt-get update
apt-get install -y --no-install-recommends "${missing[@]}"
