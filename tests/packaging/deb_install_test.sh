#!/bin/bash
# The Debian package as a user gets it: apt-get installs it, "duckview" from
# PATH opens the notice and then the turning duck in a virtual display and
# quits with Escape, and apt-get removes it again. Never leaves it installed.
#   deb_install_test.sh <build-dir> <source-dir> <scratch-dir>
set -u
build=$1 src=$2 scratch=$3

[ "$(id -u)" = 0 ] || { echo "apt-get needs root: skipped"; exit 77; }
installed() { dpkg-query -W -f='${Status}' duckview 2>/dev/null | grep -q 'install ok installed'; }
if installed; then
    echo "duckview is already installed on this machine: not touching it"
    exit 1
fi

# apt-get that waits for other users of the package database (up to ten
# minutes) instead of failing.
apt() {
    local i
    for i in $(seq 1 120); do
        DEBIAN_FRONTEND=noninteractive apt-get -y -q --no-install-recommends -o DPkg::Lock::Timeout=600 "$@" \
            >"$scratch/apt.log" 2>&1 && return 0
        grep -q 'Could not get lock\|Unable to acquire\|Unable to lock' "$scratch/apt.log" || break
        sleep 5
    done
    tail -20 "$scratch/apt.log"
    return 1
}

ours=0
cleanup() {
    if [ $ours = 1 ] && installed; then
        apt remove duckview || echo "could not remove duckview: remove it by hand (apt-get remove duckview)"
    fi
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

rm -rf "$scratch" && mkdir -p "$scratch" || exit 1
cpack -G DEB -B "$scratch" --config "$build/CPackConfig.cmake" >"$scratch/cpack.log" 2>&1 \
    || { cat "$scratch/cpack.log"; exit 1; }
deb=$(ls "$scratch"/duckview_*_amd64.deb) || exit 1
echo "built $(basename "$deb") ($(stat -c %s "$deb") bytes)"

ours=1
apt install "$deb" || { echo "apt-get install failed"; exit 1; }
hash -r
[ "$(command -v duckview)" = /usr/bin/duckview ] || { echo "duckview is not on PATH after installing"; exit 1; }
status=0
grep -qx 'Icon=duckview' /usr/share/applications/duckview.desktop || { echo "desktop entry without the icon"; status=1; }
for size in 16 32 48 64 128 256; do
    [ -s /usr/share/icons/hicolor/${size}x${size}/apps/duckview.png ] || { echo "no ${size}x${size} icon"; status=1; }
done

# Notice, window, a frame, Escape and exit code 0, as scripts/run does it;
# the texts to wait for come from the build the package was made from.
DV_VIEWER_TEXTS="$build/viewer-texts.sh" timeout 180 "$src/scripts/headless-shot" duckview "$scratch/frame.png" || { echo "running duckview failed"; exit 1; }
# The frame: the blue background in the corner, and the duck (and the
# counter) covering a good part of the rest.
corner=$(convert "$scratch/frame.png" -format '%[fx:int(255*p{2,2}.r)] %[fx:int(255*p{2,2}.g)] %[fx:int(255*p{2,2}.b)]' info:)
drawn=$(convert "$scratch/frame.png" -alpha off -fuzz 3% -fill black -opaque 'rgb(38,38,140)' -fill white +opaque black \
    -format '%[fx:int(100*mean)]' info:)
echo "frame: corner $corner, $drawn % of it not background"
case "$corner" in 3[5-9]\ 3[5-9]\ 1[34][0-9]) ;; *) echo "the corner is not the blue background"; status=1 ;; esac
[ "$drawn" -ge 10 ] || { echo "no duck in the frame"; status=1; }

apt remove duckview || { echo "apt-get remove failed"; exit 1; }
hash -r
if installed || [ -e /usr/bin/duckview ] || [ -e /usr/share/applications/duckview.desktop ]; then
    echo "duckview is still there after apt-get remove"
    status=1
fi
exit $status
