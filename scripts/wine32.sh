#!/usr/bin/env bash
# The 32-bit tier: the i686 build's Wine test program and the end-to-end suite against the i686
# jellop.exe, in a 32-bit Wine prefix of their own (WINEARCH=win32, as on 32-bit Windows).
# Source this file after env.sh. JELLOP_32BIT asks for the tier: 1 runs it or fails; auto runs it
# where the machine can run 32-bit x86 programs at all, and otherwise says loudly that it did not.
#   jellop_wine32_wanted    true when JELLOP_32BIT asks for the tier
#   jellop_wine32_install   adds the i386 architecture and wine32:i386 when they are missing,
#                           then mends a Wine prefix of the project made before them
#   jellop_wine32_tier      runs the tier (after jellop_start: it uses its display and sound)
#   jellop_wine32_skipped   says in one line that the tier was skipped and how to include it
# Wine runs i686 programs only with its 32-bit loader (Debian's wine32:i386, multiarch). Without
# it an i686 program does not run, and can still end with status 0 without a word: nothing here
# passes on an exit status alone, every run must show the 32-bit program's own output.

JELLOP_WINDOWS32_BUILD=$JELLOP_ROOT/build/windows32
# Where ctest --preset windows32 writes each test's result and output (CMakePresets.json).
JELLOP_WINE32_RESULTS=$JELLOP_WINDOWS32_BUILD/Testing/wine32-results.xml
# Written into a prefix found to start programs with wine32 present.
JELLOP_WINE32_MARK=.jellop-wine32

jellop_wine32_wanted() { [ "${JELLOP_32BIT:-0}" = 1 ] || [ "${JELLOP_32BIT:-0}" = auto ]; }

jellop_wine32_skipped() {
    jellop_log "32-bit tier skipped: JELLOP_32BIT=1 scripts/test.sh includes it" \
        "(it adds the i386 architecture and installs wine32:i386)"
}

# True when the kernel runs 32-bit x86 programs. Some do not (no IA-32 emulation, as in some
# virtual machines): there Wine's 32-bit loader cannot start, and once wine32:i386 is installed
# /usr/bin/wine starts nothing at all, 64-bit programs included. Tried with the smallest static
# i386 program, which exits with status 42.
jellop_wine32_kernel_runs_i386() {
    local probe status=0
    mkdir -p "$JELLOP_STATE"
    probe=$(mktemp "$JELLOP_STATE/i386-probe.XXXXXX")
    {
        # ELF header: 32-bit, little-endian, executable, i386, entry 0x08048054, one segment.
        printf '\177ELF\1\1\1\0\0\0\0\0\0\0\0\0\2\0\3\0\1\0\0\0\124\200\4\10'
        printf '\64\0\0\0\0\0\0\0\0\0\0\0\64\0\40\0\1\0\0\0\0\0\0\0'
        # Program header: the whole 96-byte file, loaded at 0x08048000, readable and executable.
        printf '\1\0\0\0\0\0\0\0\0\200\4\10\0\200\4\10\140\0\0\0\140\0\0\0\5\0\0\0\0\20\0\0'
        # mov eax, 1 (exit); mov ebx, 42; int 0x80
        printf '\270\1\0\0\0\273\52\0\0\0\315\200'
    } >"$probe"
    chmod +x "$probe"
    "$probe" 2>/dev/null || status=$?
    rm -f "$probe"
    [ $status -eq 42 ]
}

# Says why the tier cannot run on this machine; fails when JELLOP_32BIT=1 demanded it.
jellop_wine32_impossible() {
    jellop_log "32-bit tier NOT RUN: this machine's kernel runs no 32-bit x86 programs (a static" \
        "i386 program does not start), so Wine's 32-bit loader cannot run here; wine32:i386" \
        "is left out, as it would stop every Wine program on this machine"
    if jellop_wine32_installed; then
        jellop_log "wine32:i386 is installed all the same: /usr/bin/wine starts no program" \
            "until it is removed (apt-get purge wine32:i386)"
    fi
    [ "${JELLOP_32BIT:-0}" = auto ]
}

jellop_wine32_installed() {
    dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed'
}

jellop_wine32_install() {
    jellop_wine32_kernel_runs_i386 || { jellop_wine32_impossible; return; }
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        jellop_log "adding the i386 architecture (for wine32:i386)"
        "${sudo[@]}" dpkg --add-architecture i386
    fi
    if ! jellop_wine32_installed; then
        jellop_log "installing wine32:i386"
        "${sudo[@]}" apt-get update -qq
        "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq \
            --no-install-recommends wine32:i386 >/dev/null
    fi
    jellop_wine32_mend_prefix "$JELLOP_STATE/wineprefix"
}

# A prefix made before wine32 was installed starts no program at all afterwards (kernel32.dll
# fails to load) and no update mends it: it is made again. A prefix that starts a program is
# marked so that later runs need not try. A prefix that another run holds is left alone.
jellop_wine32_mend_prefix() { # prefix
    local prefix=$1
    [ -f "$prefix/system.reg" ] && [ ! -f "$prefix/$JELLOP_WINE32_MARK" ] || return 0
    (
        flock -n 9 || exit 0
        local out
        out=$(mktemp)
        # Output to a file: Wine's helper processes inherit it, and would hold a pipe open.
        WINEPREFIX=$prefix WINEDEBUG=-all wine cmd /c echo jellop-probe </dev/null >"$out" 2>&1 9>&- ||
            true
        if grep -q jellop-probe "$out"; then
            touch "$prefix/$JELLOP_WINE32_MARK"
        else
            jellop_log "the Wine prefix $prefix starts no program (made before wine32 was" \
                "installed?): making it again"
            WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
            rm -rf "$prefix"
        fi
        rm -f "$out"
    ) 9>>"$prefix.lock"
}

# Fails loudly when the 32-bit loader is not installed. That it runs i686 programs is shown by
# the 32-bit keep-alive program's "ready" and by each test's own report.
jellop_wine32_check_loader() {
    if ! jellop_wine32_installed; then
        jellop_log "the 32-bit tier needs Wine's 32-bit loader, and wine32:i386 is not" \
            "installed: JELLOP_32BIT=1 scripts/test.sh installs it"
        return 1
    fi
}

# Checks a JUnit file of ctest: there is at least one test, and every one of them printed
# GoogleTest's closing "[  PASSED  ] N test(s)." (a silent program cannot have).
jellop_wine32_check_results() { # junit file
    local counts
    counts=$(awk '
        /<testcase[ >]/ { tests++; reported = 0 }
        /\[  PASSED  \] [0-9]+ tests?\./ { reported = 1 }
        /<\/testcase>|<testcase[^>]*\/>/ { passed += reported; reported = 0 }
        END { print tests + 0, passed + 0 }' "$1" 2>/dev/null) || counts="0 0"
    set -- $counts
    if [ "$1" -eq 0 ] || [ "$2" -ne "$1" ]; then
        jellop_log "32-bit tests: $2 of $1 printed GoogleTest's report: a 32-bit program" \
            "ran without output (is Wine's 32-bit loader missing?)"
        return 1
    fi
    jellop_log "32-bit tests: all $1 passed with GoogleTest's own report"
}

# The 32-bit prefix shared by runs, if no other run holds it (the lock, descriptor 7, is held
# until the tier's shell ends), else one of this run's own. It counts as made only once a 32-bit
# program has run in it: Wine without its 32-bit loader leaves a prefix's files behind even when
# it fails to make one.
jellop_wine32_start() {
    export WINEPREFIX=$JELLOP_STATE/wineprefix32 WINEARCH=win32
    exec 7>>"$WINEPREFIX.lock"
    flock -n 7 || { exec 7>&-; WINEPREFIX=$JELLOP_RUN/wineprefix32; }
    local log=$JELLOP_RUN/wineprefix32.log
    if [ ! -f "$WINEPREFIX/$JELLOP_WINE32_MARK" ]; then
        jellop_log "creating the 32-bit Wine prefix"
        rm -rf "$WINEPREFIX"
        if ! wine wineboot -i </dev/null >"$log" 2>&1 7>&- 8>&-; then
            jellop_log "Wine could not create a 32-bit prefix: $(grep . "$log" | tail -n 1)"
            return 1
        fi
        wineserver -w
    fi
    wine wineboot </dev/null >/dev/null 2>&1 7>&- 8>&-
    # The i686 keep-alive program: its "ready" is the first sign that 32-bit programs run.
    jellop_spawn keepalive32 "$JELLOP_RUN/keepalive32.out" \
        wine "$JELLOP_WINDOWS32_BUILD/tests/win32/wine_keepalive.exe" 7>&-
    jellop_wait_for 60 grep -q ready "$JELLOP_RUN/keepalive32.out" ||
        { jellop_log "the 32-bit keep-alive program printed nothing"; return 1; }
    touch "$WINEPREFIX/$JELLOP_WINE32_MARK"
}

# Stops the 32-bit keep-alive program and the server of the 32-bit prefix this run uses (the
# shared one only while this run holds it).
jellop_wine32_stop() {
    jellop_kill keepalive32
    if [ "${WINEARCH:-}" = win32 ]; then
        wineserver -k 2>/dev/null || true
    fi
}

# In a subshell, so that the 32-bit prefix and build stay out of the tiers that follow. The
# end-to-end suite runs on the bare desktop.
jellop_wine32_tier() (
    local started=$SECONDS
    jellop_wine32_kernel_runs_i386 || { jellop_wine32_impossible; exit; }
    jellop_wine32_check_loader || exit 1
    trap jellop_wine32_stop EXIT
    trap 'exit 130' INT TERM
    jellop_wine32_start || exit 1
    rm -f "$JELLOP_WINE32_RESULTS"
    ctest --preset windows32
    jellop_wine32_check_results "$JELLOP_WINE32_RESULTS"
    jellop_desktop bare
    jellop_log "32-bit end-to-end tests on a bare X desktop"
    JELLOP_WINDOWS_BUILD=$JELLOP_WINDOWS32_BUILD ctest --preset e2e
    jellop_log "the 32-bit tier took $((SECONDS - started)) s"
)
