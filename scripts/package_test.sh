#!/usr/bin/env bash
# The packages users install, tested as users get them:
# - the Windows .zip (cpack in build/windows) holds jellop.exe, its two sounds and a README, in
#   one folder;
# - the native pet's .deb (cpack in build/linux) installs in a fresh Debian 12 root with the
#   dependencies it names, and the pet starts from there on a private X display: what the
#   package holds must be all the program needs on a machine with nothing else of the project.
#
#   scripts/package_test.sh   (after the windows and linux presets have been built; needs root
#                              or sudo for debootstrap, chroot and the bind mounts of the X and
#                              sound sockets)
#
# In the root: apt installs the package; the program, its link in /usr/bin, the sounds beside it
# (links into /usr/share/jellop), the .desktop file and the icons are where the desktop looks for
# them; the KWin script and the GNOME Shell extension of Wayland sessions are where the program
# and the shell look for them; the installed pet's window appears and walks after the pointer.
set -euo pipefail
source "$(dirname "$0")/env.sh"
cd "$JELLOP_ROOT"

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
failures=0
expect() { # description, command...
    local what=$1; shift
    if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failures=$((failures + 1)); fi
}

windows=${JELLOP_WINDOWS_BUILD:-$JELLOP_ROOT/build/windows}
(cd "$windows" && rm -f jellop-*.zip && cpack -G ZIP >/dev/null)
zip=$(ls "$windows"/jellop-*.zip | head -n 1)
folder=$(basename "$zip" .zip)
expect "$(basename "$zip") holds the program, its sounds and a README" test \
    "$(unzip -Z1 "$zip" | sort | tr '\n' ' ')" = \
    "$folder/README.txt $folder/jellop.exe $folder/jellop_die.wav $folder/jellop_move.wav "

build=${JELLOP_LINUX_BUILD:-$JELLOP_ROOT/build/linux}
(cd "$build" && rm -f jellop_*.deb && cpack -G DEB >/dev/null)
deb=$(ls "$build"/jellop_*.deb | head -n 1)
jellop_log "installing $(basename "$deb") in a fresh Debian 12 root"

# A display and a sound server of this script's own; no Wine (a prefix another run of the
# test command holds is none of this script's business).
unset WINEPREFIX
jellop_start --no-wine
root=$JELLOP_RUN/debroot
mounts=()
pet=""
cleanup() {
    [ -n "$pet" ] && { kill "$pet" 2>/dev/null || true; wait "$pet" 2>/dev/null || true; }
    local mount
    for mount in "${mounts[@]}"; do "${sudo[@]}" umount "$mount" || true; done
    # The run folder is removed with everything in it: never while a socket folder of the
    # host is still mounted inside.
    for mount in "${mounts[@]}"; do
        if mountpoint -q "$mount"; then
            jellop_log "$mount is still mounted: the root is left in $root"
            JELLOP_RUN=
            return
        fi
    done
    [ -d "$root" ] && "${sudo[@]}" rm -rf --one-file-system "$root"
    jellop_stop
}
trap cleanup EXIT

mirror=$(awk '/^URIs:/ { print $2; exit }' /etc/apt/sources.list.d/debian.sources 2>/dev/null) ||
    true
"${sudo[@]}" debootstrap --variant=minbase bookworm "$root" "${mirror:-http://deb.debian.org/debian}" \
    >"$JELLOP_RUN/debootstrap.log" 2>&1 ||
    { tail -n 20 "$JELLOP_RUN/debootstrap.log"; exit 1; }
"${sudo[@]}" cp /etc/resolv.conf "$root/etc/resolv.conf"
"${sudo[@]}" cp "$deb" "$root/tmp/jellop.deb"
in_root() { "${sudo[@]}" chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin "$@"; }
in_root apt-get update -qq >/dev/null
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    /tmp/jellop.deb >"$JELLOP_RUN/apt.log" 2>&1 || { tail -n 20 "$JELLOP_RUN/apt.log"; exit 1; }

expect "/usr/bin/jellop runs the program" \
    test "$(in_root readlink -f /usr/bin/jellop)" = /usr/lib/jellop/jellop
for sound in jellop_move.wav jellop_die.wav; do
    expect "$sound lies beside the program" in_root test -s /usr/lib/jellop/$sound
    expect "$sound is data of /usr/share/jellop" \
        test "$(in_root readlink -f /usr/lib/jellop/$sound)" = /usr/share/jellop/$sound
done
expect "the menu entry" in_root grep -qx 'Exec=jellop' /usr/share/applications/jellop.desktop
for size in 32x32 128x128; do
    expect "the $size icon" in_root test -s /usr/share/icons/hicolor/$size/apps/jellop.png
done
expect "the KWin script lies beside the program" \
    test "$(in_root readlink -f /usr/lib/jellop/jellop-kwin-pointer.js)" = /usr/share/jellop/jellop-kwin-pointer.js
for uuid in jellop-pointer-43@desktopjellop.org jellop-pointer@desktopjellop.org; do
    expect "the GNOME Shell extension $uuid, for every user" in_root grep -q "\"uuid\": \"$uuid\"" \
        /usr/share/gnome-shell/extensions/$uuid/metadata.json
done

# The display's and the sound server's sockets, seen inside the root.
for dir in /tmp/.X11-unix "$XDG_RUNTIME_DIR/pulse"; do
    "${sudo[@]}" mkdir -p "$root/$dir"
    "${sudo[@]}" mount --bind "$dir" "$root/$dir"
    mounts+=("$root/$dir")
done
in_root env DISPLAY="$DISPLAY" PULSE_SERVER="$PULSE_SERVER" /usr/bin/jellop \
    >"$JELLOP_RUN/pet.log" 2>&1 &
pet=$!
window=""
for _ in $(seq 1 300); do
    window=$(xdotool search --onlyvisible --name '^Form1$' 2>/dev/null | head -n 1) || true
    [ -n "$window" ] && break
    sleep 0.1
done
expect "the installed pet shows its window" test -n "$window"
position() { xwininfo -id "$1" | awk '/Absolute upper-left X/ { x = $NF }
    /Absolute upper-left Y/ { y = $NF } END { print x "," y }'; }
if [ -n "$window" ]; then
    # The pet walks after a pointer far from it.
    start=$(position "$window")
    xdotool mousemove 1200 1000
    walked=""
    for _ in $(seq 1 300); do
        [ "$(position "$window")" != "$start" ] && { walked=yes; break; }
        sleep 0.1
    done
    expect "the installed pet walks (from $start)" test -n "$walked"
fi
[ "$failures" -eq 0 ] || { cat "$JELLOP_RUN/pet.log"; exit 1; }
