#!/bin/sh
# Builds the frames page with Emscripten, installs puppeteer-core (npm ci,
# only when the lockfile is newer than what is installed), draws the views
# in headless Chromium and measures them against desktop OpenGL's frames.
#   run_browser_test.sh BUILD_DIR PAGE_DIR DESKTOP_FRAMES COMPARE
set -eu
build=$1 page=$2 desktop=$3 compare=$4

cmake --build "$build" --target webgl_page
cd "$page"
if [ ! -f node_modules/.package-lock.json ] || [ package-lock.json -nt node_modules/.package-lock.json ]; then
  PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund --ignore-scripts
fi
rm -rf frames
mkdir frames
node run_frames.mjs . frames
"$compare" "$desktop" frames
