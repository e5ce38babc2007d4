#!/bin/sh
# Builds the show in Release for Linux and, cross-built, for Windows and the browser, and writes the
# releases into dist/: the Debian package, the Linux, Windows and web archives, with --video the
# whole show as a 1080p60 video, and SHA256SUMS for the lot.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)

video=no
for argument in "$@"; do
    case $argument in
    --video) video=yes ;;
    *)
        echo "usage: $0 [--video]" >&2
        exit 2
        ;;
    esac
done

"$root/scripts/setup.sh"
host=$root/build/release-dist
windows=$root/build/windows-dist
web=$root/build/web-dist
dist=$root/dist

cmake -S "$root" -B "$host" -G Ninja -DCMAKE_BUILD_TYPE=Release -DOXBRINE_TESTS=OFF
cmake --build "$host"
# The content tools run on the host: the Windows build takes their output from the host build.
cmake -S "$root" -B "$windows" -G Ninja -DCMAKE_BUILD_TYPE=Release -DOXBRINE_TESTS=OFF \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DOXBRINE_HOST_DATA_DIR="$host/run/Data"
cmake --build "$windows"
cmake -S "$root" -B "$web" -G Ninja -DCMAKE_BUILD_TYPE=Release -DOXBRINE_TESTS=OFF \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/emscripten.cmake" \
    -DOXBRINE_HOST_DATA_DIR="$host/run/Data" -DOXBRINE_WEB_DIR="$web/web"
cmake --build "$web"

# The number the programs were built with, which the CMake project sets.
version=$("$host/run/oxbrine" --version | sed -n 's/^oxbrine //p')
[ -n "$version" ] || { echo "release.sh: oxbrine --version printed no version" >&2; exit 1; }

rm -rf "$dist"
mkdir -p "$dist"
export SOURCE_DATE_EPOCH="${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct)}"
"$root/scripts/package.sh" deb "$host/run" "$dist" "$version"
"$root/scripts/package.sh" linux "$host/run" "$dist" "$version"
"$root/scripts/package.sh" windows "$windows/run" "$dist" "$version"
"$root/scripts/package.sh" web "$web/web" "$dist" "$version"
if [ "$video" = yes ]; then
    (cd "$host/run" &&
        ./oxbrine-render --resolution 1920x1080 video --fps 60 "$dist/oxbrine-$version-1080p60.mp4")
fi
# Warnings are shown; errors stop the release.
lintian --fail-on error,warning "$dist/oxbrine_${version}_amd64.deb"
(cd "$dist" && sha256sum -- oxbrine* >SHA256SUMS)
echo "release.sh: dist/ holds"
ls -l "$dist"
