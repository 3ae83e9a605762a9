# The arithmetic of the soak (scripts/soak.sh), apart so that tests/scripts/soak_lib_test.sh
# can run it on made-up samples.
#
# The samples: a CSV file whose first column is "seconds" (since the pet's window appeared) and
# whose other columns are series; memory series are named *_kb.
#
# The growth rule, per series: its median over the last quarter of the run against its median
# over the settled start, minutes 2 to 5 of an hour's run (for a run shorter than 20 minutes,
# its second quarter: what the program allocates once, at start, has been allocated by then).
# A series grew when the last median exceeds the start median by more than its margin:
# $SOAK_MARGIN_KB (default 1024) for the program's memory, $SOAK_MARGIN_PIXMAP_KB (default 64)
# for the X server's pixmap memory (x_pixmap_kb: its pixmaps change size with the frames),
# nothing for counts. PSS as a whole (pss_kb) is shown but not judged: its file-backed part is
# each shared library page divided among all the processes on the machine that map it, so it
# steps up and down as other programs (other Wine programs, for Wine's libraries) start and
# end; what the program itself allocates is judged by pss_anon_kb and private_dirty_kb.
# Medians and not single
# samples, so that a menu open or a sound playing at the moment of a sample is not a growth.

# Empty cells (a series not read at that moment) are left out.
# Prints one line per series: "name first last start_median end_median margin verdict", the
# verdict "ok", "GREW" or "shown" (not judged); returns 1 when any series grew, 2 when the samples are too few to
# judge (fewer than 3 in either window).
soak_verdict() { # csv
    awk -F, -v kb="${SOAK_MARGIN_KB:-1024}" -v pixmap_kb="${SOAK_MARGIN_PIXMAP_KB:-64}" '
    function median(values, n,    i, j, t) {
        for (i = 2; i <= n; i++) {
            t = values[i]
            for (j = i - 1; j >= 1 && values[j] > t; j--) values[j + 1] = values[j]
            values[j + 1] = t
        }
        return n % 2 ? values[(n + 1) / 2] : (values[n / 2] + values[n / 2 + 1]) / 2
    }
    NR == 1 { for (c = 1; c <= NF; c++) name[c] = $c; columns = NF; next }
    { rows++; t[rows] = $1; for (c = 2; c <= columns; c++) v[rows, c] = $c }
    END {
        if (rows == 0) { print "no samples"; exit 2 }
        total = t[rows]
        if (total >= 1200) { from = 120; to = 300 } else { from = total / 4; to = total / 2 }
        last = total * 3 / 4
        status = 0
        for (c = 2; c <= columns; c++) {
            ns = 0; ne = 0; first = ""
            for (r = 1; r <= rows; r++) {
                if (v[r, c] == "") continue # not read at that moment (the probe had not yet)
                if (first == "") first = v[r, c]
                if (t[r] >= from && t[r] < to) start[++ns] = v[r, c] + 0
                if (t[r] >= last) end[++ne] = v[r, c] + 0
            }
            if (ns < 3 || ne < 3) { print "too few samples to judge " name[c]; exit 2 }
            ms = median(start, ns); me = median(end, ne)
            margin = name[c] == "x_pixmap_kb" ? pixmap_kb : name[c] ~ /_kb$/ ? kb : 0
            verdict = name[c] == "pss_kb" ? "shown" : me > ms + margin ? "GREW" : "ok"
            if (verdict == "GREW") status = 1
            printf "%s %s %s %g %g %d %s\n", name[c], first, v[rows, c], ms, me, margin, verdict
        }
        exit status
    }' "$1"
}

# Draws the series of the samples as a PNG (gnuplot), one panel each: the program's memory
# (MB), its descriptors, X resources and sink inputs, its Windows objects (under Wine: gdi*,
# handles, user_windows) and the X server's pixmap memory (KB), those the samples have.
soak_plot() { # csv png title
    local columns c name panels=() memory="" counts="" windows="" pixmaps=""
    IFS=, read -r -a columns <"$1"
    for c in "${!columns[@]}"; do
        [ "$c" -gt 0 ] || continue
        name=${columns[$c]}
        case $name in
        x_pixmap_kb) pixmaps="'$1' using (\$1/60):$((c + 1)) with lines title 'X pixmap KB'" ;;
        *_kb) memory+="${memory:+, }'$1' using (\$1/60):(\$$((c + 1))/1024) with lines title '${name%_kb} MB'" ;;
        gdi* | handles | user_windows) windows+="${windows:+, }'$1' using (\$1/60):$((c + 1)) with lines title '$name'" ;;
        *) counts+="${counts:+, }'$1' using (\$1/60):$((c + 1)) with lines title '$name'" ;;
        esac
    done
    [ -z "$memory" ] || panels+=("set title 'memory (MB)'; plot $memory")
    [ -z "$counts" ] || panels+=("set title 'descriptors, X resources, sink inputs'; plot $counts")
    [ -z "$windows" ] || panels+=("set title 'Windows objects (Wine)'; plot $windows")
    [ -z "$pixmaps" ] || panels+=("set title 'X server pixmap memory (KB)'; plot $pixmaps")
    {
        echo "set terminal pngcairo size 900,$((${#panels[@]} * 260)) font ',9' noenhanced"
        echo "set output '$2'"
        echo "set datafile separator ','"
        echo "set key outside right top; set grid; set xlabel 'minutes'; set yrange [0:*]"
        echo "set multiplot layout ${#panels[@]},1 title '$3'"
        printf '%s\n' "${panels[@]}"
        echo "unset multiplot"
    } | gnuplot
}
