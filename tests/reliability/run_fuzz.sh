#!/usr/bin/env bash
# Runs the fuzz target (scripts/build-fuzz.sh) for a while from the committed seed corpus. New
# inputs go to a scratch corpus, never into the committed one; a crash leaves its input in the
# work folder and fails the run.
# Usage: run_fuzz.sh FUZZER SEED_CORPUS WORK_DIR [SECONDS]
set -uo pipefail

fuzzer=${1:?usage: run_fuzz.sh FUZZER SEED_CORPUS WORK_DIR [SECONDS]}
seeds=${2:?missing seed corpus}
work=${3:?missing work folder}
seconds=${4:-60}
if [ ! -x "$fuzzer" ]; then
    echo "no fuzz target at $fuzzer: run scripts/build-fuzz.sh first" >&2
    exit 77
fi

rm -rf "$work"
mkdir -p "$work/corpus"
# One input that runs for more than a few seconds is a hang: the target bounds every run.
"$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 -error_exitcode=1 \
    -artifact_prefix="$work/" "$work/corpus" "$seeds"
status=$?
echo "corpus after the run: $(ls "$work/corpus" | wc -l) new inputs, $(ls "$seeds" | wc -l) seeds"
ls "$work"/crash-* "$work"/timeout-* "$work"/oom-* "$work"/leak-* 2>/dev/null
exit $status
