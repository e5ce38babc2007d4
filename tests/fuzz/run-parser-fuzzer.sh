#!/bin/sh
# Builds one source parser's fuzzer with clang (libFuzzer, ASan, UBSan), seeds it from the
# project's own files and runs it for a bounded time. Inputs it once crashed on are kept under
# tests/fuzz/regressions/<name>/ and run first, every time.
# Usage: run-parser-fuzzer.sh NAME SOURCE_DIR RUN_DIR WORK_DIR SECONDS
set -eu
name=$1
src=$2
run_dir=$3
work=$4
seconds=$5
text="$src/tools/text/SourceText.cpp $src/tools/text/Numbers.cpp"
files="$src/platform/linux/Files.cpp $src/platform/linux/Clock.cpp"
trackc="$src/tools/trackc/Timeline.cpp $src/tools/trackc/TimelineWriter.cpp \
    $src/tools/trackc/KeyCheck.cpp $src/tools/trackc/FileIo.cpp"
case $name in
timeline)
    sources="$trackc $text $files"
    seeds=$(ls "$src"/content/tracks/*.tl) ;;
editor-xml)
    sources="$trackc $text $files"
    seeds="$src/tests/fuzz/seeds/camera.xml" ;;
link-commands)
    sources="$src/tools/link/EditorCommands.cpp $src/tools/link/KeyMerge.cpp \
        $src/tools/trackc/KeyCheck.cpp"
    seeds="" ;;
song)
    sources="$src/tools/synth/SongParser.cpp $src/tools/synth/Song.cpp $text $files"
    seeds="$src/content/music/tune.song" ;;
image-source)
    sources="$src/tools/imagegen/ContentFile.cpp $text $files"
    seeds=$(ls "$src"/content/images/*.txt) ;;
cue-sheet)
    sources="$src/tools/preview/CueSheet.cpp $text $files"
    seeds="$run_dir/Data/music.cues" ;;
*)
    echo "unknown fuzzer $name" >&2
    exit 2 ;;
esac
main=$(echo "$name" | awk -F- '{for (i = 1; i <= NF; ++i) printf "%s", toupper(substr($i, 1, 1)) substr($i, 2)}')
mkdir -p "$work/corpus"
# shellcheck disable=SC2086
clang++ -std=c++17 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
    -I"$src" -I"$src/src" -I"$src/kem/include" -I"$src/tools/text" -I"$src/tools/trackc" \
    -I"$src/tools" -I"$src/tools/link" -I"$src/tools/synth" -I"$src/tools/imagegen" \
    "$src/tests/fuzz/${main}Fuzz.cpp" $sources -o "$work/$name-fuzz"
for seed in $seeds; do
    cp "$seed" "$work/corpus/"
done
if [ "$name" = link-commands ]; then
    # Two tracks: keys set, replaced and deleted, a seek, a pause, a save; then a bad byte.
    printf '\002\000\000\000\000\001\000\000\000\012\077\200\000\000\001\000\000\000\000\000\000\000\000\040\100\000\000\000\002\001\000\000\000\000\000\000\000\012\003\000\000\002\130\004\001\005\011' \
        >"$work/corpus/commands"
fi
regressions="$src/tests/fuzz/regressions/$name"
if [ -d "$regressions" ]; then
    "$work/$name-fuzz" -runs=0 "$regressions"
fi
exec "$work/$name-fuzz" -max_total_time="$seconds" -rss_limit_mb=2048 -max_len=65536 \
    -timeout=10 -print_final_stats=1 "$work/corpus"
