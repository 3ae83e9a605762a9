# The checks of the Wayland tier that every compositor shares, sourced by the session scripts
# (tests/wayland/*_session.sh), which run inside the compositor's session with DISPLAY and
# WAYLAND_DISPLAY set. They watch the pet as a user would: its X window's place over time, and
# the compositor's own picture of the screen.
#
# Needs: JELLOP (the program), WORK (a folder for pictures and logs), NATIVE (the native
# window's colour), and the functions move_pointer X Y (moves the compositor's pointer, prints
# where the native window saw it: "over ..." or "off ..."), double_click and button left|right
# down|up (where the pointer is), and screenshot X Y W H FILE (a binary PPM of that area of the
# screen). Where it can, it also defines pet_roles: what the compositor makes of the pet's
# window, as words (taskbar or skip-taskbar, switcher or skip-switcher, pager or skip-pager
# where there is a pager, above or not-above, focused or unfocused), or "none".

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

# What the compositor makes of the pet's window: in no taskbar, pager or window switcher, kept
# above, and not focused, also once it has been clicked (a press and release on it, which
# drags it nowhere). The focus stays with the native window.
check_roles() {
    local roles
    roles=$(pet_roles)
    check "the compositor keeps it out of taskbar and switcher, above, unfocused ($roles)" \
        roles_are "$roles"
    point_at_pet >/dev/null
    sleep 0.2
    button left down
    button left up
    sleep 0.5
    roles=$(pet_roles)
    check "clicked, it does not take the focus ($roles)" roles_are "$roles"
}
roles_are() { # words: the wanted ones, and not "pager"
    local word
    for word in skip-taskbar skip-switcher above unfocused; do
        grep -qE "(^| )$word( |\$)" <<<"$1" || return 1
    done
    ! grep -qE '(^| )pager( |$)' <<<"$1"
}

# Puts the pointer on the pet's centre (twice: it may have taken a step meanwhile); prints the
# pet's rectangle then.
point_at_pet() {
    local x y w h
    read -r x y w h <<<"$(window_rect "$PET_WINDOW")"
    move_pointer $((x + w / 2)) $((y + h / 2)) >/dev/null
    sleep 0.3
    read -r x y w h <<<"$(window_rect "$PET_WINDOW")"
    move_pointer $((x + w / 2)) $((y + h / 2)) >/dev/null
    echo "$x $y $w $h"
}

# A double-click on the pet: it dies and the program ends by itself.
check_dies() {
    point_at_pet >/dev/null
    double_click
    sleep 1.2
    check_ends double-clicked
}

# Dragged with the left button by 150,100 in five moves, the pet goes with the pointer (its
# walk takes no step meanwhile: the pointer stays on its centre).
check_drag() {
    local x y w h x2 y2 i
    read -r x y w h <<<"$(point_at_pet)"
    sleep 0.2
    button left down
    for i in 1 2 3 4 5; do
        move_pointer $((x + w / 2 + 30 * i)) $((y + h / 2 + 20 * i)) >/dev/null
        sleep 0.1
    done
    sleep 0.3
    button left up
    sleep 0.3
    read -r x2 y2 w h <<<"$(window_rect "$PET_WINDOW")"
    check "dragged 150,100 with the left button, it went with the pointer ($((x2 - x)),$((y2 - y)))" \
        test $(((x2 - x - 150) * (x2 - x - 150) + (y2 - y - 100) * (y2 - y - 100))) -le 100
}

# The program's pop-up menu: the viewable top-level X window of the pop-up menu type, if any.
popup_menu() {
    local w
    for w in $(xwininfo -root -children | awk '/^ +0x/ {print $1}'); do
        if xprop -id "$w" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q POPUP_MENU &&
            xwininfo -id "$w" 2>/dev/null | grep -q IsViewable; then
            echo "$w"
            return
        fi
    done
}

# A right-click on the pet opens its menu, which the compositor shows above the native window;
# a click on its last item ("Die") ends the pet and the program, which fades out.
check_menu_dies() { # compositor
    local menu= x y w h mean
    point_at_pet >/dev/null
    sleep 0.2
    button right down
    button right up
    for _ in $(seq 100); do
        menu=$(popup_menu)
        [ -n "$menu" ] && break
        sleep 0.1
    done
    check "a right-click opens the menu (${menu:-none})" test -n "$menu"
    [ -n "$menu" ] || return
    read -r x y w h <<<"$(window_rect "$menu")"
    sleep 0.3
    screenshot "$x" "$y" "$w" "$h" "$WORK/$1-menu.ppm"
    mean=$(convert "$WORK/$1-menu.ppm" -scale '1x1!' -format '%[hex:u.p{0,0}]' info:)
    check "the compositor shows it above the native window (its mean colour $mean at $x,$y ${w}x$h)" \
        python3 -c 'import sys; a, b = (bytes.fromhex(v[:6]) for v in sys.argv[1:]); sys.exit(max(abs(p - q) for p, q in zip(a, b)) < 40)' "$mean" "$NATIVE"
    move_pointer $((x + w / 2)) $((y + h * 4 / 5)) >/dev/null
    sleep 0.3
    button left down
    button left up
    check_ends_fading "$1" "its menu's Die chosen"
}

# After a death request the last death frame is held from about 0.6 s to 2.6 s; then the window
# fades out for at least 1.28 s and the program ends with status 0. The opacity is read from the
# compositor's pictures: one of the held frame, then as many as it takes during the fade
# (FADE_SHOWN=no: where the compositor shows no window's opacity, only said).
check_ends_fading() { # compositor, what ended it
    local x y w h
    FADE_SEEN=
    sleep 1.2
    read -r x y w h <<<"$(window_rect "$PET_WINDOW")"
    screenshot "$x" "$y" "$w" "$h" "$WORK/$1-held.ppm"
    check_ends "$2" see_fading "$1" "$x" "$y" "$w" "$h"
    if [ "${FADE_SHOWN:-yes}" = no ]; then
        echo "  known: this compositor shows no window's opacity (opacity seen:$FADE_SEEN)"
        return
    fi
    # The opacity seen in time order; the last pictures may come after the window went.
    check "it fades out: the compositor showed it part-transparent (opacity seen:$FADE_SEEN)" \
        awk -v seen="$FADE_SEEN" 'BEGIN {n = split(seen, a, " "); for (i = 1; i <= n; i++)
            if (a[i] > 0.05 && a[i] < 0.95) exit 0; exit 1}'
}
see_fading() { # compositor x y w h: adds the pet's opacity now to FADE_SEEN
    local alpha
    if screenshot "$2" "$3" "$4" "$5" "$WORK/$1-fading.ppm" &&
        alpha=$(python3 "$(dirname "${BASH_SOURCE[0]}")/pet_alpha.py" "$WORK/$1-held.ppm" \
            "$WORK/$1-fading.ppm" "$NATIVE"); then
        FADE_SEEN="$FADE_SEEN $alpha"
    fi
}

# The program ends within 15 s, with status 0; between looks it runs `command...` (or sleeps
# 0.1 s).
check_ends() { # what ended it, command...
    local what=$1 status=
    shift
    for _ in $(seq 150); do
        if ! kill -0 "$PET_PID" 2>/dev/null; then
            wait "$PET_PID"; status=$?; PET_PID=
            break
        fi
        if [ $# -gt 0 ]; then "$@"; else sleep 0.1; fi
    done
    if [ -z "$status" ]; then
        fail "$what, the program did not end within 15 s"
        stop_pet
        return
    fi
    check "$what, it dies and the program ends (status $status)" test "$status" -eq 0
}

# Without the relay: X last saw the pointer over the pet (an X window); the pointer then goes
# over the native window and the pet stays where it is. Standard error has one line that
# contains `says`. The pet is left running.
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
}
