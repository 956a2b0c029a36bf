#!/bin/sh
# Runs the manifest probe under Wine and checks that the process is DPI
# aware, per monitor, with Common Controls 6 loaded.
#   wine_dpi.sh <wine loader> <probe.exe>
# WINEPREFIX and the rest come from the test's environment.
set -u
tmp=$(mktemp)
"$1" "$2" >"$tmp" 2>/dev/null
code=$?
# Nothing of Wine's may outlive the test.
wineserver -w 2>/dev/null
out=$(tr -d '\r' <"$tmp")
rm -f "$tmp"
echo "$out"
[ $code = 0 ] || { echo "the probe failed ($code)"; exit 1; }
status=0
for line in IsProcessDPIAware=1 ThreadDpiAwareness=2 PerMonitorAwareV2=1; do
    echo "$out" | grep -qx "$line" || { echo "expected $line"; status=1; }
done
echo "$out" | grep -q '^CommonControls=6\.' || { echo "expected Common Controls 6"; status=1; }
exit $status
