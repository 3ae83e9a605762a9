#!/usr/bin/env bash
# Builds Desktop Jellop and starts it. With a display ($DISPLAY reachable) the pet runs on it
# until it dies: on Linux the native X11 program (build/linux/jellop), or with --windows the
# Windows program under Wine. Without a display it runs on a private virtual display, follows a
# scripted pointer, dies, and the run is saved as an animation: build/jellop.gif (from the
# native program, or with --windows from the Windows one).
set -euo pipefail
source "$(dirname "$0")/env.sh"
cd "$JELLOP_ROOT"

program=native
case "${1:-}" in
--windows) program=windows ;;
"") ;;
*)
    echo "usage: scripts/run.sh [--windows]" >&2
    exit 2
    ;;
esac

jellop_install
if [ "$program" = windows ]; then
    jellop_configure windows
    cmake --build --preset windows --target jellop wine_keepalive
else
    jellop_configure linux
    cmake --build --preset linux --target jellop
fi

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    [ "$program" = native ] && exec build/linux/jellop
    mkdir -p "$JELLOP_STATE"
    JELLOP_RUN=$(mktemp -d "$JELLOP_STATE/run.XXXXXX")
    jellop_prefix
    rmdir "$JELLOP_RUN" 2>/dev/null || true # kept only when it holds a prefix of its own
    exec wine build/windows/jellop.exe # keeps the prefix's lock while the pet lives
fi

jellop_log "no display: running on a virtual one and recording build/jellop.gif"
jellop_configure native
cmake --build --preset native --target jellop_desktop
# Wine (and its keep-alive program from the windows build) only for the Windows program.
if [ "$program" = windows ]; then jellop_start; else jellop_start --no-wine; fi
# not exec: the exit trap stops the services
JELLOP_RECORD_PROGRAM=$program "$JELLOP_ROOT/scripts/record.sh" "$JELLOP_ROOT/build/jellop.gif"
