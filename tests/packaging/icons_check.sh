#!/bin/sh
# The committed icons are what the renderer draws now, and the .ico holds
# exactly the committed PNGs.
#   icons_check.sh <duck_icon binary> <source-dir> <scratch-dir>
# Mesa's software renderer may round an edge pixel differently from one
# version to the next: pixels may differ by up to 3 % (of the full range,
# alpha included), no more.
set -u
tool=$1 icons=$2/data/icons scratch=$3
rm -rf "$scratch" && mkdir -p "$scratch/fresh" "$scratch/ico" || exit 1
"$2/tools/icons/make_icons.sh" "$tool" "$scratch/fresh" || { echo "rendering the icons failed"; exit 1; }
status=0
for size in 16 32 48 64 128 256; do
    name=duckview-$size.png
    differing=$(compare -metric AE -fuzz 3% "$icons/$name" "$scratch/fresh/$name" null: 2>&1) || true
    echo "$name: $differing pixels differ by more than 3 %"
    [ "$differing" = 0 ] || status=1
done
[ $status = 0 ] || echo "the committed icons are stale: cmake --build --preset linux --target regenerate-icons"

icotool -c -o "$scratch/ico/duckview.ico" "$icons/duckview-16.png" "$icons/duckview-32.png" \
    "$icons/duckview-48.png" -r "$icons/duckview-256.png" || exit 1
cmp -s "$scratch/ico/duckview.ico" "$icons/duckview.ico" || { echo "duckview.ico does not hold the committed PNGs"; status=1; }
exit $status
