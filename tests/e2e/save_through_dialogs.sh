#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Files saved through the real menus' keys and the real file dialog equal tarvo-cli's: NON
# METALLIC, 1296, COMPUTE; Ctrl+E with the focus in the frequency box; "beam.nec" typed while the
# MMANA-GAL filter is chosen gives a NEC deck named so; Ctrl+S opens where that file went and
# "sheet" becomes sheet.pdf, tarvo-cli's sheet apart from its date.
set -euo pipefail
tarvo="$1"
cli="$2"
source "$(dirname "$0")/common.sh"
export XDG_CONFIG_HOME="$work/config"
export HOME="$work/home"
mkdir -p "$HOME/Documents" "$work/out" "$work/cli"

start_display
start_tarvo "$tarvo"
# The frequency box (Text17), NON METALLIC BOOM (Option1), COMPUTE (Command1).
click_client 500 64
xdotool key ctrl+a
xdotool type --delay 20 "1296"
click_client 30 52
click_client 500 104
sleep 0.3
# Back into the frequency box, where Ctrl+E is also the end of the line.
click_client 500 64
xdotool key ctrl+e

# Types a file name into the save dialog named $1 and saves; waits for the message that follows.
save_as() {
    local dialog
    dialog=$(window_named "$1")
    xdotool windowfocus --sync "$dialog"
    sleep 0.3
    xdotool key ctrl+a
    xdotool type --delay 20 "$2"
    xdotool key Return
    dialog=$(window_named "$3")
    xdotool windowfocus --sync "$dialog" key Return
    sleep 0.3
}

save_as "Export for other tools" "$work/out/beam.nec" "TARVO: export"

# No window manager gives the focus back after the message: given by hand.
xdotool windowfocus --sync "$tarvo_window" key ctrl+s
save_as "Save workshop sheet" "sheet" "TARVO: workshop sheet"

"$cli" --freq 1296 --nonmetallic --export "$work/cli/beam.nec" >/dev/null
"$cli" --freq 1296 --nonmetallic --sheet "$work/cli/sheet.pdf" >/dev/null

status=0
ls "$work/out" >"$work/listing"
if [ "$(cat "$work/listing")" != "$(printf 'beam.nec\nsheet.pdf')" ]; then
    echo "the dialogs wrote: $(tr '\n' ' ' <"$work/listing") (wanted beam.nec sheet.pdf)" >&2
    status=1
fi
if ! cmp -s "$work/out/beam.nec" "$work/cli/beam.nec"; then
    echo "the window's beam.nec differs from tarvo-cli's" >&2
    diff "$work/out/beam.nec" "$work/cli/beam.nec" | head -n 10 >&2 || true
    status=1
fi
undated() { LC_ALL=C sed -e 's#/CreationDate (D:[^)]*)##' "$1"; }
if ! cmp -s <(undated "$work/out/sheet.pdf") <(undated "$work/cli/sheet.pdf"); then
    echo "the window's sheet.pdf differs from tarvo-cli's (apart from its date)" >&2
    status=1
fi
remembered=$(grep -h "lastFolder" -r "$XDG_CONFIG_HOME" || true)
if [ "$remembered" != "lastFolder=$work/out" ]; then
    echo "the folder saved to is not remembered: ${remembered:-nothing}" >&2
    status=1
fi
[ "$status" -eq 0 ] && echo "beam.nec and sheet.pdf through the real dialogs equal tarvo-cli's"
exit "$status"
