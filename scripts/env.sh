#!/usr/bin/env bash
# The environment every build, test and run of Desktop Jellop needs, on a Debian 12 machine:
#   jellop_install      installs the Debian packages that are missing
#   jellop_start        starts a private X display (Xvfb), a PulseAudio server with a null sink,
#                       and a Wine prefix with a keep-alive program (not with --no-wine);
#                       exports what they need. With --two-monitors (or JELLOP_TWO_MONITORS=1)
#                       the display is Xorg with the dummy driver and two monitors instead
#                       (tests/e2e/desktop/xorg-two-monitors.conf), and JELLOP_DISPLAY_LAYOUT
#                       is exported as two-monitors for the tests that need that layout
#   jellop_desktop D    makes the display the desktop D: "bare" (Xvfb alone) or "managed"
#                       (openbox and the picom compositor, as users have); both get a background
#   jellop_manager [C]  starts a window manager (openbox, or the command C), replacing one
#   jellop_manager_end  stops it; jellop_compositor start|stop starts or stops picom
#   jellop_stop         stops all of that (also run on exit by jellop_start)
# Source this file. Each run keeps its pid files, display number and PulseAudio home in a
# folder of its own under $JELLOP_STATE (.jellop/ at the top of the tree unless set), so runs
# side by side never mix them up, and stops only processes it started and verified as its own.
# The Wine prefix $JELLOP_STATE/wineprefix is kept between runs; a run that finds it in use by
# another run makes a prefix of its own in its run folder. The Wine keep-alive program is taken
# from $JELLOP_WINDOWS_BUILD, build/windows unless set (the end-to-end tests read it too), and
# the desktop tool from $JELLOP_NATIVE_BUILD, build/native unless set.

JELLOP_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export JELLOP_STATE=${JELLOP_STATE:-$JELLOP_ROOT/.jellop}
export JELLOP_WINDOWS_BUILD=${JELLOP_WINDOWS_BUILD:-$JELLOP_ROOT/build/windows}
export JELLOP_NATIVE_BUILD=${JELLOP_NATIVE_BUILD:-$JELLOP_ROOT/build/native}

# Everything the scripts, the CMake files and the tests use, installed without the packages'
# recommendations; libclang-rt-14-dev (only recommended by clang) holds libFuzzer and clang's
# sanitizer run-times. openbox and picom make the managed desktop (icewm takes over from openbox
# in the desktop-fault tests); debootstrap, unzip, dpkg-dev and file build and test the packages;
# Xorg's dummy driver and xrandr make and change the two-monitor display.
JELLOP_PACKAGES=(cmake make g++ pkg-config clang libclang-rt-14-dev mingw-w64 wine wine64 xvfb
    xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils xdotool x11-utils pulseaudio
    pulseaudio-utils imagemagick googletest libbenchmark-dev libpixman-1-dev libstb-dev libx11-dev
    libxext-dev libxrandr-dev libxres-dev libxtst-dev libxft-dev libfontconfig-dev libpulse-dev
    libsystemd-dev fonts-dejavu-core openbox picom icewm gnuplot-nox debootstrap unzip dpkg-dev
    file)

# The colour of the test desktop's background (the tests measure opacity against it).
export JELLOP_BACKGROUND=${JELLOP_BACKGROUND:-204060}

jellop_log() { printf '[jellop] %s\n' "$*" >&2; }

# Configures a CMake preset. A build directory left by another configuration (another generator
# or toolchain) is configured afresh rather than failing the run.
jellop_configure() { # preset
    cmake --preset "$1" >/dev/null 2>&1 && return 0
    jellop_log "configuring preset $1 afresh"
    cmake --preset "$1" --fresh >/dev/null
}

# Installs those of the Debian packages named that are missing.
jellop_install_packages() { # package...
    local missing=() package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    jellop_log "installing: ${missing[*]}"
    "${sudo[@]}" apt-get update -qq
    # Through env, so that sudo does not drop the variable.
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq \
        --no-install-recommends "${missing[@]}" >/dev/null
}

jellop_install() {
    jellop_install_packages "${JELLOP_PACKAGES[@]}"
}

jellop_wait_for() { # seconds, command...
    local tries=$(($1 * 10)); shift
    until "$@" >/dev/null 2>&1; do
        tries=$((tries - 1))
        [ $tries -gt 0 ] || return 1
        sleep 0.1
    done
}

# Starts a command in the background as one of this run's services: its pid and the program
# it runs are noted in the run folder under `name`.
jellop_spawn() { # name, output file, command...
    local name=$1 output=$2; shift 2
    "$@" </dev/null >"$output" 2>&1 8>&- &
    printf '%s %s\n' $! "$(basename "$1")" >"$JELLOP_RUN/$name.pid"
}

# Stops the service `name` of this run, if it still runs the program it was started with (a
# pid that has ended may since have been given to somebody else's process).
jellop_kill() { # name
    local pidfile=$JELLOP_RUN/$1.pid pid program
    [ -f "$pidfile" ] || return 0
    read -r pid program <"$pidfile"
    rm -f "$pidfile"
    if [ "$(basename "$(readlink "/proc/$pid/exe" 2>/dev/null)")" = "$program" ] ||
        tr '\0' '\n' 2>/dev/null <"/proc/$pid/cmdline" | head -n 1 | grep -q "$program\$"; then
        kill "$pid" 2>/dev/null || true
        local tries=50
        while [ -d "/proc/$pid" ] && [ $tries -gt 0 ]; do sleep 0.1; tries=$((tries - 1)); done
    fi
}

jellop_start_display() {
    if [ "${JELLOP_TWO_MONITORS:-}" = 1 ]; then
        jellop_start_two_monitors
        return
    fi
    unset JELLOP_DISPLAY_LAYOUT
    local number=$JELLOP_RUN/xvfb.display
    # Xvfb picks a free display itself and writes its number once it takes connections: no
    # race with another server starting at the same time.
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -ac 3>"$number" </dev/null \
        >/dev/null 2>&1 &
    printf '%s Xvfb\n' $! >"$JELLOP_RUN/xvfb.pid"
    jellop_wait_for 10 grep -q . "$number" || { jellop_log "Xvfb did not start"; return 1; }
    DISPLAY=:$(head -n 1 "$number")
    export DISPLAY
}

# The display as two monitors side by side: Xorg with the dummy driver, the primary 1280x800
# at x=1280 and a second one 1280x800 at x=0 (Xvfb's RandR has a single output, and Wine
# counts monitors by RandR outputs). Xorg runs as root here; its log is xorg.log in the run
# folder. -noreset: the server outlives its last client, as Xvfb does.
jellop_start_two_monitors() {
    local number=$JELLOP_RUN/xorg.display
    local config=$JELLOP_ROOT/tests/e2e/desktop/xorg-two-monitors.conf
    Xorg -displayfd 3 -config "$config" -logfile "$JELLOP_RUN/xorg.log" -noreset -nolisten tcp \
        -ac 3>"$number" </dev/null >/dev/null 2>&1 8>&- &
    printf '%s Xorg\n' $! >"$JELLOP_RUN/xorg.pid"
    jellop_wait_for 20 grep -q . "$number" ||
        { jellop_log "Xorg did not start: see $JELLOP_RUN/xorg.log"; return 1; }
    DISPLAY=:$(head -n 1 "$number")
    export DISPLAY
    export JELLOP_DISPLAY_LAYOUT=two-monitors
}

jellop_start_sound() {
    export JELLOP_PULSE_HOME=$JELLOP_RUN/pulse
    mkdir -p "$JELLOP_PULSE_HOME/run" && chmod 700 "$JELLOP_PULSE_HOME/run"
    export XDG_RUNTIME_DIR=$JELLOP_PULSE_HOME/run
    export PULSE_SERVER=unix:$XDG_RUNTIME_DIR/pulse/native
    HOME=$JELLOP_PULSE_HOME jellop_spawn pulse "$JELLOP_RUN/pulse.log" pulseaudio -n \
        --daemonize=no --exit-idle-time=-1 --disallow-exit --load=module-native-protocol-unix \
        --load="module-null-sink sink_name=jellop norewinds=1 rate=44100 channels=2"
    jellop_wait_for 10 pactl info || { jellop_log "PulseAudio did not start"; return 1; }
    pactl set-default-sink jellop
}

# The prefix shared by runs, if no other run holds it; else one of this run's own. The lock
# (descriptor 8) is held until the shell ends.
jellop_choose_prefix() {
    local shared=$JELLOP_STATE/wineprefix
    exec 8>"$JELLOP_STATE/wineprefix.lock"
    if flock -n 8; then
        WINEPREFIX=$shared
    else
        jellop_log "the shared Wine prefix is in use by another run: using one of this run's own"
        exec 8>&-
        WINEPREFIX=$JELLOP_RUN/wineprefix
    fi
    export WINEPREFIX
}

# Chooses the prefix and makes it if these scripts have not made it yet (a prefix found
# without their mark, half made or made by something else, is made afresh).
jellop_prefix() {
    jellop_choose_prefix
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
    if [ ! -f "$WINEPREFIX/.made-by-jellop" ]; then
        jellop_log "creating the Wine prefix"
        rm -rf "$WINEPREFIX"
        wine wineboot -i </dev/null >/dev/null 2>&1 8>&-
        wineserver -w
        touch "$WINEPREFIX/.made-by-jellop"
    fi
}

jellop_start_wine() {
    jellop_prefix
    # Start Wine's services now, with their output on /dev/null, not from a test program.
    wine wineboot </dev/null >/dev/null 2>&1 8>&-
    # Without it Wine's helper processes end and start again between the tests: a missing
    # program fails the start rather than letting the Windows tiers run another way.
    local keepalive=$JELLOP_WINDOWS_BUILD/tests/win32/wine_keepalive.exe
    if [ ! -f "$keepalive" ]; then
        jellop_log "no Wine keep-alive program at $keepalive: build the windows preset" \
            "(or set JELLOP_WINDOWS_BUILD), or start with --no-wine"
        return 1
    fi
    # Its output goes to a file (a pipe would be held open by the processes it starts).
    jellop_spawn keepalive "$JELLOP_RUN/keepalive.out" wine "$keepalive"
    jellop_wait_for 60 grep -q ready "$JELLOP_RUN/keepalive.out" ||
        { jellop_log "the Wine keep-alive program did not start"; return 1; }
}

# The window that the running window manager names as its own on the root window
# (_NET_SUPPORTING_WM_CHECK), when that window names itself back; empty without one.
jellop_manager_window() {
    local id
    id=$(xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | sed -n 's/.*window id # //p')
    [ -n "$id" ] && xprop -id "$id" _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "# $id\$" &&
        echo "$id"
}

# Starts a window manager (openbox unless a command is given) as this run's manager, taking
# over from the one that runs, if any (the command then says --replace: openbox and icewm take
# the WM_S0 selection from it, and it ends), and waits until it has announced itself.
jellop_manager() { # [command...]
    [ $# -gt 0 ] || set -- openbox --sm-disable
    local before
    before=$(jellop_manager_window)
    # The manager taken over from should end by itself; kept on record until jellop_stop in
    # case it does not.
    if [ -f "$JELLOP_RUN/manager.pid" ]; then
        mv "$JELLOP_RUN/manager.pid" "$JELLOP_RUN/manager-replaced.$(date +%s%N).pid"
    fi
    jellop_spawn manager "$JELLOP_RUN/manager.log" "$@"
    jellop_wait_for 20 bash -c 'id=$(jellop_manager_window) && [ -n "$id" ] && [ "$id" != "$1" ]' \
        bash "$before" || { jellop_log "$1 did not take over as window manager"; return 1; }
}
export -f jellop_manager_window

# Stops this run's window manager and leaves the desktop without one. What it said of the
# windows goes with it: openbox, starting, gives the focus back to the window that the root's
# _NET_ACTIVE_WINDOW names, and a new window can have the id of one gone.
jellop_manager_end() {
    jellop_kill manager
    local property
    for property in _NET_SUPPORTING_WM_CHECK _NET_ACTIVE_WINDOW; do
        xprop -root -remove $property 2>/dev/null
    done
}

# Starts (start) or stops (stop) this run's compositor. A compositor that does not come up
# fails the call: opacity tests must not pass silently on a desktop without one. The
# background is set again after its start, which picom paints only when it is set after.
jellop_compositor() { # start | stop
    local tool=$JELLOP_NATIVE_BUILD/tests/e2e/jellop_desktop
    jellop_kill picom
    [ "$1" = stop ] && return 0
    jellop_spawn picom "$JELLOP_RUN/picom.log" picom --config /dev/null --backend xrender \
        --no-fading-openclose
    jellop_wait_for 20 "$tool" owner _NET_WM_CM_S0 ||
        { jellop_log "the compositor did not start"; return 1; }
    "$tool" background solid "$JELLOP_BACKGROUND"
}

# Makes the display the desktop `kind`. managed: openbox, then (once it has announced itself
# on the root window) the picom compositor, then the background.
jellop_desktop() { # bare | managed
    local tool=$JELLOP_NATIVE_BUILD/tests/e2e/jellop_desktop
    jellop_compositor stop
    jellop_manager_end
    case $1 in
    bare) ;;
    managed) jellop_manager && jellop_compositor start || return 1 ;;
    *) jellop_log "unknown desktop: $1"; return 1 ;;
    esac
    export JELLOP_DESKTOP=$1
    "$tool" background solid "$JELLOP_BACKGROUND"
}

jellop_stop() {
    [ -n "${JELLOP_RUN:-}" ] && [ -d "$JELLOP_RUN" ] || return 0
    local name pidfile
    for pidfile in "$JELLOP_RUN"/manager-replaced.*.pid; do
        [ -f "$pidfile" ] && jellop_kill "$(basename "$pidfile" .pid)"
    done
    for name in busy1 busy2 keepalive picom manager pulse xvfb xorg; do
        jellop_kill $name
    done
    # Wine's server only for a prefix this run holds and that these scripts made.
    if [ -n "${WINEPREFIX:-}" ] && [ -f "$WINEPREFIX/.made-by-jellop" ] &&
        { [ "$WINEPREFIX" = "$JELLOP_RUN/wineprefix" ] || flock -n 8 2>/dev/null; }; then
        wineserver -k 2>/dev/null || true
    fi
    rm -rf "$JELLOP_RUN"
    JELLOP_RUN=
}

jellop_start() { # [--no-wine] [--two-monitors]: without Wine; on the two-monitor display
    local wine=1 argument
    for argument in "$@"; do
        case $argument in
        --no-wine) wine= ;;
        --two-monitors) local JELLOP_TWO_MONITORS=1 ;;
        *) jellop_log "jellop_start: unknown option $argument"; return 1 ;;
        esac
    done
    mkdir -p "$JELLOP_STATE"
    JELLOP_RUN=$(mktemp -d "$JELLOP_STATE/run.XXXXXX")
    export JELLOP_RUN
    trap jellop_stop EXIT
    trap 'exit 130' INT TERM
    jellop_start_display && jellop_start_sound || return 1
    [ -z "$wine" ] || jellop_start_wine
}
