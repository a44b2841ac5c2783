# The renderer under a private Xvfb, for scripts/run and scripts/screenshots (sourced, not run):
# its window found and photographed, every wait and every tool bounded in time.
# The caller sets work (a scratch folder) and app_pid (the renderer, once started, else "").

# Every tool gets a deadline: import, for one, waits for a click for ever when the window it was
# given has gone.
bounded() { timeout -k 5 30 "$@"; }
gone() { ! kill -0 "$1" 2>/dev/null; }

# deadline SECONDS COMMAND...: retries COMMAND every tenth of a second until it succeeds; gives up
# when the time is up or the renderer has ended.
deadline() {
    limit=$(($1 * 10))
    shift
    tries=0
    until "$@"; do
        tries=$((tries + 1))
        [ "$tries" -ge "$limit" ] && return 1
        [ -n "$app_pid" ] && gone "$app_pid" && return 1
        sleep 0.1
    done
}

# Starts Xvfb on a display it picks itself, sets xvfb_pid and exports DISPLAY.
start_xvfb() {
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/display" \
        2>"$work/xvfb.log" &
    xvfb_pid=$!
    if ! deadline 30 test -s "$work/display"; then
        echo "$0: Xvfb did not start" >&2
        cat "$work/xvfb.log" >&2
        exit 1
    fi
    DISPLAY=:$(cat "$work/display")
    export DISPLAY
}

# Sets window to the renderer's window, if there is one.
find_window() {
    window=$(bounded xdotool search --name '^Terrains\.\.\.$' 2>/dev/null | head -n 1)
    [ -n "$window" ]
}

# shot FILE: a screenshot of the window.
shot() { bounded import -window "$window" "$1" 2>/dev/null; }

# Whether the window shows a frame: anything but black.
shows_frame() {
    shot "$work/frame.png" && [ "$(bounded convert "$work/frame.png" -format '%[fx:maxima>0]' info:)" = 1 ]
}

# Types keys into the window as a person would: the pointer over it and the focus on it.
press() { bounded xdotool mousemove --window "$window" 450 300 windowfocus --sync "$window" key "$@"; }
