#!/bin/sh
# scripts/run without a display: bad input ends with the renderer's status and reason, the island
# with a screenshot and status 0.
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
: >"$work/empty.dem"
mkdir "$work/folder"
printf 'ncols 2\nnrows 2\nxllcorner -156\nyllcorner 19\ncellsize 0.000833333333333\n10 20\n30 40\n' \
    >"$work/tiny.asc"
gdal_translate -q -a_srs EPSG:4326 -ot Int16 "$work/tiny.asc" "$work/tiny.tif"
gdal_translate -q -of USGSDEM "$work/tiny.tif" "$work/tiny.dem"

failed=0
# expect NAME STATUS LAST-LINE-PATTERN [ARGUMENTS...]
expect() {
    name=$1 expected=$2 pattern=$3
    shift 3
    status=0
    env -u DISPLAY timeout -k 5 120 "$root/scripts/run" "$@" >"$work/output" 2>&1 || status=$?
    case "$status:$(tail -n 1 "$work/output")" in
        "$expected:"$pattern) ;;
        *) failed=$((failed + 1)) && echo "FAILED $name: status $status, expected $expected" >&2
           tail -n 5 "$work/output" >&2 ;;
    esac
}

expect "an empty file" 1 "run: the renderer exited with status 1 before *: Can't open raster \
file - \"$work/empty.dem\": *not recognized as a supported file format." "$work/empty.dem"
expect "a folder" 1 "run: the renderer exited with status 1 before *: Can't open DEM file - \
\"$work/folder\": not a regular file" "$work/folder"
expect "a 2 x 2 map" 1 "run: the renderer exited with status 1 before *: The Heightmap is too \
small to mesh: its usable portion is 2x2, and the mesh needs at least 3x3 samples" "$work/tiny.dem"
head -c 1100 "$work/tiny.dem" >"$work/cut.dem"
expect "a DEM cut short" 134 \
    "run: the renderer was ended by signal 6 (ABRT), status 134, before *: Invalid DEM file*" \
    "$work/cut.dem"
rm -f "$root/build/release/terrains-screenshot.png"
expect "the island" 0 "run: the renderer exited with status 0 after its quit key"
[ "$(identify -format '%wx%h' "$root/build/release/terrains-screenshot.png" 2>&1)" = 900x600 ] ||
    { failed=$((failed + 1)) && echo "FAILED the island: no 900 x 600 screenshot" >&2; }
echo "run script: $failed failed"
[ "$failed" -eq 0 ]
