#!/bin/sh
# Times the real program reading a 3601 x 3601 GeoTIFF (an SRTM one-arc-second tile's size, made
# from the island with gdal_translate -outsize) with --fit, from launch until its window shows a
# frame, and its peak resident memory; beside gdal_translate converting the same file to a raw
# raster, run by run. Goals: the first frame under 3 s, the peak under 1.5 GB. The processor time
# (user and system, the renderer's drawing threads included) is the figure least moved by other
# work on the machine.
# Usage: bench/raster-first-frame.sh [runs]   (after scripts/build release terrains stage)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-3}
work=$(mktemp -d)
xvfb=""
trap '[ -n "$xvfb" ] && kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT

gdal_translate -q -outsize 3601 3601 "$root/data/hawaii-c" "$work/N19W156-3601.tif"

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/display" 2>/dev/null &
xvfb=$!
until [ -s "$work/display" ]; do sleep 0.05; done
DISPLAY=:$(cat "$work/display")
export DISPLAY

milliseconds() { echo $(( $(date +%s%N) / 1000000 )); }

for run in $(seq 1 "$runs"); do
    start=$(milliseconds)
    /usr/bin/time -f '%U %S' -o "$work/peer" \
        gdal_translate -q -of ENVI "$work/N19W156-3601.tif" "$work/converted.envi"
    translate=$(( $(milliseconds) - start ))
    peerCpu=$(awk '{ printf "%d", ($1 + $2) * 1000 }' "$work/peer")
    rm -f "$work"/converted.*

    start=$(milliseconds)
    /usr/bin/time -f '%M %U %S' -o "$work/usage" "$root/build/release/terrains" --fit \
        "$work/N19W156-3601.tif" >"$work/out" 2>&1 &
    app=$!
    window=""
    while :; do
        window=$(xdotool search --name '^Terrains\.\.\.$' 2>/dev/null | head -n 1 || true)
        if [ -n "$window" ] &&
           [ "$(import -window "$window" -depth 8 -format '%[fx:maxima>0]' info: 2>/dev/null)" = 1 ]; then
            break
        fi
        kill -0 $app 2>/dev/null || { echo "terrains ended early:" >&2; cat "$work/out" >&2; exit 1; }
        sleep 0.05 # the polling takes no more of the two cores than it must
    done
    frame=$(( $(milliseconds) - start ))
    xdotool mousemove --window "$window" 450 300 windowfocus --sync "$window" key q
    wait $app
    read -r peak user system <"$work/usage"
    cpu=$(awk -v u="$user" -v s="$system" 'BEGIN { printf "%d", (u + s) * 1000 }')
    ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
    echo "run $run: first frame $frame ms, processor $cpu ms to the quit, peak resident" \
         "$(( peak / 1024 )) MB; gdal_translate to ENVI $translate ms, processor $peerCpu ms;" \
         "ratios $(ratio "$frame" "$translate") and $(ratio "$cpu" "$peerCpu")"
done
grep -E '^(width|Resampled)' "$work/out"
