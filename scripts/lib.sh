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

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# ensure_packages PKG...: installs the Debian packages that are missing.
# Quiet when everything is already there.
ensure_packages() {
  local missing=() pkg
  for pkg in "$@"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  step "installing ${missing[*]}"
  if printf '%s\n' "${missing[@]}" | grep -q ':i386$'; then
    dpkg --print-foreign-architectures | grep -qx i386 || as_root dpkg --add-architecture i386
  fi
  as_root apt-get update -qq || die "apt-get update"
  DEBIAN_FRONTEND=noninteractive as_root apt-get install -y -qq --no-install-recommends "${missing[@]}" \
    >/tmp/duckview-apt.log 2>&1 || { tail -20 /tmp/duckview-apt.log >&2; die "installing ${missing[*]}"; }
}

# What building and running the viewer needs.
BUILD_PACKAGES=(cmake ninja-build g++ libsdl2-dev libgl-dev libegl-dev libgl1-mesa-dri libegl-mesa0 libglx-mesa0)
# Wine only recommends what a 32-bit GL program in an X window needs (and
# packages are installed without recommendations): OpenGL on Mesa, the X
# extensions, and the fonts of its message boxes.
WINE_RUNTIME_PACKAGES=(libgl1:i386 libgl1-mesa-dri:i386 libglx-mesa0:i386 libxcursor1:i386 libxi6:i386
  libxinerama1:i386 libxrandr2:i386 libxrender1:i386 libxcomposite1:i386 libxfixes3:i386 libxxf86vm1:i386
  fonts-wine)
# What the tests need besides: GoogleTest, the Windows cross-compiler, a
# virtual X server with fonts (message boxes), input and screenshots, and
# Wine for the .exe.
TEST_PACKAGES=(googletest libgtest-dev libx11-dev g++-mingw-w64-i686 g++-mingw-w64-x86-64 xvfb xauth xfonts-base xdotool x11-utils imagemagick
  wine wine32:i386 "${WINE_RUNTIME_PACKAGES[@]}")

# What scripts/bench needs besides: the peer viewer, the reference GL demo,
# the process tools it reads figures with, and Python with matplotlib for
# the script itself and its charts.
BENCH_PACKAGES=(f3d mesa-utils procps xvfb xauth xfonts-base xdotool x11-utils python3 python3-matplotlib)
