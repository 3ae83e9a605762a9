#!/usr/bin/env bash
# The Wayland tier: the native pet under real Wayland compositors started headless, each with
# Xwayland, checked from outside as a user would see it (tests/wayland/*_session.sh): KWin on
# its virtual backend (output scale 1 and 2), GNOME Shell headless, sway and weston headless; and both forms
# of the GNOME Shell extension in gjs. Installs the compositors and what the tier builds with,
# builds the program and the tier's native window (build/linux), runs each compositor in a
# private session bus, home and runtime folder, and fails when any check fails. The
# compositors' logs and pictures are kept in build/linux/wayland/.
#   scripts/wayland.sh            every compositor
#   scripts/wayland.sh kwin       one (kwin, kwin-scale2, gnome, gnome-extension, sway, weston)
set -euo pipefail
source "$(dirname "$0")/env.sh"
cd "$JELLOP_ROOT"

JELLOP_WAYLAND_PACKAGES=(kwin-wayland gnome-shell gjs sway swaybg weston grim x11-xserver-utils xwayland plasma-wayland-protocols
    wayland-protocols libwayland-dev libsystemd-dev python3-dbus dbus util-linux xdotool x11-utils
    imagemagick)

jellop_wayland_install() {
    jellop_install_packages "${JELLOP_WAYLAND_PACKAGES[@]}"
}

# KWin 5.27 with its virtual backend. Its binary carries a file capability that exec refuses
# here: a copy (cp drops it) named kwin_wayland, as KWin's platform plugin requires, runs.
# The native window may use KWin's fake input once a .desktop file names it; the screenshot
# interface is opened with KWin's own switch for that (this is a private session).
# kwin-scale2: the same at output scale 2 (1280 x 800 logical pixels, 2560 x 1600 device ones).
jellop_wayland_kwin() { # run folder [scale]
    local scale=${2:-1} name=kwin helper
    [ "$scale" = 1 ] || name=kwin-scale$scale
    local run=$1/$name
    helper=$(readlink -f build/linux/tests/wayland/wl_pointer_window)
    local work=$JELLOP_ROOT/build/linux/wayland/$name # pictures and logs, kept
    rm -rf "$work"
    mkdir -p "$run/bin" "$run/home" "$run/runtime" "$run/data/applications" "$work"
    chmod 700 "$run/runtime"
    cp /usr/bin/kwin_wayland "$run/bin/kwin_wayland"
    printf '%s\n' '[Desktop Entry]' Type=Application 'Name=jellop tests' "Exec=$helper" \
        X-KDE-Wayland-Interfaces=org_kde_kwin_fake_input >"$run/data/applications/jellop-tests.desktop"
    # The session's output comes back through descriptors 3 and 4 (KWin drops its program's
    # standard output); KWin's own log goes to a file, shown when the tier fails.
    local status=0
    exec 5>&1 6>&2
    timeout -k 5 300 env -i PATH=/usr/bin:/bin HOME="$run/home" XDG_RUNTIME_DIR="$run/runtime" \
        XDG_DATA_HOME="$run/data" XDG_CACHE_HOME="$run/home/.cache" \
        KWIN_SCREENSHOT_NO_PERMISSION_CHECKS=1 \
        JELLOP="$JELLOP_ROOT/build/linux/jellop" HELPER="$helper" WORK="$work" \
        dbus-run-session -- "$run/bin/kwin_wayland" --virtual --xwayland \
        --width 1280 --height 800 --scale "$scale" \
        --socket jellop-kwin-$$ --no-lockscreen --exit-with-session \
        "$JELLOP_ROOT/tests/wayland/kwin_session.sh" 3>&5 4>&6 >"$work/kwin.log" 2>&1 || status=$?
    exec 5>&- 6>&-
    jellop_wayland_end KWin "" "$work/kwin.log" $status
}

# GNOME Shell 43 headless (tests/wayland/gnome_session.sh). The shell needs a system bus and
# must not find /run/systemd/seats (it would then expect logind): a mount namespace hides
# /run/systemd and gets a system bus of its own, stopped by its pid at the end.
jellop_wayland_gnome() { # run folder
    local run=$1/gnome helper status=0
    helper=$(readlink -f build/linux/tests/wayland/wl_pointer_window)
    local work=$JELLOP_ROOT/build/linux/wayland/gnome
    rm -rf "$work"
    mkdir -p "$run/home" "$run/runtime" "$work"
    chmod 700 "$run/runtime"
    timeout -k 5 300 env -i PATH=/usr/bin:/bin HOME="$run/home" XDG_RUNTIME_DIR="$run/runtime" \
        JELLOP="$JELLOP_ROOT/build/linux/jellop" HELPER="$helper" WORK="$work" \
        dbus-run-session -- unshare -m bash -c '
            if [ -d /run/systemd ]; then mount -t tmpfs none /run/systemd || exit 1; fi
            mkdir -p /run/dbus && mount -t tmpfs none /run/dbus || exit 1
            dbus-daemon --system --fork --print-pid=3 3>"$WORK/system-bus.pid" || exit 1
            "$0"; status=$?
            kill "$(cat "$WORK/system-bus.pid")"
            exit $status' "$JELLOP_ROOT/tests/wayland/gnome_session.sh" 2>"$work/session.log" ||
        status=$?
    jellop_wayland_end "GNOME Shell" "" "$work/gnome-shell.log" $status
}

# sway 1.7 headless with Xwayland. sway refuses to run as root: it runs as nobody, lets root's
# X clients in (xhost) and writes its X display's name where the session script finds it.
jellop_wayland_sway() { # run folder
    local run=$1/sway status=0 pid
    local work=$JELLOP_ROOT/build/linux/wayland/sway
    rm -rf "$work"
    mkdir -p "$run/home" "$run/runtime" "$work"
    chmod 755 "$1" "$run"
    chmod 700 "$run/runtime"
    chown nobody:nogroup "$run/home" "$run/runtime"
    cat >"$run/config" <<CONFIG
output HEADLESS-1 resolution 1280x800 bg #203040 solid_color
xwayland enable
exec sh -c 'xhost +si:localuser:root >/dev/null; printf %s "\$DISPLAY" > $run/runtime/display'
CONFIG
    chmod 644 "$run/config"
    env -i PATH=/usr/bin:/bin HOME="$run/home" XDG_RUNTIME_DIR="$run/runtime" \
        WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
        timeout -k 5 300 setpriv --reuid=nobody --regid=nogroup --clear-groups \
        sway -c "$run/config" >"$work/sway.log" 2>&1 &
    pid=$!
    if jellop_wait_for 20 test -s "$run/runtime/display"; then
        # Root's clients have a runtime folder of their own (PulseAudio's client complains
        # about one owned by another user).
        mkdir -p "$run/root-runtime" && chmod 700 "$run/root-runtime"
        jellop_wayland_xpointer_session sway DISPLAY="$(cat "$run/runtime/display")" \
            WAYLAND_DISPLAY="$run/runtime/wayland-1" XDG_RUNTIME_DIR="$run/root-runtime" \
            HOME="$run/home" || status=$?
    else
        jellop_log "sway did not start"
        status=1
    fi
    jellop_wayland_end sway "$pid" "$work/sway.log" $status
}

# weston 10 headless with Xwayland (tests/wayland/xpointer_session.sh, as for sway): the pixman
# renderer, so that the output has pixels, and --debug, which lets weston-screenshooter take
# pictures of it. weston starts Xwayland at the first X client and names its display in its log.
jellop_wayland_weston() { # run folder
    local run=$1/weston status=0 pid display
    local work=$JELLOP_ROOT/build/linux/wayland/weston
    rm -rf "$work"
    mkdir -p "$run/home" "$run/runtime" "$work"
    chmod 700 "$run/runtime"
    env -i PATH=/usr/bin:/bin HOME="$run/home" XDG_RUNTIME_DIR="$run/runtime" \
        timeout -k 5 300 weston --backend=headless-backend.so --use-pixman --xwayland \
        --socket=jellop-weston --width=1280 --height=800 --debug --log="$work/weston.log" \
        >"$work/weston.out" 2>&1 &
    pid=$!
    if jellop_wait_for 20 grep -q "xserver listening on display" "$work/weston.log"; then
        display=$(grep -o "xserver listening on display :[0-9]*" "$work/weston.log" | grep -o ':[0-9]*$')
        jellop_wayland_xpointer_session weston DISPLAY="$display" WAYLAND_DISPLAY=jellop-weston \
            XDG_RUNTIME_DIR="$run/runtime" HOME="$run/home" || status=$?
    else
        jellop_log "weston did not start"
        status=1
    fi
    jellop_wayland_end weston "$pid" "$work/weston.log" $status
}

# tests/wayland/xpointer_session.sh on `compositor`, in a private session bus with the
# compositor's DISPLAY, WAYLAND_DISPLAY and the rest given as assignments.
jellop_wayland_xpointer_session() { # compositor, assignments...
    local compositor=$1 work=$JELLOP_ROOT/build/linux/wayland/$1
    shift
    env -i PATH=/usr/bin:/bin "$@" JELLOP="$JELLOP_ROOT/build/linux/jellop" \
        HELPER="$(readlink -f build/linux/tests/wayland/wl_pointer_window)" WORK="$work" \
        COMPOSITOR="$compositor" dbus-run-session -- \
        "$JELLOP_ROOT/tests/wayland/xpointer_session.sh" 2>"$work/session.log"
}

# Stops a compositor's run (its process `pid`, if it still runs in the background) and, when the
# run failed, shows the end of its log; the run's status.
jellop_wayland_end() { # compositor, pid or "", log, status
    if [ -n "$2" ]; then
        kill "$2" 2>/dev/null
        wait "$2" 2>/dev/null
    fi
    if [ "$4" -ne 0 ]; then
        jellop_log "$1 tier failed ($4); the end of its log:"
        grep -v '^$' "$3" | tail -n 15 >&2
    fi
    return "$4"
}

jellop_wayland_kwin-scale2() { jellop_wayland_kwin "$1" 2; }

# Both forms of the GNOME Shell extension in gjs, the shell's parts stood in for
# (tests/wayland/gnome_extension_forms.js): the only run of the form for GNOME 45 and later,
# which Debian 12 does not have.
jellop_wayland_gnome-extension() { # run folder
    timeout -k 5 60 env -i PATH=/usr/bin:/bin HOME="$1" \
        GI_TYPELIB_PATH="$(echo /usr/lib/*/mutter-11)" \
        dbus-run-session -- gjs -m tests/wayland/gnome_extension_forms.js \
        "$JELLOP_ROOT/resources/linux/gnome-shell" 2>/dev/null
}

jellop_wayland_install
jellop_configure linux
cmake --build --preset linux --target jellop wl_pointer_window
run=$(mktemp -d "${TMPDIR:-/tmp}/jellop-wayland.XXXXXX")
trap 'rm -rf "$run"' EXIT
failed=0
for compositor in ${@:-kwin kwin-scale2 gnome gnome-extension sway weston}; do
    started=$(date +%s)
    jellop_log "the Wayland tier on $compositor"
    "jellop_wayland_$compositor" "$run" || failed=1
    jellop_log "$compositor: $(($(date +%s) - started)) s"
done
exit $failed
