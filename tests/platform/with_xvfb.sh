#!/bin/sh
# Runs a command under a virtual X server of its own (1024x768, 24-bit
# colour, no window manager), which is always stopped afterwards. The command
# is limited to DV_TIMEOUT seconds (default 120) so that nothing can hang.
set -u
tmp=$(mktemp -d)
xvfb=
cleanup() {
    if [ -n "$xvfb" ]; then
        kill "$xvfb" 2>/dev/null
        wait "$xvfb" 2>/dev/null
    fi
    rm -rf "$tmp"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Xvfb picks a free display number itself and writes it once it accepts
# connections.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$tmp/display" 2>"$tmp/xvfb.log" &
xvfb=$!
tries=0
until grep -q '^[0-9][0-9]*$' "$tmp/display" 2>/dev/null; do
    tries=$((tries + 1))
    if [ "$tries" -gt 200 ] || ! kill -0 "$xvfb" 2>/dev/null; then
        echo "with_xvfb: Xvfb did not start" >&2
        cat "$tmp/xvfb.log" >&2
        exit 1
    fi
    sleep 0.05
done
DISPLAY=:$(head -n 1 "$tmp/display")
export DISPLAY
unset WAYLAND_DISPLAY

timeout -k 5 "${DV_TIMEOUT:-120}" "$@"
