#!/usr/bin/env bash
# The pieces of scripts/cost.sh. Source it; the first group needs no display (the test
# tests/scripts/cost_lib_test.sh runs it on made-up figures), the second runs programs on the
# display of `jellop_start` and reads these globals: `work` (a folder of the run), `seconds`
# (the length of the measured window) and the arrays `program` (what to run), `title` (the
# name of its window) and `kind` ("native": a Linux program, its CPU its own process's;
# "wine": a Windows program, its CPU that of every Wine process of the prefix).

# ---- Readings from /proc and the arithmetic over them --------------------------------------

# CPU snapshots are lines "tid nanoseconds": the scheduler's run time of each live thread of
# the given processes (/proc/PID/task/TID/schedstat), read to the nanosecond because oneko
# uses a few clock ticks in a window, too few to compare in ticks.
thread_cpu() { # pid...
    local pid
    for pid in "$@"; do
        awk '{ n = split(FILENAME, part, "/"); print part[n - 1], $1 }' \
            /proc/"$pid"/task/*/schedstat 2>/dev/null || true
    done
}

# CPU seconds between two snapshots: each thread's growth, a thread born in between with all
# its time. A thread that ended in between took its time with it; with `what` given, that is
# said on standard error, so a figure that lost time is not read as a cheap one.
cpu_between() { # before, after[, what]
    awk -v what="${3:-}" 'NR == FNR { before[$1] = $2; next }
        { sum += $2 - (($1 in before) ? before[$1] : 0); alive[$1] = 1 }
        END {
            for (tid in before) if (!(tid in alive)) ended++
            if (ended && what != "")
                printf "warning: %d thread(s) of %s ended in the window: their time is not counted\n",
                    ended, what > "/dev/stderr"
            printf "%.6f", sum / 1e9
        }' "$1" "$2"
}

# What users' tools show of a process's memory, in MB: "PSS private-dirty peak-RSS". PSS
# shares each page among the processes that map it; private dirty memory is what no other
# process can share (heap, stacks, relocated library data); peak RSS (VmHWM) counts every
# library page whole, however many processes share it.
memory_of() { # pid
    { cat "/proc/$1/smaps_rollup" "/proc/$1/status"; } 2>/dev/null | awk '
        $1 == "Pss:" { pss = $2 } $1 == "Private_Dirty:" { dirty = $2 } $1 == "VmHWM:" { peak = $2 }
        END { printf "%.2f %.2f %.2f\n", pss / 1024, dirty / 1024, peak / 1024 }'
}

# The figures of all runs, per tick, against the baseline, and their medians over the runs.
# The file holds one line per measurement: "run name cpu_s x_s sound_s startup_s pss_mb
# private_mb peak_mb"; the name "idle" is the pointer circling with no program, whose X-server
# time is taken off every program's of the same run (what is left is what the program makes
# the X server do). `rates` gives each program's ticks per second ("oneko=8 native=10 ...").
# A ratio over a baseline figure of zero or less is "n/a"; so is the median of no ratios.
cost_summary() { # figures file, seconds, baseline name, rates
    awk -v seconds="$2" -v baseline="$3" -v rates="$4" '
        # A ratio is a number, "n/a" (over a baseline of zero or less) or "" (the baseline
        # itself, or no baseline in the run).
        function ratio(a, b) { return b > 0 ? a / b : "n/a" }
        function show(r) { return r == "" || r == "n/a" ? r : sprintf("%.2fx", r) }
        function median(list,   n, v, i, j, t) {
            n = split(list, v, " ")
            if (n == 0) return ""
            for (i = 2; i <= n; i++) {
                t = v[i] + 0
                for (j = i - 1; j >= 1 && v[j] + 0 > t; j--) v[j + 1] = v[j]
                v[j + 1] = t
            }
            return n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
        }
        function keep(name, column, value) {
            if (value != "" && value != "n/a") kept[name, column] = kept[name, column] " " value
        }
        function row(name, f) {
            printf "  %-10s %7.3f %8.3f %8.3f %6s  %6.2f %6s  %6.2f %6s  %6.2f %6s  %6.3f %6.3f %5.2f\n",
                name, f["cpu"], f["x"], f["sum"], show(f["r_sum"]), f["pss"], show(f["r_pss"]),
                f["private"], show(f["r_private"]), f["peak"], show(f["r_peak"]),
                f["xs"], f["sound"], f["start"]
        }
        function header() {
            printf "  %-10s %7s %8s %8s %6s  %6s %6s  %6s %6s  %6s %6s  %6s %6s %5s\n", "program",
                "cpu", "X-idle", "cpu+X", "ratio", "PSS", "ratio", "priv.", "ratio", "peak", "ratio",
                "X", "sound", "start"
            printf "  %-10s %-31s  %-13s  %-13s  %-13s  %-13s %5s\n", "",
                "   ms per tick", "  MB", "  MB dirty", "  MB RSS", "   s in window", "s"
        }
        BEGIN {
            n = split(rates, pair, " ")
            for (i = 1; i <= n; i++) { split(pair[i], kv, "="); rate[kv[1]] = kv[2] }
        }
        {
            if (!($1 in run_seen)) { run_seen[$1] = 1; runs[++run_count] = $1 }
            if ($2 == "idle") { idle[$1] = $4; next }
            if (!($2 in rate)) { print "no tick rate for " $2 > "/dev/stderr"; failed = 1; exit 1 }
            if (!($2 in seen)) { seen[$2] = 1; names[++name_count] = $2 }
            cpu[$1, $2] = $3; xs[$1, $2] = $4; sound[$1, $2] = $5; start[$1, $2] = $6
            pss[$1, $2] = $7; private[$1, $2] = $8; peak[$1, $2] = $9; measured[$1, $2] = 1
        }
        END {
            if (failed) exit 1
            for (k = 1; k <= run_count; k++) {
                run = runs[k]
                if (!(run in idle)) { print "run " run " has no idle measurement" > "/dev/stderr"; exit 1 }
                printf "run %s: the pointer alone cost the X server %.3f s in %s s\n", run, idle[run], seconds
                header()
                for (i = 1; i <= name_count; i++) {
                    name = names[i]
                    if (!((run, name) in measured)) continue
                    ticks = seconds * rate[name]
                    f["cpu"] = cpu[run, name] * 1000 / ticks
                    f["x"] = (xs[run, name] - idle[run]) * 1000 / ticks
                    f["sum"] = f["cpu"] + f["x"]
                    f["pss"] = pss[run, name]; f["private"] = private[run, name]; f["peak"] = peak[run, name]
                    f["xs"] = xs[run, name]; f["sound"] = sound[run, name]; f["start"] = start[run, name]
                    if (name == baseline) for (c in f) base[run, c] = f[c]
                    for (c in f) if (c !~ /^r_/) keep(name, c, f[c])
                    f["r_sum"] = f["r_pss"] = f["r_private"] = f["r_peak"] = ""
                    if (name != baseline && (run, "sum") in base) {
                        f["r_sum"] = ratio(f["sum"], base[run, "sum"])
                        f["r_pss"] = ratio(f["pss"], base[run, "pss"])
                        f["r_private"] = ratio(f["private"], base[run, "private"])
                        f["r_peak"] = ratio(f["peak"], base[run, "peak"])
                        for (c in f) if (c ~ /^r_/) keep(name, c, f[c])
                    }
                    row(name, f)
                }
            }
            printf "median over %d run(s), ratios against %s in the same run\n", run_count, baseline
            header()
            for (i = 1; i <= name_count; i++) {
                name = names[i]
                for (c in f) {
                    f[c] = median(kept[name, c])
                    if (c ~ /^r_/ && f[c] == "" && name != baseline) f[c] = "n/a"
                }
                row(name, f)
            }
        }' "$1"
}

# ---- Programs on the display ----------------------------------------------------------------

# The X server's and the sound server's process ids, from the run folder of `jellop_start`.
cost_services() {
    read -r xvfb _ <"$JELLOP_RUN/xvfb.pid"
    read -r pulse _ <"$JELLOP_RUN/pulse.pid"
}

# Every process of this Wine prefix (wineserver included).
wine_pids() {
    local dir
    [ -n "${WINEPREFIX:-}" ] || return 0
    for dir in /proc/[0-9]*; do
        # Wine's own binaries only: the script's helpers inherit WINEPREFIX too.
        case $(readlink "$dir/exe" 2>/dev/null) in */wine*) ;; *) continue ;; esac
        { tr '\0' '\n' <"$dir/environ"; } 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" &&
            echo "${dir#/proc/}"
    done
}

# The pointer circles (radius 150 px, one turn every 8 s) around a point near the pet's start,
# faster than the pet walks (30 px/s): the pet never catches it. One xdotool process; its pid
# is printed.
circle_pointer() { # seconds
    local args
    args=$(awk -v s="$1" 'BEGIN { for (i = 0; i < s * 20; i++) {
        a = i * 2 * 3.14159265 / 160; printf "mousemove %d %d sleep 0.05 ",
        500 + 150 * cos(a), 400 + 150 * sin(a) } }')
    # shellcheck disable=SC2086
    xdotool $args >/dev/null 2>&1 &
    echo $!
}

# Waits until the Wine processes of the run, the X server and the sound server are at rest
# (under 0.05 s of CPU in one second; at most 30 s): Wine's services keep working for seconds
# after the prefix has started and after a program has ended, and that work must not be
# counted against the next one.
settle() {
    for _ in $(seq 1 30); do
        # shellcheck disable=SC2046
        thread_cpu $(wine_pids) "$xvfb" "$pulse" >"$work/settle.before"
        sleep 1
        # shellcheck disable=SC2046
        thread_cpu $(wine_pids) "$xvfb" "$pulse" >"$work/settle.after"
        awk -v c="$(cpu_between "$work/settle.before" "$work/settle.after")" \
            'BEGIN { exit !(c < 0.05) }' && return 0
    done
    echo "warning: the Wine processes, the X server or the sound server did not come to rest" >&2
}

# Starts the program `name` in a process group of its own and waits for its window (at most
# 60 s: the first Windows program in a new Wine prefix takes more than 15). Sets `started` (the
# pid) and `startup` (seconds from start to the window on screen).
start_program() { # name
    local exe=${program[$1]} begin window="" deadline=$((SECONDS + 60))
    begin=$(date +%s.%N)
    if [ "${kind[$1]}" = native ]; then
        # setsid(1) does not fork here (the subshell leads no group): $! is the program.
        (cd "$(dirname "$exe")" && exec setsid "$exe" </dev/null >/dev/null 2>&1) &
    else
        (cd "$(dirname "$exe")" && exec setsid wine "$exe" </dev/null >/dev/null 2>&1) &
    fi
    started=$!
    while [ $SECONDS -lt $deadline ]; do
        # Bounded: Xvfb has been seen to leave a search unanswered for minutes, until another
        # client connected; a new search connects again.
        window=$(timeout 2 xdotool search --onlyvisible --name "^${title[$1]}\$" 2>/dev/null) ||
            [ $? -ne 124 ] || echo "warning: a window search for $1 hung; searching again" >&2
        window=${window%%$'\n'*}
        [ -n "$window" ] && break
        sleep 0.01
    done
    startup=$(awk -v a="$(date +%s.%N)" -v b="$begin" 'BEGIN { printf "%.2f", a - b }')
    [ -n "$window" ] || { echo "$1: no window" >&2; stop_program "$started"; return 1; }
}

# Ends the process group of a started program and waits until `process` (the one that ran the
# program, for Wine not the one started) has gone, so that the next measurement starts clean.
stop_program() { # pid started[, process]
    kill -- -"$1" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
    while [ -n "${2:-}" ] && kill -0 "$2" 2>/dev/null; do sleep 0.1; done
}

# The process that runs the program: the one started for a native program; for Wine the
# process of this prefix running the exe with the highest peak memory (a loader that started
# it may still be there).
program_process() { # name, pid started
    local p
    if [ "${kind[$1]}" = native ]; then echo "$2"; return; fi
    for p in $(pgrep -f -- "$(basename "${program[$1]}")"); do
        { tr '\0' '\n' <"/proc/$p/environ"; } 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" &&
            awk -v p="$p" '$1 == "VmHWM:" { print p, $2 }' "/proc/$p/status"
    done | sort -k2 -n | tail -n 1 | cut -d' ' -f1
}

# The processes whose CPU the program is charged with: its own, or every Wine process.
program_pids() { # name, pid started
    if [ "${kind[$1]}" = native ]; then echo "$2"; else wine_pids; fi
}

# One measurement while the pointer circles: the program `name`, or with "idle" the pointer
# alone. After a settle, the program starts and shows its window, the pointer starts circling,
# 3 s pass (the fade-in; the walk under way), then CPU is taken over `seconds`. Prints
# "name cpu_s x_s sound_s startup_s pss_mb private_mb peak_mb" (zeros for what idle lacks).
measure() { # name
    local name=$1 started="" startup=0 mover process="" memory="0 0 0" cpu=0
    settle
    if [ "$name" != idle ]; then start_program "$name" || return 1; fi
    # Wine reads a stale pointer until it moves once after the window is there.
    xdotool mousemove 300 300 mousemove 301 301
    mover=$(circle_pointer $((seconds + 5)))
    sleep 3
    snapshot before
    sleep "$seconds"
    snapshot after
    if [ -n "$started" ]; then
        cpu=$(cpu_between "$work/program.before" "$work/program.after" "$name")
        process=$(program_process "$name" "$started")
        memory=$(memory_of "$process")
    fi
    kill "$mover" 2>/dev/null || true
    wait "$mover" 2>/dev/null || true
    [ -z "$started" ] || stop_program "$started" "$process"
    echo "$name $cpu $(cpu_between "$work/x.before" "$work/x.after" "the X server")" \
        "$(cpu_between "$work/sound.before" "$work/sound.after" "the sound server") $startup $memory"
}

# The CPU snapshots of one end of the window (`when`: before, after), taken back to back: the
# program's (when one runs: `name` and `started` of the caller), the X server's, the sound
# server's.
snapshot() { # when
    # shellcheck disable=SC2046
    [ -z "$started" ] || thread_cpu $(program_pids "$name" "$started") >"$work/program.$1"
    thread_cpu "$xvfb" >"$work/x.$1"
    thread_cpu "$pulse" >"$work/sound.$1"
}
