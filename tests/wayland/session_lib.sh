# The checks of the Wayland tier that every compositor shares, sourced by the session scripts
# (tests/wayland/*_session.sh), which run inside the compositor's session with DISPLAY and
# WAYLAND_DISPLAY set. They watch the pet as a user would: its X window's place over time, and
# the compositor's own picture of the screen.
#
# Needs: JELLOP (the program), WORK (a folder for pictures and logs), NATIVE (the native
# window's colour), and the functions move_pointer X Y (moves the compositor's pointer, prints
# where the native window saw it: "over ..." or "off ..."), double_click (where the pointer is)
# and screenshot X Y W H FILE (a binary PPM of that area of the screen).

FAILURES=0
pass() { printf '  ok    %s\n' "$*"; }
fail() { printf '  FAIL  %s\n' "$*"; FAILURES=$((FAILURES + 1)); }
check() { # description, command...
    local what=$1; shift
    if "$@"; then pass "$what"; else fail "$what"; fi
}

# A helper program spoken to a line at a time through two pipes: helper_start NAME COMMAND...,
# then helper_ask NAME LINE prints its one-line answer. (Bash keeps one coprocess at a time.)
helper_start() { # name command...
    local name=$1; shift
    rm -f "$WORK/$name.in" "$WORK/$name.out"
    mkfifo "$WORK/$name.in" "$WORK/$name.out"
    "$@" <"$WORK/$name.in" >"$WORK/$name.out" 2>"$WORK/$name.err" &
    eval "${name}_PID=$!"
    exec {in}>"$WORK/$name.in" {out}<"$WORK/$name.out"
    eval "${name}_IN=$in ${name}_OUT=$out"
}
helper_ask() { # name line
    local in out reply=
    eval "in=\$${1}_IN out=\$${1}_OUT"
    echo "$2" >&"$in"
    read -t 20 -r reply <&"$out"
    echo "$reply"
}
helper_read() { # name: its next line (its first: that it is ready)
    local out reply=
    eval "out=\$${1}_OUT"
    read -t 30 -r reply <&"$out"
    echo "$reply"
}
helper_stop() { # name
    local in out pid
    eval "in=\$${1}_IN out=\$${1}_OUT pid=\$${1}_PID"
    echo quit >&"$in"
    exec {in}>&- {out}<&-
    wait "$pid" 2>/dev/null
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

# The pet with the relay: it appears at its start place, cut to its shape above the native
# window, walks towards the pointer over the native window and turns when it moves; it says
# nothing on standard error; double-clicked, it dies and the program ends by itself.
# T1 lies up and left of the start place, while X last saw the pointer in the middle of the
# screen (down and right) or nowhere: only the relay leads the pet there.
T1X=200 T1Y=150
T2X=1000 T2Y=650
check_follows() { # compositor
    local where before after status picture t0 x y w h
    where=$(move_pointer $T1X $T1Y)
    check "the pointer is over the native window ($where)" test "${where%% *}" = over
    t0=$(date +%s%N)
    start_pet "$WORK/relay.err" || fail "the pet did not show"
    echo "  first seen at $FIRST_RECT, $(( ($(date +%s%N) - t0) / 1000000 )) ms after start"
    check "it appears at its start place ($START_X,$START_Y)" at_start_place "$FIRST_RECT"
    sleep 0.3
    picture=$(judge_picture "$WORK/$1-pet.ppm" "$NATIVE" 2>&1); status=$?
    check "$1's picture: the pet cut to its shape, above the native window ($picture)" \
        test $status -eq 0
    read -r before after <<<"$(walk_for 3 $T1X $T1Y)"
    check "it walks towards the pointer ($before -> $after px from it in 3 s)" \
        test $((before - after)) -ge 60
    where=$(move_pointer $T2X $T2Y)
    read -r before after <<<"$(walk_for 2 $T2X $T2Y)"
    check "and turns when it moves ($before -> $after px in 2 s, pointer $where)" \
        test $((before - after)) -ge 40
    check "nothing on standard error ($(head -c 300 "$WORK/relay.err"))" test ! -s "$WORK/relay.err"
}

# A double-click on the pet (the pointer put on it twice: it may have taken a step): it dies
# and the program ends by itself.
check_dies() {
    local x y w h status
    read -r x y w h <<<"$(window_rect "$PET_WINDOW")"
    move_pointer $((x + w / 2)) $((y + h / 2)) >/dev/null
    sleep 0.3
    read -r x y w h <<<"$(window_rect "$PET_WINDOW")"
    move_pointer $((x + w / 2)) $((y + h / 2)) >/dev/null
    double_click
    for _ in $(seq 100); do
        if ! kill -0 "$PET_PID" 2>/dev/null; then
            wait "$PET_PID"; status=$?; PET_PID=
            check "double-clicked, it dies and the program ends (status $status)" test $status -eq 0
            return
        fi
        sleep 0.1
    done
    fail "double-clicked, the program did not end within 10 s"
    stop_pet
}

# Without the relay: X last saw the pointer over the pet (an X window); the pointer then goes
# over the native window and the pet stays where it is. Standard error has one line that
# contains `says`.
check_control() { # says, environment assignments...
    local says=$1 where before after x y w h; shift
    start_pet "$WORK/control.err" "$@" || fail "the pet did not show"
    # Once faded in (a window still transparent may not take the pointer).
    sleep 0.8
    read -r x y w h <<<"$(window_rect "$PET_WINDOW")"
    move_pointer $((x + w / 2)) $((y + h / 2)) >/dev/null
    sleep 0.3
    local seen
    seen=$(xdotool getmouselocation | sed 's/ screen.*//')
    check "X saw the pointer over the pet ($seen; the pet at $x,$y ${w}x$h)" \
        test "$seen" = "x:$((x + w / 2)) y:$((y + h / 2))"
    where=$(move_pointer $T1X $T1Y)
    read -r before after <<<"$(walk_for 3 $T1X $T1Y)"
    check "it does not walk towards the pointer ($before -> $after px in 3 s, pointer $where)" \
        test $((before - after)) -lt 12
    check "one line on standard error says why ($(cat "$WORK/control.err"))" \
        test "$(grep -c 'follows the pointer only over X windows' "$WORK/control.err")" -eq 1 -a \
        "$(grep -cF -- "$says" "$WORK/control.err")" -eq 1 -a "$(wc -l <"$WORK/control.err")" -eq 1
    stop_pet
}
