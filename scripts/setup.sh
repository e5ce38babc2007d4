#!/bin/sh
# Installs every Debian package the project needs to build, play, make its content and test.
# Safe to run again: it installs only what is missing.
set -eu

PACKAGES="
build-essential cmake ninja-build pkg-config
libsdl2-dev libgtk-3-dev libmpg123-dev libimgui-dev
libegl-dev libgl-dev libglu1-mesa-dev libgl1-mesa-dri libegl-mesa0 libglm-dev libstb-dev
libgtest-dev libgmock-dev clang libclang-rt-14-dev
lame sox libsox-fmt-mp3 ffmpeg
xvfb xauth xdotool x11-utils faketime fonts-dejavu-core fonts-dejavu-extra python3
g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
mingw-w64-x86-64-dev wine wine64 x11-apps
lintian
emscripten nodejs chromium
"

missing=""
for package in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $package"
    fi
done
[ -z "$missing" ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
echo "Installing:$missing"
export DEBIAN_FRONTEND=noninteractive
# Fresh machines have empty package lists; refresh them when an install cannot find a package.
if ! $SUDO apt-get install -y --no-install-recommends $missing; then
    $SUDO apt-get update
    $SUDO apt-get install -y --no-install-recommends $missing
fi
