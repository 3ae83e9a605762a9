#!/usr/bin/env bash
# The pieces the cost benchmarks share (scripts/cost.sh, scripts/cost_native.sh): CPU time of
# processes from /proc, the circling pointer, the settle step, one program measured while the
# pointer circles, medians. Source it inside `jellop_start`, after setting `work` to a folder
# of the run and filling the arrays `program` (what to run), `title` (the name of its window)
# and `kind` ("wine": a Windows program, its CPU over every Wine process of the prefix;
# "native": a Linux program, its CPU its own process's).

ticks_per_second=$(getconf CLK_TCK)
read -r xvfb _ <"$JELLOP_RUN/xvfb.pid"
read -r pulse _ <"$JELLOP_RUN/pulse.pid"

# CPU snapshots are lines "pid seconds" (user + system time), compared by cpu_between.

# Every process of this Wine prefix (wineserver included), from /proc/PID/stat: it counts the
# threads that have ended too, which Wine starts and ends all the time.
wine_cpu() {
    local dir pid
    for dir in /proc/[0-9]*; do
        pid=${dir#/proc/}
        # Wine's own binaries only: the script's helpers inherit WINEPREFIX too.
        case $(readlink "$dir/exe" 2>/dev/null) in */wine*) ;; *) continue ;; esac
        { tr '\0' '\n' <"$dir/environ"; } 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" || continue
        # Fields after the command name, which may hold spaces: utime is the 12th, stime 13th.
        sed 's/.*) //' "$dir/stat" 2>/dev/null |
            awk -v p="$pid" -v hz="$ticks_per_second" '{print p, ($12 + $13) / hz}'
    done
}
# The given processes, to the nanosecond (the scheduler's run time of each live thread): the
# classic pet uses a few clock ticks in a window, too few to compare in ticks.
process_cpu() { # pid...
    local pid
    for pid in "$@"; do
        cat /proc/"$pid"/task/*/schedstat 2>/dev/null |
            awk -v p="$pid" '{ ns += $1 } END { if (NR) printf "%s %.9f\n", p, ns / 1e9 }'
    done
}
# CPU seconds between two snapshots, over the processes in both.
cpu_between() {
    awk 'NR == FNR { before[$1] = $2; next }
        ($1 in before) { sum += $2 - before[$1] } END { printf "%.3f", sum }' "$1" "$2"
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

# Waits until the Wine processes of the run, the X server and the sound server are at rest
# (under 0.05 s of CPU in one second; at most 30 s): Wine's services keep working for seconds
# after the prefix has started and after a program has ended, and that work must not be
# counted against the next one.
settle() {
    local before after
    for _ in $(seq 1 30); do
        { wine_cpu; process_cpu "$xvfb" "$pulse"; } >"$work/settle.before"
        sleep 1
        { wine_cpu; process_cpu "$xvfb" "$pulse"; } >"$work/settle.after"
        awk -v c="$(cpu_between "$work/settle.before" "$work/settle.after")" \
            'BEGIN { exit !(c < 0.05) }' && return 0
    done
    echo "warning: the Wine processes, the X server or the sound server did not come to rest" >&2
}

# The process a started program runs in, and its peak resident memory in MB: for Wine the
# process of this prefix running the exe with the most memory (a loader that started it may
# still be there); for a native program the one started.
program_process() { # name, pid started
    local exe=${program[$1]}
    if [ "${kind[$1]}" = native ]; then
        awk -v p="$2" '/^VmHWM/ { printf "%s %.1f\n", p, $2 / 1024 }' "/proc/$2/status"
        return
    fi
    pgrep -f -- "$(basename "$exe")" | while read -r p; do
        { tr '\0' '\n' <"/proc/$p/environ"; } 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" &&
            awk -v p="$p" '/^VmHWM/ { printf "%s %.1f\n", p, $2 / 1024 }' "/proc/$p/status"
    done | sort -k2 -n | tail -n 1
}

# The CPU the program is charged with: every Wine process of the prefix, or its own.
program_cpu() { # name, pid started
    if [ "${kind[$1]}" = native ]; then process_cpu "$2"; else wine_cpu; fi
}

# Runs one program: start-up time, then CPU over `seconds` while the pointer circles, and the
# program's peak resident memory. Prints "cpu x rss_mb startup_s pulse", pulse being the sound
# server's CPU over the same time.
measure() { # name
    local name=$1 exe=${program[$1]} start pid window="" appeared mover exe_pid rss
    settle
    start=$(date +%s.%N)
    if [ "${kind[$name]}" = native ]; then
        # setsid(1) does not fork here (the subshell leads no group): $! is the program.
        (cd "$(dirname "$exe")" && exec setsid "$exe" </dev/null >/dev/null 2>&1) &
    else
        (cd "$(dirname "$exe")" && exec setsid wine "$exe" </dev/null >/dev/null 2>&1) &
    fi
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
    program_cpu "$name" "$pid" >"$work/cpu.before"
    process_cpu "$xvfb" >"$work/x.before"; process_cpu "$pulse" >"$work/sound.before"
    sleep "$seconds"
    program_cpu "$name" "$pid" >"$work/cpu.after"
    process_cpu "$xvfb" >"$work/x.after"; process_cpu "$pulse" >"$work/sound.after"
    read -r exe_pid rss < <(program_process "$name" "$pid")
    kill "$mover" 2>/dev/null || true
    wait "$mover" 2>/dev/null || true
    kill -- -"$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    # The next program starts only when this one's process has gone.
    while kill -0 "$exe_pid" 2>/dev/null; do sleep 0.1; done
    printf '%s %s %s %s %s\n' "$(cpu_between "$work/cpu.before" "$work/cpu.after")" \
        "$(cpu_between "$work/x.before" "$work/x.after")" "$rss" \
        "$(awk -v a="$appeared" -v b="$start" 'BEGIN { printf "%.2f", a - b }')" \
        "$(cpu_between "$work/sound.before" "$work/sound.after")"
}

# The median of the numbers on standard input: one run disturbed by other work on the machine
# does not move it.
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
