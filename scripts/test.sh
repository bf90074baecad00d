#!/bin/bash
# Sets up what is missing, builds every configuration and runs every test.
#   scripts/test.sh            all of it
# Native (Linux) tests, the Windows tests under wine64 on Xvfb, and a compile-and-link
# check of the 32-bit Windows build (which cannot run here: there is no wine32).
set -eu
cd "$(dirname "$0")/.."
source scripts/setup.sh
dovetta_setup

jobs=$(nproc)

echo "== layers: includes against scripts/layers.txt"
bash scripts/check-layers.sh

echo "== native build and tests"
cmake --preset native >/dev/null
cmake --build --preset native -j "$jobs"
ctest --preset native -j "$jobs"

echo "== native tests with AddressSanitizer and UndefinedBehaviorSanitizer"
cmake --preset native-sanitize >/dev/null
cmake --build --preset native-sanitize -j "$jobs"
# AddressSanitizer makes every frame of the script interpreter several times larger: the
# recursion-limit test (256 nested calls, as the reference allows) needs more than the usual
# 8 MiB stack under it.
(ulimit -s 65536 2>/dev/null || ulimit -s unlimited 2>/dev/null || true; ctest --preset native-sanitize -j "$jobs")

echo "== fuzz targets: a short bounded run of each"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"
ctest --preset fuzz

echo "== windows x86_64 build and tests (wine64)"
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$jobs"
dovetta_start_display
trap dovetta_stop_display EXIT
ctest --preset windows -j "$jobs"

echo "== windows i686 build (compiled and linked, not run)"
cmake --preset windows-i686 >/dev/null
cmake --build --preset windows-i686 -j "$jobs"
