#!/bin/sh
# Installs what is needed, builds the show and plays it from its runnable folder.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
cmake -S "$root" -B "$root/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DOXBRINE_TESTS=OFF
cmake --build "$root/build/release"
cd "$root/build/release/run"
exec ./oxbrine
