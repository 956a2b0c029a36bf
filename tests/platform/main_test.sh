#!/bin/sh
# Whole-process checks of the program entry on SDL: main_test.sh PROBE CASE,
# with a display (scripts/virtual-display run).
set -u
probe=$1
case_name=$2
fail() {
    echo "FAIL ($case_name): $*" >&2
    exit 1
}
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
*)
    fail "no such case"
    ;;
esac
