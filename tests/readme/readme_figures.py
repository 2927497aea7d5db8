#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The README's quoted trim figures against what tarvo-cli prints now, real nec2c.

Read from README.md itself, so that a quoted figure that no longer matches the program's output
fails here:
- "Longer booms": the rule's 12 directors' and `--trim`'s gain, F/B and SWR at 144 MHz;
- "Trim for your materials": every quoted line of the 1296 MHz trim report (the lines elided
  with "..." aside);
- the boom study's two tables: the rows for 6, 8 and 12 directors, from `--boom-study 6,8,12`
  (each number of directors is designed and trimmed on its own, so its rows are those of the
  whole study), and the gain gained from 6 to 12 directors the text gives.
"""
import os
import re
import subprocess
import sys

CLI = sys.argv[1]
README = open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                           "README.md")).read()
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print("FAIL:", message)


def run(args):
    result = subprocess.run([CLI] + args, capture_output=True, text=True, timeout=1800)
    check(result.returncode == 0, f"tarvo-cli {' '.join(args)}: exit {result.returncode}: "
                                  f"{result.stderr[-300:]}")
    return result.stdout


def columns(report, label):
    """The DESIGNED and TRIMMED texts of a figures line of the trim report."""
    match = re.search(r"^" + re.escape(label) + r"\s+(\S+(?: \S+)?)\s{2,}(\S+(?: \S+)?)$",
                      report, re.M)
    return match.groups() if match else (None, None)


# "Longer booms": the rule's 12 directors and their trim.
quoted = re.search(r"NEC-2 gives the rule's 12 directors (\S+)\s+dBi, F/B (\S+) dB and SWR (\S+);"
                   r"\s+`--trim` brings them to (\S+) dBi, F/B (\S+) dB, SWR (\S+?)\s", README)
check(quoted is not None, "README: the 12 directors' figures are not where this test looks")
if quoted:
    report = run(["--freq", "144", "--inch", "1", "--directors", "12", "--trim"])
    gain = columns(report, "Forward gain (dBi)")
    fb = columns(report, "Front to back (dB)")
    swr = columns(report, "SWR (50 ohm)")
    said = (gain[0], fb[0], swr[0], gain[1], fb[1], swr[1])
    check(quoted.groups() == said,
          f"README quotes 12 directors {quoted.groups()}, the program gives {said}")
    band = re.search(r"and F/B at least (\S+) dB and SWR at most (\S+) over\s+(\S+) - (\S+) MHz",
                     README)
    check(band is not None, "README: the 12 directors' band figures are not where this test looks")
    if band:
        said = (columns(report, "Lowest F/B (dB)")[1], columns(report, "Highest SWR")[1])
        check(band.groups()[:2] == said and
              f"Over {band.group(3)} - {band.group(4)} MHz" in report.splitlines(),
              f"README quotes 12 directors over the band {band.groups()}, the program {said}")

# "Trim for your materials": the 1296 MHz report as quoted.
block = re.search(r"\n    CHANGE      DESIGNED  TRIMMED.*?\n\n(?!    )", README, re.S)
check(block is not None, "README: the 1296 MHz trim report is not where this test looks")
if block:
    report = run(["--freq", "1296", "--nonmetallic", "--wire-mm", "1.02", "--rod-mm", "1.59",
                  "--trim"])
    lines = [line[4:] for line in block.group(0).splitlines() if line.startswith("    ")]
    check(len(lines) >= 15, f"README: only {len(lines)} lines of the 1296 MHz report found")
    printed = report.splitlines()
    for line in lines:
        if line.strip() != "...":
            check(line in printed, f"README's 1296 MHz trim line {line!r} is not in the output")

# The boom study: the rows for 6, 8 and 12 directors of both tables.
study = run(["--freq", "144", "--inch", "1", "--boom-study", "6,8,12"])
tables = re.search(r"    THE RULE'S DESIGN.*?\n\n    TRIMMED.*?\n\n", README, re.S)
check(tables is not None, "README: the boom study's tables are not where this test looks")
if tables:
    rule, trimmed = tables.group(0).split("\n\n    TRIMMED")
    printed_rule, printed_trimmed = study.split("\nTRIMMED")
    gains = {}
    for name, quoted_table, printed_table in [("rule", rule, printed_rule),
                                              ("trimmed", trimmed, printed_trimmed)]:
        for directors in ("6", "8", "12"):
            row = re.search(r"^    (" + directors + r" .*)$", quoted_table, re.M)
            check(row is not None, f"README: no {name} row for {directors} directors")
            if row:
                check(row.group(1) in printed_table.splitlines(),
                      f"README's {name} row {row.group(1)!r} is not the study's")
                if name == "trimmed":
                    gains[directors] = float(row.group(1).split()[3])
    said = re.search(r"gains with every director, (\S+) dB from 6 to 12", README)
    check(said is not None and len(gains) == 3 and
          said.group(1) == f"{gains['12'] - gains['6']:.1f}",
          f"README's gain from 6 to 12 directors {said and said.group(1)} against the table's "
          f"{gains}")

sys.exit(1 if failures else 0)
