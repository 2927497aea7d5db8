#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# tarvo where no window can be shown: no DISPLAY at all, or a DISPLAY where no X server answers.
# Either way it says so in its own words and exits 1, never aborting with the toolkit's advice.
set -uo pipefail
tarvo="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
passed=0
# A display number with no server behind it.
number=199
while [ -e "/tmp/.X11-unix/X$number" ] || [ -e "/tmp/.X$number-lock" ]; do
    number=$((number + 1))
done
for case in "unset|tarvo: no display to open the window on" \
    ":$number|tarvo: cannot open the display :$number"; do
    display="${case%%|*}"
    words="${case#*|}"
    if [ "$display" = unset ]; then
        env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM timeout 20 "$tarvo" 2>"$work/err"
    else
        env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY="$display" timeout 20 "$tarvo" 2>"$work/err"
    fi
    status=$?
    if [ "$status" -ne 1 ] || ! grep -qF "$words" "$work/err" || grep -qi reinstall "$work/err"; then
        echo "FAIL: DISPLAY $display: exit $status; said: $(head -c 600 "$work/err")" >&2
        failed=$((failed + 1))
    else
        passed=$((passed + 1))
    fi
done
echo "no display: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
