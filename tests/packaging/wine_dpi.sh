#!/bin/sh
# Runs the manifest probe under Wine and checks that the process is DPI
# aware, per monitor, and loads Common Controls 6.
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
printf "%s\n" "$out"
[ $code = 0 ] || { echo "the probe failed ($code)"; exit 1; }
# Per-monitor awareness (2); Wine 8 does not tell v2 from v1, so
# PerMonitorAwareV2 is only shown (and it calls every process aware, so
# there only the controls line tells a missing manifest). Common Controls 6
# is the side-by-side one.
status=0
for line in IsProcessDPIAware=1 ThreadDpiAwareness=2; do
    printf "%s\n" "$out" | grep -qx "$line" || { echo "expected $line"; status=1; }
done
printf "%s\n" "$out" | grep -qi '^CommonControlsPath=.*\\winsxs\\.*common-controls_[0-9a-f]*_6\.' \
    || { echo "expected Common Controls 6 from WinSxS"; status=1; }
exit $status
