#!/bin/sh
# The web build's page in headless Chromium (page_test.mjs), then its views
# measured against the native program's frames of the same rotation: at
# device pixel ratio 1, at 2, after a change from 1 to 2, and the one drawn
# again after its WebGL context was lost and given back.
#   run_page_test.sh WEB_BUILD TOOLS VIEWER_TEXTS OUT_DIR NATIVE_FRAMES COMPARE
set -eu
web=$1 tools=$2 texts=$3 out=$4 native=$5 compare=$6

if [ ! -f "$web/build.ninja" ]; then
  echo "there is no web build in $web: cmake --workflow --preset web" >&2
  exit 1
fi
# The page as the sources are now.
cmake --build "$web"
. "$texts"
export DUCKVIEW_WINDOW_TITLE DUCKVIEW_NOTICE_CAPTION
rm -rf "$out"
mkdir -p "$out"
node "$tools/page_test.mjs" "$web" "$out"
for views in views views-2 views-change; do
  echo "$views:"
  "$compare" "$native" "$out/$views"
done
echo "restored:"
"$compare" "$native" "$out/restored" underside_fog_wireframe
