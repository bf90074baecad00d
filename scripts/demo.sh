#!/bin/bash
# The demo: builds the player, packs the bundled sample album and plays it under Wine.
#   scripts/demo.sh
# The Wine prefix lives in build/demo and starts without the movie control, like a fresh
# machine: the album first asks "Install Flash Player now?". Answer Yes; the carried installer
# puts the control in place and the sample movie plays. Close the window to end.
# Without a display it runs on Xvfb, answers Yes itself and saves screenshots in build/demo.
# The prefix is made by build/windows/wine-run.sh, which also puts Wine's Marlett font in it, so
# that the caption buttons are drawn as on Windows (fonts-wine must be installed).
set -eu
cd "$(dirname "$0")/.."
source scripts/setup.sh
dovetta_setup

jobs=$(nproc)
echo "== building"
cmake --preset native >/dev/null
cmake --build --preset native -j "$jobs" --target dovetta-pack dovetta-sample-movie >/dev/null
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$jobs" --target Dovetta MovieControlSetup dovetta-window >/dev/null

demo=build/demo
mkdir -p "$demo"
album="$demo/Dovetta-sample.exe"
echo "== packing the sample album: $album"
build/native/tools/sample-movie/dovetta-sample-movie "$demo/sample.swf"
build/native/tools/pack/dovetta-pack build --player build/windows/bin/Dovetta.exe \
  --installer build/windows/bin/MovieControlSetup.exe --movie "$demo/sample.swf" \
  --title "Dovetta sample" -o "$album"

export DOVETTA_WINEPREFIX="$PWD/$demo/wineprefix"
run() { build/windows/wine-run.sh "$@"; }
bin=build/windows/bin

headless=""
if [ -z "${DISPLAY:-}" ]; then
  headless=1
  dovetta_start_display
  trap 'WINEPREFIX=$DOVETTA_WINEPREFIX wineserver -k 2>/dev/null || true; dovetta_stop_display' EXIT
fi

echo "== preparing the Wine prefix $DOVETTA_WINEPREFIX (first time: about 15 s)"
run "$bin/MovieControlSetup.exe" /U >/dev/null   # a machine without the movie control

if [ -z "$headless" ]; then
  echo "== playing: answer Yes to the prompt, then close the window to end"
  run "$album"
  exit 0
fi

echo "== playing on Xvfb ($DISPLAY)"
run "$album" &
player=$!
run "$bin/dovetta-window.exe" wait Notification 60000
sleep 0.5
import -window root "$demo/prompt.png"
run "$bin/dovetta-window.exe" press Notification 6        # Yes
run "$bin/dovetta-window.exe" wait-player "Dovetta sample" 60000
sleep 1
import -window root "$demo/player.png"
run "$bin/dovetta-window.exe" close "Dovetta sample"
wait "$player"
echo "== done. Screenshots: $demo/prompt.png (the install prompt), $demo/player.png (the sample playing)"
