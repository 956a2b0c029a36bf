#!/usr/bin/env bash
# newcomer_test.sh SOURCE-DIR WORK-DIR: the README's first commands on a
# bare Debian 12, as a newcomer meets them. In a minbase root made by
# debootstrap (kept in WORK-DIR as a tarball and made again when missing),
# with the source tree copied in (without build/) and a clean environment
# with no display, as root:
#   1. scripts/run installs what the program needs, builds it and prints a
#      screenshot that must show the duck: its red body on the blue ground;
#   2. with only what that installed, a plain "cmake -DBUILD_TESTING=OFF"
#      configures, builds and installs the program and its files;
#   3. scripts/run web does the same for the page.
# It prints the time from start to screenshot and what each command
# installed. The root trusts the certificates this machine trusts (its
# extra CA files go to the root's system store and to npm).
# Exits 77 (skipped) where it cannot run: not root, or no network to the
# package mirror; with DUCKVIEW_CI set, a skip is a failure.
set -euo pipefail

SRC=$(cd "$1" && pwd -P)
mkdir -p "$2"
WORK=$(cd "$2" && pwd -P)
SUITE=bookworm
MIRROR=${DV_DEBIAN_MIRROR:-http://deb.debian.org/debian}
PRISTINE=$WORK/minbase-$SUITE.tar
ROOTFS=$WORK/root
# Downloaded packages are kept between runs (they are the mirror's files,
# not part of the root).
ARCHIVES=$WORK/apt-archives
CHECKOUT=/root/duckview

# What the program's own install puts under its prefix, one file a line.
INSTALLED_FILES="
bin/duckview
share/applications/duckview.desktop
share/icons/hicolor/16x16/apps/duckview.png
share/icons/hicolor/32x32/apps/duckview.png
share/icons/hicolor/48x48/apps/duckview.png
share/icons/hicolor/64x64/apps/duckview.png
share/icons/hicolor/128x128/apps/duckview.png
share/icons/hicolor/256x256/apps/duckview.png
share/man/man6/duckview.6.gz
share/doc/duckview/copyright
share/doc/duckview/changelog.gz
share/metainfo/invalid.duckview.duckview.metainfo.xml
"

step() { printf '\n== %s\n' "$*"; }
fail() { printf '\nFAILED: %s\n' "$*"; exit 1; }
skip() {
  if [ -n "${DUCKVIEW_CI:-}" ]; then
    fail "the newcomer test cannot run here, and in CI it must: $*"
  fi
  printf 'SKIPPED: %s\n' "$*"
  exit 77
}

[ "$(id -u)" -eq 0 ] || skip "not root (making a Debian root and changing into it needs root)"
for tool in debootstrap chroot convert; do
  command -v "$tool" >/dev/null || fail "$tool is missing here (scripts/test installs it)"
done
# The mirror answers HTTP: "scheme://host[:port]/path".
mirror_host=${MIRROR#*://}
mirror_host=${mirror_host%%/*}
mirror_port=80
case $mirror_host in *:*) mirror_port=${mirror_host##*:} mirror_host=${mirror_host%:*} ;; esac
timeout 10 bash -c "exec 3<>/dev/tcp/$mirror_host/$mirror_port" 2>/dev/null \
  || skip "no network to the package mirror $MIRROR"

# mounts_under DIR: the mount points at or below DIR, deepest first.
mounts_under() {
  awk -v dir="$1" '$5 == dir || index($5, dir "/") == 1 { print $5 }' /proc/self/mountinfo | sort -r
}

# end_root_processes: ends every process whose root directory is the
# Debian root (all of them started here, through chroot).
end_root_processes() {
  local signal pid
  for signal in TERM KILL; do
    for pid in $(ls /proc | grep -x '[0-9]*'); do
      [ "$(readlink "/proc/$pid/root" 2>/dev/null)" = "$ROOTFS" ] && kill -s "$signal" "$pid" 2>/dev/null || true
    done
    sleep 1
  done
}

# unmount_root: unbinds everything mounted in the root; fails if anything
# stays mounted.
unmount_root() {
  local mount
  for mount in $(mounts_under "$ROOTFS"); do
    umount "$mount" 2>/dev/null || umount -l "$mount" || true
  done
  [ -z "$(mounts_under "$ROOTFS")" ]
}

cleanup() {
  local status=$?
  end_root_processes
  if ! unmount_root; then
    printf 'FAILED: still mounted in the root:\n%s\n' "$(mounts_under "$ROOTFS")"
    status=1
  fi
  # A passing run's root is of no further use; a failing one stays for a look.
  [ "$status" -ne 0 ] || rm -rf --one-file-system "$ROOTFS"
  exit "$status"
}

# A root left mounted by a run that was killed is unmounted before the new
# one replaces it (never deleted while anything is bound in it).
unmount_root || fail "cannot unmount what an earlier run left mounted in $ROOTFS"
trap cleanup EXIT
trap 'exit 130' INT TERM

if [ ! -s "$PRISTINE" ]; then
  step "making a bare Debian $SUITE (debootstrap --variant=minbase, $MIRROR)"
  rm -rf --one-file-system "$WORK/debootstrap"
  timeout 900 debootstrap --variant=minbase "$SUITE" "$WORK/debootstrap" "$MIRROR" >"$WORK/debootstrap.log" 2>&1 \
    || { tail -20 "$WORK/debootstrap.log"; fail "debootstrap"; }
  tar -C "$WORK/debootstrap" -cf "$PRISTINE.part" . && mv "$PRISTINE.part" "$PRISTINE"
  rm -rf --one-file-system "$WORK/debootstrap"
fi

step "a fresh root from $PRISTINE, the source tree in $CHECKOUT"
rm -rf --one-file-system "$ROOTFS"
mkdir -p "$ROOTFS" "$ARCHIVES"
tar -C "$ROOTFS" -xf "$PRISTINE"
mkdir -p "$ROOTFS$CHECKOUT"
# The tree as git has it, working changes included, or else everything
# but the build directories.
if git -c safe.directory="$SRC" -C "$SRC" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  git -c safe.directory="$SRC" -C "$SRC" ls-files -z --cached --others --exclude-standard \
    | (cd "$SRC" && while IFS= read -r -d '' file; do if [ -e "$file" ]; then printf '%s\0' "$file"; fi; done) \
    | tar -C "$SRC" --null -T - -cf - | tar -C "$ROOTFS$CHECKOUT" -xf -
else
  tar -C "$SRC" --exclude=./build --exclude=./out --exclude=./.git --exclude=node_modules -cf - . \
    | tar -C "$ROOTFS$CHECKOUT" -xf -
fi
cp /etc/resolv.conf "$ROOTFS/etc/resolv.conf"
# The certificates this machine trusts: its own extra CA files where
# Debian's ca-certificates takes them in (when a package pulls it in), the
# whole bundle meanwhile, and npm told to use the system's bundle.
mkdir -p "$ROOTFS/usr/local/share/ca-certificates" "$ROOTFS/etc/ssl/certs"
find /usr/local/share/ca-certificates -name '*.crt' -exec cp {} "$ROOTFS/usr/local/share/ca-certificates/" \;
[ ! -f /etc/ssl/certs/ca-certificates.crt ] || cp /etc/ssl/certs/ca-certificates.crt "$ROOTFS/etc/ssl/certs/"
printf 'cafile=/etc/ssl/certs/ca-certificates.crt\n' >"$ROOTFS/root/.npmrc"
# Services that packages would start stay down: in a chroot they would
# outlive the test.
printf '#!/bin/sh\nexit 101\n' >"$ROOTFS/usr/sbin/policy-rc.d"
chmod +x "$ROOTFS/usr/sbin/policy-rc.d"

for dir in proc sys dev; do
  mount --rbind "/$dir" "$ROOTFS/$dir"
  mount --make-rslave "$ROOTFS/$dir"
done
mount --bind "$ARCHIVES" "$ROOTFS/var/cache/apt/archives"

# in_root COMMAND [SECONDS]: runs a shell command in the root as its root
# user would from a fresh login: clean environment, no display. It is
# stopped after SECONDS (ten minutes if not given), so that this script,
# not the test's timeout, ends it and unbinds the root.
in_root() {
  timeout --kill-after=30 "${2:-600}" env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    HOME=/root TERM=dumb chroot "$ROOTFS" /bin/bash -c "$1"
}

# installed: how many packages the root has, and their size in KB.
installed() {
  in_root "dpkg-query -W -f '\${Installed-Size}\n'" | awk '{ kb += $1 } END { print NR, kb }'
}

# newcomer NAME COMMAND SECONDS: runs COMMAND in the root from / (stopped
# after SECONDS) and reports how long it took to print its screenshot and
# what it installed; SHOT is then the screenshot's path on this side.
newcomer() {
  local name="$1" command="$2" before after shot start=$SECONDS status
  shot="$WORK/$(printf '%s' "$name" | tr ' /' '--').shot"
  step "$command (in the root, from /)"
  before=$(installed)
  rm -f "$shot" "$shot.status"
  # In the background, so that a signal to this script stops the wait (and
  # the clean-up ends the command) instead of waiting for it.
  {
    in_root "cd / && $command" "$3" 2>&1
    echo $? >"$shot.status"
  } | while IFS= read -r line; do
    printf '  | %s\n' "$line"
    case $line in
      "screenshot of the spinning duck: "*) printf '%s %s\n' $((SECONDS - start)) "${line#*: }" >"$shot" ;;
    esac
  done &
  wait $!
  status=$(cat "$shot.status")
  after=$(installed)
  read -r before_count before_kb <<<"$before"
  read -r after_count after_kb <<<"$after"
  printf '%s installed %d packages, %d MB\n' "$name" $((after_count - before_count)) \
    $(((after_kb - before_kb + 512) / 1024))
  [ "$status" -eq 0 ] || fail "$command exited with code $status"
  [ -s "$shot" ] || fail "$command printed no screenshot"
  read -r seconds SHOT <"$shot"
  SHOT=$ROOTFS$SHOT
  printf '%s: %d s from start to screenshot\n' "$name" "$seconds"
}

# shows_duck PNG: the duck's red body and the blue ground around it, in
# pixels whose one channel stands clear of the other two. The viewer's
# square (230 pixels wide on a 768-line screen) has about 7,000 red and
# 39,000 blue ones.
shows_duck() {
  local red blue
  red=$(convert "$1" -fx 'r > g + 0.2 && r > b + 0.2' -format '%[fx:round(mean*w*h)]' info:)
  blue=$(convert "$1" -fx 'b > r + 0.2 && b > g + 0.2' -format '%[fx:round(mean*w*h)]' info:)
  echo "$(basename "$1"): $red red pixels, $blue blue"
  [ "$red" -ge 2000 ] && [ "$blue" -ge 20000 ]
}

newcomer scripts/run "$CHECKOUT/scripts/run" 900
shows_duck "$SHOT" || fail "the screenshot does not show the duck: $SHOT"

step "cmake -DBUILD_TESTING=OFF with only what scripts/run installed"
packages=$(installed)
in_root "cmake -S $CHECKOUT -B /tmp/product -DBUILD_TESTING=OFF >/tmp/product.log 2>&1 \
  && cmake --build /tmp/product >>/tmp/product.log 2>&1 \
  && cmake --install /tmp/product --prefix /tmp/prefix >>/tmp/product.log 2>&1" \
  || { tail -30 "$ROOTFS/tmp/product.log"; fail "configuring, building or installing the program alone"; }
[ "$(installed)" = "$packages" ] || fail "the build installed packages"
for file in $INSTALLED_FILES; do
  [ -s "$ROOTFS/tmp/prefix/$file" ] || fail "cmake --install did not install $file"
done
[ -x "$ROOTFS/tmp/prefix/bin/duckview" ] || fail "the installed duckview is not executable"
echo "installed: $(echo $INSTALLED_FILES)"

newcomer "scripts/run web" "$CHECKOUT/scripts/run web" 1200
shows_duck "$SHOT" || fail "the page's screenshot does not show the duck: $SHOT"
# The page as a host gets it, with what makes it work offline.
for file in duckview.html duckview.js duckview.wasm duckview.webmanifest duckview-sw.js; do
  [ -s "$ROOTFS$CHECKOUT/build/web/$file" ] || fail "scripts/run web did not make $file"
done
echo "the newcomer's commands work on a bare Debian $SUITE"
