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
area_x=290 area_y=200
wine "${JELLOP_WINDOWS_BUILD:-$root/build/windows}/jellop.exe" </dev/null >/dev/null 2>&1 &
pet=$!
xdotool mousemove 640 512
window=$(xdotool search --sync --onlyvisible --name '^Form1$' | head -n 1)

n=0
pointer_x=640 pointer_y=512
point() { # x y: moves the pointer (screenshots do not show it: it is drawn in afterwards)
    pointer_x=$1 pointer_y=$2
    xdotool mousemove "$1" "$2"
}
grab() { # count: take that many pictures, about 100 ms apart
    local i name
    for ((i = 0; i < $1; i++)); do
        name=$frames/$(printf %04d $n).png
        import -window root -crop $area +repage "$name"
        echo "$name $((pointer_x - area_x)) $((pointer_y - area_y))" >>"$frames/pointer"
        n=$((n + 1))
        sleep 0.05
    done
}

point 330 430
grab 30
point 600 250
grab 35
eval "$(xdotool getwindowgeometry --shell "$window")"
point $((X + WIDTH / 2)) $((Y + HEIGHT / 2))
xdotool click --repeat 2 --delay 120 1
grab 40
wait $pet || true

# An arrow where the pointer was in each picture.
while read -r name x y; do
    mogrify -fill white -stroke black -strokewidth 1 \
        -draw "polygon $x,$y $x,$((y + 16)) $((x + 4)),$((y + 12)) $((x + 7)),$((y + 18)) $((x + 9)),$((y + 17)) $((x + 6)),$((y + 11)) $((x + 11)),$((y + 11))" \
        "$name"
done <"$frames/pointer"
convert -delay 10 -loop 0 "$frames"/*.png -layers Optimize "$out"
echo "recorded $n pictures into $out"
