#!/usr/bin/env bash
# Builds the project with AddressSanitizer and UndefinedBehaviorSanitizer in build/sanitize; a test
# in build/ runs its unit tests (tests/reliability/run_sanitized.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

dir=${QUARNEL_SANITIZE_DIR:-build/sanitize}
cmake -S . -B "$dir" -DQUARNEL_WERROR=ON -DQUARNEL_SANITIZE=ON -DQUARNEL_BENCH=OFF >/dev/null
cmake --build "$dir" -j "${QUARNEL_JOBS:-$(nproc)}"
