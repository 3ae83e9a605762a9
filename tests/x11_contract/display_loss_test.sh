#!/usr/bin/env bash
# The native pet on a display of its own that goes away while it walks (the X server ends, as
# when a session closes): the program ends at once, cleanly, with status 0 and no core dump.
# Argument: the program.
set -euo pipefail
program=$1
dir=$(mktemp -d)
pids=()
trap 'for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done; rm -rf "$dir"' EXIT

Xvfb -displayfd 3 -nolisten tcp -screen 0 1280x1024x24 3>"$dir/display" 2>/dev/null &
pids+=($!)
xvfb=$!
for _ in $(seq 100); do [ -s "$dir/display" ] && break; sleep 0.1; done
export DISPLAY=:$(cat "$dir/display")

"$program" 2>"$dir/stderr" &
pet=$!
pids+=($pet)
timeout 20 xdotool search --sync --name '^Form1$' >/dev/null
sleep 1 # fading in and walking

kill "$xvfb"
for _ in $(seq 100); do kill -0 "$pet" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$pet" 2>/dev/null; then
    echo "the pet still runs 10 s after its display went away" >&2
    exit 1
fi
status=0
wait "$pet" || status=$?
if [ "$status" -ne 0 ]; then
    echo "the pet ended with status $status: $(cat "$dir/stderr")" >&2
    exit 1
fi
echo "ended with status 0: $(cat "$dir/stderr")"
