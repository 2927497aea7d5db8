#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# tarvo-cli under node (nec2c in WebAssembly) against the native tarvo-cli (Debian's nec2c) for
# every option that runs nec2c: the analysis, the plot, the sheet, the .s1p export, the trim,
# longer booms, the boom study and the measurement, faults included. What each prints, its status
# and every file it writes must be the same bytes, but for two differences, each counted:
# - "N nec2c runs": the native program splits each evaluation over its cores, node runs it in one;
# - numbers in JSON to all 17 digits: nec2c's last bits differ between the C libraries' maths (the
#   printed figures do not); they must agree to 1e-9 relative.
#   same_analysis.py "NATIVE COMMAND" "NODE COMMAND"
import json
import math
import os
import re
import shlex
import signal
import subprocess
import sys
import tempfile
import time

native = shlex.split(sys.argv[1])
node = shlex.split(sys.argv[2])
data = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data")
sweep = os.path.abspath(os.path.join(data, "driven-long-through-5m-coax.s1p"))

# NAME, LOCALE, OPTIONS, FILES IT WRITES
cases = [
    ("analysis", "C", "--freq 144 --inch 1 --analyze", []),
    ("analysis, German, a band and the plot", "de_DE.UTF-8",
     "--freq 432 --nonmetallic --analyze --band 431,5-432,5 --plot p.svg", ["p.svg"]),
    ("sheet in inches on letter, exports, JSON", "C",
     "--freq 1296 --mm 20 --metric --sheet s.svg --paper letter --inch-sheet --export d.s1p "
     "--export d.csv --export d.maa --export d.nec --json", ["s.svg", "d.s1p", "d.csv", "d.maa", "d.nec"]),
    ("trim, its sheet and deck", "C", "--freq 144 --inch 1 --trim --sheet s.svg --export t.nec",
     ["s.svg", "t.nec"]),
    ("trim for other materials over a band, German, JSON", "de_DE.UTF-8",
     "--freq 144 --inch 1 --wire-mm 3 --rod-mm 6 --band 143,9-144,4 --trim --json", []),
    ("twelve directors trimmed", "C", "--freq 144 --inch 1 --directors 12 --trim --export d.csv",
     ["d.csv"]),
    ("measurement through the feed line, its overlay", "C",
     f"--freq 144 --inch 1 --measured {sweep} --feedline-m 5 --velocity-factor 0.66 --plot m.svg",
     ["m.svg"]),
    ("measurement without the line, German, JSON", "de_DE.UTF-8",
     f"--freq 144 --inch 1 --measured {sweep} --json", []),
    ("boom study and its plot", "C", "--freq 144 --inch 1 --boom-study 8 --plot b.svg", ["b.svg"]),
    ("a malformed sweep", "C", "--freq 144 --inch 1 --measured bad.s1p", []),
    ("nec2c out of time", "C", "--freq 144 --inch 1 --analyze --nec-timeout 0.001", []),
    ("wire beyond NEC-2's thin-wire limits", "C", "--freq 144 --inch 1 --wire-mm 80 --analyze", []),
]

differences = 0
normalised = {"nec2c runs": 0, "JSON digits": 0}


def runs_said(text):
    """The text with each count of nec2c runs taken out, and how many were."""
    return re.subn(r"\b\d+ nec2c runs\b", "N nec2c runs", text)


def same_json(a, b, path="$"):
    if isinstance(a, dict) and isinstance(b, dict):
        if list(a) != list(b):
            return f"{path}: keys {list(a)} against {list(b)}"
        for key in a:
            if key == "necRuns":
                continue
            why = same_json(a[key], b[key], f"{path}.{key}")
            if why:
                return why
        return ""
    if isinstance(a, list) and isinstance(b, list):
        if len(a) != len(b):
            return f"{path}: {len(a)} items against {len(b)}"
        for i, (x, y) in enumerate(zip(a, b)):
            why = same_json(x, y, f"{path}[{i}]")
            if why:
                return why
        return ""
    if isinstance(a, float) and isinstance(b, (int, float)) and not isinstance(b, bool):
        if a != b:
            normalised["JSON digits"] += 1
        if math.isclose(a, b, rel_tol=1e-9, abs_tol=1e-12):
            return ""
        return f"{path}: {a!r} against {b!r}"
    return "" if a == b and type(a) is type(b) else f"{path}: {a!r} against {b!r}"


def compare_text(name, what, first, second, is_json):
    global differences
    if is_json and first.strip().startswith("{"):
        try:
            why = same_json(json.loads(first), json.loads(second))
        except json.JSONDecodeError as error:
            why = f"not JSON: {error}"
    else:
        a, n = runs_said(first)
        b, m = runs_said(second)
        normalised["nec2c runs"] += n
        why = "" if a == b and n == m else "differ"
        if why:
            lines = [f"  < {x}\n  > {y}" for x, y in zip(a.splitlines(), b.splitlines()) if x != y]
            why += "\n" + "\n".join(lines[:6])
    if why:
        differences += 1
        print(f"DIFFERENT: {name}: {what}: {why}", file=sys.stderr)


with tempfile.TemporaryDirectory() as work:
    for name, locale, options, files in cases:
        results = []
        for side, command in (("native", native), ("node", node)):
            folder = os.path.join(work, side)
            os.makedirs(folder, exist_ok=True)
            for old in os.listdir(folder):
                os.remove(os.path.join(folder, old))
            with open(os.path.join(folder, "bad.s1p"), "w") as bad:
                bad.write("# MHz S RI R 50\n144.0 0.1 0.2\n144.1 0.1 zero\n")
            env = dict(os.environ, LC_ALL=locale, LANG="C")
            env.pop("LC_NUMERIC", None)
            done = subprocess.run(command + shlex.split(options), cwd=folder, env=env,
                                  capture_output=True, text=True, timeout=1200)
            written = {}
            for file in files:
                path = os.path.join(folder, file)
                written[file] = open(path).read() if os.path.exists(path) else None
            results.append((done, written))
        (a, a_files), (b, b_files) = results
        if a.returncode != b.returncode:
            differences += 1
            print(f"DIFFERENT: {name}: exit {a.returncode} against {b.returncode}: "
                  f"{b.stderr[:300]}", file=sys.stderr)
        compare_text(name, "standard output", a.stdout, b.stdout, "--json" in options)
        compare_text(name, "standard error", a.stderr, b.stderr, False)
        for file in files:
            if a_files[file] is None or not a_files[file]:
                differences += 1
                print(f"DIFFERENT: {name}: the native program wrote no {file}", file=sys.stderr)
                continue
            if b_files[file] is None:
                differences += 1
                print(f"DIFFERENT: {name}: node wrote no {file}", file=sys.stderr)
                continue
            compare_text(name, file, a_files[file], b_files[file], False)
        print(f"{name}: exit {a.returncode}")

# Ctrl-C during node's trim: node ends at once, with no chance to clean up, so nothing of the
# run's files may exist yet (natively the run removes its own on the signal).
with tempfile.TemporaryDirectory() as folder, tempfile.TemporaryDirectory() as work_root:
    out = os.path.join(work_root, "interrupted.out")
    with open(out, "w") as printed:
        running = subprocess.Popen(node + shlex.split("--freq 144 --inch 1 --trim --sheet s.svg "
                                                      "--export d.csv"), cwd=folder,
                                   stdout=printed, stderr=subprocess.STDOUT)
        time.sleep(2)
        running_then = running.poll() is None
        running.send_signal(signal.SIGINT)
        running.wait(timeout=60)
    left = os.listdir(folder)
    if not running_then or running.returncode == 0 or left:
        differences += 1
        print(f"DIFFERENT: Ctrl-C during node's trim: running at the signal: {running_then}, "
              f"exit {running.returncode}, left {left}: {open(out).read()[-300:]}", file=sys.stderr)
    else:
        print(f"Ctrl-C during node's trim: exit {running.returncode}, nothing left")

print(f"{len(cases)} nec2c uses compared, {differences} different; counts of nec2c runs taken out: "
      f"{normalised['nec2c runs']}, JSON numbers equal only to 1e-9: {normalised['JSON digits']}")
sys.exit(1 if differences else 0)
