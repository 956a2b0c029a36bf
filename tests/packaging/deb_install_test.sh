#!/bin/bash
# The Debian package as a packager makes it and a user gets it: a build of
# the program alone (no tests, tools or benchmark) with the packager's
# name, the .deb made by cpack and held to Debian's policy (lintian: no
# errors or warnings; the desktop entry and the AppStream entry valid);
# then apt-get installs it, "duckview" from PATH opens the notice and the
# turning duck in a virtual display and quits with Escape, and apt-get
# removes it again. Never leaves it installed.
#   deb_install_test.sh <source-dir> <scratch-dir>
set -u
src=$1 scratch=$2
build=$scratch/build
maintainer='duckview package test <package-test@duckview.invalid>'

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

# logged LOG COMMAND...: runs COMMAND with its output in LOG, shown when it fails.
logged() {
    local log=$1; shift
    "$@" >"$log" 2>&1 || { tail -40 "$log"; echo "failed: $*"; return 1; }
}

rm -rf "$scratch" && mkdir -p "$scratch" || exit 1
logged "$scratch/configure.log" cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DBUILD_TESTING=OFF "-DDUCKVIEW_MAINTAINER=$maintainer" || exit 1
logged "$scratch/build.log" cmake --build "$build" || exit 1
logged "$scratch/cpack.log" cpack -G DEB -B "$scratch" --config "$build/CPackConfig.cmake" || exit 1
deb=$(ls "$scratch"/duckview_*_amd64.deb) || exit 1
echo "built $(basename "$deb") ($(stat -c %s "$deb") bytes)"

status=0
[ "$(dpkg-deb -f "$deb" Maintainer)" = "$maintainer" ] || { echo "the Maintainer field is not the packager's"; status=1; }
# Debian's policy checks: any error or warning fails (informational notes
# are only listed).
lintian --fail-on error,warning --display-info "$deb" 2>/dev/null || { echo "lintian finds errors or warnings"; status=1; }
unpacked=$scratch/unpacked
dpkg-deb -x "$deb" "$unpacked" || exit 1
desktop-file-validate "$unpacked/usr/share/applications/duckview.desktop" || { echo "invalid desktop entry"; status=1; }
# AppStream: the one note allowed is that the id's reserved top-level
# domain (.invalid, until the project has a domain) is not a known one.
metainfo=$(ls "$unpacked"/usr/share/metainfo/*.metainfo.xml) || { echo "no AppStream entry"; status=1; }
if [ -n "$metainfo" ]; then
    appstreamcli validate --no-net "$metainfo" >"$scratch/appstream.log" 2>&1 \
        && ! grep -E '^[EWI]: ' "$scratch/appstream.log" | grep -qv ': cid-maybe-not-rdns ' \
        || { cat "$scratch/appstream.log"; echo "AppStream finds fault with the entry"; status=1; }
fi

ours=1
apt install "$deb" || { echo "apt-get install failed"; exit 1; }
hash -r
[ "$(command -v duckview)" = /usr/bin/duckview ] || { echo "duckview is not on PATH after installing"; exit 1; }
man -w duckview >/dev/null 2>&1 || { echo "no manual page for duckview"; status=1; }
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
