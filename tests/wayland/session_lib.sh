# The checks of the Wayland tier that every compositor shares, sourced by the session scripts
# (tests/wayland/*_session.sh), which run inside the compositor's session with DISPLAY and
# WAYLAND_DISPLAY set. They watch the pet as a user would: its X window's place over time, and
# the compositor's own picture of the screen.
#
# Needs: JELLOP (the program), and the functions move_pointer X Y (moves the compositor's
# pointer, prints where the native window saw it) and, for pictures, screenshot X Y W H FILE.

FAILURES=0
pass() { printf '  ok    %s\n' "$*"; }
fail() { printf '  FAIL  %s\n' "$*"; FAILURES=$((FAILURES + 1)); }
check() { # description, command...
    local what=$1; shift
    if "$@"; then pass "$what"; else fail "$what"; fi
}

# The pet's window: the visible X window of class jellop.
pet_window() { xdotool search --onlyvisible --classname '^jellop$' 2>/dev/null | head -n 1; }

# "X Y W H" of window $1 on the X screen.
window_rect() {
    xwininfo -id "$1" 2>/dev/null | awk '
        /Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
        /^ *Width:/ {w=$NF} /^ *Height:/ {h=$NF}
        END {if (w) print x, y, w, h}'
}

# The distance from the centre of rectangle "X Y W H" to the point TX,TY, rounded.
distance() { # "rect" tx ty
    local x y w h
    read -r x y w h <<<"$1"
    awk -v x="$x" -v y="$y" -v w="$w" -v h="$h" -v tx="$2" -v ty="$3" \
        'BEGIN {dx = x + w / 2 - tx; dy = y + h / 2 - ty; printf "%d", sqrt(dx * dx + dy * dy) + 0.5}'
}

# Starts the program with its standard error in $1 (extra environment in the rest) and waits
# for its window; sets PET_PID, PET_WINDOW and FIRST_RECT (its place when first seen).
start_pet() { # stderr file, env assignments...
    local errors=$1; shift
    env "$@" "$JELLOP" 2>"$errors" &
    PET_PID=$!
    PET_WINDOW=
    FIRST_RECT=
    local tries=100
    while [ $tries -gt 0 ]; do
        PET_WINDOW=$(pet_window)
        if [ -n "$PET_WINDOW" ]; then
            FIRST_RECT=$(window_rect "$PET_WINDOW")
            [ -n "$FIRST_RECT" ] && return 0
        fi
        sleep 0.05
        tries=$((tries - 1))
    done
    return 1
}

stop_pet() {
    [ -n "${PET_PID:-}" ] || return 0
    kill "$PET_PID" 2>/dev/null
    wait "$PET_PID" 2>/dev/null
    PET_PID=
}

# The pet walks towards TX,TY for `seconds`: prints "before after" distances.
walk_for() { # seconds tx ty
    local before after
    before=$(distance "$(window_rect "$PET_WINDOW")" "$2" "$3")
    sleep "$1"
    after=$(distance "$(window_rect "$PET_WINDOW")" "$2" "$3")
    echo "$before $after"
}

# The start place: 6420 x 4800 twips at 15 twips a pixel.
START_X=428
START_Y=320
at_start_place() { # rect
    local x y w h
    read -r x y w h <<<"$1"
    # Seen before or within the first ticks of the walk (3 pixels a tick on each axis).
    [ $((x > START_X ? x - START_X : START_X - x)) -le 6 ] &&
        [ $((y > START_Y ? y - START_Y : START_Y - y)) -le 6 ]
}

# The pet's picture over the native window, judged by pet_picture.py.
judge_picture() { # file, native colour
    local rect x y w h
    rect=$(window_rect "$PET_WINDOW")
    read -r x y w h <<<"$rect"
    screenshot $((x - 20)) $((y - 20)) $((w + 40)) $((h + 40)) "$1" &&
        python3 "$(dirname "${BASH_SOURCE[0]}")/pet_picture.py" "$1" $((x - 20)) $((y - 20)) \
            "$x" "$y" "$w" "$h" "$2"
}
