# Helpers for driving the viewer in a virtual X display, as a person would:
# sourced by scripts/headless-shot and the end-to-end tests.

XVFB_PID=""

# start_xvfb [WxHxD]: starts Xvfb on a free display number and exports DISPLAY.
start_xvfb() {
  local screen="${1:-1024x768x24}" n
  for n in $(seq 90 140); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 "$screen" -nolisten tcp -noreset >/dev/null 2>&1 &
    XVFB_PID=$!
    export DISPLAY=":$n"
    local i
    for i in $(seq 1 100); do
      xdpyinfo >/dev/null 2>&1 && return 0
      kill -0 "$XVFB_PID" 2>/dev/null || break
      sleep 0.1
    done
    kill "$XVFB_PID" 2>/dev/null || true
    XVFB_PID=""
  done
  echo "could not start Xvfb" >&2
  return 1
}

stop_xvfb() {
  if [ -n "$XVFB_PID" ]; then
    kill "$XVFB_PID" 2>/dev/null || true
    wait "$XVFB_PID" 2>/dev/null || true
    XVFB_PID=""
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
