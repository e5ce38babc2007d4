#!/bin/sh
# Remakes the golden frames under tests/golden/frames from the current build; look at every
# image (and the diff of the folder) before committing them.
# Usage: scripts/update-golden.sh [BUILD_DIR]   (default build/test)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/test}" && pwd)
frames=$root/tests/golden/frames
ninja -C "$build" test_golden
mkdir -p "$frames"
rm -f "$frames"/*.png
cd "$build/run"
export LSAN_OPTIONS=suppressions=$root/tests/lsan.supp:print_suppressions=0:intercept_tls_get_addr=0
OXBRINE_GOLDEN_UPDATE=$frames "$build/tests/golden/test_golden"
du -sh "$frames"
