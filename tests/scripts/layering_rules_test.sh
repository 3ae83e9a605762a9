#!/usr/bin/env bash
# The layering check (cmake/check-layers.cmake) on small made-up trees: the shared pieces of
# the backends other than Win32's (platform/shared) stand on the contract and the region data
# only, and only they and those backends include them.
set -uo pipefail
check=$(cd "$(dirname "$0")/../.." && pwd)/cmake/check-layers.cmake
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

failures=0
# A tree with a good file in every folder, and the line including `include` added to `file`.
tree() { # file, include
    rm -rf "$scratch/src"
    mkdir -p "$scratch/src/platform/"{shared/controls,fake,x11,win32} "$scratch/src/runtime"
    printf '#include "%s"\n' platform/window.h platform/region_data.h \
        platform/shared/controls/live_objects.h >"$scratch/src/platform/shared/gdi.cpp"
    printf '#include "platform/shared/objects.h"\n#include "platform/fake/loop.h"\n' \
        >"$scratch/src/platform/fake/window.cpp"
    printf '#include "platform/shared/objects.h"\n#include <X11/Xlib.h>\n' \
        >"$scratch/src/platform/x11/window.cpp"
    printf '#include <windows.h>\n#include "platform/win32/dispatch.h"\n' \
        >"$scratch/src/platform/win32/window.cpp"
    printf '#include "platform/window.h"\n' >"$scratch/src/runtime/form.cpp"
    if [ -n "$1" ]; then
        mkdir -p "$(dirname "$scratch/$1")"
        printf '#include "%s"\n' "$2" >>"$scratch/$1"
    fi
}
expect() { # pass|fail, the reason the check must give (for fail), file, include
    local wanted=$1 reason=$2 got=pass output
    tree "$3" "$4"
    output=$(cmake -DSOURCE_DIR="$scratch" -P "$check" 2>&1) || got=fail
    if [ "$got" != "$wanted" ] ||
        { [ "$wanted" = fail ] && ! grep -qF "$reason" <<<"$output"; }; then
        echo "FAILED: $3 including $4: expected $wanted${reason:+ ($reason)}, got $got:"
        echo "$output"
        failures=$((failures + 1))
    fi
}

expect pass "" "" ""
expect pass "" src/platform/fake/clipboard.cpp platform/shared/controls/resources.h
expect pass "" src/platform/shared/files.cpp platform/shared/objects.h
expect fail "the shared pieces stand on no backend" \
    src/platform/shared/gdi.cpp platform/fake/fake_window.h
expect fail "the shared pieces stand on no backend" \
    src/platform/shared/controls/files.h platform/x11/display.h
expect fail "platform sees only platform" src/platform/shared/region.cpp runtime/error.h
expect fail "the shared pieces are for the backends other than Win32" \
    src/platform/win32/gdi.cpp platform/shared/objects.h
expect fail "the shared pieces are for the backends other than Win32" \
    src/platform/gdi.cpp platform/shared/objects.h
expect fail "the shared pieces are for the backends other than Win32" \
    src/runtime/error.cpp platform/shared/controls/live_objects.h
expect fail "the x11 backend's headers are its own" \
    src/platform/fake/input.cpp platform/x11/display.h
# The region data (blocks, banding, the little-endian reader) stands on nothing of the program;
# the art tool stands on it alone.
expect pass "" tools/artgen/bytes.h platform/little_endian.h
expect fail "the region-data files stand on nothing of the program" \
    src/platform/little_endian.h platform/window.h
expect fail "the art tool uses only the region-data files" tools/artgen/bytes.h platform/window.h

if [ "$failures" -ne 0 ]; then
    echo "$failures case(s) failed"
    exit 1
fi
echo "layering rules: all cases hold"
