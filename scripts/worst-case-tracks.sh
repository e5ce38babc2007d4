#!/bin/sh
# Writes track folders of the frames a maker can reach but the show never shows, for
# `oxbrine-render --tracks DIR bench`. Each folder holds every scene in turn, two seconds each
# (scene k from 2k s), so one bench run over 0 to 12 s gives a line per scene:
#   zero  every track 0 but "Part" and "Bloom Dry" 1: the camera at the origin, inside the
#         Sphurrs cloud and the DruSucks shell, with a zero field of view
#   wide  the camera at the origin with the widest field of view, and each scene's own tracks at
#         the ends of their ranges that cost the most (most geometry, all points lit, ...)
# usage: worst-case-tracks.sh TRACKC OUTDIR   (TRACKC: the build folder's tools/trackc/oxbrine-trackc)
set -eu
if [ $# -ne 2 ]; then
    echo "usage: $0 TRACKC OUTDIR" >&2
    exit 2
fi
trackc=$1
out=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One scene every 36 rows (2.006 s at 17.95 rows a second).
part() {
    echo "track Part"
    for scene in 0 1 2 3 4 5; do
        echo "  $((scene * 36)) $scene hold"
    done
}

# A track that holds VALUE only while scene SCENE is on, 0 elsewhere.
during() {
    name=$1 scene=$2 value=$3
    echo "track $name"
    [ "$scene" -eq 0 ] || echo "  0 0 hold"
    echo "  $((scene * 36)) $value hold"
    echo "  $((scene * 36 + 36)) 0 hold"
}

{
    part
    printf 'track Bloom Dry\n  0 1 hold\n'
} >"$work/zero.tl"

{
    part
    printf 'track Bloom Dry\n  0 1 hold\n'
    printf 'track Bloom Wet\n  0 3 hold\n'
    printf 'track Perkproc Mix\n  0 1 hold\n'
    printf 'track Camera FOV\n  0 120 hold\n'
    # DuckNipples: the finest grid, the farthest fog.
    during "Duck Res" 0 256
    during "Duck Fog End" 0 5000
    during "Duck Width" 0 1
    during "Duck Width 2" 0 1
    # Sphurrs: the cloud, swollen by the beat.
    during "Sphurrs BOOM" 1 2
    during "Sphurrs Rad Shit" 1 1
    # DruSucks: the shell cut open as far as it goes, the floor close below it.
    during "DruSucks Cutouts" 2 1.2
    during "DruSucks Slashes" 2 1.5
    during "DruSucks Plane Distance" 2 1.35
    during "DruSucks Ao Factor" 2 1
    during "DruSucks Skybox Mix" 2 1
    # Colon: everything faded in.
    during "Colon Fade" 3 1
    during "Colon Cyl Fade" 3 1
    during "Colon Ball Fade" 3 1
    during "Colon Skybox Intensity" 3 1
    # Architecture: every slab and every ball point shown.
    during "Arch Slab Fade" 4 1
    during "Arch Balls" 4 1
    during "Arch Balls Flicker" 4 1
    # Garbitch: rings and squares at full strength, the widest arcs.
    during "Garbitch Rings" 5 1
    during "Garbitch Squares" 5 1
    during "Garbitch Scale" 5 1
    during "Garbitch Scale 2" 5 1.34
} >"$work/wide.tl"

for name in zero wide; do
    mkdir -p "$out/$name"
    rm -f "$out/$name"/_*.track
    "$trackc" --out "$out/$name" "$work/$name.tl" >/dev/null
done
echo "worst-case tracks in $out/zero and $out/wide"
