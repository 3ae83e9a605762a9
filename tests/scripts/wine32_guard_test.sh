#!/usr/bin/env bash
# The 32-bit tier's guards (scripts/wine32.sh), with wine, wineserver, dpkg and apt-get replaced
# by stand-ins on PATH: a 32-bit run without its own test output never passes, a missing loader
# is reported, a Wine prefix that starts no program is made again, and a machine that cannot run
# 32-bit programs is left as it was.
set -uo pipefail
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export JELLOP_STATE=$scratch/state
source "$(dirname "$0")/../../scripts/env.sh"
source "$(dirname "$0")/../../scripts/wine32.sh"

failures=0
expect() { # pass|fail, what, command...
    local wanted=$1 what=$2 got=pass
    shift 2
    "$@" >/dev/null 2>&1 || got=fail
    if [ "$got" != "$wanted" ]; then
        echo "FAILED: $what: expected $wanted, got $got"
        failures=$((failures + 1))
    fi
}

# Stand-ins. wine: "silent" prints nothing and fails, as every program does in a prefix made
# before wine32; "echo" runs `cmd /c echo ...` as Windows' cmd would.
mkdir -p "$scratch/bin"
cat >"$scratch/bin/wine" <<'EOF'
#!/bin/sh
[ "$STANDIN_WINE" = echo ] && [ "$1" = cmd ] || exit 1
shift 2
echo "$@"
EOF
printf '#!/bin/sh\nexit 0\n' >"$scratch/bin/wineserver"
printf '#!/bin/sh\nprintf "%%s" "$STANDIN_WINE32_STATUS"\n' >"$scratch/bin/dpkg-query"
# dpkg and apt-get only note that the machine was changed.
for tool in dpkg apt-get; do
    printf '#!/bin/sh\necho "%s $*" >>"%s"\n' "$tool" "$scratch/changes" >"$scratch/bin/$tool"
done
chmod +x "$scratch/bin/"*
export PATH=$scratch/bin:$PATH

# --- the results of ctest --preset windows32 (a JUnit file) ---
results=$scratch/results.xml
junit() { # the <testcase> elements
    printf '<?xml version="1.0" encoding="UTF-8"?>\n<testsuite tests="2">\n%s\n</testsuite>\n' \
        "$1" >"$results"
}
reported() { # name, GoogleTest's closing line
    printf '\t<testcase name="%s" status="run">\n\t\t<system-out>[==========] 1 test ran.\n%s\n</system-out>\n\t</testcase>' \
        "$1" "$2"
}
junit "$(reported A '[  PASSED  ] 1 test.')
$(reported B '[  PASSED  ] 1 test.')"
expect pass "every test printed its report" jellop_wine32_check_results "$results"
junit "$(reported A '[  PASSED  ] 0 tests.')"
expect pass "a skipped test still printed its report" jellop_wine32_check_results "$results"
junit "$(reported A '[  PASSED  ] 1 test.')
	<testcase name=\"B\" status=\"run\">
		<system-out/>
	</testcase>"
expect fail "one test ran without output" jellop_wine32_check_results "$results"
junit "$(reported A '[  PASSED  ] 1 test.')
	<testcase name=\"B\" status=\"run\"/>"
expect fail "one test ran without output, written as an empty element" \
    jellop_wine32_check_results "$results"
junit ""
expect fail "no test at all" jellop_wine32_check_results "$results"
expect fail "no results file" jellop_wine32_check_results "$scratch/missing.xml"

# --- the 32-bit loader ---
STANDIN_WINE32_STATUS="install ok installed" \
    expect pass "wine32:i386 installed" jellop_wine32_check_loader
STANDIN_WINE32_STATUS="deinstall ok config-files" \
    expect fail "wine32:i386 removed" jellop_wine32_check_loader
STANDIN_WINE32_STATUS="" expect fail "wine32:i386 never installed" jellop_wine32_check_loader

# --- mending a prefix made before wine32 ---
prefix=$scratch/prefix
make_prefix() { rm -rf "$prefix" && mkdir -p "$prefix" && touch "$prefix/system.reg"; }
marked() { [ -f "$prefix/$JELLOP_WINE32_MARK" ]; }

make_prefix
STANDIN_WINE=silent jellop_wine32_mend_prefix "$prefix" 2>/dev/null
expect fail "a prefix that starts nothing is removed" test -e "$prefix"

make_prefix
STANDIN_WINE=echo jellop_wine32_mend_prefix "$prefix"
expect pass "a prefix that starts a program is kept" test -f "$prefix/system.reg"
expect pass "and marked" marked

STANDIN_WINE=silent jellop_wine32_mend_prefix "$prefix"
expect pass "a marked prefix is not tried again" test -f "$prefix/system.reg"

make_prefix
exec 6>>"$prefix.lock"
flock -n 6
STANDIN_WINE=silent jellop_wine32_mend_prefix "$prefix"
expect pass "a prefix held by another run is left alone" test -f "$prefix/system.reg"
exec 6>&-

rm -rf "$prefix"
STANDIN_WINE=silent jellop_wine32_mend_prefix "$prefix"
expect fail "no prefix yet: none is made" test -e "$prefix"

# --- a kernel that runs no 32-bit x86 program ---
jellop_wine32_kernel_runs_i386() { return 1; }
unchanged() { [ ! -e "$scratch/changes" ]; }
rm -f "$scratch/changes"
JELLOP_32BIT=auto expect pass "auto: goes on without the tier" jellop_wine32_install
expect pass "and without touching the machine" unchanged
JELLOP_32BIT=1 expect fail "1: fails" jellop_wine32_install
expect pass "and without touching the machine" unchanged

[ $failures -eq 0 ] && echo "all wine32 guard checks passed"
exit $((failures > 0))
