#!/bin/bash
# The Wayland tier on sway 1.7 (wlroots, headless, with Xwayland): run by scripts/wayland.sh as
# root beside a sway run as another user (sway refuses root), with DISPLAY and WAYLAND_DISPLAY
# of that sway set, inside a private session bus. sway tells no program where its pointer is,
# and Debian 12 packages no protocol to move it for X clients, so X's pointer is moved
# (XWarpPointer): the pet follows the pointer X knows, over X windows.
# Needs JELLOP, HELPER (wl_pointer_window), WORK. Exits with the number of failed checks.
set -u
here=$(cd "$(dirname "$0")" && pwd)
source "$here/session_lib.sh"

NATIVE=2040c0
helper_start native "$HELPER" "$NATIVE"
echo "native window: $(helper_read native)"
# The whole output, cut to the area afterwards: grim's own area option (wlroots 0.15's region
# copy with the pixman renderer) gave the background where the native window was.
screenshot() {
    grim -t ppm "$WORK/screen.ppm" && convert "$WORK/screen.ppm" -crop "${3}x$4+$1+$2" +repage "$5"
}
# X's pointer and buttons, by XTest.
move_pointer() { xdotool mousemove "$1" "$2"; echo "x $1 $2"; }
button() { xdotool "mouse$2" "$([ "$1" = left ] && echo 1 || echo 3)"; }
double_click() { xdotool click --repeat 2 --delay 100 1; }
# sway shows no window's opacity: the pet vanishes at the end of its fade-out.
FADE_SHOWN=no

echo "the pet shows and follows the pointer X knows; one line says what it cannot do"
t0=$(date +%s%N)
start_pet "$WORK/sway.err" || fail "the pet did not show"
echo "  first seen at $FIRST_RECT, $(( ($(date +%s%N) - t0) / 1000000 )) ms after start"
check "it appears at its start place ($START_X,$START_Y)" at_start_place "$FIRST_RECT"
sleep 0.3
# sway does not cut X windows to their shape: the pet's window is transparent outside it.
picture=$(judge_picture "$WORK/sway-pet.ppm" "$NATIVE" 2>&1)
check "sway's picture: the pet is above the native window, which shows around it ($picture)" \
    test "$(grep -c '^FAIL' <<<"$picture")" -eq 0
xdotool mousemove $T1X $T1Y
read -r before after <<<"$(walk_for 3 $T1X $T1Y)"
check "it walks towards X's pointer ($before -> $after px from it in 3 s)" \
    test $((before - after)) -ge 60
check "one line on standard error says what it cannot do ($(cat "$WORK/sway.err"))" \
    test "$(grep -c 'follows the pointer only over X windows: this compositor tells no program where the pointer is' "$WORK/sway.err")" -eq 1 -a "$(wc -l <"$WORK/sway.err")" -eq 1
echo "drag and menu, by X's pointer"
check_drag
check_menu_dies sway

helper_stop native
echo "sway: $FAILURES failed"
exit "$FAILURES"
