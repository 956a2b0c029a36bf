#!/bin/sh
# The web build's page in headless Chromium (page_test.mjs), then its views
# measured against the native program's frames of the same rotation.
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
"$compare" "$native" "$out/views"
