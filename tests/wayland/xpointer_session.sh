#!/bin/bash
# The Wayland tier on compositors that tell no program where their pointer is: sway 1.7
# (wlroots) and weston 10, each headless with Xwayland, run by scripts/wayland.sh inside a
# private session bus with DISPLAY and WAYLAND_DISPLAY of the compositor set. Neither offers a
# way to move its pointer for X clients that Debian 12 packages, so X's pointer is moved (XTest):
# the pet follows the pointer X knows, over X windows (sway only: see below for weston).
# Neither cuts X windows to their shape, and neither shows a window's opacity.
# Needs COMPOSITOR (sway or weston), JELLOP, HELPER (wl_pointer_window), WORK. Exits with the
# number of failed checks.
set -u
here=$(cd "$(dirname "$0")" && pwd)
source "$here/session_lib.sh"

NATIVE=2040c0
helper_start native "$HELPER" "$NATIVE"
echo "native window: $(helper_read native)"
# The whole output, cut to the area afterwards. sway: grim's own area option (wlroots 0.15's
# region copy with the pixman renderer) gave the background where the native window was.
# weston: its screenshooter (weston runs with --debug to allow it) writes a PNG named by the time
# into the folder it runs in.
screenshot() {
    if [ "$COMPOSITOR" = sway ]; then
        grim -t ppm "$WORK/screen.ppm" || return
    else
        rm -rf "$WORK/shots" && mkdir "$WORK/shots" &&
            (cd "$WORK/shots" && timeout 10 weston-screenshooter) &&
            convert "$WORK"/shots/*.png "$WORK/screen.ppm" || return
    fi
    convert "$WORK/screen.ppm" -crop "${3}x$4+$1+$2" +repage "$5"
}
# X's pointer and buttons, by XTest.
move_pointer() { xdotool mousemove "$1" "$2"; echo "x $1 $2"; }
button() { xdotool "mouse$2" "$([ "$1" = left ] && echo 1 || echo 3)"; }
double_click() { xdotool click --repeat 2 --delay 100 1; }
# The pet vanishes at the end of its fade-out.
FADE_SHOWN=no

echo "the pet shows and follows the pointer X knows; one line says what it cannot do"
t0=$(date +%s%N)
start_pet "$WORK/pet.err" || fail "the pet did not show"
echo "  first seen at $FIRST_RECT, $(( ($(date +%s%N) - t0) / 1000000 )) ms after start"
check "it appears at its start place ($START_X,$START_Y)" at_start_place "$FIRST_RECT"
sleep 0.3
# The pet's window is transparent outside its shape.
picture=$(judge_picture "$WORK/$COMPOSITOR-pet.ppm" "$NATIVE" 2>&1)
check "$COMPOSITOR's picture: the pet is above the native window, which shows around it ($picture)" \
    test "$(grep -c '^FAIL' <<<"$picture")" -eq 0
# Said when the pet first reads the pointer, after its fade-in.
for _ in $(seq 50); do [ -s "$WORK/pet.err" ] && break; sleep 0.1; done
check "one line on standard error says what it cannot do ($(cat "$WORK/pet.err"))" \
    test "$(grep -c 'follows the pointer only over X windows: this compositor tells no program where the pointer is' "$WORK/pet.err")" -eq 1 -a "$(wc -l <"$WORK/pet.err")" -eq 1
if [ "$COMPOSITOR" = weston ]; then
    # weston's headless seat has no pointer, and Xwayland 22 crashes (a segmentation fault) when
    # X's pointer is moved without one.
    echo "  known: X's pointer cannot be moved here; the walk, drag and menu are not tried"
    stop_pet
else
    xdotool mousemove $T1X $T1Y
    read -r before after <<<"$(walk_for 3 $T1X $T1Y)"
    check "it walks towards X's pointer ($before -> $after px from it in 3 s)" \
        test $((before - after)) -ge 60
    echo "drag and menu, by X's pointer"
    check_drag
    check_menu_dies "$COMPOSITOR"
fi

helper_stop native
echo "$COMPOSITOR: $FAILURES failed"
exit "$FAILURES"
