#!/usr/bin/env bash
# The layering check (cmake/check-layers.cmake) on small made-up trees: the GDI library below
# the platform, its implementations and the backends each included only where they serve, the
# backends never including each other, the program never including a backend.
set -uo pipefail
check=$(cd "$(dirname "$0")/../.." && pwd)/cmake/check-layers.cmake
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

failures=0
# A tree with a good file in every folder, and the line including `include` added to `file`.
tree() { # file, include
    rm -rf "$scratch/src" "$scratch/tools"
    mkdir -p "$scratch/src/gdi/"{memory,win32} \
        "$scratch/src/platform/"{posix,fake,x11/xlib,win32} "$scratch/src/runtime"
    printf '#include "%s"\n' gdi/region_data.h gdi/memory/objects.h \
        gdi/memory/modules.h >"$scratch/src/gdi/memory/gdi.cpp"
    printf '#include <windows.h>\n#include "gdi/gdi.h"\n' >"$scratch/src/gdi/win32/gdi.cpp"
    printf '#include "gdi/memory/window_host.h"\n#include "platform/window.h"\n' \
        >"$scratch/src/platform/posix/gdi_host.cpp"
    printf '#include "%s"\n' gdi/memory/objects.h platform/fake/loop.h platform/posix/x.h \
        >"$scratch/src/platform/fake/window.cpp"
    printf '#include "gdi/memory/objects.h"\n#include "platform/x11/xlib/display.h"\n' \
        >"$scratch/src/platform/x11/window.cpp"
    printf '#include <X11/Xlib.h>\n' >"$scratch/src/platform/x11/xlib/display.cpp"
    printf '#include <windows.h>\n#include "gdi/win32/handle_cast.h"\n' \
        >"$scratch/src/platform/win32/window.cpp"
    printf '#include "platform/window.h"\n#include "gdi/gdi.h"\n' >"$scratch/src/runtime/form.cpp"
    if [ -n "$1" ]; then
        mkdir -p "$(dirname "$scratch/$1")"
        case $2 in
        "<"*) printf '#include %s\n' "$2" ;;
        *) printf '#include "%s"\n' "$2" ;;
        esac >>"$scratch/$1"
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
expect pass "" tools/artgen/bytes.h gdi/little_endian.h
# Each layer sees only those below it: the GDI library nothing of the platform.
expect fail "gdi sees only gdi" src/gdi/memory/region.cpp platform/window.h
expect fail "gdi sees only gdi" src/gdi/region.h runtime/error.h
expect fail "platform sees only gdi, platform" src/platform/x11/window.cpp runtime/error.h
# Backends never include each other, and nothing above them includes one.
expect fail "platform/x11 is for platform/x11 itself" \
    src/platform/fake/input.cpp platform/x11/xlib/display.h
expect fail "platform/fake is for platform/fake itself" src/runtime/form.cpp platform/fake/loop.h
expect fail "platform/win32 is for platform/win32 itself" \
    src/platform/x11/menu.cpp platform/win32/dispatch.h
# The pieces the other backends share are theirs alone and stand on no backend.
expect fail "platform/posix is for platform/posix itself and platform/fake, platform/x11" \
    src/platform/win32/files.cpp platform/posix/files_state.h
expect fail "platform/fake is for platform/fake itself" \
    src/platform/posix/files.cpp platform/fake/fake_window.h
# Each GDI implementation serves its own backends only.
expect fail "gdi/memory is for gdi/memory itself" src/gdi/win32/gdi.cpp gdi/memory/objects.h
expect fail "gdi/memory is for gdi/memory itself" src/gdi/gdi.cpp gdi/memory/objects.h
expect fail "gdi/memory is for gdi/memory itself" \
    src/platform/win32/window.cpp gdi/memory/objects.h
expect fail "gdi/memory is for gdi/memory itself" \
    src/runtime/error.cpp gdi/memory/modules.h
expect fail "gdi/win32 is for gdi/win32 itself and platform/win32" \
    src/platform/x11/window.cpp gdi/win32/handle_cast.h
expect fail "<windows.h> belongs to the Win32 backend and GDI" src/gdi/gdi.h "<windows.h>"
# The region data (blocks, banding, the little-endian reader) stands on nothing of the program;
# the art tool stands on it alone.
expect fail "the region-data files stand on nothing of the program" \
    src/gdi/little_endian.h gdi/gdi.h
expect fail "the art tool uses only the region-data files" tools/artgen/bytes.h platform/window.h
expect fail "climbs out of its folder" src/runtime/form.cpp ../platform/window.h

if [ "$failures" -ne 0 ]; then
    echo "$failures case(s) failed"
    exit 1
fi
echo "layering rules: all cases hold"
