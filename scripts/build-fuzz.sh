#!/usr/bin/env bash
# Builds the libFuzzer target that drives WinMain on the fake device, in build/fuzz, with clang:
# the program and the fake carry coverage and the sanitizers, the target links libFuzzer's main.
# A test in build/ runs it (tests/reliability/run_fuzz.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

dir=${QUARNEL_FUZZ_DIR:-build/fuzz}
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
cmake -S . -B "$dir" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_C_FLAGS="$flags" \
    -DQUARNEL_WERROR=ON -DQUARNEL_FUZZ=ON -DQUARNEL_BENCH=OFF >/dev/null
cmake --build "$dir" -j "${QUARNEL_JOBS:-$(nproc)}" --target quarnel_fuzz
