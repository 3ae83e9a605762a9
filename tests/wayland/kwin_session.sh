#!/bin/bash
# The Wayland tier on KWin: run by scripts/wayland.sh as KWin's --exit-with-session program
# (KWin's virtual backend with Xwayland, DISPLAY and WAYLAND_DISPLAY set). Output goes to the
# descriptors 3 and 4 the caller left open (KWin drops the program's standard output).
# Needs JELLOP (the program), HELPER (wl_pointer_window, allowed KWin's fake input), WORK (a
# folder for pictures and logs). Exits with the number of failed checks.
exec 1>&3 2>&4 3>&- 4>&-
set -u
source "$(dirname "$0")/session_lib.sh"

NATIVE=2040c0 # the native window's colour (blue: the pet is green)
coproc NATIVE_WINDOW { exec "$HELPER" "$NATIVE"; }
HELPER_PID=$NATIVE_WINDOW_PID
read -t 20 -r ready <&"${NATIVE_WINDOW[0]}"
echo "native window: $ready"
move_pointer() { # x y: prints "over X Y SX SY" when over the native window
    echo "move $1 $2" >&"${NATIVE_WINDOW[1]}"
    local reply
    read -t 5 -r reply <&"${NATIVE_WINDOW[0]}"
    echo "$reply"
}
screenshot() { python3 "$(dirname "$0")/kwin_screenshot.py" "$@"; }
script_loaded() {
    gdbus call --session --dest org.kde.KWin --object-path /Scripting \
        --method org.kde.kwin.Scripting.isScriptLoaded desktop-jellop-pointer 2>/dev/null
}

case $ready in
ready*fake) ;;
*) fail "the native window with KWin's fake input did not come up ($ready)"; exit 1 ;;
esac

echo "a program that was killed leaves its script behind"
start_pet "$WORK/killed.err" || fail "the pet did not show"
# The script is loaded when the pet first reads the pointer (its first step, after the fade-in).
for _ in $(seq 50); do [ "$(script_loaded)" = "(true,)" ] && break; sleep 0.1; done
kill -9 "$PET_PID"; wait "$PET_PID" 2>/dev/null; PET_PID=
check "its script stays loaded ($(script_loaded))" test "$(script_loaded)" = "(true,)"

echo "with the relay: the pet follows the pointer over a native window"
# Up and left of the start place; X last saw the pointer at its own start (the middle of the
# screen, down and right), so only the relay leads the pet there.
T1X=200 T1Y=150
where=$(move_pointer $T1X $T1Y)
check "the pointer is over the native window ($where)" test "${where%% *}" = over
t0=$(date +%s%N)
start_pet "$WORK/relay.err" || fail "the pet did not show"
echo "  first seen at $FIRST_RECT, $(( ($(date +%s%N) - t0) / 1000000 )) ms after start"
check "it appears at its start place ($START_X,$START_Y)" at_start_place "$FIRST_RECT"
sleep 0.3
picture=$(judge_picture "$WORK/kwin-pet.ppm" "$NATIVE" 2>&1); status=$?
check "KWin's picture: the pet cut to its shape, above the native window ($picture)" \
    test $status -eq 0
read -r before after <<<"$(walk_for 3 $T1X $T1Y)"
check "it walks towards the pointer ($before -> $after px from it in 3 s)" \
    test $((before - after)) -ge 60
T2X=1000 T2Y=650
where=$(move_pointer $T2X $T2Y)
read -r before after <<<"$(walk_for 2 $T2X $T2Y)"
check "and turns when it moves ($before -> $after px in 2 s, pointer $where)" \
    test $((before - after)) -ge 40
check "nothing on standard error ($(head -c 200 "$WORK/relay.err"))" test ! -s "$WORK/relay.err"
check "the program's script replaced the one left behind and runs" test "$(script_loaded)" = "(true,)"
# A double-click on the pet: it dies and the program ends by itself.
read -r x y w h <<<"$(window_rect "$PET_WINDOW")"
move_pointer $((x + w / 2)) $((y + h / 2)) >/dev/null
sleep 0.3
read -r x y w h <<<"$(window_rect "$PET_WINDOW")"
move_pointer $((x + w / 2)) $((y + h / 2)) >/dev/null
echo dblclick >&"${NATIVE_WINDOW[1]}"; read -t 5 -r _ <&"${NATIVE_WINDOW[0]}"
ended=no
for _ in $(seq 100); do
    kill -0 "$PET_PID" 2>/dev/null || { ended=yes; break; }
    sleep 0.1
done
if [ $ended = yes ]; then
    wait "$PET_PID"; status=$?; PET_PID=
    check "double-clicked, it dies and the program ends (status $status)" test $status -eq 0
    check "and its script is unloaded ($(script_loaded))" test "$(script_loaded)" = "(false,)"
else
    fail "double-clicked, the program did not end within 10 s"
    stop_pet
fi

echo "control, without the relay: the pet does not follow the pointer over a native window"
start_pet "$WORK/control.err" JELLOP_POINTER_RELAY=off || fail "the pet did not show"
# X sees the pointer last over the pet (an X window), then it goes over the native window.
read -r x y w h <<<"$FIRST_RECT"
move_pointer $((x + w / 2)) $((y + h / 2)) >/dev/null
sleep 0.3
where=$(move_pointer $T1X $T1Y)
read -r before after <<<"$(walk_for 3 $T1X $T1Y)"
check "it does not walk towards it ($before -> $after px in 3 s, pointer $where)" \
    test $((before - after)) -lt 12
check "one line on standard error says why ($(cat "$WORK/control.err"))" \
    test "$(grep -c 'follows the pointer only over X windows' "$WORK/control.err")" -eq 1
stop_pet

echo quit >&"${NATIVE_WINDOW[1]}"
wait "$HELPER_PID" 2>/dev/null
echo "kwin: $FAILURES failed"
exit "$FAILURES"
