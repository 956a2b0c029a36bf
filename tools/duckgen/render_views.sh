#!/bin/sh
# Renders the built-in duck from every side and writes PNG files.
#   tools/duckgen/render_views.sh <build-dir> [output-dir] [size]
# The build directory must have the target duck_render_views built.
set -e
build=${1:?usage: render_views.sh <build-dir> [output-dir] [size]}
out=${2:-$build/duck_views}
size=${3:-400}
mkdir -p "$out"
"$build/tools/duckgen/duck_render_views" "$out" "$size" | while read -r ppm; do
    convert "$ppm" "${ppm%.ppm}.png" && rm -f "$ppm"
    echo "${ppm%.ppm}.png"
done
# One sheet with all of them.
montage -label '%t' -geometry +4+4 -tile 3x "$out"/duck_*.png "$out/sheet.png" 2>/dev/null && echo "$out/sheet.png" || true
