#!/usr/bin/env bash
# The two-monitor tier: the end-to-end tests that need two monitors (tests/e2e/monitors_test.cpp),
# for the Windows program under Wine and for the native one, on the bare and the managed
# desktop, on a display of its own made by
# jellop_start --two-monitors (Xorg with the dummy driver), with a sound server and a Wine
# session of its own: a Wine session stays tied to the display it started on.
#   jellop_monitors_tier    runs the tier (in a subshell; stops what it starts)
# Run directly, it builds nothing: it runs the tier on the trees the presets built.

# In a subshell, so that its services and their variables stay out of the caller's shell. The
# caller stops its own Wine session first (jellop_stop).
jellop_monitors_tier() (
    local started=$SECONDS
    jellop_start --two-monitors || exit 1
    for desktop in bare managed; do
        jellop_desktop $desktop
        jellop_log "two-monitor end-to-end tests of the Windows program, $desktop desktop"
        ctest --preset e2e -R '^TwoMonitors\.'
        jellop_log "two-monitor end-to-end tests of the native program, $desktop desktop"
        JELLOP_E2E_PROGRAM=native ctest --preset e2e -R '^TwoMonitors\.'
    done
    jellop_log "the two-monitor tier took $((SECONDS - started)) s"
)

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    set -euo pipefail
    source "$(dirname "$0")/env.sh"
    cd "$JELLOP_ROOT"
    jellop_monitors_tier
fi
