#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A longer boom reaches the sheet through the real window: 144 MHz, METALLIC BOOM, 1 inch,
# COMPUTE; Design > Longer boom... by the keyboard, 9 typed and Enter; Ctrl+S while the dialog
# has the focus, and Enter in the save dialog takes the name it suggests. The sheet saved lists
# DIR 9, and its name is not the six-director sheet's.
set -euo pipefail
tarvo="$1"
source "$(dirname "$0")/common.sh"
export XDG_CONFIG_HOME="$work/config"
export HOME="$work/home"
mkdir -p "$HOME/Documents"

start_display
start_tarvo "$tarvo"
# The frequency box (Text17: 6840, 720 twips), METALLIC BOOM (Option2: 240, 1080), the inch
# list (List1: 240, 1560; its third entry is "1"), COMPUTE (Command1: 6840, 1320).
click_client 500 64
xdotool key ctrl+a
xdotool type --delay 20 "144"
click_client 30 84
click_client 40 110
xdotool key --delay 100 Down Down
click_client 500 104
sleep 0.3
# Alt+D, then L: Design > Longer boom...
xdotool key --delay 150 alt+d l
dialog=$(window_named "TARVO: longer boom")
xdotool windowfocus --sync "$dialog"
sleep 0.3
xdotool key ctrl+a
xdotool type --delay 20 "9"
xdotool key Return
sleep 0.3
xdotool windowfocus --sync "$dialog" key ctrl+s
save=$(window_named "Save workshop sheet")
xdotool windowfocus --sync "$save"
sleep 0.3
xdotool key Return
# nec2c runs for the sheet's figures and tolerances first: a minute or more on a busy machine.
message=""
for _ in $(seq 600); do
    message=$(xdotool search --onlyvisible --name "^TARVO: workshop sheet\$" 2>/dev/null | head -n 1 || true)
    [ -n "$message" ] && break
    sleep 0.5
done
[ -n "$message" ] || {
    echo "no message after the save; windows: $(xdotool search --onlyvisible --name . \
        getwindowname %@ | tr '\n' '|')" >&2
    exit 1
}
xdotool windowfocus --sync "$message" key Return

status=0
saved=$(ls "$HOME/Documents")
if [ "$saved" != "tarvo-144mhz-9dir-sheet.pdf" ]; then
    echo "saved in Documents: ${saved:-nothing} (wanted tarvo-144mhz-9dir-sheet.pdf)" >&2
    status=1
else
    text=$(pdftotext -layout "$HOME/Documents/$saved" -)
    grep -q "DIR 9" <<<"$text" || { echo "the saved sheet lists no DIR 9" >&2; status=1; }
    if grep -q "DIR 10" <<<"$text"; then
        echo "the saved sheet lists a DIR 10" >&2
        status=1
    fi
fi
[ "$status" -eq 0 ] && echo "Longer boom 9, Enter, Ctrl+S: $saved lists DIR 9"
exit "$status"
