#!/usr/bin/env bash
# The interpreter's speed: a movie that spends its frames in scripts (scripts/script-bench-movie.py:
# calls, property reads and writes, arithmetic and string building), then the slowest frame of
# every script corpus case. "advance" is a frame's logic with its scripts, drawing apart.
#   scripts/bench-script.sh [ITERATIONS_PER_FRAME] [SCRIPT_CORPUS]
set -euo pipefail
cd "$(dirname "$0")/.."
iterations=${1:-2000}
corpus=${2:-../shared/script-corpus}
[ -d "$corpus/cases" ] || corpus=/work/shared/script-corpus
render=build/native/tools/render/dovetta-render
[ -x "$render" ] || { echo "build the native configuration first" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

want=$(python3 scripts/script-bench-movie.py "$work/bench.swf" "$iterations")
got=$("$render" "$work/bench.swf" --frames 2 --trace - -o "$work/out.png" | head -1)
if [ "$got" != "$want" ]; then
  echo "the benchmark movie's scripts went wrong: traced '$got', expected '$want'" >&2
  exit 1
fi
"$render" "$work/bench.swf" --frames 61 --bench -o "$work/out.png" | python3 -c '
import json, sys
r = json.loads(sys.stdin.read())
print("script benchmark: %d frames, %.2f ms per frame (median of the frame logic), slowest %.2f ms, %d actions, %.2f million actions per second"
      % (r["frames"], r["advance_median_ms"], r["advance_max_ms"], r["actions"], r["actions_per_s"] / 1e6))'

if [ -d "$corpus/cases/avm1" ]; then
  for folder in "$corpus"/cases/avm1/*/; do
    [ -f "$folder/test.swf" ] || continue
    frames=$(python3 -c 'import sys, tomllib; c = tomllib.load(open(sys.argv[1], "rb")); print(c.get("num_frames", c.get("num_ticks", 1)))' "$folder/test.toml" 2>/dev/null || echo 1)
    timeout 60 "$render" "$folder/test.swf" --frames "$frames" --bench -o "$work/out.png" 2>/dev/null >>"$work/corpus.jsonl" || true
  done
  python3 - "$work/corpus.jsonl" <<'PY'
import json, os, sys
rows = [json.loads(l) for l in open(sys.argv[1]) if l.strip()]
rows.sort(key=lambda r: -r["advance_max_ms"])
over = [r for r in rows if r["advance_max_ms"] > 50]
print("script corpus: %d movies, slowest frame logic %.2f ms; %d frames over 50 ms" % (len(rows), rows[0]["advance_max_ms"] if rows else 0, len(over)))
for r in rows[:5]:
    print("  %-50s %8.2f ms  %d actions" % (os.path.basename(os.path.dirname(r["movie"])), r["advance_max_ms"], r["actions"]))
PY
fi
