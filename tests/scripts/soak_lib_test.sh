#!/usr/bin/env bash
# The soak's growth rule (scripts/soak_lib.sh) on made-up samples: what settles in the first
# minutes, what comes and goes, and what grows, for memory (with its margin) and counts (exact).
set -uo pipefail
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
source "$(dirname "$0")/../../scripts/soak_lib.sh"

failures=0
check() { # what, expected, got
    if [ "$2" != "$3" ]; then
        printf 'FAILED: %s\n  expected: %s\n  got:      %s\n' "$1" "$2" "$3"
        failures=$((failures + 1))
    fi
}

# An hour sampled every 5 s. Each series, by the sample's time t (seconds):
#   settles_kb   grows 6 MB over the first 90 s, then flat: settled before minute 2
#   creep_kb     flat, then 300 KB more over the last half: within the 1024 KB margin
#   leak_kb      40 KB a minute from the start: the medians 3138 and 5100 KB, 1.9 MB apart
#   menu         4, 5 while a menu shows (one sample in 8): the medians do not see it
#   late         3, one more from minute 50: an exact count, it grew
#   late_gone    3, one more between minutes 30 and 40 only: gone by the last quarter
#   x_pixmap_kb  86.4 to 86.8 and back (frames of other sizes): within its 64 KB margin
#   probe        empty in the first 10 s (not read yet), then 129
#   pss_kb       2 MB higher in the last quarter (other programs left the shared libraries):
#                shown, not judged
awk 'BEGIN {
    print "seconds,settles_kb,creep_kb,leak_kb,menu,late,late_gone,x_pixmap_kb,probe,pss_kb"
    for (t = 0; t <= 3600; t += 5) {
        printf "%d,%d,%d,%d,%d,%d,%d,%.1f,%s,%d\n", t, 1000 + (t < 90 ? t * 6000 / 90 : 6000),
            2000 + (t > 1800 ? (t - 1800) / 6 : 0), 3000 + t * 40 / 60, ((t / 5) % 8 ? 4 : 5),
            (t >= 3000 ? 4 : 3), (t >= 1800 && t < 2400 ? 4 : 3), ((t / 5) % 3 ? 86.4 : 86.8),
            (t < 10 ? "" : 129), (t >= 2700 ? 12000 : 10000)
    }
}' >"$scratch/hour.csv"
verdict=$(soak_verdict "$scratch/hour.csv")
check "an hour: the status" 1 "$(soak_verdict "$scratch/hour.csv" >/dev/null; echo $?)"
check "an hour: per series" "settles_kb 1000 7000 7000 7000 1024 ok
creep_kb 2000 2300 2000 2225 1024 ok
leak_kb 3000 5400 3138 5100 1024 GREW
menu 5 5 4 4 0 ok
late 3 4 3 4 0 GREW
late_gone 3 3 3 3 0 ok
x_pixmap_kb 86.8 86.8 86.4 86.4 64 ok
probe 129 129 129 129 0 ok
pss_kb 10000 12000 10000 12000 1024 shown" "$verdict"

# Without the leaking series the same hour passes; a wider margin ($SOAK_MARGIN_KB) lets a
# slow growth by.
cut -d, -f1-3,5,10 "$scratch/hour.csv" >"$scratch/steady.csv"
check "steady: the status" 0 "$(soak_verdict "$scratch/steady.csv" >/dev/null; echo $?)"
cut -d, -f1,4 "$scratch/hour.csv" >"$scratch/leak.csv"
check "a margin of 4 MB" "leak_kb 3000 5400 3138 5100 4096 ok" \
    "$(SOAK_MARGIN_KB=4096 soak_verdict "$scratch/leak.csv")"

# A run under 20 minutes (the smoke): the second quarter is the start, the last the end. 60 s:
# 15-30 s against 45-60 s.
awk 'BEGIN { print "seconds,gcs"; for (t = 0; t <= 60; t += 5) printf "%d,%d\n", t, (t < 20 ? 9 : t < 45 ? 28 : 29) }' \
    >"$scratch/minute.csv"
check "a minute: start 15-30 s, end 45-60 s" "gcs 9 29 28 29 0 GREW" "$(soak_verdict "$scratch/minute.csv")"

# Too few samples to judge, and none.
printf 'seconds,fds\n0,12\n5,12\n10,12\n' >"$scratch/short.csv"
check "too few samples" "2 too few samples to judge fds" \
    "$(out=$(soak_verdict "$scratch/short.csv"); echo "$? $out")"
check "no samples" "2 no samples" "$(out=$(soak_verdict <(echo seconds,fds)); echo "$? $out")"

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "soak growth rule: all checks hold"
