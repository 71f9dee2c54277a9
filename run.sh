#!/usr/bin/env bash
# Sets up what is missing, builds the viewer and starts it on the given palette file, or on a
# sample palette when none is given.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

"$here/scripts/setup.sh" --run
cmake -S "$here" -B "$here/build" >/dev/null
cmake --build "$here/build" -j "$(nproc)" --target quarnel

if [ $# -eq 0 ]; then
  set -- "$here/samples/rainbow.pal"
fi
exec "$here/build/quarnel" "$@"
