#!/usr/bin/env bash
# What a walking pet costs, measured side by side with a floor program that does only what a
# walking pet cannot avoid (bench/floor): each runs in turn on the same private X display and
# Wine prefix while the same scripted pointer circles, so the pet keeps walking. Printed per
# program: CPU time over the window of every Wine process of the run (wineserver included), the
# X server's CPU time, the program's peak resident memory, the time from process start to the
# first frame on screen; then the ratios against the floor.
#
#   scripts/cost.sh [--runs N] [--seconds S] [--no-build] [NAME=EXE ...]
#
# jellop.exe runs twice: without its sound files ("pet", the figure the ratios are about) and
# with them ("pet+sound", which adds the sound device and its mixer). NAME=EXE adds another
# program to each run (for example an older jellop.exe, run without sound files), compared
# with the floor like the pet.
set -euo pipefail

runs=3
seconds=20
build=1
extras=()
while [ $# -gt 0 ]; do
    case $1 in
    --runs) runs=$2; shift 2 ;;
    --seconds) seconds=$2; shift 2 ;;
    --no-build) build=0; shift ;;
    *=*) extras+=("$1"); shift ;;
    *) echo "usage: $0 [--runs N] [--seconds S] [--no-build] [NAME=EXE ...]" >&2; exit 2 ;;
    esac
done

source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
cd "$JELLOP_ROOT"
if [ $build -eq 1 ]; then
    jellop_install
    jellop_configure windows
    cmake --build --preset windows --target jellop jellop_floor wine_keepalive >/dev/null
fi
jellop_start

work=$JELLOP_RUN/cost
rm -rf "$work" && mkdir -p "$work/silent"
# The pet without its sound files: a copy of the program alone in a folder.
cp "$JELLOP_WINDOWS_BUILD/jellop.exe" "$work/silent/jellop.exe"
declare -A program title
names=(floor pet pet+sound)
program[floor]=$JELLOP_WINDOWS_BUILD/bench/jellop_floor.exe; title[floor]=Floor
program[pet]=$work/silent/jellop.exe; title[pet]=Form1
program[pet+sound]=$JELLOP_WINDOWS_BUILD/jellop.exe; title[pet+sound]=Form1
for extra in "${extras[@]}"; do
    name=${extra%%=*}
    mkdir -p "$work/$name"
    cp "${extra#*=}" "$work/$name/$(basename "${extra#*=}")"
    program[$name]=$work/$name/$(basename "${extra#*=}"); title[$name]=Form1
    names+=("$name")
done

ticks_per_second=$(getconf CLK_TCK)
read -r xvfb _ <"$JELLOP_RUN/xvfb.pid"

# "pid ticks" for every process of this Wine prefix (wineserver included), user + system time.
wine_ticks() {
    local dir pid
    for dir in /proc/[0-9]*; do
        pid=${dir#/proc/}
        # Wine's own binaries only: the script's helpers inherit WINEPREFIX too.
        case $(readlink "$dir/exe" 2>/dev/null) in */wine*) ;; *) continue ;; esac
        { tr '\0' '\n' <"$dir/environ"; } 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" || continue
        # Fields after the command name, which may hold spaces: utime is the 12th, stime 13th.
        sed 's/.*) //' "$dir/stat" 2>/dev/null | awk -v p="$pid" '{print p, $12 + $13}'
    done
}
process_ticks() { sed 's/.*) //' "/proc/$1/stat" | awk '{print $12 + $13}'; }
# CPU seconds between two wine_ticks snapshots, over the processes in both.
cpu_between() {
    awk -v hz="$ticks_per_second" 'NR == FNR { before[$1] = $2; next }
        ($1 in before) { sum += $2 - before[$1] } END { printf "%.2f", sum / hz }' "$1" "$2"
}

# The pointer circles (radius 150 px, one turn every 8 s) around a point near the pet's start,
# faster than the pet walks (30 px/s): the pet never catches it. One xdotool process.
circle_pointer() { # seconds
    local args
    args=$(awk -v s="$1" 'BEGIN { for (i = 0; i < s * 20; i++) {
        a = i * 2 * 3.14159265 / 160; printf "mousemove %d %d sleep 0.05 ",
        500 + 150 * cos(a), 400 + 150 * sin(a) } }')
    # shellcheck disable=SC2086
    xdotool $args &
    echo $!
}

# Waits until the Wine processes of the run and the X server are at rest (under 0.05 s of CPU
# in one second; at most 30 s): Wine's services keep working for seconds after the prefix has
# started and after a program has ended, and that work must not be counted against the next one.
settle() {
    local before after
    for _ in $(seq 1 30); do
        wine_ticks >"$work/settle.before"; before=$(process_ticks "$xvfb")
        sleep 1
        wine_ticks >"$work/settle.after"; after=$(process_ticks "$xvfb")
        awk -v c="$(cpu_between "$work/settle.before" "$work/settle.after")" \
            -v x="$(((after - before)))" -v hz="$ticks_per_second" \
            'BEGIN { exit !(c + x / hz < 0.05) }' && return 0
    done
    echo "warning: the Wine processes did not come to rest" >&2
}

# Runs one program: start-up time, then CPU over `seconds` while the pointer circles, and the
# program's peak resident memory. Prints "cpu x rss_mb startup_s".
measure() { # name
    local name=$1 exe=${program[$1]} start pid window="" appeared mover exe_pid rss
    settle
    start=$(date +%s.%N)
    (cd "$(dirname "$exe")" && exec setsid wine "$exe" </dev/null >/dev/null 2>&1) &
    pid=$!
    for _ in $(seq 1 1000); do
        window=$(xdotool search --onlyvisible --name "^${title[$name]}\$" 2>/dev/null | head -n 1) || true
        [ -n "$window" ] && break
        sleep 0.01
    done
    appeared=$(date +%s.%N)
    [ -n "$window" ] || { echo "$name: no window" >&2; kill -- -"$pid" 2>/dev/null; return 1; }
    # Wine reads a stale pointer until it moves once after the window is there.
    xdotool mousemove 300 300 mousemove 301 301
    mover=$(circle_pointer $((seconds + 5)))
    sleep 3 # past the fade-in; the walk is under way
    wine_ticks >"$work/cpu.before"
    local x_before; x_before=$(process_ticks "$xvfb")
    sleep "$seconds"
    wine_ticks >"$work/cpu.after"
    local x_after; x_after=$(process_ticks "$xvfb")
    # The program's own process: the one of this prefix running the exe with the most memory
    # (a loader that started it may still be there).
    read -r exe_pid rss < <(pgrep -f -- "$(basename "$exe")" | while read -r p; do
        { tr '\0' '\n' <"/proc/$p/environ"; } 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" &&
            awk -v p="$p" '/^VmHWM/ { printf "%s %.1f\n", p, $2 / 1024 }' "/proc/$p/status"
    done | sort -k2 -n | tail -n 1)
    kill "$mover" 2>/dev/null || true
    wait "$mover" 2>/dev/null || true
    kill -- -"$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    # The next program starts only when this one's process has gone.
    while kill -0 "$exe_pid" 2>/dev/null; do sleep 0.1; done
    printf '%s %s %s %s\n' "$(cpu_between "$work/cpu.before" "$work/cpu.after")" \
        "$(awk -v a="$x_after" -v b="$x_before" -v hz="$ticks_per_second" \
            'BEGIN { printf "%.2f", (a - b) / hz }')" \
        "$rss" "$(awk -v a="$appeared" -v b="$start" 'BEGIN { printf "%.2f", a - b }')"
}

echo "CPU seconds over ${seconds} s with the pointer circling; peak RSS of the program; start-up to the first frame"
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //'); $(wine --version)"
for run in $(seq 1 "$runs"); do
    echo "run $run"
    printf '  %-12s %8s %8s %9s %9s   %s\n' program "wine cpu" "X cpu" "peak RSS" start-up "against the floor"
    declare -A result=()
    for name in "${names[@]}"; do
        result[$name]=$(measure "$name")
        read -r cpu x rss startup <<<"${result[$name]}"
        against=""
        if [ "$name" != floor ]; then
            read -r fcpu fx frss _ <<<"${result[floor]}"
            against=$(awk -v c="$cpu" -v x="$x" -v r="$rss" -v fc="$fcpu" -v fx="$fx" -v fr="$frss" \
                'BEGIN { printf "cpu %.2fx  X %.2fx  RSS %+.1f MB", c / fc, x / fx, r - fr }')
            echo "$name $against" >>"$work/ratios"
        fi
        printf '  %-12s %7ss %7ss %6s MB %8ss   %s\n' "$name" "$cpu" "$x" "$rss" "$startup" "$against"
    done
done

# The median of each ratio over the runs: one run disturbed by other work on the machine does
# not move it.
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
echo "median over $runs runs"
for name in "${names[@]}"; do
    [ "$name" = floor ] && continue
    printf '  %-12s cpu %.2fx  X %.2fx  RSS %+.1f MB\n' "$name" \
        "$(awk -v n="$name" '$1 == n { sub("x", "", $3); print $3 }' "$work/ratios" | median)" \
        "$(awk -v n="$name" '$1 == n { sub("x", "", $5); print $5 }' "$work/ratios" | median)" \
        "$(awk -v n="$name" '$1 == n { print $7 }' "$work/ratios" | median)"
done
