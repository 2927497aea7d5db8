#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# tarvo-cli --analyze with the real nec2c: the 144 MHz worked example is a working 8-element beam
# in free space, and at 1296 MHz with 1.59 mm rods the off-frequency warning appears.
set -euo pipefail
cli="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$cli" --freq 144 --inch 1 --analyze --json --plot "$work/plot.svg" >"$work/144.json"
# Read the figures without a JSON tool: one "key": value per line in tarvo-cli's output.
figure() { grep -m1 "\"$1\":" "$2" | sed 's/.*: *//; s/,$//'; }
in_range() { awk -v v="$1" -v lo="$2" -v hi="$3" 'BEGIN { exit !(v >= lo && v <= hi) }'; }
gain=$(figure forwardGainDbi "$work/144.json")
fb=$(figure frontToBackDb "$work/144.json")
resistance=$(figure resistance "$work/144.json")
swr=$(figure swr "$work/144.json")
echo "144 MHz: gain $gain dBi, F/B $fb dB, R $resistance ohm, SWR $swr"
in_range "$gain" 13 14.5 || { echo "gain out of 13 ... 14.5 dBi" >&2; exit 1; }
in_range "$fb" 20 1000 || { echo "F/B not above 20 dB" >&2; exit 1; }
in_range "$resistance" 40 60 || { echo "feed resistance out of 40 ... 60 ohm" >&2; exit 1; }
in_range "$swr" 1 1.3 || { echo "SWR not below 1.3" >&2; exit 1; }
grep -q '"warnings": \[\]' "$work/144.json" || { echo "unexpected warnings at 144 MHz" >&2; exit 1; }
grep -q '</svg>' "$work/plot.svg"

"$cli" --freq 1296 --nonmetallic --rod-mm 1.59 --analyze >"$work/1296.txt"
grep -q "WARNING: The gain peaks at" "$work/1296.txt" ||
    { echo "no off-frequency warning at 1296 MHz" >&2; cat "$work/1296.txt" >&2; exit 1; }
grep -q "use rods of 0.53 mm" "$work/1296.txt"
echo "1296 MHz: $(grep -m1 'WARNING' "$work/1296.txt")"
