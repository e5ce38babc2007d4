#!/bin/sh
# Builds the track-loader fuzzer with clang (libFuzzer, ASan, UBSan) and runs it for a bounded time.
# Usage: run-fuzzer.sh SOURCE_DIR WORK_DIR [SECONDS]
set -eu
source_dir=$1
work=$2
seconds=${3:-20}
mkdir -p "$work/corpus"
clang++ -std=c++17 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
    -I"$source_dir" -I"$source_dir/src" -I"$source_dir/kem/include" \
    "$source_dir/tests/fuzz/TrackLoaderFuzz.cpp" "$source_dir/src/Sync.cpp" \
    "$source_dir/platform/linux/Clock.cpp" "$source_dir/platform/linux/Files.cpp" \
    -o "$work/track-loader-fuzz"
# Seeds: two linear keys, one key of every type, a count far beyond the file.
printf '\002\000\000\000\000\000\000\000\000\000\000\000\001\012\000\000\000\000\000\200\077\000' \
    >"$work/corpus/two-keys"
printf '\004\000\000\000\000\000\000\000\000\000\000\000\000\001\000\000\000\000\000\000\000\001\002\000\000\000\000\000\200\077\002\003\000\000\000\000\000\000\100\003' \
    >"$work/corpus/every-type"
printf '\377\377\377\177\005\000\000\000\000\000\240\100\001' >"$work/corpus/huge-count"
exec "$work/track-loader-fuzz" -max_total_time="$seconds" -rss_limit_mb=2048 -max_len=4096 \
    -print_final_stats=1 "$work/corpus"
