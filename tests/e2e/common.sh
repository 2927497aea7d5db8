# SPDX-License-Identifier: GPL-3.0-or-later
# Shared by the end-to-end checks: a private X display and clicks into a window by its title.

# Starts Xvfb on a display it finds free itself and exports DISPLAY; stopped by stop_all.
start_display() {
    local fd
    exec {fd}>"$work/display"
    # -noreset: the server stays up between the clients that come and go here.
    Xvfb -displayfd "$fd" -screen 0 1024x768x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
    pids+=($!)
    exec {fd}>&-
    for _ in $(seq 100); do
        # Ready when the number is written and a client gets an answer.
        if [ -s "$work/display" ]; then
            export DISPLAY=":$(head -n 1 "$work/display")"
            xdotool getdisplaygeometry >/dev/null 2>&1 && return 0
        fi
        sleep 0.05
    done
    echo "no X display could be started" >&2
    cat "$work/xvfb.log" >&2
    return 1
}

# Waits for a window with exactly this title and prints its id.
window_named() {
    local id
    for _ in $(seq 100); do
        id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    echo "no window \"$1\" appeared" >&2
    return 1
}

# Starts the program under test on the display; sets tarvo_window to its window TARVO.
start_tarvo() {
    "$1" &
    pids+=($!)
    tarvo_window=$(window_named TARVO)
    # The calculator's client area lies below the menu bar, at the bottom of the window.
    local height
    height=$(xdotool getwindowgeometry --shell "$tarvo_window" | sed -n 's/^HEIGHT=//p')
    tarvo_menu_height=$((height - 460))
}

# Clicks at x, y pixels of the calculator's client area, below the menu bar.
click_client() {
    click_at "$tarvo_window" "$1" "$(($2 + tarvo_menu_height))"
}

# Clicks at x, y pixels of a window's client area.
click_at() {
    xdotool mousemove --window "$1" "$2" "$3" click 1
    sleep 0.3
}

# Stops what was started, the last first: the program before its display.
stop_all() {
    local i
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill "${pids[i]}" 2>/dev/null || true
        wait "${pids[i]}" 2>/dev/null || true
    done
    wait 2>/dev/null || true
    rm -rf "$work"
}

pids=()
work=$(mktemp -d)
chmod 755 "$work"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
trap stop_all EXIT
