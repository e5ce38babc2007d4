#!/usr/bin/env python3
"""The release files, packed from a build's runnable folder by scripts/package.sh: the Debian
package's fields, files and launchers (the show's dialog under Xvfb, lintian where installed),
the archives' contents, and every program's --version.

Usage: release_test.py deb|linux|windows|web SOURCE_DIR RUN_DIR VERSION
(for web, RUN_DIR is the web build's static folder)
"""

import gzip
import os
import re
import stat
import shutil
import struct
import subprocess
import sys
import tarfile
import tempfile
import zipfile

SOURCE_DIR = os.path.abspath(sys.argv[2])
sys.path.insert(0, os.path.join(SOURCE_DIR, "tests", "e2e"))
import e2e  # noqa: E402

PACKAGE = os.path.join(SOURCE_DIR, "scripts", "package.sh")
# At least these ship; every program that ships is checked the same way.
PROGRAMS = {"oxbrine", "oxbrine-render"}
failures = []


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what, flush=True)
    if not condition:
        failures.append(what)


def run(command, **options):
    return subprocess.run(command, capture_output=True, text=True, timeout=300, **options)


def expected_data():
    """Data/ as the sources say it must be: every file the programs name as "Data/...", the
    hand-written shaders, every image the image sources make and every track of the timelines."""
    names = set(os.listdir(os.path.join(SOURCE_DIR, "Data")))
    literal = re.compile(r'"Data/([\w.-]+\.\w+)"')
    for folder in ("src", "effects", "post", "tools/render"):
        for base, _, files in os.walk(os.path.join(SOURCE_DIR, folder)):
            for name in files:
                if name.endswith((".cpp", ".h")):
                    with open(os.path.join(base, name)) as f:
                        names.update(literal.findall(f.read()))
    with open(os.path.join(SOURCE_DIR, "Demo.cpp")) as f:
        names.update(literal.findall(f.read()))
    images = os.path.join(SOURCE_DIR, "content", "images")
    for source in os.listdir(images):
        with open(os.path.join(images, source)) as f:
            names.update(re.findall(r"^(?:output|normals) +(\S+)", f.read(), re.MULTILINE))
    tracks = os.path.join(SOURCE_DIR, "content", "tracks")
    for source in os.listdir(tracks):
        with open(os.path.join(tracks, source)) as f:
            text = f.read()
        if source.endswith(".tl"):
            found = re.findall(r"^track +([^#\n]*?) *(?:#.*)?$", text, re.MULTILINE)
        elif source.endswith(".xml"):
            found = re.findall(r'<track name="([^"]+)"', text)
        else:
            continue
        names.update("_%s.track" % name for name in found)
    check(len(names) > 100 and "pim00dle_and_quandrel-vantorel.mp3" in names,
          "the sources name %d data files, the music among them" % len(names))
    return names


def check_data(names, where):
    """names: files under Data/ in a release file."""
    missing = sorted(expected_data() - set(names))
    check(not missing, "%s holds a complete Data/ (missing: %s)" % (where, missing[:8]))


def check_versions(programs, version, where, wrapper=()):
    for program in programs:
        result = run([*wrapper, program, "--version"], cwd=tempfile.gettempdir())
        name = os.path.basename(program).removesuffix(".exe")
        check(result.returncode == 0 and result.stdout.strip() == "%s %s" % (name, version),
              "%s %s --version printed %r" % (where, name, result.stdout.strip()))


def pack(kind, run_dir, out_dir, version):
    result = run(["sh", PACKAGE, kind, run_dir, out_dir, version])
    check(result.returncode == 0, "package.sh %s (%s)" % (kind, result.stderr.strip()[-300:]))
    return result.stdout.strip()


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    check(head[:8] == b"\x89PNG\r\n\x1a\n", "%s is a PNG" % os.path.basename(path))
    return struct.unpack(">II", head[16:24])


def test_deb(run_dir, version):
    with tempfile.TemporaryDirectory() as tmp:
        deb = pack("deb", run_dir, tmp, version)
        check(os.path.basename(deb) == "oxbrine_%s_amd64.deb" % version, "named %s" % deb)
        if not os.path.exists(deb):
            return

        fields = {}
        for line in run(["dpkg-deb", "-f", deb]).stdout.splitlines():
            if not line.startswith(" ") and ":" in line:
                key, value = line.split(":", 1)
                fields[key] = value.strip()
        for key, value in [("Package", "oxbrine"), ("Version", version),
                           ("Architecture", "amd64"), ("Section", "games")]:
            check(fields.get(key) == value, "%s: %s (%r)" % (key, value, fields.get(key)))
        depends = fields.get("Depends", "")
        missing = [library for library in ("libc6", "libsdl2", "libgtk-3", "libmpg123", "libegl1")
                   if not re.search(r"(^|, )%s" % re.escape(library), depends)]
        check(not missing, "Depends: %s (lacks %s)" % (depends, missing))
        check(fields.get("Installed-Size", "").isdigit(), "Installed-Size is a number")

        # The file list: owners, modes and places.
        entries = {}
        for line in run(["dpkg-deb", "-c", deb]).stdout.splitlines():
            mode, owner, _, _, _, path = line.split(None, 5)
            entries[path.split(" -> ")[0].removeprefix(".")] = (mode, owner)
        check(all(owner == "root/root" for _, owner in entries.values()), "all owned by root")
        check(all(path.startswith("/usr/") or path in ("/", "/usr/") for path in entries),
              "everything under /usr")
        shipped = {path.rsplit("/", 1)[1] for path in entries
                   if path.startswith("/usr/lib/games/oxbrine/") and not path.endswith("/")}
        check(PROGRAMS <= shipped, "programs in /usr/lib/games/oxbrine: %s" % sorted(shipped))
        executables = {path for path, (mode, _) in entries.items()
                       if mode.startswith("-") and "x" in mode}
        wanted = {"/usr/lib/games/oxbrine/" + p for p in shipped} | {"/usr/games/" + p
                                                                      for p in shipped}
        check(executables == wanted, "executables are the programs and their launchers (%s)"
              % sorted(executables ^ wanted))
        data = "/usr/share/games/oxbrine/Data/"
        check_data([path[len(data):] for path in entries if path.startswith(data)], "the package")
        for path in ("/usr/share/applications/oxbrine.desktop",
                     "/usr/share/icons/hicolor/256x256/apps/oxbrine.png",
                     "/usr/share/doc/oxbrine/copyright", "/usr/share/doc/oxbrine/changelog.gz",
                     "/usr/share/man/man6/oxbrine.6.gz", "/usr/share/man/man6/oxbrine-render.6.gz"):
            check(entries.get(path, ("",))[0] == "-rw-r--r--", "%s, mode 644" % path)

        root = os.path.join(tmp, "root")
        run(["dpkg-deb", "-x", deb, root])
        check(png_size(os.path.join(root, "usr/share/icons/hicolor/256x256/apps/oxbrine.png"))
              == (256, 256), "the icon is 256x256")
        with open(os.path.join(root, "usr/share/applications/oxbrine.desktop")) as f:
            desktop = f.read()
        check("\nExec=/usr/games/oxbrine\n" in desktop and "\nIcon=oxbrine\n" in desktop,
              "the menu entry starts /usr/games/oxbrine with the icon")
        with gzip.open(os.path.join(root, "usr/share/doc/oxbrine/changelog.gz"), "rt") as f:
            check(f.readline().startswith("oxbrine (%s) " % version), "changelog of this version")

        # The launchers work where the tree was unpacked, from any folder.
        launchers = [os.path.join(root, "usr/games", p) for p in sorted(shipped)]
        check_versions(launchers, version, "package")
        elsewhere = os.path.join(tmp, "elsewhere")
        os.mkdir(elsewhere)
        result = run([os.path.join(root, "usr/games/oxbrine-render"), "--resolution", "1024x768",
                      "frame", "1", "frame.png"], cwd=elsewhere)
        frame = os.path.join(elsewhere, "frame.png")
        check(result.returncode == 0 and os.path.exists(frame),
              "the renderer's launcher writes into the caller's folder (%s)"
              % result.stderr.strip()[-300:])
        if os.path.exists(frame):
            check(png_size(frame) == (1024, 768), "its frame is 1024x768")

        program = e2e.Program(os.path.join(root, "usr/games/oxbrine"), elsewhere)
        try:
            dialog = e2e.wait_for_window(e2e.DIALOG_TITLE, program, e2e.DIALOG_TIMEOUT)
            e2e.press_until_gone(dialog, "Escape", program)
            e2e.expect_exit(program, 0, watch_for=e2e.WINDOW_TITLE)
            check(True, "the show's launcher opens the dialog; Escape ends it with status 0")
        except e2e.Failure as failure:
            check(False, "the show's launcher: %s" % failure)
        finally:
            program.stop()

        if shutil.which("lintian"):
            result = run(["lintian", "--fail-on", "error,warning", deb])
            print(result.stdout + result.stderr, flush=True)
            check(result.returncode == 0, "lintian reports no errors or warnings")
        else:
            print("lintian is not installed: its check is skipped", flush=True)


def test_linux(run_dir, version):
    top = "oxbrine-%s-linux-x86_64/" % version
    with tempfile.TemporaryDirectory() as tmp:
        archive = pack("linux", run_dir, tmp, version)
        check(os.path.basename(archive) == top[:-1] + ".tar.gz", "named %s" % archive)
        if not os.path.exists(archive):
            return
        with tarfile.open(archive) as tar:
            members = {m.name + ("/" if m.isdir() else ""): m for m in tar.getmembers()}
            check(all(name.startswith(top) or name == top[:-1] + "/" for name in members),
                  "everything in %s" % top)
            files = {name[len(top):]: m for name, m in members.items() if m.isfile()}
            programs = {name for name, m in files.items() if m.mode & stat.S_IXUSR}
            check(programs >= PROGRAMS and all("/" not in p for p in programs),
                  "the programs at the top: %s" % sorted(programs))
            others = set(files) - programs - {"README.txt"}
            check(all(name.startswith("Data/") for name in others),
                  "besides them only README.txt and Data/ (%s)"
                  % sorted(n for n in others if not n.startswith("Data/")))
            check_data([name[5:] for name in others], "the Linux archive")
            tar.extractall(tmp)
        folder = os.path.join(tmp, top)
        check(read(os.path.join(folder, "README.txt")) == read(readme()), "README.txt as written")
        check_versions([os.path.join(folder, p) for p in sorted(programs)], version,
                       "Linux archive")


def test_windows(run_dir, version):
    top = "oxbrine-%s-windows-x64/" % version
    with tempfile.TemporaryDirectory() as tmp:
        archive = pack("windows", run_dir, tmp, version)
        check(os.path.basename(archive) == top[:-1] + ".zip", "named %s" % archive)
        if not os.path.exists(archive):
            return
        with zipfile.ZipFile(archive) as z:
            names = [n for n in z.namelist() if not n.endswith("/")]
            check(all(n.startswith(top) for n in names), "everything in %s" % top)
            files = {n[len(top):] for n in names}
            programs = {n for n in files if n.endswith(".exe")}
            check(programs == {"oxbrine.exe"}, "the one program oxbrine.exe: %s" % sorted(programs))
            others = files - programs - {"README.txt"}
            check(all(n.startswith("Data/") for n in others), "besides it README.txt and Data/")
            check_data([n[5:] for n in others], "the Windows archive")
            check(z.read(top + "README.txt") == read(readme()).replace(b"\n", b"\r\n"),
                  "README.txt as written, with Windows line ends")
            z.extractall(tmp)
        check_versions([os.path.join(tmp, top, "oxbrine.exe")], version, "Windows archive",
                       wrapper=("wine",))


def test_web(web_dir, version):
    top = "oxbrine-%s-web/" % version
    with tempfile.TemporaryDirectory() as tmp:
        archive = pack("web", web_dir, tmp, version)
        check(os.path.basename(archive) == top[:-1] + ".zip", "named %s" % archive)
        if not os.path.exists(archive):
            return
        served = sorted(n for n in os.listdir(web_dir)
                        if os.path.isfile(os.path.join(web_dir, n)))
        with zipfile.ZipFile(archive) as z:
            names = z.namelist()
            check(sorted(names) == sorted([top + n for n in served] + [top + "README.txt"]),
                  "the folder's files and README.txt in %s: %s" % (top, sorted(names)))
            check(all(z.read(top + n) == read(os.path.join(web_dir, n)) for n in served),
                  "each as built")
            check(z.read(top + "README.txt") == read(os.path.join(SOURCE_DIR, "packaging",
                                                                  "README-web.txt")),
                  "README.txt as written")
            download = sum(z.getinfo(top + n).file_size for n in served)
            print("download: %d bytes" % download, flush=True)
            check(download <= 12 * 1000 * 1000, "at most 12 MB to download (%d)" % download)
            # The data package's file list is in the loader, as the packager wrote it.
            loader = z.read(top + "oxbrine.js").decode("utf-8", "replace")
        check_data(re.findall(r'"filename": ?"/Data/([^"]+)"', loader), "the web archive")
        again = pack("web", web_dir, os.path.join(tmp, "again"), version)
        check(read(again) == read(archive), "packing the same folder again gives the same bytes")


def readme():
    return os.path.join(SOURCE_DIR, "packaging", "README.txt")


def read(path):
    with open(path, "rb") as f:
        return f.read()


def main():
    cases = {"deb": test_deb, "linux": test_linux, "windows": test_windows, "web": test_web}
    if len(sys.argv) != 5 or sys.argv[1] not in cases:
        sys.exit(__doc__)
    cases[sys.argv[1]](os.path.abspath(sys.argv[3]), sys.argv[4])
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
