#!/bin/sh
# Regenerates player/resources/Dovetta.ico from scripts/make-icon.cpp.
# Usage: scripts/make-icon.sh [OUTPUT.ico]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
out=${1:-$here/../player/resources/Dovetta.ico}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
${CXX:-g++} -std=c++20 -O2 -Wall -Wextra -o "$work/make-icon" "$here/make-icon.cpp"
"$work/make-icon" "$out"
echo "wrote $out"
