#!/usr/bin/env bash
# Frame times of every corpus movie at 800 x 600 (dovetta-render --bench): one JSON line per
# movie, then the median of the movies' median frame times and the 95th-percentile movie.
#   scripts/bench-corpus.sh [CORPUS] [FRAMES]
set -euo pipefail
cd "$(dirname "$0")/.."
corpus=${1:-../shared/movie-corpus}
[ -d "$corpus/cases" ] || corpus=/work/shared/movie-corpus
frames=${2:-30}
render=build/native/tools/render/dovetta-render
[ -x "$render" ] || { echo "build the native configuration first" >&2; exit 2; }
out=$(mktemp)
trap 'rm -f "$out"' EXIT
find "$corpus/cases" -name test.swf | sort | while read -r movie; do
  "$render" "$movie" --frames "$frames" --size 800x600 --bench 2>/dev/null | tee -a "$out" || true
done
python3 - "$out" <<'PY'
import json, sys
rows = [json.loads(l) for l in open(sys.argv[1]) if l.strip()]
med = sorted(r["median_ms"] for r in rows)
p95 = sorted(r["p95_ms"] for r in rows)
pick = lambda v, q: v[min(len(v) - 1, int(q * (len(v) - 1) + 0.5))] if v else 0
print("movies %d: median of medians %.2f ms, 95th-percentile movie (by its p95) %.2f ms, slowest frame %.2f ms"
      % (len(rows), pick(med, 0.5), pick(p95, 0.95), max((r["max_ms"] for r in rows), default=0)))
PY
