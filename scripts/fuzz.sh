#!/usr/bin/env bash
# Builds the libFuzzer target for region blocks, region files and region building (clang,
# AddressSanitizer and UndefinedBehaviorSanitizer, fake platform) and runs it for a bounded time.
#   scripts/fuzz.sh [SECONDS]     default 60
# Fails when the fuzzer finds a crash, a sanitizer report or a broken invariant; the input that
# did it is left in build/fuzz/artifacts/. The corpus grows in build/fuzz/corpus/regions/ and is
# seeded with the shipped region blocks and the inputs of fuzz/seeds/regions/ (file-overlapping-4000:
# a region file of 4000 squares down a diagonal, each overlapping the next 1999, the kind of
# crafted file that once took time quadratic in its rectangles to load).
set -euo pipefail
seconds=${1:-60}
source "$(dirname "$0")/env.sh"
cd "$JELLOP_ROOT"
# The shipped region blocks seed the corpus: without them the fuzzer would start from nothing,
# so their absence fails the run (before the build).
shopt -s nullglob
seeds=(resources/regions/*.rgn)
shopt -u nullglob
if [ ${#seeds[@]} -eq 0 ]; then
    echo "fuzz.sh: no region blocks in resources/regions/ to seed the corpus" >&2
    exit 1
fi
jellop_install

jellop_configure fuzz
cmake --build --preset fuzz

corpus=build/fuzz/corpus/regions
artifacts=build/fuzz/artifacts
mkdir -p "$corpus" "$artifacts"
# The first byte of an input picks what it is: 0 a region-data block, 1 a region file.
for block in "${seeds[@]}"; do
    name=$(basename "$block" .rgn)
    [ -f "$corpus/block-$name" ] || { printf '\000'; cat "$block"; } >"$corpus/block-$name"
    [ -f "$corpus/file-$name" ] || { printf '\001'; cat "$block"; } >"$corpus/file-$name"
done

for seed in fuzz/seeds/regions/*; do
    [ -f "$corpus/$(basename "$seed")" ] || cp "$seed" "$corpus/"
done

build/fuzz/fuzz/jellop_fuzz_regions -max_total_time="$seconds" -timeout=20 -rss_limit_mb=4096 \
    -max_len=65536 -print_final_stats=1 -artifact_prefix="$artifacts/" "$corpus"
