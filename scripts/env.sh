#!/usr/bin/env bash
# The environment every build, test and run of Desktop Jellop needs, on a Debian 12 machine:
#   jellop_install      installs the Debian packages that are missing
#   jellop_start        starts a private X display (Xvfb), a PulseAudio server with a null sink,
#                       and a Wine prefix with a keep-alive program; exports what they need
#   jellop_stop         stops all of that, by process id (also run on exit by jellop_start)
# Source this file. State (pid files, the PulseAudio home, the Wine prefix) lives in
# $JELLOP_STATE, .jellop/ at the top of the tree unless set; the Wine keep-alive program is
# taken from $JELLOP_WINDOWS_BUILD, build/windows unless set.

JELLOP_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
JELLOP_STATE=${JELLOP_STATE:-$JELLOP_ROOT/.jellop}
JELLOP_WINDOWS_BUILD=${JELLOP_WINDOWS_BUILD:-$JELLOP_ROOT/build/windows}

JELLOP_PACKAGES=(cmake make g++ pkg-config clang mingw-w64 wine wine64 xvfb xdotool x11-utils
    pulseaudio pulseaudio-utils sox imagemagick googletest libbenchmark-dev libpixman-1-dev
    libstb-dev libx11-dev libxext-dev libxtst-dev)

jellop_log() { printf '[jellop] %s\n' "$*" >&2; }

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
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
}

jellop_free_display() {
    local n=90
    while [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ]; do n=$((n + 1)); done
    echo $n
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
    local n
    n=$(jellop_free_display)
    Xvfb :$n -screen 0 1280x1024x24 -nolisten tcp -ac </dev/null >/dev/null 2>&1 &
    echo $! >"$JELLOP_STATE/xvfb.pid"
    export DISPLAY=:$n
    jellop_wait_for 10 xdpyinfo || { jellop_log "Xvfb did not start"; return 1; }
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
    local keepalive=$JELLOP_WINDOWS_BUILD/tests/win32/wine_keepalive.exe
    if [ -f "$keepalive" ]; then
        wine "$keepalive" </dev/null >/dev/null 2>&1 &
        echo $! >"$JELLOP_STATE/keepalive.pid"
    fi
    # Start Wine's services now, with their output on /dev/null, not from a test program.
    wine wineboot </dev/null >/dev/null 2>&1
}

jellop_stop() {
    local pidfile
    for pidfile in keepalive pulse xvfb; do
        pidfile=$JELLOP_STATE/$pidfile.pid
        [ -f "$pidfile" ] || continue
        kill "$(cat "$pidfile")" 2>/dev/null
        rm -f "$pidfile"
    done
    [ -n "${WINEPREFIX:-}" ] && wineserver -k 2>/dev/null
    return 0
}

jellop_start() {
    mkdir -p "$JELLOP_STATE"
    trap jellop_stop EXIT
    trap 'exit 130' INT TERM
    jellop_start_display && jellop_start_sound && jellop_start_wine
}
