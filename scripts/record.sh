#!/usr/bin/env bash
# Records a short run of the pet as an animated GIF (argument: the output path). Expects the
# environment of scripts/env.sh to be started (display, sound, Wine prefix), the pet built
# (build/linux/jellop, or jellop.exe under Wine with JELLOP_RECORD_PROGRAM=windows) and the
# desktop tool built. The display is made a desktop as users have it (a window manager, a
# compositor, a wallpaper and an ordinary window beside the pet), so the fades and the shape
# show. The pet fades in, the pointer is parked to the lower left, then to the upper right over
# the window; then the pet is double-clicked, dies and fades out.
set -euo pipefail
out=${1:?output path}
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/env.sh"
frames=$(mktemp -d)
trap 'jellop_kill notes; rm -rf "$frames"' EXIT

jellop_desktop managed
"$JELLOP_NATIVE_BUILD/tests/e2e/jellop_desktop" background desktop
jellop_spawn notes /dev/null "$JELLOP_NATIVE_BUILD/tests/e2e/jellop_desktop" window 470 250 150 120

area=360x260+290+200 # the part of the screen the pet walks in during the recording
area_x=290 area_y=200
xdotool mousemove 640 512
if [ "${JELLOP_RECORD_PROGRAM:-native}" = windows ]; then
    wine "$JELLOP_WINDOWS_BUILD/jellop.exe" </dev/null >/dev/null 2>&1 8>&- &
else
    "$root/build/linux/jellop" </dev/null >/dev/null 2>&1 8>&- &
fi
pet=$!
window=$(timeout 60 xdotool search --sync --onlyvisible --name '^Form1$' | head -n 1)
[ -n "$window" ] || { echo "the pet never appeared" >&2; exit 1; }

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

grab 8 # the fade-in
point 330 430
grab 30
point 600 250
grab 35
eval "$(xdotool getwindowgeometry --shell "$window")"
point $((X + WIDTH / 2)) $((Y + HEIGHT / 2))
xdotool click --repeat 2 --delay 120 1
grab 55 # death, the hold and the fade-out
timeout 30 tail --pid=$pet -f /dev/null || kill $pet

# An arrow where the pointer was in each picture.
while read -r name x y; do
    mogrify -fill white -stroke black -strokewidth 1 \
        -draw "polygon $x,$y $x,$((y + 16)) $((x + 4)),$((y + 12)) $((x + 7)),$((y + 18)) $((x + 9)),$((y + 17)) $((x + 6)),$((y + 11)) $((x + 11)),$((y + 11))" \
        "$name"
done <"$frames/pointer"
convert -delay 10 -loop 0 "$frames"/*.png -layers Optimize "$out"
echo "recorded $n pictures into $out"
