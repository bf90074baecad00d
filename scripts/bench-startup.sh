#!/bin/bash
# Benchmark (not a test): time from starting an album to its player window, under Wine.
#   scripts/bench-startup.sh [ROUNDS]
# Uses the demo's album and prefix (run scripts/demo.sh once first) with the movie control
# installed, and prints each round and the median, next to the player program's size.
set -eu
cd "$(dirname "$0")/.."
source scripts/setup.sh
rounds=${1:-7}
album=build/demo/Dovetta-sample.exe
bin=build/windows/bin
[ -f "$album" ] || { echo "bench-startup: no $album: run scripts/demo.sh first" >&2; exit 1; }
export DOVETTA_WINEPREFIX="$PWD/build/demo/wineprefix"
run() { build/windows/wine-run.sh "$@"; }

if [ -z "${DISPLAY:-}" ]; then
  dovetta_start_display
  trap 'WINEPREFIX=$DOVETTA_WINEPREFIX wineserver -k 2>/dev/null || true; dovetta_stop_display' EXIT
fi
run "$bin/MovieControlSetup.exe" /Q >/dev/null
run "$bin/dovetta-window.exe" wait nothing-at-all 1 >/dev/null 2>&1 || true   # warm the prefix

times=()
for _ in $(seq "$rounds"); do
  start=$(date +%s%N)
  run "$album" &
  player=$!
  run "$bin/dovetta-window.exe" wait-player "Dovetta sample" 30000
  shown=$(date +%s%N)
  run "$bin/dovetta-window.exe" close "Dovetta sample"
  wait "$player"
  times+=($(( (shown - start) / 1000000 )))
done
sorted=($(printf '%s\n' "${times[@]}" | sort -n))
echo "player window after (ms): ${times[*]}"
echo "median:                   ${sorted[$(( ${#sorted[@]} / 2 ))]} ms (includes starting the Wine process and the window driver)"
echo "Dovetta.exe size:         $(stat -c %s "$bin/Dovetta.exe") bytes"
