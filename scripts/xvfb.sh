# Driving the viewer in a virtual X display, as a person would: start the
# display, bring the viewer up past its start-up notice, find windows, type,
# take screenshots. Sourced by the scripts (bash) and by with-xvfb (sh), so
# plain POSIX sh.

XVFB_PID=""
XVFB_DIR=""
WM_PID=""
WM_BUS_PID=""
VIEWER_PID=""
VIEWER_WINDOW=""

# end_process NAME: ends the process whose id the variable NAME holds, if
# it holds one, and empties NAME.
end_process() {
  local pid
  eval "pid=\"\${$1}\""
  if [ -n "$pid" ]; then
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  fi
  eval "$1=''"
}

# await_start NAME PID LOG COMMAND...: waits until COMMAND succeeds; fails
# with NAME's LOG on stderr when process PID ends first or 20 s pass.
await_start() {
  local name="$1" pid="$2" log="$3" tries=0
  shift 3
  until "$@"; do
    tries=$((tries + 1))
    if [ "$tries" -gt 400 ] || ! kill -0 "$pid" 2>/dev/null; then
      echo "$name did not start:" >&2
      cat "$log" >&2
      return 1
    fi
    sleep 0.05
  done
}

# start_xvfb [WxHxD [XVFB-OPTION...]]: starts a virtual X server (no window
# manager) on a display number it picks itself and exports DISPLAY once it
# accepts connections.
start_xvfb() {
  local screen="${1:-1024x768x24}"
  [ $# -gt 0 ] && shift
  XVFB_DIR=$(mktemp -d) || return 1
  # Xvfb writes its display number to fd 3 when it is ready.
  Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp -noreset "$@" 3>"$XVFB_DIR/display" 2>"$XVFB_DIR/log" &
  XVFB_PID=$!
  if ! await_start Xvfb "$XVFB_PID" "$XVFB_DIR/log" grep -q '^[0-9][0-9]*$' "$XVFB_DIR/display"; then
    stop_xvfb
    return 1
  fi
  DISPLAY=":$(head -n 1 "$XVFB_DIR/display")"
  export DISPLAY
  unset WAYLAND_DISPLAY
}

# A window manager announces itself on the root window.
window_manager_runs() {
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'
}

# start_window_manager NAME: starts a window manager (openbox or metacity)
# on DISPLAY as a desktop session does, in a D-Bus session of its own, and
# waits until it manages the screen.
start_window_manager() {
  case "$1" in
    openbox | metacity) ;;
    *) echo "no such window manager here: $1" >&2; return 1 ;;
  esac
  eval "$(dbus-launch --sh-syntax --exit-with-x11)" || return 1
  WM_BUS_PID="$DBUS_SESSION_BUS_PID"
  "$1" --sm-disable >"$XVFB_DIR/wm.log" 2>&1 &
  WM_PID=$!
  if ! await_start "$1" "$WM_PID" "$XVFB_DIR/wm.log" window_manager_runs; then
    stop_window_manager
    return 1
  fi
}

stop_window_manager() {
  end_process WM_PID
  end_process WM_BUS_PID
}

stop_xvfb() {
  stop_window_manager
  end_process XVFB_PID
  if [ -n "$XVFB_DIR" ]; then
    rm -rf "$XVFB_DIR"
    XVFB_DIR=""
  fi
}

# wait_window NAME [SECONDS]: prints the id of the first visible window whose
# title is exactly NAME, waiting for it to appear.
wait_window() {
  local name="$1" limit="${2:-30}" id i
  for i in $(seq 1 $((limit * 10))); do
    id=$(xwininfo -root -tree 2>/dev/null | grep -F "\"$name\": (" | grep -o '0x[0-9a-f]*' | head -1 || true)
    if [ -n "$id" ] && xwininfo -id "$id" 2>/dev/null | grep -q IsViewable; then
      echo "$id"
      return 0
    fi
    sleep 0.1
  done
  return 1
}

# wait_gone ID [SECONDS]: waits until window ID no longer exists or is hidden.
wait_gone() {
  local id="$1" limit="${2:-30}" i
  for i in $(seq 1 $((limit * 10))); do
    xdotool getwindowname "$id" >/dev/null 2>&1 || return 0
    xwininfo -id "$id" 2>/dev/null | grep -q 'IsViewable' || return 0
    sleep 0.1
  done
  return 1
}

# press_key WINDOW KEY: gives WINDOW the keyboard focus and types KEY.
press_key() {
  xdotool windowfocus --sync "$1" 2>/dev/null || xdotool windowfocus "$1"
  xdotool key --clearmodifiers "$2"
}

# shoot WINDOW FILE: saves a PNG screenshot of WINDOW.
shoot() {
  import -window "$1" "$2"
}

# launch_viewer VIEWER [LOG]: starts the viewer (output to LOG if given),
# waits for its start-up notice, dismisses it and waits for the window.
# Sets VIEWER_PID as soon as it runs and VIEWER_WINDOW once the window is
# there. The texts to look for come from viewer-texts.sh, which the build
# writes beside the program; for a program found elsewhere (an installed
# one on PATH), DV_VIEWER_TEXTS names the build's copy.
launch_viewer() {
  local viewer="$1" texts notice
  texts="${DV_VIEWER_TEXTS:-$(dirname "$viewer")/viewer-texts.sh}"
  if [ ! -r "$texts" ]; then
    echo "$texts is missing: build the viewer first" >&2
    return 1
  fi
  . "$texts"
  if [ -n "${2:-}" ]; then
    "$viewer" >"$2" 2>&1 &
  else
    "$viewer" &
  fi
  VIEWER_PID=$!
  if ! notice=$(wait_window "$DUCKVIEW_NOTICE_CAPTION" 30); then
    echo "the start-up notice did not appear" >&2
    return 1
  fi
  press_key "$notice" Return
  if ! VIEWER_WINDOW=$(wait_window "$DUCKVIEW_WINDOW_TITLE" 30); then
    echo "the viewer window did not appear" >&2
    return 1
  fi
}

# stop_viewer: ends the viewer if it still runs.
stop_viewer() {
  end_process VIEWER_PID
}
