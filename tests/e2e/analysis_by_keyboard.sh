#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The analysis window end to end, by the keyboard: a design computed, Alt+D and Enter open
# Design > Analyze with NEC-2..., nec2c runs, and the figures are copied out of the window.
set -euo pipefail
tarvo="$1"
source "$(dirname "$0")/common.sh"
export XDG_CONFIG_HOME="$work/config"

start_display
start_tarvo "$tarvo"
# The frequency box (Text17: 6840, 720 twips), NON METALLIC BOOM (Option1), COMPUTE (Command1).
click_client 500 64
xdotool key ctrl+a
xdotool type --delay 20 "144"
click_client 30 52
click_client 500 104
sleep 0.3
xdotool key --delay 150 alt+d Return
analysis=$(window_named "TARVO: NEC-2 analysis")
copied=""
for _ in $(seq 100); do
    # No window manager here: the window is given the focus by hand.
    xdotool windowfocus --sync "$analysis" key --delay 50 ctrl+a ctrl+c 2>/dev/null || true
    copied=$(xclip -selection clipboard -o 2>/dev/null || true)
    grep -q "Forward gain" <<<"$copied" && break
    sleep 0.2
done
grep -q "NEC-2 analysis in free space at 144 MHz" <<<"$copied" || {
    echo "the analysis window showed no figures; copied: ${copied:0:300}" >&2
    exit 1
}
grep -E "^  Forward gain +1[0-9]\.[0-9]{2} dBi" <<<"$copied" >/dev/null || {
    echo "no forward gain among the figures: ${copied:0:300}" >&2
    exit 1
}
echo "the analysis window, opened by Alt+D Enter, shows: $(grep "Forward gain" <<<"$copied")"
