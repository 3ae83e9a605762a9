#!/usr/bin/env bash
# What the native Linux pet costs while it walks, measured side by side with the classic X11
# desktop pet (Debian's oneko, which chases the pointer) and with the Windows build under Wine:
# each runs in turn on the same private X display while the same scripted pointer circles.
# The native pet and jellop.exe run with their sound files (the walk plays its move sound
# every 400 ms), as users run them; "silent" is the native pet without its sound files (a copy
# of the program alone in a folder), which shows what the walk costs without the sound.
#
#   scripts/cost_native.sh [--runs N] [--seconds S] [--no-build] [--no-wine]
#
# Printed per program: its CPU time over the window (the native pet and oneko: their own
# process; jellop.exe: every Wine process of the prefix, wineserver included), the X server's
# CPU time, the sound server's (PulseAudio, which mixes the pets' sounds: not part of either
# program's figure, shown on its own), the peak resident memory (VmHWM) of the program's
# process, start-up to the first frame on screen; then the ratios against oneko and their
# medians over the runs. The goals: program + X server at most oneko's, peak memory at most
# twice oneko's.
set -euo pipefail

runs=3
seconds=20
build=1
wine=1
while [ $# -gt 0 ]; do
    case $1 in
    --runs) runs=$2; shift 2 ;;
    --seconds) seconds=$2; shift 2 ;;
    --no-build) build=0; shift ;;
    --no-wine) wine=0; shift ;;
    *) echo "usage: $0 [--runs N] [--seconds S] [--no-build] [--no-wine]" >&2; exit 2 ;;
    esac
done

oneko=/usr/games/oneko
[ -x "$oneko" ] || { echo "$oneko is missing (Debian package oneko)" >&2; exit 1; }

source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
cd "$JELLOP_ROOT"
native_build=$JELLOP_ROOT/build/linux
if [ $build -eq 1 ]; then
    jellop_install
    jellop_configure linux
    cmake --build --preset linux --target jellop >/dev/null
    if [ $wine -eq 1 ]; then
        jellop_configure windows
        cmake --build --preset windows --target jellop wine_keepalive >/dev/null
    fi
fi
if [ $wine -eq 1 ]; then jellop_start; else jellop_start --no-wine; fi

work=$JELLOP_RUN/cost
rm -rf "$work" && mkdir -p "$work/silent"
cp "$native_build/jellop" "$work/silent/jellop"
declare -A program title kind
# oneko names its window after the path it was started by.
names=(oneko native silent)
[ $wine -eq 1 ] && names+=(wine)
program[oneko]=$oneko; title[oneko]=$oneko; kind[oneko]=native
program[native]=$native_build/jellop; title[native]=Form1; kind[native]=native
program[silent]=$work/silent/jellop; title[silent]=Form1; kind[silent]=native
program[wine]=$JELLOP_WINDOWS_BUILD/jellop.exe; title[wine]=Form1; kind[wine]=wine
source "$JELLOP_ROOT/scripts/cost_lib.sh"

echo "CPU seconds over ${seconds} s with the pointer circling; peak RSS of the program; start-up to the first frame"
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //'); $(uname -sr); $(wine --version)"
for run in $(seq 1 "$runs"); do
    echo "run $run"
    printf '  %-7s %6s %6s %6s %9s %8s   %s\n' program cpu "X" sound "peak RSS" start-up \
        "against oneko"
    declare -A result=()
    for name in "${names[@]}"; do
        result[$name]=$(measure "$name")
        read -r cpu x rss startup sound <<<"${result[$name]}"
        against=""
        if [ "$name" != oneko ]; then
            read -r ocpu ox orss _ <<<"${result[oneko]}"
            # A ratio over a figure too small to read (one clock tick or less) is shown as such.
            against=$(awk -v c="$cpu" -v x="$x" -v r="$rss" -v oc="$ocpu" -v ox="$ox" -v or="$orss" '
                function ratio(a, b) { return b > 0 ? sprintf("%.2fx", a / b) : "n/a" }
                BEGIN { printf "cpu+X %s  cpu %s  X %s  RSS %s", ratio(c + x, oc + ox),
                        ratio(c, oc), ratio(x, ox), ratio(r, or) }')
            echo "$name $against" >>"$work/ratios"
        fi
        echo "$name $cpu $x $sound $rss" >>"$work/figures"
        printf '  %-7s %5ss %5ss %5ss %6s MB %7ss   %s\n' "$name" "$cpu" "$x" "$sound" "$rss" \
            "$startup" "$against"
    done
done

echo "median over $runs runs"
column_median() { # name, field
    awk -v n="$1" -v f="$2" '$1 == n { sub("x$", "", $f); print $f }' "$3" | median
}
for name in "${names[@]}"; do
    printf '  %-7s cpu %.3fs  X %.3fs  sound %.3fs  RSS %.1f MB' "$name" \
        "$(column_median "$name" 2 "$work/figures")" "$(column_median "$name" 3 "$work/figures")" \
        "$(column_median "$name" 4 "$work/figures")" "$(column_median "$name" 5 "$work/figures")"
    if [ "$name" != oneko ]; then
        printf '   cpu+X %sx  cpu %sx  X %sx  RSS %sx' "$(column_median "$name" 3 "$work/ratios")" \
            "$(column_median "$name" 5 "$work/ratios")" "$(column_median "$name" 7 "$work/ratios")" \
            "$(column_median "$name" 9 "$work/ratios")"
    fi
    echo
done
