#!/bin/sh
# install.sh DIR: installs puppeteer-core for the browser tests into DIR,
# which holds package.json and its lockfile (npm ci, only when the lockfile
# is newer than what is installed). No browser is downloaded: the tests use
# the system's Chromium.
set -eu
cd "$1"
if [ ! -f node_modules/.package-lock.json ] || [ package-lock.json -nt node_modules/.package-lock.json ]; then
  PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund --ignore-scripts
fi
