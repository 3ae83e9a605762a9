#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer and UndefinedBehaviorSanitizer, fake
# platform) and runs them for a bounded time, one after the other:
#   scripts/fuzz.sh [SECONDS] [TARGET]   default 60 seconds, all targets
# SECONDS is the whole run's: with all targets each gets an equal share. TARGET is one of
#   regions        region-data blocks, region files and region building
#   pe_resources   Windows modules read for their resources
#   wave           wave files
#   xsettings      the XSettings block another client publishes
#   all            every one of them (the default; what CI runs)
# Fails when a fuzzer finds a crash, a sanitizer report or a broken invariant; the input that
# did it is left in build/fuzz/artifacts/<target>/. Each corpus grows in
# build/fuzz/corpus/<target>/ and starts from the seeds in fuzz/seeds/<target>/ (the regions
# target's also from the shipped region blocks; its file-overlapping-4000 is a region file of
# 4000 squares, each overlapping the next 1999: the kind of crafted file that once took time
# quadratic in its rectangles to load). Missing seeds fail the run before the build.
set -euo pipefail
seconds=${1:-60}
target=${2:-all}
targets=(regions pe_resources wave xsettings)
case "$target" in
all) ;;
regions | pe_resources | wave | xsettings) targets=("$target") ;;
*)
    echo "fuzz.sh: unknown target '$target' (regions, pe_resources, wave, xsettings, all)" >&2
    exit 2
    ;;
esac
share=$((seconds / ${#targets[@]}))
[ "$share" -ge 1 ] || share=1
source "$(dirname "$0")/env.sh"
cd "$JELLOP_ROOT"
# Without its seeds a fuzzer would start from nothing: their absence fails the run.
shopt -s nullglob
for name in "${targets[@]}"; do
    seeds=(fuzz/seeds/"$name"/*)
    [ "$name" != regions ] || seeds+=(resources/regions/*.rgn)
    if [ ${#seeds[@]} -eq 0 ]; then
        echo "fuzz.sh: no seeds for $name in fuzz/seeds/$name/" >&2
        exit 1
    fi
done
shopt -u nullglob
jellop_install

jellop_configure fuzz
cmake --build --preset fuzz

seed_regions() { # corpus
    local corpus=$1 block name
    # The first byte of an input picks what it is: 0 a region-data block, 1 a region file.
    for block in resources/regions/*.rgn; do
        [ -f "$block" ] || continue
        name=$(basename "$block" .rgn)
        [ -f "$corpus/block-$name" ] || { printf '\000'; cat "$block"; } >"$corpus/block-$name"
        [ -f "$corpus/file-$name" ] || { printf '\001'; cat "$block"; } >"$corpus/file-$name"
    done
}

for name in "${targets[@]}"; do
    corpus=build/fuzz/corpus/$name
    artifacts=build/fuzz/artifacts/$name
    mkdir -p "$corpus" "$artifacts"
    [ "$name" != regions ] || seed_regions "$corpus"
    for seed in fuzz/seeds/"$name"/*; do
        [ -f "$corpus/$(basename "$seed")" ] || cp "$seed" "$corpus/"
    done
    jellop_log "fuzzing $name for $share s"
    build/fuzz/fuzz/jellop_fuzz_"$name" -max_total_time="$share" -timeout=20 -rss_limit_mb=4096 \
        -max_len=65536 -print_final_stats=1 -artifact_prefix="$artifacts/" "$corpus"
done
