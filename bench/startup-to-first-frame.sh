#!/bin/sh
# Times the real program from launch until its window shows a frame (any non-black pixel), on a
# private Xvfb, over several runs. The figures include the polling (one screenshot per try).
# Usage: bench/startup-to-first-frame.sh [runs]   (after scripts/build release)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-5}
work=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/display" 2>/dev/null &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
until [ -s "$work/display" ]; do sleep 0.05; done
DISPLAY=:$(cat "$work/display")
export DISPLAY
cd "$root/build/release/run"
for run in $(seq 1 "$runs"); do
    start=$(date +%s%N)
    ../terrains >/dev/null 2>&1 &
    app=$!
    while :; do
        window=$(xdotool search --name '^Terrains\.\.\.$' 2>/dev/null | head -n 1 || true)
        if [ -n "$window" ] &&
           [ "$(import -window "$window" -depth 8 -format '%[fx:maxima>0]' info: 2>/dev/null)" = 1 ]; then
            break
        fi
    done
    echo "run $run: $(( ($(date +%s%N) - start) / 1000000 )) ms to the first frame"
    kill "$app"
    wait "$app" 2>/dev/null || true
done
