#!/usr/bin/env bash
# Measures how much of one core the viewer takes while it animates at speed factor 1: starts a
# private Xvfb, runs build/quarnel on samples/rainbow.pal, reads the process's CPU time from /proc
# over 10 seconds and prints the percentage.
# Usage: scripts/measure-cpu.sh [seconds]   (QUARNEL=path picks another binary, SCREEN=WxH a screen)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
binary=${QUARNEL:-$here/build/quarnel}
seconds=${1:-10}
screen=${SCREEN:-1024x768}
[ -x "$binary" ] || { echo "measure-cpu: $binary is not built" >&2; exit 1; }

display=
for n in $(shuf -i 100-899); do
  if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then display=$n; break; fi
done
[ -n "$display" ] || { echo "measure-cpu: no free display number" >&2; exit 1; }

Xvfb ":$display" -screen 0 "${screen}x24" -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb=$!
viewer=
cleanup() {
  [ -n "$viewer" ] && kill "$viewer" 2>/dev/null && wait "$viewer" 2>/dev/null
  kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
  return 0
}
trap cleanup EXIT
for _ in $(seq 100); do
  DISPLAY=":$display" xdpyinfo >/dev/null 2>&1 && break
  sleep 0.1
done

DISPLAY=":$display" "$binary" "$here/samples/rainbow.pal" &
viewer=$!
sleep 2 # past start-up and the grid

# Fields 14 and 15 of /proc/PID/stat: user and system time in clock ticks. The name field may hold
# spaces, so count from the closing parenthesis.
cpu_ticks() { sed 's/.*) //' "/proc/$viewer/stat" | awk '{ print $12 + $13 }'; }
start=$(cpu_ticks)
start_ns=$(date +%s%N)
sleep "$seconds"
end=$(cpu_ticks)
end_ns=$(date +%s%N)
kill -0 "$viewer" 2>/dev/null || { echo "measure-cpu: the viewer exited early" >&2; exit 1; }

hz=$(getconf CLK_TCK)
awk -v t="$((end - start))" -v hz="$hz" -v ns="$((end_ns - start_ns))" \
  'BEGIN { printf "%.1f%% of one core over %.1f s\n", 100 * t / hz / (ns / 1e9), ns / 1e9 }'
