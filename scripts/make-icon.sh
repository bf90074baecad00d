#!/bin/sh
# Regenerates player/resources/Dovetta.ico with dovetta-make-icon (tools/make-icon), built in
# the native configuration.
# Usage: scripts/make-icon.sh [OUTPUT.ico]
set -eu
cd "$(dirname "$0")/.."
out=${1:-player/resources/Dovetta.ico}
cmake --preset native >/dev/null
cmake --build --preset native --target dovetta-make-icon
build/native/tools/make-icon/dovetta-make-icon "$out"
echo "wrote $out"
