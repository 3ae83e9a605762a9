#!/usr/bin/env bash
# The arithmetic of the cost benchmark (scripts/cost_lib.sh) on made-up figures: CPU between
# two thread snapshots, and the per-tick summary (the idle X-server time taken off, ratios
# against the baseline of the same run, medians over the runs).
set -uo pipefail
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
source "$(dirname "$0")/../../scripts/cost_lib.sh"

failures=0
check() { # what, expected, got
    if [ "$2" != "$3" ]; then
        printf 'FAILED: %s\n  expected: %s\n  got:      %s\n' "$1" "$2" "$3"
        failures=$((failures + 1))
    fi
}

# CPU between snapshots: growth of the threads in both, a new thread's whole time, and a
# warning (only when asked) for a thread that ended.
printf '10 1000000000\n11 500000000\n' >"$scratch/before"
printf '10 1250000000\n12 100000000\n' >"$scratch/after"
check "cpu between, silent" 0.350000 "$(cpu_between "$scratch/before" "$scratch/after" 2>&1)"
check "cpu between, the ended thread said" \
    "warning: 1 thread(s) of the pet ended in the window: their time is not counted" \
    "$(cpu_between "$scratch/before" "$scratch/after" "the pet" 2>&1 >/dev/null)"
check "cpu between, nothing ended" "" \
    "$(cpu_between "$scratch/after" "$scratch/after" "the pet" 2>&1 >/dev/null)"

# Three runs of 10 s; oneko ticks 8 times a second (80 ticks), the pet 10 (100 ticks). The
# idle X time differs per run and is taken off each program of its run. Run 2 is disturbed:
# the median must not follow it. Run 3 has no pet: its medians are of two values.
cat >"$scratch/figures" <<'EOF'
1 idle 0 0.060 0.001 0 0 0 0
1 oneko 0.040 0.100 0.002 0.10 1.00 0.50 3.00
1 pet 0.100 0.180 0.050 0.20 2.00 1.50 6.00
2 idle 0 0.040 0.001 0 0 0 0
2 oneko 0.048 0.072 0.002 0.10 1.10 0.40 3.10
2 pet 0.300 0.540 0.060 0.30 2.20 1.60 6.20
3 idle 0 0.050 0.001 0 0 0 0
3 oneko 0.036 0.090 0.002 0.10 1.20 0.50 3.20
EOF
summary=$(cost_summary "$scratch/figures" 10 oneko "oneko=8 pet=10")
# The row of program `name` in the block (a run's or the medians') whose title matches.
row() { # title pattern, name[, summary]
    awk -v t="$1" -v n="$2" '/^[^ ]/ { inside = $0 ~ t } inside && $1 == n' <<<"${3:-$summary}" |
        tr -s ' '
}
# Run 1: oneko 0.5 ms cpu + 0.5 ms X per tick; the pet 1.0 + 1.2 = 2.2 ms, 2.20x.
check "run 1, oneko" " oneko 0.500 0.500 1.000 1.00 0.50 3.00 0.100 0.002 0.10" \
    "$(row '^run 1' oneko)"
check "run 1, pet" " pet 1.000 1.200 2.200 2.20x 2.00 2.00x 1.50 3.00x 6.00 2.00x 0.180 0.050 0.20" \
    "$(row '^run 1' pet)"
# Run 2: oneko 0.6 + 0.4 = 1.0 ms, the pet 3.0 + 5.0 = 8.0 ms, 8.00x.
check "run 2, pet" " pet 3.000 5.000 8.000 8.00x 2.20 2.00x 1.60 4.00x 6.20 2.00x 0.540 0.060 0.30" \
    "$(row '^run 2' pet)"
# Medians: oneko's of three runs (cpu 0.5, 0.6, 0.45 ms per tick: 0.5), the pet's of two
# (cpu+X 2.2 and 8.0: 5.1; ratios 2.20x and 8.00x: 5.10x).
check "median, oneko" " oneko 0.500 0.500 1.000 1.10 0.50 3.10 0.090 0.002 0.10" \
    "$(row '^median' oneko)"
check "median, pet" " pet 2.000 3.100 5.100 5.10x 2.10 2.00x 1.55 3.50x 6.10 2.00x 0.360 0.055 0.25" \
    "$(row '^median' pet)"

# A baseline figure of zero gives no ratio, and a program with no tick rate is refused.
cat >"$scratch/zero" <<'EOF'
1 idle 0 0.100 0 0 0 0 0
1 oneko 0 0.100 0 0.10 1.00 0 3.00
1 pet 0.100 0.200 0 0.10 2.00 1.00 6.00
EOF
check "zero baseline, pet" " pet 1.000 1.000 2.000 n/a 2.00 2.00x 1.00 n/a 6.00 2.00x 0.200 0.000 0.10" \
    "$(row '^run 1' pet "$(cost_summary "$scratch/zero" 10 oneko "oneko=8 pet=10")")"
check "no tick rate" "refused" \
    "$(cost_summary "$scratch/zero" 10 oneko "oneko=8" >/dev/null 2>&1 && echo accepted || echo refused)"

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "cost arithmetic: all checks hold"
