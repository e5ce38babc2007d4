#!/bin/sh
# Installs what is needed, builds everything with the sanitizers and runs every test; the Windows
# build is cross-built alongside and tested under Wine (ctest label "windows"), the web build with
# Emscripten and tested in headless Chromium (label "web").
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
cmake -S "$root" -B "$root/build/test" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DOXBRINE_SANITIZE=ON -DOXBRINE_TESTS=ON -DOXBRINE_WINDOWS=ON -DOXBRINE_WEB=ON
cmake --build "$root/build/test"
cd "$root/build/test"
ctest --output-on-failure --timeout 600 -j2 "$@"
