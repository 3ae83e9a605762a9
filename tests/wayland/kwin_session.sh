#!/bin/bash
# The Wayland tier on KWin: run by scripts/wayland.sh as KWin's --exit-with-session program
# (KWin's virtual backend with Xwayland, DISPLAY and WAYLAND_DISPLAY set). Output goes to the
# descriptors 3 and 4 the caller left open (KWin drops the program's standard output).
# Needs JELLOP (the program), HELPER (wl_pointer_window, allowed KWin's fake input), WORK (a
# folder for pictures and logs). Exits with the number of failed checks.
exec 1>&3 2>&4 3>&- 4>&-
set -u
here=$(dirname "$0")
source "$here/session_lib.sh"

NATIVE=2040c0 # the native window's colour (blue: the pet is green)
# The native window also moves the pointer (KWin's fake input), for its whole life.
helper_start native "$HELPER" "$NATIVE"
ready=$(helper_read native)
echo "native window: $ready; the X screen: $(xdpyinfo | awk '/dimensions:/ {print $2}')"
move_pointer() { helper_ask native "move $1 $2"; }
double_click() { helper_ask native dblclick >/dev/null; }
button() { helper_ask native "button $1 $2" >/dev/null; }
screenshot() { python3 "$here/kwin_screenshot.py" "$@"; }
# A KWin script prints the pet's window's roles into KWin's log (this run's kwin.log). KWin's
# window switcher lists the windows that are not skipSwitcher and take tab focus: normal windows
# and dialogs that take input.
pet_roles() {
    local name=jellop-roles-$(date +%s%N) line=
    cat >"$WORK/$name.js" <<SCRIPT
const c = workspace.clientList().find(c => c.resourceClass == "jellop");
print("$name " + (!c ? "none" : [c.skipTaskbar ? "skip-taskbar" : "taskbar",
    c.skipPager ? "skip-pager" : "pager",
    !c.skipSwitcher && (c.normalWindow || c.dialog) && c.wantsInput ? "switcher" : "skip-switcher",
    c.keepAbove ? "above" : "not-above", c.active ? "focused" : "unfocused"].join(" ")));
SCRIPT
    gdbus call --session --dest org.kde.KWin --object-path /Scripting \
        --method org.kde.kwin.Scripting.loadScript "$WORK/$name.js" "$name" >/dev/null &&
        gdbus call --session --dest org.kde.KWin --object-path /Scripting \
            --method org.kde.kwin.Scripting.start >/dev/null
    for _ in $(seq 50); do
        line=$(grep -o "$name .*" "$WORK/kwin.log" | head -n 1)
        [ -n "$line" ] && break
        sleep 0.1
    done
    gdbus call --session --dest org.kde.KWin --object-path /Scripting \
        --method org.kde.kwin.Scripting.unloadScript "$name" >/dev/null
    echo "${line#"$name "}"
}
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

echo "with the relay (the program's KWin script): the pet follows the pointer over a native window"
check_follows kwin
check "the program's script replaced the one left behind and runs" test "$(script_loaded)" = "(true,)"
check_roles
echo "drag, menu and fade-out"
check_drag
check_menu_dies kwin
check "at its end the program unloaded its script ($(script_loaded))" \
    test "$(script_loaded)" = "(false,)"

echo "control, without the relay: the pet does not follow the pointer over a native window"
check_control "JELLOP_POINTER_RELAY=off" JELLOP_POINTER_RELAY=off
check_dies

helper_stop native
echo "kwin: $FAILURES failed"
exit "$FAILURES"
