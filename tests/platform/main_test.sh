#!/bin/sh
# Whole-process checks of the program entry on SDL: main_test.sh PROBE CASE,
# with a display (see with_xvfb.sh) except where the case takes it away.
set -u
probe=$1
case_name=$2
fail() {
    echo "FAIL ($case_name): $*" >&2
    exit 1
}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

case $case_name in
arguments)
    # WinMain gets the arguments as one command line and SW_SHOWDEFAULT (10);
    # its result is the exit code.
    out=$("$probe" echo one two)
    code=$?
    [ "$code" = 7 ] || fail "exit code $code"
    [ "$out" = "[echo one two] 10" ] || fail "WinMain got '$out'"
    ;;
run)
    timeout 60 "$probe" gl
    code=$?
    [ "$code" = 0 ] || fail "exit code $code"
    ;;
no-display)
    env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER timeout 20 "$probe" gl >/dev/null 2>"$tmp/err"
    code=$?
    [ "$code" = 1 ] || fail "exit code $code"
    grep -q "cannot open a display" "$tmp/err" || fail "stderr was: $(cat "$tmp/err")"
    ;;
no-opengl)
    # With no GL library the window has no pixel format: the program's own
    # error box comes up, and once dismissed it exits with 1.
    SDL_OPENGL_LIBRARY=/nonexistent/libGL.so.1 timeout 60 "$probe" gl >/dev/null 2>"$tmp/err" &
    pid=$!
    # The box names itself in UTF-8 only, which xwininfo reads.
    id=
    tries=0
    while [ -z "$id" ] && [ "$tries" -lt 200 ]; do
        sleep 0.1
        id=$(xwininfo -name Error 2>/dev/null | sed -n 's/.*Window id: \(0x[0-9a-f]*\).*/\1/p')
        tries=$((tries + 1))
    done
    [ -n "$id" ] || { kill "$pid" 2>/dev/null; fail "no error box (needs xfonts-base); stderr: $(cat "$tmp/err")"; }
    sleep 0.5
    tries=0
    while xwininfo -id "$id" >/dev/null 2>&1 && [ "$tries" -lt 20 ]; do
        xdotool windowfocus "$id" >/dev/null 2>&1
        xdotool key Return >/dev/null 2>&1
        sleep 0.5
        tries=$((tries + 1))
    done
    wait "$pid"
    code=$?
    [ "$code" = 1 ] || fail "exit code $code"
    grep -q "OpenGL" "$tmp/err" || fail "stderr was: $(cat "$tmp/err")"
    ;;
*)
    fail "no such case"
    ;;
esac
