#!/usr/bin/env bash
# Sets up what is missing, builds everything and runs every test through CTest.
set -euo pipefail
cd "$(dirname "$0")"

./scripts/setup.sh
jobs=$(nproc)

cmake -S . -B build -DQUARNEL_WERROR=ON
cmake --build build -j "$jobs"

# Further builds that the tests in build/ run against, each in a folder of its own.
for step in scripts/build-*.sh; do
  [ -x "$step" ] && "$step"
done

ctest --test-dir build --output-on-failure
