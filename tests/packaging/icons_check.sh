#!/bin/sh
# The committed PNG icons are what the renderer draws now. (That the .ico
# holds exactly them is checked by the Windows build, whose icon it is.)
#   icons_check.sh <duck_icon binary> <source-dir> <scratch-dir>
# Mesa's software renderer may round an edge pixel differently from one
# version to the next: pixels may differ by up to 3 % (of the full range,
# alpha included), no more.
set -u
tool=$1 icons=$2/data/icons scratch=$3
rm -rf "$scratch" && mkdir -p "$scratch/fresh" || exit 1
"$2/tools/icons/make_icons.sh" "$tool" "$scratch/fresh" --png-only || { echo "rendering the icons failed"; exit 1; }
status=0
for size in 16 32 48 64 128 256; do
    name=duckview-$size.png
    differing=$(compare -metric AE -fuzz 3% "$icons/$name" "$scratch/fresh/$name" null: 2>&1) || true
    echo "$name: $differing pixels differ by more than 3 %"
    [ "$differing" = 0 ] || status=1
done
[ $status = 0 ] || echo "the committed icons are stale: cmake --build --preset linux --target regenerate-icons"
exit $status
