#!/usr/bin/env python3
"""Scores the script corpus: runs every case with dovetta-render (the engine with the interpreter;
--runner dovetta-script-run runs the main timeline alone) for its num_frames (or num_ticks) and compares the trace lines with output.txt exactly; numbers may differ by the case's
[approximations] epsilon (bare numbers, or those matched by number_patterns). Prints a line per
case and the total."""
import argparse
import math
import os
import re
import subprocess
import sys
import tomllib


def numbers_close(a, b, eps):
    try:
        x, y = float(a), float(b)
    except ValueError:
        return False
    if math.isnan(x) and math.isnan(y):
        return True
    return x == y or abs(x - y) <= eps


def lines_match(got, want, approx):
    if got == want:
        return True
    if not approx:
        return False
    eps = float(approx.get("epsilon", 0))
    if approx.get("bare_numbers") and numbers_close(got, want, eps):
        return True
    for pattern in approx.get("number_patterns", []):
        rx = re.compile(pattern)
        g_nums = [m.group(1) for m in rx.finditer(got)]
        w_nums = [m.group(1) for m in rx.finditer(want)]
        if len(g_nums) != len(w_nums) or not g_nums:
            continue
        if rx.sub("#", got) != rx.sub("#", want):
            continue
        if all(numbers_close(a, b, eps) for a, b in zip(g_nums, w_nums)):
            return True
    return False


def read_config(path):
    with open(path, "rb") as f:
        raw = f.read()
    try:
        return tomllib.loads(raw.decode("utf-8"))
    except tomllib.TOMLDecodeError:
        # Some files hold constructs the strict reader refuses; take the keys the run needs.
        text = raw.decode("utf-8", errors="replace")
        cfg = {}
        for key in ("num_frames", "num_ticks"):
            m = re.search(rf"^{key}\s*=\s*(\d+)", text, re.M)
            if m:
                cfg[key] = int(m.group(1))
        return cfg


def run_case(runner, folder, timeout):
    cfg = read_config(os.path.join(folder, "test.toml"))
    frames = cfg.get("num_frames", cfg.get("num_ticks", 1))
    with open(os.path.join(folder, "output.txt"), encoding="utf-8", errors="replace") as f:
        want = f.read().replace("\r\n", "\n")
    try:
        swf = os.path.join(folder, "test.swf")
        if os.path.basename(runner).startswith("dovetta-render"):
            command = [runner, swf, "--frames", str(frames), "--trace", "-"]
            replay = os.path.join(folder, "input.json")
            if os.path.isfile(replay):
                command += ["--input", replay]
        else:
            command = [runner, swf, str(frames)]
        proc = subprocess.run(command, capture_output=True, timeout=timeout)
        got = proc.stdout.decode("utf-8", errors="replace")
        status = "crash" if proc.returncode < 0 else None
    except subprocess.TimeoutExpired:
        return False, "timeout"
    if status:
        return False, status
    gl = got.split("\n")
    wl = want.split("\n")
    while gl and gl[-1] == "":
        gl.pop()
    while wl and wl[-1] == "":
        wl.pop()
    approx = cfg.get("approximations")
    if len(gl) != len(wl):
        return False, f"{len(gl)} lines, expected {len(wl)}"
    for i, (g, w) in enumerate(zip(gl, wl)):
        if not lines_match(g, w, approx):
            return False, f"line {i + 1}: got {g[:60]!r}, expected {w[:60]!r}"
    return True, ""


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    ap = argparse.ArgumentParser()
    ap.add_argument("--runner", default=os.path.join(here, "..", "build", "native", "tools", "render", "dovetta-render"))
    beside = os.path.join(here, "..", "..", "shared", "script-corpus", "cases", "avm1")
    ap.add_argument("--corpus", default=beside if os.path.isdir(beside) else "/work/shared/script-corpus/cases/avm1")
    ap.add_argument("--timeout", type=float, default=30)
    ap.add_argument("names", nargs="*")
    args = ap.parse_args()
    names = args.names or sorted(os.listdir(args.corpus))
    passed = 0
    for name in names:
        folder = os.path.join(args.corpus, name)
        if not os.path.isfile(os.path.join(folder, "test.swf")):
            continue
        ok, why = run_case(args.runner, folder, args.timeout)
        passed += ok
        print(f"{'PASS' if ok else 'FAIL'} {name}" + (f"  ({why})" if why else ""))
    print(f"total: {passed} of {len(names)} cases pass")
    # Scoring the whole corpus is a report; named cases are a check that they all pass.
    return 1 if args.names and passed < len(names) else 0


if __name__ == "__main__":
    sys.exit(main())
