#!/usr/bin/env bash
# Records a short run of the pet as an animated GIF (argument: the output path). Expects the
# environment of scripts/env.sh to be started (display, sound, Wine prefix) and jellop.exe
# built. The pointer is parked to the lower left, then to the upper right; then the pet is
# double-clicked and dies.
set -euo pipefail
out=${1:?output path}
root=$(cd "$(dirname "$0")/.." && pwd)
frames=$(mktemp -d)
trap 'rm -rf "$frames"' EXIT

area=360x260+290+200 # the part of the screen the pet walks in during the recording
wine "$root/build/windows/jellop.exe" </dev/null >/dev/null 2>&1 &
pet=$!
xdotool mousemove 640 512
window=$(xdotool search --sync --onlyvisible --name '^Form1$' | head -n 1)

n=0
grab() { # count: take that many pictures, about 100 ms apart
    local i
    for ((i = 0; i < $1; i++)); do
        import -window root -crop $area +repage "$frames/$(printf %04d $n).png"
        n=$((n + 1))
        sleep 0.05
    done
}

xdotool mousemove 330 430
grab 30
xdotool mousemove 600 250
grab 35
eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click --repeat 2 --delay 120 1
grab 40
wait $pet || true
convert -delay 10 -loop 0 "$frames"/*.png -layers Optimize "$out"
echo "recorded $n pictures into $out"
