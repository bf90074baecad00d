#!/bin/bash
# Benchmark (not a test): how fast `dovetta-pack extract` unpacks a 1 GiB album compared with
# `cp` of the same bytes on the same disk, and how much memory the extraction needs.
#   scripts/bench-extract.sh [path/to/dovetta-pack]
# Default tool: build/native/tools/pack/dovetta-pack. Work files go to a temporary folder under
# build/ (override with BENCH_DIR), which is removed at the end. Needs about 4 GiB of free space
# and /usr/bin/time (Debian package "time").
# Targets: extract throughput at least 0.9 of cp's, peak resident memory below 32 MiB.
# BENCH_ROUNDS sets how many timed runs of each job there are (default 7; medians count).
set -eu
cd "$(dirname "$0")/.."

tool=$(realpath "${1:-build/native/tools/pack/dovetta-pack}")
[ -x "$tool" ] || { echo "bench-extract: no dovetta-pack at $tool (build it first)" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "bench-extract: /usr/bin/time is missing: apt-get install time" >&2; exit 1; }

base=${BENCH_DIR:-build}
mkdir -p "$base"
work=$(mktemp -d "$(realpath "$base")/bench-extract.XXXXXX")
trap 'rm -rf "$work"' EXIT

movie_mib=1024
echo "== preparing a ${movie_mib} MiB album in $work"
head -c $((64 << 10)) /dev/urandom >"$work/player.exe"
head -c $((1 << 20)) /dev/urandom >"$work/setup.exe"
# The extra file's name is chosen so that the movie's bytes do not start on a cache-line
# boundary in the album, as in most real albums (a copy that is not aligned costs more).
head -c $((4 << 20)) /dev/urandom >"$work/extra-file.bin"
head -c $((movie_mib << 20)) /dev/urandom >"$work/movie.swf"
"$tool" build --player "$work/player.exe" --installer "$work/setup.exe" --movie "$work/movie.swf" \
    --file "$work/extra-file.bin" --size 800x600 --require 9 --title "Benchmark" -o "$work/album.exe"
rm -f "$work/movie.swf"
bytes=$(stat -c %s "$work/album.exe")

now_ns() { date +%s%N; }

# Runs a command into a fresh output folder, with the disk settled first; prints
# "ms-until-it-returns ms-until-its-bytes-are-on-disk cpu-ms peak-KiB".
measure() {
    rm -rf "$work/out"
    mkdir -p "$work/out"
    sync
    local start returned synced
    start=$(now_ns)
    /usr/bin/time -f "%e %U %S %M" -o "$work/time" "$@"
    returned=$(now_ns)
    sync -f "$work/out"
    synced=$(now_ns)
    local cpu_ms user sys rss
    read -r _ user sys rss <"$work/time"
    cpu_ms=$(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%d", (u + s) * 1000 }')
    echo "$(( (returned - start) / 1000000 )) $(( (synced - start) / 1000000 )) $cpu_ms $rss"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# One warm-up run of each job, so both read the album from a warm cache; then the two jobs
# take turns, so that other load on the machine falls on both alike. Medians count.
rounds=${BENCH_ROUNDS:-7}
extract_job=("$tool" extract "$work/album.exe" "$work/out")
copy_job=(cp "$work/album.exe" "$work/out/copy.bin")
echo "== warm-up, then $rounds rounds of extract and cp in turn"
measure "${extract_job[@]}" >/dev/null
extracted=$(du -cb "$work/out"/* | tail -1 | cut -f1)
measure "${copy_job[@]}" >/dev/null
: >"$work/extract.txt"
: >"$work/copy.txt"
for _ in $(seq "$rounds"); do
    measure "${extract_job[@]}" >>"$work/extract.txt"
    measure "${copy_job[@]}" >>"$work/copy.txt"
done
extract_ms=$(cut -d' ' -f1 "$work/extract.txt" | median)
extract_sync_ms=$(cut -d' ' -f2 "$work/extract.txt" | median)
extract_cpu_ms=$(cut -d' ' -f3 "$work/extract.txt" | median)
extract_kib=$(cut -d' ' -f4 "$work/extract.txt" | sort -n | tail -1)
copy_ms=$(cut -d' ' -f1 "$work/copy.txt" | median)
copy_sync_ms=$(cut -d' ' -f2 "$work/copy.txt" | median)
copy_cpu_ms=$(cut -d' ' -f3 "$work/copy.txt" | median)
copy_kib=$(cut -d' ' -f4 "$work/copy.txt" | sort -n | tail -1)

mib_per_s() { awk -v b="$1" -v ms="$2" 'BEGIN { printf "%.0f", (b / 1048576) / (ms / 1000) }'; }
echo
echo "album:              $bytes bytes ($((bytes >> 20)) MiB); extract writes $extracted bytes"
echo "load average:       $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores (other work on the machine slows both jobs)"
echo "runs (ms to return, ms on disk, CPU ms, peak KiB):"
echo "  extract: $(tr '\n' ';' <"$work/extract.txt")"
echo "  cp:      $(tr '\n' ';' <"$work/copy.txt")"
echo "extract (median):   ${extract_ms} ms to return ($(mib_per_s "$extracted" "$extract_ms") MiB/s)," \
     "${extract_sync_ms} ms on disk ($(mib_per_s "$extracted" "$extract_sync_ms") MiB/s), ${extract_cpu_ms} ms CPU"
echo "cp (median):        ${copy_ms} ms to return ($(mib_per_s "$bytes" "$copy_ms") MiB/s)," \
     "${copy_sync_ms} ms on disk ($(mib_per_s "$bytes" "$copy_sync_ms") MiB/s), ${copy_cpu_ms} ms CPU"
awk -v e="$extracted" -v em="$extract_ms" -v es="$extract_sync_ms" -v b="$bytes" -v cm="$copy_ms" \
    -v cs="$copy_sync_ms" -v ec="$extract_cpu_ms" -v cc="$copy_cpu_ms" -v kib="$extract_kib" -v ckib="$copy_kib" 'BEGIN {
    ratio = (e / em) / (b / cm)
    ratioDisk = (e / es) / (b / cs)
    printf "throughput ratio:   %.2f until return, %.2f until on disk (extract / cp; target >= 0.90: %s)\n",
           ratio, ratioDisk, (ratio >= 0.9 ? "met" : "NOT met")
    if (ec > 0 && cc > 0) printf "CPU cost ratio:     %.2f (cp CPU time per byte / extract CPU time per byte; steadier under load)\n", (e / ec) / (b / cc)
    printf "peak memory:        %.1f MiB, highest of all extract runs (cp: %.1f MiB; target < 32 MiB: %s)\n",
           kib / 1024, ckib / 1024, (kib < 32768 ? "met" : "NOT met")
}'
