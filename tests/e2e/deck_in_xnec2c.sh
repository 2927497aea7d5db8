#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The exported NEC-2 deck opens in another NEC-2 program: Debian's xnec2c loads the --nec deck
# and the .nec export of a 144 and a 1296 MHz design without its error dialog. As a control, the
# symbolic deck (SY cards, which xnec2c does not read) must raise that dialog here, so a deck
# that fails is seen to fail.
set -euo pipefail
cli="$1"
source "$(dirname "$0")/common.sh"
export HOME="$work/home" XDG_CONFIG_HOME="$work/config"
mkdir -p "$HOME" "$XDG_CONFIG_HOME"

start_display

# Prints "error" when xnec2c shows its error dialog for the deck or says it stopped on it,
# "opened" when its main window stands for 4 s without either (the control shows that is long
# enough for the dialog to come).
open_in_xnec2c() {
    local deck="$1" log="$work/xnec2c.log" pid verdict="" name
    # -j0: no worker processes, so one kill ends it.
    xnec2c -j0 "$deck" >"$log" 2>&1 &
    pid=$!
    pids+=("$pid")
    window_named "xnec2c.*" >/dev/null
    for _ in $(seq 40); do
        name=$(xdotool search --onlyvisible --name "[Ee]rror" getwindowname %@ 2>/dev/null || true)
        if [ -n "$name" ] || grep -q "Stop" "$log"; then
            verdict=error
            break
        fi
        kill -0 "$pid" 2>/dev/null || { verdict=error; break; }
        sleep 0.1
    done
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    [ -n "$verdict" ] || verdict=opened
    if [ "$verdict" = error ]; then
        grep -v ATLAS "$log" | grep -E "err|Stop" | head -n 3 >&2 || true
    fi
    echo "$verdict"
}

failed=0
for design in "144 --inch 1" "1296 --nonmetallic"; do
    freq=${design%% *}
    # shellcheck disable=SC2086
    "$cli" --freq $design --nec "$work/$freq-run.nec" --export "$work/$freq.nec" \
        --export-symbolic "$work/$freq-sy.nec" >/dev/null 2>&1
    for deck in "$freq-run.nec" "$freq.nec"; do
        verdict=$(open_in_xnec2c "$work/$deck")
        if [ "$verdict" != opened ]; then
            echo "xnec2c did not open the exported deck $deck" >&2
            failed=1
        fi
    done
    if [ "$(open_in_xnec2c "$work/$freq-sy.nec" 2>/dev/null)" != error ]; then
        echo "xnec2c opened the symbolic deck $freq-sy.nec: the error dialog is not seen" >&2
        failed=1
    fi
done
[ "$failed" = 0 ] && echo "xnec2c opens the exported decks at 144 and 1296 MHz"
exit "$failed"
