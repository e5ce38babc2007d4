#!/bin/sh
# Packs a runnable folder (programs beside Data/) into one release file and prints its path:
#   deb      oxbrine_VERSION_amd64.deb             programs, data, launchers, menu entry, icon
#   linux    oxbrine-VERSION-linux-x86_64.tar.gz   the runnable folder and README.txt
#   windows  oxbrine-VERSION-windows-x64.zip       the .exe programs beside Data/ and README.txt
#   web      oxbrine-VERSION-web.zip               the web build's static folder and README.txt
#            (RUN_DIR is then that folder: the page, oxbrine.js, oxbrine.wasm, oxbrine.data)
# scripts/release.sh packs its Release builds with it; the tests pack their own build's folder.
set -eu

usage() {
    echo "usage: $0 deb|linux|windows|web RUN_DIR OUT_DIR VERSION" >&2
    exit 2
}
[ $# -eq 4 ] || usage
kind=$1
run=$(cd "$2" && pwd)
mkdir -p "$3"
out=$(cd "$3" && pwd)
version=$4
root=$(cd "$(dirname "$0")/.." && pwd)
packaging=$root/packaging

# The programs that ship, each as NAME:START. Every one gets a launcher in /usr/games;
# START says how it finds Data/: "cd" runs it from the data folder, "root" hands it the folder
# with --data-root and leaves it in the caller's folder, for programs that write files there.
PROGRAMS="oxbrine:cd oxbrine-render:root"
MAINTAINER="Morvelin <oxbrine@morvelin.example>"
ICON=oxbrine-icon.png

# Sources' last commit dates the changelog and every archived file, so packing the same
# sources twice gives the same bytes.
stamp=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct 2>/dev/null || date +%s)}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
    echo "package.sh: $*" >&2
    exit 1
}

program_names() {
    for entry in $PROGRAMS; do
        echo "${entry%%:*}"
    done
}

# A copy of Data/ with the permissions a package wants.
copy_data() {
    [ -f "$run/Data/$ICON" ] || fail "$run/Data is incomplete (no $ICON): build the content first"
    cp -R "$run/Data" "$1/"
    find "$1/Data" -type d -exec chmod 0755 {} +
    find "$1/Data" -type f -exec chmod 0644 {} +
}

# Copies a program and strips what a user never needs (symbols, build notes).
copy_program() {
    [ -x "$1" ] || fail "$1 is missing: build it first"
    install -m 0755 "$1" "$2"
    ${3:-strip} --strip-unneeded --remove-section=.comment --remove-section=.note "$2"
}

# A launcher that works wherever the tree is unpacked: it finds the game's folders from its own.
write_launcher() {
    name=$1
    start=$2
    {
        echo '#!/bin/sh'
        echo "# Starts $name, which reads Data/ from the installed data folder."
        echo 'here=$(dirname "$(readlink -f "$0")")'
        echo 'data=$here/../share/games/oxbrine'
        case $start in
        cd) echo 'cd "$data" || exit 1'
            echo "exec \"\$here/../lib/games/oxbrine/$name\" \"\$@\"" ;;
        root) echo "exec \"\$here/../lib/games/oxbrine/$name\" --data-root \"\$data\" \"\$@\"" ;;
        *) fail "unknown start '$start' for $name" ;;
        esac
    } >"$3"
    chmod 0755 "$3"
}

changelog() {
    echo "oxbrine ($version) unstable; urgency=medium"
    echo
    echo "  * Release $version of the show and its offline renderer."
    echo
    echo " -- $MAINTAINER  $(date -u -R -d "@$stamp")"
}

# The shared libraries' packages, as dpkg-shlibdeps computes them from the binaries.
library_depends() {
    mkdir -p "$work/shlibs/debian"
    printf 'Source: oxbrine\n\nPackage: oxbrine\nArchitecture: amd64\n' \
        >"$work/shlibs/debian/control"
    (cd "$work/shlibs" && dpkg-shlibdeps -O --warnings=0 "$@") | sed -n 's/^shlibs:Depends=//p'
}

make_deb() {
    tree=$work/deb
    lib=$tree/usr/lib/games/oxbrine
    doc=$tree/usr/share/doc/oxbrine
    mkdir -p "$tree/DEBIAN" "$lib" "$tree/usr/games" "$tree/usr/share/games/oxbrine" "$doc" \
        "$tree/usr/share/applications" "$tree/usr/share/icons/hicolor/256x256/apps" \
        "$tree/usr/share/man/man6"
    for entry in $PROGRAMS; do
        name=${entry%%:*}
        copy_program "$run/$name" "$lib/$name"
        write_launcher "$name" "${entry#*:}" "$tree/usr/games/$name"
        gzip -9n <"$packaging/$name.6" >"$tree/usr/share/man/man6/$name.6.gz"
        chmod 0644 "$tree/usr/share/man/man6/$name.6.gz"
    done
    copy_data "$tree/usr/share/games/oxbrine"
    install -m 0644 "$run/Data/$ICON" "$tree/usr/share/icons/hicolor/256x256/apps/oxbrine.png"
    install -m 0644 "$packaging/oxbrine.desktop" "$tree/usr/share/applications/oxbrine.desktop"
    install -m 0644 "$packaging/copyright" "$doc/copyright"
    changelog | gzip -9n >"$doc/changelog.gz"
    chmod 0644 "$doc/changelog.gz"

    depends=$(library_depends $(for name in $(program_names); do echo "$lib/$name"; done))
    [ -n "$depends" ] || fail "dpkg-shlibdeps found no libraries"
    size=$(du -sk --exclude=DEBIAN "$tree" | cut -f1)
    cat >"$tree/DEBIAN/control" <<EOF
Package: oxbrine
Version: $version
Architecture: amd64
Maintainer: $MAINTAINER
Installed-Size: $size
Depends: $depends
Suggests: ffmpeg
Section: games
Priority: optional
Description: real-time audiovisual show
 Oxbrine is a 78-second real-time audiovisual show by Morvelin: GPU-rendered
 scenes in step with their own music. A small dialog asks for the resolution
 and full screen, then the show plays once; Escape leaves at any moment.
 .
 The package also holds oxbrine-render, which draws the show without a window
 or sound card: single frames, frame ranges, contact sheets and, through
 ffmpeg, a video with its music.
EOF
    (cd "$tree" && find usr -type f -exec md5sum {} + | LC_ALL=C sort -k2) >"$tree/DEBIAN/md5sums"
    chmod 0644 "$tree/DEBIAN/control" "$tree/DEBIAN/md5sums"
    find "$tree" -type d -exec chmod 0755 {} +
    find "$tree" -exec touch -h -d "@$stamp" {} +
    file=$out/oxbrine_${version}_amd64.deb
    SOURCE_DATE_EPOCH=$stamp dpkg-deb --root-owner-group -Zxz --build "$tree" "$file" >/dev/null
    echo "$file"
}

# The folder an archive unpacks into: the programs, Data/ and README.txt.
stage_folder() {
    folder=$work/$1
    mkdir -p "$folder"
    copy_data "$folder"
    sed "$3" "$packaging/README.txt" >"$folder/README.txt"
    chmod 0644 "$folder/README.txt"
    shift 3
    for program in "$@"; do
        copy_program "$run/$program" "$folder/$program" "${STRIP:-strip}"
    done
    find "$folder" -exec touch -h -d "@$stamp" {} +
}

make_linux() {
    name=oxbrine-$version-linux-x86_64
    stage_folder "$name" linux 's/$//' $(program_names)
    file=$out/$name.tar.gz
    tar -C "$work" --sort=name --owner=0 --group=0 --numeric-owner -cf - "$name" |
        gzip -9n >"$file"
    echo "$file"
}

# Zips the folder $work/$1 into $2 and prints $2: files in name order, each dated by the last
# commit with mode 644 (755 for .exe) and no other attributes, so the same folder gives the same
# bytes (an archiver's own extra fields carry the files' change times).
zip_folder() {
    rm -f "$2"
    python3 - "$work" "$1" "$2" "$stamp" <<'PYTHON' || fail "cannot write $2"
import os, sys, time, zipfile
work, top, target, stamp = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
date = time.gmtime(max(stamp, 315532800))[:6]
names = sorted(os.path.relpath(os.path.join(base, name), work)
               for base, _, files in os.walk(os.path.join(work, top)) for name in files)
with zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as archive:
    for name in names:
        entry = zipfile.ZipInfo(name, date)
        entry.compress_type = zipfile.ZIP_DEFLATED
        entry.create_system = 3
        entry.external_attr = (0o100755 if name.endswith(".exe") else 0o100644) << 16
        with open(os.path.join(work, name), "rb") as file:
            archive.writestr(entry, file.read())
PYTHON
    echo "$2"
}

make_windows() {
    name=oxbrine-$version-windows-x64
    [ -f "$run/oxbrine.exe" ] || fail "$run/oxbrine.exe is missing: cross-build it first"
    exes=$(for program in $(program_names); do
        if [ -f "$run/$program.exe" ]; then echo "$program.exe"; fi
    done)
    # Notepad-friendly line ends.
    STRIP=x86_64-w64-mingw32-strip stage_folder "$name" windows 's/$/\r/' $exes
    zip_folder "$name" "$out/$name.zip"
}

# What a browser downloads, at most: the page's files, the module and the data package.
WEB_DOWNLOAD_LIMIT=$((12 * 1000 * 1000))

make_web() {
    name=oxbrine-$version-web
    folder=$work/$name
    mkdir -p "$folder"
    for file in index.html oxbrine.js oxbrine.wasm oxbrine.data; do
        [ -f "$run/$file" ] || fail "$run/$file is missing: build the web folder first"
    done
    find "$run" -maxdepth 1 -type f -exec cp {} "$folder/" \;
    download=$(cat "$folder"/* | wc -c)
    [ "$download" -le "$WEB_DOWNLOAD_LIMIT" ] ||
        fail "the page downloads $download bytes, more than $WEB_DOWNLOAD_LIMIT"
    install -m 0644 "$packaging/README-web.txt" "$folder/README.txt"
    chmod 0644 "$folder"/*
    find "$folder" -exec touch -h -d "@$stamp" {} +
    zip_folder "$name" "$out/$name.zip"
}

case $kind in
deb) make_deb ;;
linux) make_linux ;;
windows) make_windows ;;
web) make_web ;;
*) usage ;;
esac
