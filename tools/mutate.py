#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Plants one realistic mistake at a time in TARVO's code, rebuilds, runs the tests and reports
which mistakes the tests caught: the measure of how much the suite really guards.

The mistakes are listed in tools/mutations.txt, one block each:

    @ FOLDER/FILE
    - exact text, found exactly once in the file (several '-' lines: several lines)
    + what it becomes (several '+' lines likewise; a lone "+ " for nothing)
    # why, or "equivalent: ..." for a change that alters nothing observable
    = REGEX (optional) further tests, by name, that this mistake's feature is checked by

Each mistake is first run against the tests that touch its folder (those under tests/ of the
folder and of the fronts that exercise it, and the block's "=" tests); only a mistake those
miss is run against the whole suite. A mistake caught either way counts as caught, so the score
is the whole suite's, in a fraction of the time.

Usage: tools/mutate.py [--build DIR] [--only TEXT] [--select N,N,...] [--check]
  --check  only verifies that every block applies (no builds)
Not part of CI: a run takes from a few seconds to a few minutes a mutant on two cores.
"""
import argparse
import collections
import json
import os
import re
import pathlib
import subprocess
import sys
import time

ROOT = pathlib.Path(__file__).resolve().parent.parent


def read_mutations(path):
    mutants, current = [], None
    for number, line in enumerate(path.read_text().splitlines(), 1):
        if line.startswith("@ "):
            current = {"file": line[2:].strip(), "line": number, "old": None, "new": None,
                       "note": ""}
            mutants.append(current)
        elif line.startswith("- ") and current is not None:
            # Several '-' lines (and '+' lines) make one text of several lines.
            current["old"] = line[2:] if current["old"] is None else current["old"] + "\n" + line[2:]
        elif (line.startswith("+ ") or line == "+") and current is not None:
            current["new"] = line[2:] if current["new"] is None else current["new"] + "\n" + line[2:]
        elif line.startswith("# ") and current is not None:
            current["note"] = line[2:]
        elif line.startswith("= ") and current is not None:
            current["tests"] = line[2:].strip()
    for m in mutants:
        if m["old"] is None or m["new"] is None:
            sys.exit(f"mutations.txt:{m['line']}: a block needs a '-' and a '+' line")
    return mutants


# The test folders that exercise each source folder: its own, and the fronts' tests that run it
# end to end.
EXERCISED_BY = {
    "design": ["design", "replay", "cli"],
    "analysis": ["analysis"],
    "workshop": ["workshop"],
    "plan": ["plan", "cli"],
    "replay": ["replay", "cli"],
    "cli": ["cli"],
    "mainwindow": ["mainwindow"],
    "analysiswindow": ["analysiswindow"],
    "weblink": ["weblink", "e2e"],
    "sheetpaint": ["mainwindow", "workshop"],
    "app": ["e2e"],
}


def test_folders(build):
    """Each test's number (as ctest counts them) and the folder under tests/ that adds it."""
    listing = json.loads(subprocess.run(["ctest", "--test-dir", build, "--show-only=json-v1"],
                                        cwd=ROOT, check=True, capture_output=True,
                                        text=True).stdout)
    graph = listing.get("backtraceGraph", {})
    tests = []
    for number, test in enumerate(listing["tests"], 1):
        where = " ".join(test.get("command", []))
        if test.get("backtrace") is not None:
            node = graph["nodes"][test["backtrace"]]
            where = graph["files"][node["file"]] + " " + where
        found = re.search(r"/tests/([a-z0-9_]+)/", where)
        tests.append((number, test["name"], found.group(1) if found else ""))
    return tests


def targeted(m, tests):
    """The numbers of the tests to run first for mutant m (never the format check)."""
    folders = EXERCISED_BY.get(m["file"].split("/")[0], [m["file"].split("/")[0]])
    extra = re.compile(m["tests"]) if m.get("tests") else None
    return [n for n, name, folder in tests if name != "clang_format" and
            (folder in folders or (extra is not None and extra.search(name)))]


def applies(m):
    text = (ROOT / m["file"]).read_text()
    return text.count(m["old"]) == 1


def run(command, timeout):
    try:
        return subprocess.run(command, cwd=ROOT, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, timeout=timeout).returncode
    except subprocess.TimeoutExpired:
        return -1


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default="build-mutation")
    parser.add_argument("--only", default="")
    parser.add_argument("--check", action="store_true")
    parser.add_argument("--select", default="",
                        help="only the blocks with these numbers (1 is the first), e.g. 3,17,40")
    args = parser.parse_args()
    mutants = [m for m in read_mutations(ROOT / "tools" / "mutations.txt")
               if args.only in m["file"] + m["old"]]
    if args.select:
        wanted = {int(n) for n in args.select.split(",")}
        mutants = [m for i, m in enumerate(mutants, 1) if i in wanted]
    broken = [m for m in mutants if not applies(m)]
    for m in broken:
        print(f"mutations.txt:{m['line']}: not found exactly once in {m['file']}: {m['old']}")
    if broken or args.check:
        print(f"{len(mutants) - len(broken)} of {len(mutants)} mutants apply")
        return 1 if broken else 0

    build = args.build
    subprocess.run(["cmake", "-S", ".", "-B", build, "-DCMAKE_BUILD_TYPE=RelWithDebInfo",
                    "-DTARVO_BENCHMARKS=OFF"], cwd=ROOT, check=True, stdout=subprocess.DEVNULL)
    jobs = str(os.cpu_count() or 2)
    if run(["cmake", "--build", build, "-j", jobs], 1800) != 0:
        sys.exit("the unmutated code does not build")
    # The format check would catch every mutant for its layout alone. A test's own time limit
    # is raised: on shared cores the hostile and end-to-end tests take minutes.
    test = ["ctest", "--test-dir", build, "-j", jobs, "--timeout", "900", "-E", "clang_format",
            "--stop-on-failure"]
    # The whole suite takes 15 to 40 minutes on two shared cores.
    if run(test, 3600) != 0:
        sys.exit("the unmutated code fails its tests (or took over an hour)")

    tests = test_folders(build)
    tally = collections.defaultdict(lambda: [0, 0, 0])  # caught, survived, equivalent
    survivors = []
    for index, m in enumerate(mutants, 1):
        path = ROOT / m["file"]
        original = path.read_text()
        path.write_text(original.replace(m["old"], m["new"], 1))
        started = time.time()
        first = targeted(m, tests)
        try:
            built = run(["cmake", "--build", build, "-j", jobs], 1800) == 0
            caught = not built
            if built and first:
                # ctest -I 0,0,0,N,N,...: exactly those tests.
                chosen = "0,0,0," + ",".join(str(n) for n in first)
                caught = run(test + ["-I", chosen], 900) != 0
            if built and not caught:
                caught = run(test, 3600) != 0
        finally:
            path.write_text(original)
        folder = m["file"].split("/")[0]
        equivalent = m["note"].startswith("equivalent")
        if equivalent:
            tally[folder][2] += 1
            verdict = "equivalent" + (" (caught)" if caught else "")
        elif caught:
            tally[folder][0] += 1
            verdict = "caught" if built else "caught (does not build)"
        else:
            tally[folder][1] += 1
            verdict = "SURVIVED"
            survivors.append(m)
        print(f"[{index}/{len(mutants)}] {verdict:<24} {m['file']}: {m['old'].strip()[:60]}"
              f"  ({time.time() - started:.0f} s)", flush=True)
    run(["cmake", "--build", build, "-j", jobs], 1800)

    print("\nfolder        caught  survived  equivalent  caught of non-equivalent")
    total = [0, 0, 0]
    for folder in sorted(tally):
        c, s, e = tally[folder]
        total = [total[0] + c, total[1] + s, total[2] + e]
        print(f"{folder:<13} {c:>6} {s:>9} {e:>11}  {100 * c / max(c + s, 1):.0f} %")
    c, s, e = total
    print(f"{'all':<13} {c:>6} {s:>9} {e:>11}  {100 * c / max(c + s, 1):.0f} %")
    for m in survivors:
        print(f"survived: {m['file']}: {m['old'].strip()} -> {m['new'].strip()}  {m['note']}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
