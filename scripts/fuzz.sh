#!/bin/bash
# Longer fuzzing of the file readers (not part of the test command).
#   scripts/fuzz.sh [SECONDS_PER_TARGET]     default 300
# Builds the "fuzz" preset (clang, libFuzzer, address and undefined-behaviour sanitizers) and
# runs each target from its seeds; the corpus grows in build/fuzz. A crash leaves its input as
# build/fuzz/crash-*: add it to tests/fuzz/seeds/<target>/ as a regression case.
set -eu -o pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
dovetta_setup
seconds=${1:-300}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)" >/dev/null
status=0
# The sanitizers make every interpreter frame several times larger (see tests/fuzz/CMakeLists.txt).
ulimit -s 65536 2>/dev/null || true
for target in album_walk_fuzz movie_fuzz engine_fuzz; do
  corpus=build/fuzz/corpus-$target
  mkdir -p "$corpus"
  echo "== $target for $seconds s"
  if ! (cd build/fuzz && "tests/fuzz/$target" -max_total_time="$seconds" -max_len=65536 \
          -print_final_stats=1 "../../$corpus" "../../tests/fuzz/seeds/$target" 2>&1 |
        grep -E "stat::number_of_executed_units|stat::peak_rss_mb|Done|ERROR|SUMMARY"); then
    status=1
  fi
done
exit $status
