#!/usr/bin/env bash
# Runs every test tier: native (fake platform, sanitizers), x11 (the X11 backend's pieces, its
# PulseAudio sound and clipboard on the test display and sound server), linux (the backend
# contract on the X11 backend), win32 (under Wine), e2e (the real programs driven from
# outside: the Windows one under Wine and the native one) on a bare X desktop and on a managed
# one with a compositor, e2e there again with two busy loops taking the machine's cores, the
# two-monitor e2e tests of both programs on an X server with two monitors (scripts/monitors.sh),
# the packages (the .zip, and the .deb installed in a fresh Debian 12 root), the native program
# on Wayland compositors with Xwayland (scripts/wayland.sh), and a minute of fuzzing of every
# reader of outside data. Installs what is missing first.
# JELLOP_32BIT=1 (or auto) adds the 32-bit tier: scripts/wine32.sh.
set -euo pipefail
source "$(dirname "$0")/env.sh"
source "$(dirname "$0")/wine32.sh"
source "$(dirname "$0")/monitors.sh"
cd "$JELLOP_ROOT"

jellop_install
if jellop_wine32_wanted; then jellop_wine32_install; fi
for preset in native windows windows32 linux; do
    jellop_configure $preset
    cmake --build --preset $preset
done

jellop_start
jellop_desktop bare
ctest --preset native
jellop_log "the X11 pieces on a bare X desktop"
ctest --preset x11
jellop_log "the backend contract on X11, on a bare X desktop"
ctest --preset linux
ctest --preset windows
jellop_log "end-to-end tests on a bare X desktop"
ctest --preset e2e
jellop_log "end-to-end tests of the native program on a bare X desktop"
JELLOP_E2E_PROGRAM=native ctest --preset e2e
jellop_desktop managed
jellop_log "the X11 pieces on a managed desktop with a compositor"
ctest --preset x11
jellop_log "the backend contract on X11, on a managed desktop with a compositor"
ctest --preset linux
jellop_log "end-to-end tests on a managed desktop with a compositor"
ctest --preset e2e
jellop_log "end-to-end tests of the native program on a managed desktop with a compositor"
JELLOP_E2E_PROGRAM=native ctest --preset e2e
jellop_log "end-to-end tests on the managed desktop with two busy loops running"
jellop_spawn busy1 /dev/null sh -c 'while :; do :; done'
jellop_spawn busy2 /dev/null sh -c 'while :; do :; done'
ctest --preset e2e
JELLOP_E2E_PROGRAM=native ctest --preset e2e
jellop_kill busy1
jellop_kill busy2
if jellop_wine32_wanted; then jellop_wine32_tier; else jellop_wine32_skipped; fi
# The two-monitor tier brings a display, a sound server and a Wine session of its own.
jellop_stop
jellop_monitors_tier
scripts/package_test.sh
jellop_log "the native program on Wayland compositors (scripts/wayland.sh)"
scripts/wayland.sh
scripts/fuzz.sh 60
