#!/usr/bin/env bash
# Cross-builds the Windows viewer: build/win32/quarnel.exe (the product, 32-bit) and
# build/win64/quarnel.exe, the same sources for x86-64, which the Wine checks run instead where
# this machine cannot execute 32-bit code.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc)
[ "$jobs" -gt 2 ] && jobs=2

build() {
    local dir=$1 toolchain=$2
    cmake -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/$toolchain" -DQUARNEL_WERROR=ON >/dev/null
    cmake --build "$dir" -j "$jobs"
}

build build/win32 mingw-i686.cmake
build build/win64 mingw-x86_64.cmake
