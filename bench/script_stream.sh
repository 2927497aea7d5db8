#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# tarvo-cli --script on a generated script of SIZE_MB (default 200) megabytes: peak resident
# memory and speed. Targets: under 30 MB whatever the size, at least 10 MB of script a second.
# The script is what a recorded session looks like: comments, typed frequencies, boom choices,
# COMPUTE and CONVERT TO METRIC, and now and then a dump.
set -euo pipefail
cli="$1"
size_mb="${2:-200}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM HUP

block=$(
    cat <<'BLOCK'
# a recorded session: one design after another, each checked in both units
type 144
click Option2
select List1 1
click Command1
click Command4
type 432.1
select List2 25
click Command1
BLOCK
)
# A chunk of about a megabyte, then as many chunks as megabytes asked for; one dump per 64 blocks.
{
    for _ in $(seq 64); do echo "$block"; done
    echo dump
} >"$work/chunk"
while [ "$(stat -c %s "$work/chunk")" -lt 1048576 ]; do
    cat "$work/chunk" "$work/chunk" >"$work/grown"
    mv "$work/grown" "$work/chunk"
done
chunks=$((size_mb * 1048576 / $(stat -c %s "$work/chunk")))
for _ in $(seq "$chunks"); do cat "$work/chunk"; done >"$work/script.tarvo"
bytes=$(stat -c %s "$work/script.tarvo")

start=$(date +%s%N)
/usr/bin/time -f '%M' -o "$work/rss" "$cli" --script "$work/script.tarvo" >/dev/null ||
    status=$?
end=$(date +%s%N)
[ "${status:-0}" -le 1 ] || { echo "tarvo-cli --script failed: ${status}" >&2; exit 1; }
seconds=$(awk -v ns="$((end - start))" 'BEGIN { printf "%.2f", ns / 1e9 }')
echo "tarvo-cli --script, $((bytes / 1048576)) MB generated script:" \
    "peak resident memory $(($(cat "$work/rss") / 1024)) MB (target < 30 MB)," \
    "$seconds s, $(awk -v b="$bytes" -v s="$seconds" 'BEGIN { printf "%.1f", b / 1048576 / s }') MB/s" \
    "(target >= 10 MB/s)"
