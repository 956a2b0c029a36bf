# Shared by the scripts: where the project is, how to report a failing step,
# and how to install what a fresh Debian machine lacks.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

step() { printf '\n== %s\n' "$*"; }
die() { printf '\nFAILED: %s\n' "$*" >&2; exit 1; }

# run NAME COMMAND...: runs a step and names it if it fails.
run() {
  local name="$1"; shift
  step "$name"
  "$@" || die "$name"
}

# as_root COMMAND...: runs COMMAND as root: directly when this is root (a
# bare Debian has no sudo), through sudo otherwise.
as_root() {
  if [ "$(id -u)" -eq 0 ]; then
    "$@"
  elif command -v sudo >/dev/null 2>&1; then
    sudo "$@"
  else
    die "installing packages needs root: run this as root, or install sudo"
  fi
}

# ensure_packages PKG...: installs the Debian packages that are missing and
# says how many it installed and how much room they took (apt-get's own
# summary). Quiet when everything is already there.
ensure_packages() {
  local missing=() pkg log=/tmp/duckview-apt.log
  for pkg in "$@"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  step "installing ${missing[*]}"
  if printf '%s\n' "${missing[@]}" | grep -q ':i386$'; then
    dpkg --print-foreign-architectures | grep -qx i386 || as_root dpkg --add-architecture i386
  fi
  as_root apt-get update -qq || die "apt-get update"
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}" \
    >"$log" 2>&1 || { tail -20 "$log" >&2; die "installing ${missing[*]}"; }
  grep -E '^[0-9]+ upgraded|^After this operation' "$log" || true
}

# A virtual display for a script and the programs it starts, from
# scripts/virtual-display, and the viewer on it past its start-up notice.
DV_DISPLAY_HANDLE=""
VIEWER_PID=""
VIEWER_WINDOW=""

# start_display [OPTION...]: starts one (the options of virtual-display
# start) and points the environment at it.
start_display() {
  local out line
  out=$("$ROOT/scripts/virtual-display" start --owner $$ "$@") || return 1
  for line in $out; do
    if [ -n "${line#*=}" ]; then export "$line"; else unset "${line%%=*}"; fi
  done
}

# stop_display: ends the viewer if it still runs, and the display.
stop_display() {
  if [ -n "$VIEWER_PID" ]; then
    kill "$VIEWER_PID" 2>/dev/null || true
    wait "$VIEWER_PID" 2>/dev/null || true
    VIEWER_PID=""
  fi
  [ -z "$DV_DISPLAY_HANDLE" ] || "$ROOT/scripts/virtual-display" stop "$DV_DISPLAY_HANDLE"
  DV_DISPLAY_HANDLE=""
}

# launch_viewer VIEWER [LOG]: starts the viewer (output to LOG if given) and
# brings it up past its notice; sets VIEWER_PID as soon as it runs and
# VIEWER_WINDOW once the window is there. The texts to look for come from
# viewer-texts.sh, which the build writes beside the program; for a program
# found elsewhere (an installed one on PATH), DV_VIEWER_TEXTS names the
# build's copy.
launch_viewer() {
  local out
  if [ -n "${2:-}" ]; then
    "$1" >"$2" 2>&1 &
  else
    "$1" &
  fi
  VIEWER_PID=$!
  out=$("$ROOT/scripts/virtual-display" viewer --pid "$VIEWER_PID" \
    --texts "${DV_VIEWER_TEXTS:-$(dirname "$1")/viewer-texts.sh}") || return 1
  VIEWER_WINDOW=${out##*VIEWER_WINDOW=}
}

# press_key WINDOW KEY: gives WINDOW the keyboard focus and types KEY.
press_key() {
  xdotool windowfocus --sync "$1" 2>/dev/null || xdotool windowfocus "$1"
  xdotool key --clearmodifiers "$2"
}

# What building and running the viewer needs: a C++17 compiler, CMake with
# Ninja (the presets) and make (CMake's default generator, for a plain
# "cmake -B out"), SDL2, OpenGL, and Mesa's drivers to run it with.
BUILD_PACKAGES=(cmake ninja-build make g++ libsdl2-dev libgl-dev libopengl-dev libgl1-mesa-dri libglx-mesa0)
# What the viewer needs besides where there is no display, for scripts/run's
# screenshot and the tests in a virtual X display: the X server with the
# fonts of the notice, xdotool and xprop/xwininfo to drive the windows,
# ImageMagick to take and read pictures.
HEADLESS_PACKAGES=(xvfb xfonts-base xdotool x11-utils imagemagick)
# The quick workflow's (unit, GL and X tests): the above, GoogleTest, the X
# library the SDL back end's tests read windows with, and Mesa's EGL for the
# headless OpenGL context, with OpenGL ES 2 for the fixed-function layer's
# native tests (the headers all come with SDL2's anyway).
QUICK_TEST_PACKAGES=("${BUILD_PACKAGES[@]}" "${HEADLESS_PACKAGES[@]}" libgtest-dev libx11-dev libegl-dev libegl-mesa0 libgles-dev)
# Wine only recommends what a 32-bit GL program in an X window needs (and
# packages are installed without recommendations): OpenGL on Mesa, the X
# extensions, and the fonts of its message boxes.
WINE_RUNTIME_PACKAGES=(libgl1:i386 libgl1-mesa-dri:i386 libglx-mesa0:i386 libxcursor1:i386 libxi6:i386
  libxinerama1:i386 libxrandr2:i386 libxrender1:i386 libxcomposite1:i386 libxfixes3:i386 libxxf86vm1:i386
  fonts-wine)
# The web build (scripts/run web, the web workflow): Emscripten, and Python
# to serve the page.
WEB_BUILD_PACKAGES=(cmake ninja-build emscripten python3)
# The browser's side: Chromium, and node and npm for the tests' own npm ci of
# puppeteer-core. npm is a package of its own beside Debian's nodejs, but
# part of NodeSource's.
BROWSER_PACKAGES=(chromium nodejs)
command -v npm >/dev/null 2>&1 || BROWSER_PACKAGES+=(npm)
# The tests of the fixed-function layer (tests/gl_layer) and of the web page
# (tests/web): OpenGL ES 2 to run the layer natively, the web build, the
# browser, and ImageMagick to read the page's screenshots.
WEB_TEST_PACKAGES=(libgles-dev "${WEB_BUILD_PACKAGES[@]}" "${BROWSER_PACKAGES[@]}" imagemagick)
# The desktops the viewer is tested on besides a bare X server: two window
# managers, each in a D-Bus session of its own (dbus-launch) and told what
# to do by wmctrl, and a Wayland compositor with XWayland.
DESKTOP_TEST_PACKAGES=(openbox metacity dbus-x11 wmctrl weston xwayland)
# What the packages and their tests need: dpkg-shlibdeps for the .deb's
# dependencies, icotool for the .ico, pefile to read the .exe's resources,
# and the checks a distribution holds a package to: lintian, the desktop
# entry's and AppStream's validators, and man to find the manual page.
PACKAGING_PACKAGES=(dpkg-dev icoutils python3 python3-pefile lintian desktop-file-utils appstream man-db)
# A bare Debian made for the newcomer test, which runs scripts/run in it.
NEWCOMER_TEST_PACKAGES=(debootstrap)
# What the tests need besides: GoogleTest's sources, which the Windows
# builds compile themselves, the Windows cross-compiler, and Wine for the
# .exe files, with both loaders: "wine" only recommends the 64-bit one.
TEST_PACKAGES=("${QUICK_TEST_PACKAGES[@]}" googletest g++-mingw-w64-i686 g++-mingw-w64-x86-64
  wine wine32:i386 wine64 "${WINE_RUNTIME_PACKAGES[@]}" "${WEB_TEST_PACKAGES[@]}"
  "${DESKTOP_TEST_PACKAGES[@]}" "${PACKAGING_PACKAGES[@]}" "${NEWCOMER_TEST_PACKAGES[@]}")

# What scripts/bench needs besides: the peer viewer, the reference GL demo,
# the process tools it reads figures with, and Python with matplotlib for
# the script itself and its charts.
BENCH_PACKAGES=(f3d mesa-utils procps xvfb xauth xfonts-base xdotool x11-utils python3 python3-matplotlib)

# 32-bit x86 programs: Wine runs the 32-bit .exe in a 32-bit Linux process.
# Some machines' kernels refuse those ("Exec format error"); there the
# kernel is told to start them through qemu's user-mode emulator instead.
I386_EMULATOR_PACKAGES=(qemu-user-static)
BINFMT_DIR=/proc/sys/fs/binfmt_misc
# The 32-bit x86 ELF header, executables and shared objects alike.
BINFMT_I386=':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F'
I386_REGISTERED_HERE=0

# i386_runs: true when a 32-bit x86 Linux program runs here, natively or
# through a registered emulator. The program is 96 bytes that only exit
# with code 7.
i386_runs() {
  local dir rc=0
  dir=$(mktemp -d)
  printf '\177ELF\1\1\1\0\0\0\0\0\0\0\0\0\2\0\3\0\1\0\0\0\124\200\4\10\64\0\0\0\0\0\0\0\0\0\0\0\64\0\40\0\1\0\0\0\0\0\0\0' >"$dir/exit7"
  printf '\1\0\0\0\0\0\0\0\0\200\4\10\0\200\4\10\140\0\0\0\140\0\0\0\5\0\0\0\0\20\0\0' >>"$dir/exit7"
  printf '\273\7\0\0\0\270\1\0\0\0\315\200' >>"$dir/exit7"
  chmod +x "$dir/exit7"
  "$dir/exit7" 2>/dev/null || rc=$?
  rm -rf "$dir"
  [ "$rc" -eq 7 ]
}

# ensure_i386_programs: where 32-bit programs cannot run natively, registers
# qemu for them (once) and exports what Wine needs under it. The emulator
# must leave Wine the top quarter of the 32-bit address space.
ensure_i386_programs() {
  if [ ! -e "$BINFMT_DIR/qemu-i386" ] && i386_runs; then
    return 0
  fi
  if [ ! -e "$BINFMT_DIR/qemu-i386" ]; then
    ensure_packages "${I386_EMULATOR_PACKAGES[@]}"
    [ -e "$BINFMT_DIR/register" ] || as_root mount -t binfmt_misc binfmt_misc "$BINFMT_DIR" 2>/dev/null || true
    if printf '%s' "$BINFMT_I386" | as_root tee "$BINFMT_DIR/register" >/dev/null 2>&1; then
      I386_REGISTERED_HERE=1
    fi
  fi
  as_root sh -c "echo 1 > $BINFMT_DIR/qemu-i386" 2>/dev/null || true
  export QEMU_RESERVED_VA=0xc0000000
  if i386_runs; then
    echo "32-bit programs cannot run natively here: the 32-bit Windows program runs under Wine through qemu (slowly)"
  else
    echo "32-bit programs cannot run here, not even through qemu: the Wine tests of the 32-bit Windows program will not run"
  fi
}

# release_i386_programs: takes back the qemu registration that
# ensure_i386_programs made, leaving the machine as it was.
release_i386_programs() {
  if [ "$I386_REGISTERED_HERE" = 1 ]; then
    as_root sh -c "echo -1 > $BINFMT_DIR/qemu-i386" 2>/dev/null || true
    I386_REGISTERED_HERE=0
  fi
}
