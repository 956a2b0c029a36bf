#!/usr/bin/env bash
# virtual_display_test.sh TOOL: what the callers of scripts/virtual-display
# count on that no other test shows: the screen asked for; everything
# ended by stop, or by the tool itself once the caller has died without
# saying stop; a server that does not start reported with its log; run's
# command on a display of its own, with its exit code passed on.
set -u
tool=$1
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# value NAME LINES: NAME's value in start's NAME=value lines.
value() { sed -n "s/^$1=//p" <<<"$2"; }

# running PID: true while the process runs (an ended one that is not yet
# reaped does not).
running() {
  local stat
  stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
  stat=${stat##*) }
  [ "${stat%% *}" != Z ]
}

out=$("$tool" start --screen 800x600) || fail "start"
handle=$(value DV_DISPLAY_HANDLE "$out")
server=$(value DV_XVFB_PID "$out")
DISPLAY=$(value DISPLAY "$out") xdpyinfo | grep -q 'dimensions: *800x600 pixels' || fail "no 800x600 screen"
"$tool" stop "$handle"
running "$server" && fail "the X server still runs after stop"
[ -e "$handle" ] && fail "stop left $handle behind"

sleep 60 &
owner=$!
out=$("$tool" start --owner "$owner") || fail "start for another process"
handle=$(value DV_DISPLAY_HANDLE "$out")
server=$(value DV_XVFB_PID "$out")
kill "$owner"
for _ in $(seq 50); do
  running "$server" || break
  sleep 0.1
done
running "$server" && fail "the X server outlived the process it was started for"
[ -e "$handle" ] && fail "$handle outlived the process it was started for"

errors=$("$tool" start -- -no-such-option 2>&1 >/dev/null) && fail "start with a bad Xvfb option succeeded"
grep -q 'Xvfb did not start' <<<"$errors" && grep -q 'no-such-option' <<<"$errors" \
  || fail "a failed start did not say so with the server's log: $errors"

"$tool" run sh -c 'xdpyinfo >/dev/null && exit 3'
[ $? -eq 3 ] || fail "run did not pass on its command's exit code, or the command had no display"
echo "virtual-display: screen, stop, owner, failure and run as promised"
