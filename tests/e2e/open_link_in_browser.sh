#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# WEBSITE and the link end to end: a throw-away default browser, registered for web addresses in
# private XDG folders, must receive the address after WEBSITE and a click on the link.
set -euo pipefail
tarvo="$1"
expected="$2/"
source "$(dirname "$0")/common.sh"

export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_DATA_DIRS="$work/data"
export XDG_CURRENT_DESKTOP="" DESKTOP_SESSION="" BROWSER=""
unset KDE_FULL_SESSION GNOME_DESKTOP_SESSION_ID
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME/applications"
received="$work/received"
cat >"$work/browser" <<SCRIPT
#!/bin/sh
printf '%s\n' "\$1" >>"$received"
SCRIPT
chmod +x "$work/browser"
cat >"$XDG_DATA_HOME/applications/tarvo-test-browser.desktop" <<DESKTOP
[Desktop Entry]
Type=Application
Name=TARVO test browser
Exec=$work/browser %u
MimeType=x-scheme-handler/http;x-scheme-handler/https;
NoDisplay=true
DESKTOP
xdg-mime default tarvo-test-browser.desktop x-scheme-handler/https x-scheme-handler/http
[ "$(xdg-mime query default x-scheme-handler/https)" = "tarvo-test-browser.desktop" ]

start_display
start_tarvo "$tarvo"
main=$tarvo_window
# WEBSITE (Command2) sits at 6960, 5640 twips, 1095 x 375: its centre in pixels.
click_client 500 388
web=$(window_named "Web Page Link")
# lblWebPage: 525, 1335 twips, 2205 x 255; a point on its text.
click_at "$web" 60 97

for _ in $(seq 50); do
    [ -s "$received" ] && break
    sleep 0.1
done
if [ ! -s "$received" ]; then
    echo "the browser was not started" >&2
    exit 1
fi
got=$(head -n 1 "$received")
if [ "$got" != "$expected" ]; then
    echo "the browser got \"$got\", not \"$expected\"" >&2
    exit 1
fi
echo "the browser got $got"
