#!/usr/bin/env bash
# The soak: the pet walks for a given time on a private managed desktop (openbox and picom, as
# users have it) while it is used, and what it holds is sampled; the run fails when anything
# grew after the first minutes.
#
#   scripts/soak.sh [--no-build] [--out DIR] native|windows SECONDS
#
# native: build/linux/jellop; windows: build/windows/jellop.exe under Wine. Each run has its
# own display, sound server (and for windows, Wine prefix): two soaks may run side by side.
# The use, repeated until the time is up: the pointer circles near the pet for 15 s at a time
# (the pet follows it and never catches it), and between the circles, in turn: the menu
# opened with a right click on the pet and closed with Escape; a drag of the pet; "Sounds"
# chosen from the menu (its access key S: the sounds go off) and, 5 s later, again (on); a
# second drag.
# Sampled every $SOAK_INTERVAL seconds (default 5): the program's PSS and private dirty memory
# and of it the anonymous memory's PSS (/proc/PID/smaps_rollup; under Wine the process running jellop.exe), its open descriptors,
# the X resources of all its connections to the display (the X-Resource extension: windows,
# pixmaps, GCs, pictures and the server's pixmap memory, by tests/e2e/desktop/jellop_xres),
# the sound server's sink inputs (all the pet's: the server is the run's own) and, under Wine,
# the process's GDI objects (from its GDI handle table), kernel handles and USER windows (by
# tests/win32/soakprobe, a Windows program in the same prefix).
# Written to DIR (default build/soak-PROGRAM): samples.csv, soak.png (the series), verdict.txt
# (the growth rule of scripts/soak_lib.sh per series), driver.log (what the driver did).
set -euo pipefail
source "$(dirname "$0")/env.sh"
source "$(dirname "$0")/soak_lib.sh"
cd "$JELLOP_ROOT"

usage() {
    echo "usage: $0 [--no-build] [--out DIR] native|windows SECONDS" >&2
    exit 2
}

build=1
out=""
while [ $# -gt 0 ]; do
    case $1 in
    --no-build) build=0; shift ;;
    --out) out=${2:-}; shift 2 || usage ;;
    -*) usage ;;
    *) break ;;
    esac
done
[ $# -eq 2 ] || usage
program=$1 seconds=$2
case $program in native | windows) ;; *) usage ;; esac
[[ $seconds =~ ^[1-9][0-9]*$ ]] || usage
interval=${SOAK_INTERVAL:-5}
out=${out:-$JELLOP_ROOT/build/soak-$program}
mkdir -p "$out"
out=$(cd "$out" && pwd)

if [ $build -eq 1 ]; then
    jellop_install
    jellop_configure native
    cmake --build --preset native --target jellop_desktop jellop_xres >/dev/null
    if [ "$program" = windows ]; then
        jellop_configure windows
        cmake --build --preset windows --target jellop wine_keepalive jellop_soakprobe >/dev/null
    else
        jellop_configure linux
        cmake --build --preset linux --target jellop >/dev/null
    fi
fi
xres=$JELLOP_NATIVE_BUILD/tests/e2e/jellop_xres
[ -x "$xres" ] || { echo "no $xres: build the native preset (needs libxres-dev)" >&2; exit 1; }

if [ "$program" = windows ]; then jellop_start; else jellop_start --no-wine; fi
jellop_desktop managed

fail() {
    echo "soak: $*" >&2
    exit 1
}

# The pet, in a process group of its own, run where it lies (its sounds lie beside it).
if [ "$program" = native ]; then
    (cd build/linux && exec setsid ./jellop </dev/null >"$out/program.log" 2>&1) &
else
    (cd "$JELLOP_WINDOWS_BUILD" && exec setsid wine ./jellop.exe </dev/null >"$out/program.log" 2>&1) &
fi
started=$!
helpers=()
cleanup() {
    local p
    for p in "${helpers[@]}"; do kill -- "$p" 2>/dev/null || true; done
    kill -- -"$started" 2>/dev/null || true
    wait "$started" 2>/dev/null || true # not the run's services: jellop_stop ends those
}
trap 'cleanup; jellop_stop' EXIT

window=""
for _ in $(seq 1 600); do
    window=$(timeout 2 xdotool search --onlyvisible --name '^Form1$' 2>/dev/null | head -n 1) || true
    [ -n "$window" ] && break
    sleep 0.1
done
[ -n "$window" ] || fail "the pet's window never showed"

# The process that runs the pet: the one started, or under Wine the process of this run's
# prefix whose name is jellop.exe.
pet_process() {
    local p
    if [ "$program" = native ]; then echo "$started"; return; fi
    for p in $(pgrep -x jellop.exe); do
        { tr '\0' '\n' <"/proc/$p/environ"; } 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" &&
            { echo "$p"; return; }
    done
}
pid=$(pet_process)
[ -n "$pid" ] || fail "no process runs the pet"

probe_out=$out/probe.out
if [ "$program" = windows ]; then
    (cd "$JELLOP_WINDOWS_BUILD/tests/win32" &&
        exec wine ./jellop_soakprobe.exe jellop.exe "$interval" </dev/null >"$probe_out" 2>/dev/null) &
    helpers+=($!)
fi

# --- the driver: the pointer, the menu, drags, the sounds ---
centre() { # prints "x y", the pet's centre now
    local X Y WIDTH HEIGHT SCREEN WINDOW
    eval "$(xdotool getwindowgeometry --shell "$window")"
    echo "$((X + WIDTH / 2)) $((Y + HEIGHT / 2))"
}
circle() { # seconds: one xdotool process, 20 moves a second, radius 150 px, a turn every 8 s
    local args
    args=$(awk -v s="$1" 'BEGIN { for (i = 0; i < s * 20; i++) {
        a = i * 2 * 3.14159265 / 160; printf "mousemove %d %d sleep 0.05 ",
        640 + 150 * cos(a), 512 + 150 * sin(a) } }')
    # shellcheck disable=SC2086
    xdotool $args >/dev/null 2>&1 || true
}
visible() { xdotool search --onlyvisible --maxdepth 1 --name '' 2>/dev/null | sort; }
# Right-clicks the pet's centre and waits (5 s at most) for a new window on screen: the menu.
open_menu() {
    local x y before
    before=$(visible)
    read -r x y < <(centre)
    xdotool mousemove "$x" "$y" sleep 0.2 mousemove $((x + 1)) "$y" sleep 0.1 click 3
    for _ in $(seq 1 50); do
        [ -n "$(comm -13 <(echo "$before") <(visible))" ] && { sleep 0.5; return 0; }
        sleep 0.1
    done
    echo "$(date +%T) no menu appeared" >>"$out/driver.log"
    return 1
}
drag() {
    local x y args i
    read -r x y < <(centre)
    args="mousemove $x $y sleep 0.3 mousedown 1"
    for i in $(seq 1 20); do args+=" sleep 0.025 mousemove $((x - 100 + i * 10)) $((y + 80 - i * 8))"; done
    # shellcheck disable=SC2086
    xdotool $args sleep 0.1 mouseup 1
    echo "$(date +%T) drag from $x,$y" >>"$out/driver.log"
}
drive() {
    local cycle=0
    xdotool mousemove 300 300 mousemove 301 301 # Wine reads a stale pointer until it moves
    while :; do
        circle 15
        case $((cycle % 4)) in
        0) open_menu && xdotool key Escape && echo "$(date +%T) menu closed" >>"$out/driver.log" ;;
        1 | 3) drag ;;
        2)
            open_menu && xdotool key s && echo "$(date +%T) sounds off" >>"$out/driver.log"
            circle 5
            open_menu && xdotool key s && echo "$(date +%T) sounds on" >>"$out/driver.log"
            ;;
        esac
        cycle=$((cycle + 1))
    done
}
: >"$out/driver.log"
# In a process group of its own (job control on for it), ended as a whole with its xdotool.
set -m
drive >/dev/null 2>&1 &
helpers+=(-$!)
set +m

# --- the samples ---
header=seconds,pss_kb,pss_anon_kb,private_dirty_kb,fds,x_clients,x_windows,x_pixmaps,x_gcs,x_pictures,x_pixmap_kb,sink_inputs
[ "$program" = windows ] &&
    header+=,gdi,gdi_dcs,gdi_bitmaps,gdi_regions,gdi_brushes,gdi_fonts,gdi_other,handles,user_windows
echo "$header" >"$out/samples.csv"
begin=$SECONDS
echo "soak: $program for $seconds s, samples every $interval s in $out/samples.csv" >&2
while [ $((SECONDS - begin)) -lt "$seconds" ]; do
    [ -d "/proc/$pid" ] || fail "the pet's process $pid ended after $((SECONDS - begin)) s"
    memory=$(awk '$1 == "Pss:" { p = $2 } $1 == "Pss_Anon:" { a = $2 }
        $1 == "Private_Dirty:" { d = $2 } END { print p "," a "," d }' "/proc/$pid/smaps_rollup")
    fds=$(find "/proc/$pid/fd" -mindepth 1 -maxdepth 1 | wc -l)
    x=$("$xres" "$pid" | awk '{ printf "%s,%s,%s,%s,%s,%.1f", $1, $2, $3, $4, $5, $6 / 1024 }') ||
        fail "no X client of process $pid on the display"
    sinks=$(pactl list short sink-inputs | wc -l)
    row="$((SECONDS - begin)),$memory,$fds,$x,$sinks"
    if [ "$program" = windows ]; then
        probe=$(tail -n 1 "$probe_out" 2>/dev/null || true)
        if [ -z "$probe" ] || [ "$probe" = - ]; then
            row+=",,,,,,,,,"
        else
            row+=,$(cut -d' ' -f2- <<<"$probe" | tr ' ' ,)
        fi
    fi
    echo "$row" >>"$out/samples.csv"
    sleep "$interval"
done

for p in "${helpers[@]}"; do kill -- "$p" 2>/dev/null || true; done
soak_plot "$out/samples.csv" "$out/soak.png" "$program pet, $seconds s" ||
    echo "soak: the plot failed (gnuplot-nox)" >&2
status=0
soak_verdict "$out/samples.csv" >"$out/verdict.txt" || status=$?
column -t "$out/verdict.txt" >&2 || cat "$out/verdict.txt" >&2
echo "soak: $(grep -c 'menu closed\|sounds' "$out/driver.log" || true) menu choices," \
    "$(grep -c drag "$out/driver.log" || true) drags, $(grep -c 'no menu' "$out/driver.log" || true)" \
    "menus that did not show" >&2
case $status in
0) echo "soak: PASSED: nothing grew after the first minutes" >&2 ;;
1) fail "FAILED: grew after the first minutes: $(awk '$7 == "GREW" { printf "%s ", $1 }' "$out/verdict.txt")" ;;
*) fail "FAILED: $(cat "$out/verdict.txt")" ;;
esac
