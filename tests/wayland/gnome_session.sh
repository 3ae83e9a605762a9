#!/bin/bash
# The Wayland tier on GNOME Shell 43 headless: run by scripts/wayland.sh inside a private
# session bus and a mount namespace with a system bus of its own (the shell needs one, and must
# not find /run/systemd/seats). Starts the shell with the project's extension installed in the
# private home and enabled, Xwayland, a native window, and mutter's RemoteDesktop to move the
# pointer. The shell runs in unsafe mode only so that its screenshot interface answers a test
# program; the relay does not need it.
# Needs JELLOP, HELPER (wl_pointer_window), WORK, HOME, XDG_RUNTIME_DIR. Exits with the number
# of failed checks.
set -u
here=$(cd "$(dirname "$0")" && pwd)
source "$here/session_lib.sh"
root=$(cd "$here/../.." && pwd)

UUID=jellop-pointer-43@desktopjellop.org
mkdir -p "$HOME/.local/share/gnome-shell/extensions/$UUID"
cp "$root/resources/linux/gnome-shell/legacy/"* "$HOME/.local/share/gnome-shell/extensions/$UUID/"
gsettings set org.gnome.shell enabled-extensions "['$UUID']"

has_owner() {
    gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
        --method org.freedesktop.DBus.NameHasOwner "$1" 2>/dev/null | grep -q true
}
gnome-shell --headless --unsafe-mode --wayland --virtual-monitor 1280x800 \
    --wayland-display "jellop-gnome-$$" >"$WORK/gnome-shell.log" 2>&1 &
SHELL_PID=$!
stop_shell() {
    # A shell killed at the end has crashed on its way out: its status is not the test's.
    kill "$SHELL_PID" 2>/dev/null
    wait "$SHELL_PID" 2>/dev/null
}
up=no
for _ in $(seq 300); do
    if grep -q "Using public X11 display" "$WORK/gnome-shell.log" && has_owner org.desktopjellop.ShellPointer; then
        up=yes
        break
    fi
    sleep 0.1
done
check "the shell came up with Xwayland and the extension owns its name on the bus" test $up = yes
[ $up = yes ] || { stop_shell; exit 1; }
DISPLAY=$(grep -o "Using public X11 display :[0-9]*" "$WORK/gnome-shell.log" | grep -o ":[0-9]*$")
XAUTHORITY=$(ls "$XDG_RUNTIME_DIR"/.mutter-Xwaylandauth.* | head -n 1)
WAYLAND_DISPLAY=jellop-gnome-$$
export DISPLAY XAUTHORITY WAYLAND_DISPLAY

NATIVE=2040c0
helper_start native "$HELPER" "$NATIVE"
echo "native window: $(helper_read native)"
helper_start mutter python3 "$here/mutter_pointer.py" 1280 800
echo "RemoteDesktop: $(helper_read mutter)"
# The shell opens the overview at start (no window takes the pointer while it is open); Escape
# closes it. Its state is read with the shell's Eval (unsafe mode).
overview_open() {
    gdbus call --session --dest org.gnome.Shell --object-path /org/gnome/Shell \
        --method org.gnome.Shell.Eval 'Main.overview.visible || Main.overview.animationInProgress' |
        grep -q "'true'"
}
for _ in $(seq 20); do
    overview_open || break
    helper_ask mutter escape >/dev/null
    sleep 0.3
done
if overview_open; then fail "the overview stays open"; fi
move_pointer() {
    helper_ask mutter "move $1 $2" >/dev/null
    helper_ask native where | sed "s/^\([a-z]*\) - -/\1 $1 $2/"
}
double_click() { helper_ask mutter dblclick >/dev/null; }
button() { helper_ask mutter "button $1 $2" >/dev/null; }
pet_roles() {
    gdbus call --session --dest org.gnome.Shell --object-path /org/gnome/Shell \
        --method org.gnome.Shell.Eval "(() => {
            const w = global.get_window_actors().map(a => a.meta_window)
                .find(w => w.get_wm_class_instance() === 'jellop');
            if (!w) return 'none';
            return [w.is_skip_taskbar() ? 'skip-taskbar' : 'taskbar',
                imports.ui.altTab.getWindows(null).includes(w) ? 'switcher' : 'skip-switcher', w.is_above() ? 'above' : 'not-above',
                w.has_focus() ? 'focused' : 'unfocused'].join(' ');
        })()" | sed -n "s/^(true, '\"\(.*\)\"')$/\1/p"
}
screenshot() { # x y w h file.ppm
    gdbus call --session --dest org.gnome.Shell --object-path /org/gnome/Shell/Screenshot \
        --method org.gnome.Shell.Screenshot.ScreenshotArea "$1" "$2" "$3" "$4" false \
        "$WORK/shot.png" >/dev/null && convert "$WORK/shot.png" "$5"
}

echo "with the relay (the extension): the pet follows the pointer over a native window"
check_follows gnome
check_roles
echo "drag, menu and fade-out"
check_drag
check_menu_dies gnome

echo "control, the extension disabled: the pet does not follow the pointer over a native window"
gsettings set org.gnome.shell enabled-extensions "[]"
for _ in $(seq 50); do has_owner org.desktopjellop.ShellPointer || break; sleep 0.1; done
check_control "gnome-extensions enable $UUID"
check_dies

helper_stop mutter
helper_stop native
stop_shell
echo "gnome: $FAILURES failed"
exit "$FAILURES"
