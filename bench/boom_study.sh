#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# tarvo-cli --boom-study at 144 MHz (1 inch boom, the default materials) for 6 ... N_MAX
# (default 16) directors: the study's table, the time it took and the CPU it used. The test
# (tests/analysis/boom_study_check.py) judges a shorter study; this one is the whole of it.
set -euo pipefail
cli="$1"
most="${2:-16}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM HUP

/usr/bin/time -f '%e %U %S' -o "$work/time" \
    "$cli" --freq 144 --inch 1 --boom-study "$most" --plot "$work/study.svg" >"$work/table"
sed -n '/^BOOM STUDY/,$p' "$work/table"
read -r wall user system <"$work/time"
echo "boom study 6 ... $most directors at 144 MHz: ${wall} s, ${user} s user + ${system} s system" \
    "CPU on $(nproc) cores"
