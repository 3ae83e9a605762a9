#!/usr/bin/env bash
# What the walking pet costs, against a baseline measured side by side in the same run: each
# program runs in turn on the same private X display while the same scripted pointer circles,
# so that the pets keep walking; each run starts with the pointer circling alone ("idle").
#
#   scripts/cost.sh [--baseline oneko|floor] [--no-wine] [--runs N] [--seconds S] [--no-build]
#                   [NAME=PATH ...]
#
# --baseline oneko (the default): Debian's oneko, the classic X11 desktop pet, which chases the
#   pointer (8 ticks a second: its documented 125 ms interval), against the native pet with its
#   sound files ("native"), the native pet alone in a folder without them ("silent") and
#   jellop.exe under Wine with them ("wine"; not with --no-wine, which also starts no Wine).
# --baseline floor: bench/floor, a Windows program doing only what a walking pet cannot avoid,
#   against jellop.exe without its sound files ("pet") and with them ("pet+sound"), under Wine.
# NAME=PATH adds another build to each run (a .exe under Wine, else a native program), run
#   where it lies, with whatever sound files lie beside it.
# --runs (3), --seconds (30): the runs and the length of each measured window; --no-build uses
#   the builds as they are.
#
# Measured per program over the window, from /proc: its CPU (the scheduler's run time of its
# threads, in nanoseconds; for a Windows program every Wine process of the prefix, wineserver
# included), the X server's CPU less what the pointer alone cost it in the idle measurement of
# the same run, the sound server's CPU (shown apart: it mixes for every program), start-up to
# the first frame on screen, and its PSS, private dirty memory and peak RSS at the end. Printed
# per tick (the pets and the floor tick 10 times a second), with ratios against the baseline of
# the same run, for each run and as medians over the runs.
set -euo pipefail

runs=3
seconds=30
build=1
wine=1
baseline=oneko
extras=()
oneko=/usr/games/oneko

usage() {
    echo "usage: $0 [--baseline oneko|floor] [--no-wine] [--runs N] [--seconds S] [--no-build]" \
        "[NAME=PATH ...]" >&2
    exit 2
}

parse_arguments() {
    while [ $# -gt 0 ]; do
        case $1 in
        --baseline) baseline=${2:-}; shift 2 || usage ;;
        --runs) runs=${2:-}; shift 2 || usage ;;
        --seconds) seconds=${2:-}; shift 2 || usage ;;
        --no-build) build=0; shift ;;
        --no-wine) wine=0; shift ;;
        *=*) extras+=("$1"); shift ;;
        *) usage ;;
        esac
    done
    case $baseline in oneko | floor) ;; *) usage ;; esac
    [[ $runs =~ ^[1-9][0-9]*$ && $seconds =~ ^[1-9][0-9]*$ ]] || usage
    if [ "$baseline" = floor ] && [ $wine -eq 0 ]; then
        echo "the floor program runs under Wine: --baseline floor and --no-wine exclude each other" >&2
        exit 2
    fi
    if [ "$baseline" = oneko ] && [ ! -x "$oneko" ]; then
        echo "$oneko is missing (Debian package oneko)" >&2
        exit 1
    fi
}

build_programs() {
    jellop_install
    if [ "$baseline" = oneko ]; then
        jellop_configure linux
        cmake --build --preset linux --target jellop >/dev/null
    fi
    if [ $wine -eq 1 ]; then
        jellop_configure windows
        cmake --build --preset windows --target jellop jellop_floor wine_keepalive >/dev/null
    fi
}

# One program to measure: its name, kind (native, wine), path, window title and ticks a second.
add_program() { # name, kind, path, title, rate
    names+=("$1")
    kind[$1]=$2; program[$1]=$3; title[$1]=$4; rates+="$1=$5 "
}

# The programs of a run, the baseline first. "silent" and "pet" are copies of a program alone
# in a folder, without the sound files it would find beside it.
choose_programs() {
    names=()
    rates=""
    declare -gA kind program title
    mkdir -p "$work/silent"
    if [ "$baseline" = oneko ]; then
        # oneko names its window after the path it was started by.
        add_program oneko native "$oneko" "$oneko" 8
        add_program native native "$JELLOP_ROOT/build/linux/jellop" Form1 10
        cp "$JELLOP_ROOT/build/linux/jellop" "$work/silent/jellop"
        add_program silent native "$work/silent/jellop" Form1 10
        [ $wine -eq 0 ] || add_program wine wine "$JELLOP_WINDOWS_BUILD/jellop.exe" Form1 10
    else
        add_program floor wine "$JELLOP_WINDOWS_BUILD/bench/jellop_floor.exe" Floor 10
        cp "$JELLOP_WINDOWS_BUILD/jellop.exe" "$work/silent/jellop.exe"
        add_program pet wine "$work/silent/jellop.exe" Form1 10
        add_program pet+sound wine "$JELLOP_WINDOWS_BUILD/jellop.exe" Form1 10
    fi
    local extra path
    for extra in "${extras[@]}"; do
        path=$(realpath "${extra#*=}")
        case $path in
        *.exe) add_program "${extra%%=*}" wine "$path" Form1 10 ;;
        *) add_program "${extra%%=*}" native "$path" Form1 10 ;;
        esac
    done
}

describe_machine() {
    echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //');" \
        "$(uname -sr); load average $(cut -d' ' -f1-3 /proc/loadavg)$([ $wine -eq 0 ] || echo "; $(wine --version)")"
}

# One run: the pointer alone, then each program; one line of raw figures each, as measured,
# and the same appended to the figures file with the run's number.
run_once() { # run number
    local name figures
    echo "run $1 (raw: cpu, X, sound server in s; start-up s; PSS, private dirty, peak RSS in MB)"
    for name in idle "${names[@]}"; do
        figures=$(measure "$name")
        echo "$1 $figures" >>"$work/figures"
        printf '  %s\n' "$figures"
    done
}

main() {
    parse_arguments "$@"
    source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
    cd "$JELLOP_ROOT"
    [ $build -eq 0 ] || build_programs
    if [ $wine -eq 1 ]; then jellop_start; else jellop_start --no-wine; fi
    source "$JELLOP_ROOT/scripts/cost_lib.sh"
    cost_services
    work=$JELLOP_RUN/cost
    rm -rf "$work" && mkdir -p "$work"
    choose_programs
    describe_machine
    local run
    for run in $(seq 1 "$runs"); do run_once "$run"; done
    cost_summary "$work/figures" "$seconds" "$baseline" "$rates"
}

main "$@"
