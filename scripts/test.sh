#!/usr/bin/env bash
# Runs every test tier: native (fake platform, sanitizers), win32 (under Wine), e2e (the real
# program under Wine, driven from outside), and a minute of fuzzing of the region readers.
# Installs what is missing first.
set -euo pipefail
source "$(dirname "$0")/env.sh"
cd "$JELLOP_ROOT"

jellop_install
for preset in native windows windows32; do
    jellop_configure $preset
    cmake --build --preset $preset
done

jellop_start
ctest --preset native
ctest --preset windows
ctest --preset e2e
scripts/fuzz.sh 60
