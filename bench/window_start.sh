#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Time from starting tarvo to its window shown under Xvfb, and its peak memory (VmHWM), over
# several runs after one that warms the font cache. Prints the median and the largest.
set -euo pipefail
tarvo="$1"
runs="${2:-15}"
source "$(dirname "$0")/../tests/e2e/common.sh"
start_display

times=()
peaks=()
for run in $(seq 0 "$runs"); do
    start=$(date +%s%N)
    "$tarvo" &
    pid=$!
    # xdotool's own --sync looks only twice a second: ask as fast as it answers instead.
    until xdotool search --onlyvisible --name '^TARVO$' >/dev/null 2>&1; do
        if (($(date +%s%N) - start > 10000000000)); then
            echo "the window did not appear within 10 s" >&2
            exit 1
        fi
    done
    shown=$(date +%s%N)
    sleep 0.3 # let it settle before reading its peak
    peak=$(awk '/VmHWM/ {print $2}' "/proc/$pid/status")
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    [ "$run" -eq 0 ] && continue # the warm-up run
    times+=($(((shown - start) / 1000000)))
    peaks+=("$peak")
done
median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
largest() { printf '%s\n' "$@" | sort -n | tail -n 1; }
echo "tarvo start to window shown, $runs runs: median $(median "${times[@]}") ms," \
    "slowest $(largest "${times[@]}") ms"
echo "tarvo peak resident memory: median $(($(median "${peaks[@]}") / 1024)) MB," \
    "largest $(($(largest "${peaks[@]}") / 1024)) MB"
