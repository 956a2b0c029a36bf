#!/bin/sh
# Renders the duck icon at every size the packages use and writes
#   duckview-<size>.png  for 16, 32, 48, 64, 128 and 256 pixels,
#   duckview.ico         16, 32 and 48 as bitmaps, 256 as PNG (Windows),
#                        left out with --png-only.
#   tools/icons/make_icons.sh <duck_icon binary> <output-dir> [--png-only]
set -e
usage="usage: make_icons.sh <duck_icon binary> <output-dir> [--png-only]"
tool=${1:?$usage}
out=${2:?$usage}
mkdir -p "$out"
"$tool" "$out" 16 32 48 64 128 256 | while read -r pam; do
    # No time stamps, so the same pixels give the same file.
    convert "$pam" -strip -define png:exclude-chunks=date,time "PNG32:${pam%.pam}.png"
    rm -f "$pam"
done
[ "${3:-}" = --png-only ] && exit 0
icotool -c -o "$out/duckview.ico" "$out/duckview-16.png" "$out/duckview-32.png" "$out/duckview-48.png" \
    -r "$out/duckview-256.png"
