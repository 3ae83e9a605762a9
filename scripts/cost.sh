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
declare -A program title kind
names=(floor pet pet+sound)
program[floor]=$JELLOP_WINDOWS_BUILD/bench/jellop_floor.exe; title[floor]=Floor; kind[floor]=wine
program[pet]=$work/silent/jellop.exe; title[pet]=Form1; kind[pet]=wine
program[pet+sound]=$JELLOP_WINDOWS_BUILD/jellop.exe; title[pet+sound]=Form1; kind[pet+sound]=wine
for extra in "${extras[@]}"; do
    name=${extra%%=*}
    mkdir -p "$work/$name"
    cp "${extra#*=}" "$work/$name/$(basename "${extra#*=}")"
    program[$name]=$work/$name/$(basename "${extra#*=}"); title[$name]=Form1; kind[$name]=wine
    names+=("$name")
done

source "$JELLOP_ROOT/scripts/cost_lib.sh"

echo "CPU seconds over ${seconds} s with the pointer circling; peak RSS of the program; start-up to the first frame"
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //'); $(wine --version)"
for run in $(seq 1 "$runs"); do
    echo "run $run"
    printf '  %-12s %8s %8s %9s %9s   %s\n' program "wine cpu" "X cpu" "peak RSS" start-up "against the floor"
    declare -A result=()
    for name in "${names[@]}"; do
        result[$name]=$(measure "$name")
        read -r cpu x rss startup _ <<<"${result[$name]}"
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

# The median of each ratio over the runs.
echo "median over $runs runs"
for name in "${names[@]}"; do
    [ "$name" = floor ] && continue
    printf '  %-12s cpu %.2fx  X %.2fx  RSS %+.1f MB\n' "$name" \
        "$(awk -v n="$name" '$1 == n { sub("x", "", $3); print $3 }' "$work/ratios" | median)" \
        "$(awk -v n="$name" '$1 == n { sub("x", "", $5); print $5 }' "$work/ratios" | median)" \
        "$(awk -v n="$name" '$1 == n { print $7 }' "$work/ratios" | median)"
done
