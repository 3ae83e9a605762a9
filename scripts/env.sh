#!/usr/bin/env bash
# The environment every build, test and run of Desktop Jellop needs, on a Debian 12 machine:
#   jellop_install      installs the Debian packages that are missing
#   jellop_start        starts a private X display (Xvfb), a PulseAudio server with a null sink,
#                       and a Wine prefix with a keep-alive program; exports what they need
#   jellop_stop         stops all of that, by process id (also run on exit by jellop_start)
# Source this file. State (pid files, the PulseAudio home, the Wine prefix) lives in
# $JELLOP_STATE, .jellop/ at the top of the tree unless set; the Wine keep-alive program is
# taken from $JELLOP_WINDOWS_BUILD, build/windows unless set (the end-to-end tests read it too).

JELLOP_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export JELLOP_STATE=${JELLOP_STATE:-$JELLOP_ROOT/.jellop}
export JELLOP_WINDOWS_BUILD=${JELLOP_WINDOWS_BUILD:-$JELLOP_ROOT/build/windows}

# Everything the scripts, the CMake files and the tests use, installed without the packages'
# recommendations; libclang-rt-14-dev (only recommended by clang) holds libFuzzer and clang's
# sanitizer run-times.
JELLOP_PACKAGES=(cmake make g++ pkg-config clang libclang-rt-14-dev mingw-w64 wine wine64 xvfb
    xdotool x11-utils pulseaudio pulseaudio-utils imagemagick googletest libbenchmark-dev
    libpixman-1-dev libstb-dev libx11-dev libxext-dev libxtst-dev)

jellop_log() { printf '[jellop] %s\n' "$*" >&2; }

# Configures a CMake preset. A build directory left by another configuration (another generator
# or toolchain) is configured afresh rather than failing the run.
jellop_configure() { # preset
    cmake --preset "$1" >/dev/null 2>&1 && return 0
    jellop_log "configuring preset $1 afresh"
    cmake --preset "$1" --fresh >/dev/null
}

jellop_install() {
    local missing=()
    for package in "${JELLOP_PACKAGES[@]}"; do
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

jellop_wait_for() { # seconds, command...
    local tries=$(($1 * 10)); shift
    until "$@" >/dev/null 2>&1; do
        tries=$((tries - 1))
        [ $tries -gt 0 ] || return 1
        sleep 0.1
    done
}

jellop_start_display() {
    local number=$JELLOP_STATE/xvfb.display
    rm -f "$number"
    # Xvfb picks a free display itself and writes its number once it takes connections: no
    # race with another server starting at the same time.
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -ac \
        3>"$number" </dev/null >/dev/null 2>&1 &
    echo $! >"$JELLOP_STATE/xvfb.pid"
    jellop_wait_for 10 grep -q . "$number" || { jellop_log "Xvfb did not start"; return 1; }
    DISPLAY=:$(head -n 1 "$number")
    export DISPLAY
}

jellop_start_sound() {
    export JELLOP_PULSE_HOME=$JELLOP_STATE/pulse
    mkdir -p "$JELLOP_PULSE_HOME/run" && chmod 700 "$JELLOP_PULSE_HOME/run"
    export XDG_RUNTIME_DIR=$JELLOP_PULSE_HOME/run
    export PULSE_SERVER=unix:$XDG_RUNTIME_DIR/pulse/native
    HOME=$JELLOP_PULSE_HOME pulseaudio -n --daemonize=no --exit-idle-time=-1 --disallow-exit \
        --load=module-native-protocol-unix \
        --load="module-null-sink sink_name=jellop norewinds=1 rate=44100 channels=2" \
        </dev/null >"$JELLOP_STATE/pulse.log" 2>&1 &
    echo $! >"$JELLOP_STATE/pulse.pid"
    jellop_wait_for 10 pactl info || { jellop_log "PulseAudio did not start"; return 1; }
    pactl set-default-sink jellop
}

jellop_start_wine() {
    export WINEPREFIX=$JELLOP_STATE/wineprefix
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        jellop_log "creating the Wine prefix"
        wine wineboot -i </dev/null >/dev/null 2>&1
        wineserver -w
    fi
    # Start Wine's services now, with their output on /dev/null, not from a test program.
    wine wineboot </dev/null >/dev/null 2>&1
    local keepalive=$JELLOP_WINDOWS_BUILD/tests/win32/wine_keepalive.exe
    if [ -f "$keepalive" ]; then
        # Its output goes to a file (a pipe would be held open by the processes it starts).
        wine "$keepalive" </dev/null >"$JELLOP_STATE/keepalive.out" 2>/dev/null &
        echo $! >"$JELLOP_STATE/keepalive.pid"
        jellop_wait_for 60 grep -q ready "$JELLOP_STATE/keepalive.out" ||
            { jellop_log "the Wine keep-alive program did not start"; return 1; }
    fi
}

jellop_stop() {
    local pidfile
    for pidfile in keepalive pulse xvfb; do
        pidfile=$JELLOP_STATE/$pidfile.pid
        [ -f "$pidfile" ] || continue
        kill "$(cat "$pidfile")" 2>/dev/null || true # it may have ended already
        rm -f "$pidfile"
    done
    if [ -n "${WINEPREFIX:-}" ]; then
        wineserver -k 2>/dev/null || true
    fi
}

jellop_start() {
    mkdir -p "$JELLOP_STATE"
    trap jellop_stop EXIT
    trap 'exit 130' INT TERM
    jellop_start_display && jellop_start_sound && jellop_start_wine
}
