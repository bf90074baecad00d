#!/usr/bin/env python3
"""Scores the movie corpus with dovetta-render, as the corpus README describes.

Every case folder under CORPUS/cases holding a test.toml is run: num_frames (or num_ticks, with
tick_rate) frames; each [image_comparisons.NAME] is captured at its trigger (after the last
frame, after frame k, or when the movie calls fscommand("captureImage", NAME)) and compared with
NAME.expected.png under its own tolerance and max_outliers (several checks must all pass).
Quality and the window size come from [player_options].

Prints one line per comparison and the totals (all, without input-driven cases, per category)
and writes expected | actual | difference images of failures into OUT/failures.
Exit 0 when every case named by --require (a list file) passes, 1 otherwise.
"""
import argparse
import json
import os
import shutil
import subprocess
import sys
import tomllib
from collections import defaultdict


def comparisons(config):
    """(name, trigger, [(tolerance, max_outliers)]) for each image comparison of a case."""
    out = []
    for name, comparison in (config.get("image_comparisons") or {}).items():
        trigger = comparison.get("trigger", "last_frame")
        checks = []
        for check in comparison.get("checks", []) or []:
            checks.append((int(check.get("tolerance", 0)), int(check.get("max_outliers", 0))))
        if not checks:
            checks.append((int(comparison.get("tolerance", 0)), int(comparison.get("max_outliers", 0))))
        out.append((name, trigger, checks))
    return out


def category(case):
    parts = case.split("/")
    return "/".join(parts[:2]) if parts[0] == "visual" and len(parts) > 2 else parts[0]


def render_args(render, folder, config, out_png, count=None, capture_dir=None):
    opts = config.get("player_options", {}) or {}
    quality = (opts.get("with_renderer") or {}).get("quality", "high")
    args = [render, os.path.join(folder, "test.swf"), "-o", out_png, "--quality", quality]
    view = opts.get("viewport_dimensions")
    if view:
        args += ["--size", "%dx%d" % (int(view["width"]), int(view["height"]))]
    if "num_ticks" in config:
        args += ["--ticks", str(count or int(config["num_ticks"]))]
        if "tick_rate" in config:
            args += ["--tick-ms", str(float(config["tick_rate"]))]
    else:
        args += ["--frames", str(count or int(config.get("num_frames", 1)))]
    if os.path.exists(os.path.join(folder, "input.json")):
        args += ["--input", os.path.join(folder, "input.json")]
    if capture_dir:
        args += ["--capture-dir", capture_dir]
    return args


def run_case(case, folder, tools, out_root, timeout):
    with open(os.path.join(folder, "test.toml"), "rb") as f:
        config = tomllib.load(f)
    work = os.path.join(out_root, "cases", case)
    os.makedirs(work, exist_ok=True)
    results = []
    rendered = {}  # trigger -> (png path or capture dir, error text)

    def render(trigger):
        if trigger in rendered:
            return rendered[trigger]
        if trigger == "fs_command":
            capture = os.path.join(work, "captures")
            shutil.rmtree(capture, ignore_errors=True)
            args = render_args(tools["render"], folder, config, os.path.join(work, "final.png"), capture_dir=capture)
            target = capture
        elif trigger == "last_frame":
            target = os.path.join(work, "last_frame.png")
            args = render_args(tools["render"], folder, config, target)
        else:
            target = os.path.join(work, "frame%d.png" % int(trigger))
            args = render_args(tools["render"], folder, config, target, count=int(trigger))
        try:
            proc = subprocess.run(args, capture_output=True, text=True, timeout=timeout)
            err = None if proc.returncode == 0 else "dovetta-render exit %d: %s" % (proc.returncode, proc.stderr.strip()[:200])
        except subprocess.TimeoutExpired:
            err = "dovetta-render timed out"
        rendered[trigger] = (target, err)
        return rendered[trigger]

    for name, trigger, checks in comparisons(config):
        expected = os.path.join(folder, name + ".expected.png")
        target, err = render(trigger)
        actual = os.path.join(target, name + ".png") if trigger == "fs_command" else target
        result = {"case": case, "name": name, "pass": False, "outliers": None, "max_diff": None, "error": err}
        if err is None and not os.path.exists(actual):
            result["error"] = "no image captured"
        if result["error"] is None:
            diff = os.path.join(out_root, "failures", case.replace("/", "__") + "__" + name + ".png")
            os.makedirs(os.path.dirname(diff), exist_ok=True)
            args = [tools["compare"], expected, actual, "--diff", diff]
            for tol, most in checks:
                args += ["--check", "%d:%d" % (tol, most)]
            proc = subprocess.run(args, capture_output=True, text=True)
            try:
                score = json.loads(proc.stdout.strip().splitlines()[-1])
                result["pass"] = bool(score["pass"])
                result["outliers"] = [c["outliers"] for c in score["checks"]]
                result["max_diff"] = score["max_diff"]
                if not score["same_size"]:
                    result["error"] = "size %dx%d, expected %dx%d" % (tuple(score["actual"]) + tuple(score["expected"]))
            except (ValueError, IndexError, KeyError):
                result["error"] = "compare failed: " + proc.stderr.strip()[:200]
        results.append(result)
    return results


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    repo = os.path.dirname(here)
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--corpus", default=os.path.join(repo, "..", "shared", "movie-corpus"))
    ap.add_argument("--build", default=os.path.join(repo, "build", "native"))
    ap.add_argument("--out", default=None, help="results folder (default BUILD/corpus)")
    ap.add_argument("--require", help="a list of cases that must pass (one case path a line)")
    ap.add_argument("--case", action="append", default=[], help="run this case and fail unless it passes")
    ap.add_argument("--only", action="append", default=[], help="run only cases whose path starts with this")
    ap.add_argument("--write-passing", help="write the cases whose comparisons all pass to this file")
    ap.add_argument("--timeout", type=float, default=120)
    a = ap.parse_args()

    corpus = os.path.abspath(a.corpus)
    if not os.path.isdir(os.path.join(corpus, "cases")):
        corpus = "/work/shared/movie-corpus"
    tools = {"render": os.path.join(a.build, "tools", "render", "dovetta-render"),
             "compare": os.path.join(a.build, "tools", "render", "dovetta-compare")}
    for t in tools.values():
        if not os.access(t, os.X_OK):
            print("missing tool %s: build the native configuration first" % t, file=sys.stderr)
            return 2
    out_root = os.path.abspath(a.out or os.path.join(a.build, "corpus"))
    if not a.case:
        shutil.rmtree(os.path.join(out_root, "failures"), ignore_errors=True)

    required = None
    if a.require:
        with open(a.require) as f:
            required = [l.strip() for l in f if l.strip() and not l.startswith("#")]
    if a.case:
        required = (required or []) + a.case

    cases = []
    base = os.path.join(corpus, "cases")
    for root, dirs, files in os.walk(base):
        dirs.sort()
        if "test.toml" in files:
            case = os.path.relpath(root, base)
            if a.only and not any(case.startswith(o) for o in a.only):
                continue
            if required is not None and case not in required:
                continue
            cases.append(case)
    cases.sort()

    totals = defaultdict(lambda: [0, 0])
    case_pass = {}
    for case in cases:
        folder = os.path.join(base, case)
        interactive = os.path.exists(os.path.join(folder, "input.json"))
        try:
            results = run_case(case, folder, tools, out_root, a.timeout)
        except (OSError, ValueError, tomllib.TOMLDecodeError) as e:
            results = [{"case": case, "name": "?", "pass": False, "outliers": None, "max_diff": None, "error": str(e)}]
        case_pass[case] = bool(results) and all(r["pass"] for r in results)
        for r in results:
            note = r["error"] or "outliers %s, largest difference %s" % (r["outliers"], r["max_diff"])
            print("%s %s:%s%s  %s" % ("PASS" if r["pass"] else "FAIL", case, r["name"], " [input]" if interactive else "", note))
            keys = ["all", "input" if interactive else "non-input", "category " + category(case)]
            if not interactive:
                keys.append("non-input category " + category(case))
            for k in keys:
                totals[k][1] += 1
                totals[k][0] += 1 if r["pass"] else 0

    print()
    for k in ["all", "non-input", "input"] + sorted(k for k in totals if k.startswith("category ")) + \
            sorted(k for k in totals if k.startswith("non-input category ")):
        passed, count = totals[k]
        if count:
            print("%-44s %3d / %3d  (%.1f%%)" % (k, passed, count, 100.0 * passed / count))
    print("failure images: %s" % os.path.join(out_root, "failures"))

    if a.write_passing:
        with open(a.write_passing, "w") as f:
            f.write("# Corpus cases whose comparisons all pass; tests/corpus runs them as regression tests.\n")
            for case in cases:
                if case_pass.get(case):
                    f.write(case + "\n")
    if required is not None:
        missing = [c for c in required if c not in case_pass]
        failed = [c for c in required if c in case_pass and not case_pass[c]]
        for c in missing:
            print("MISSING %s" % c)
        return 0 if not failed and not missing else 1
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except BrokenPipeError:  # the output was cut short by its reader (head, less)
        sys.exit(1)
