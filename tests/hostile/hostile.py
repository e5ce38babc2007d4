#!/usr/bin/env python3
"""Hostile input for the real programs: damaged, missing and odd Data files, wild track values
and outputs that cannot take a file. Each run happens in a folder of its own, under a timeout,
and must end in what a user needs: a message naming the problem and a non-zero exit, or a correct
picture; never a hang, a sanitizer report, or exit 0 with a wrong or partial file.

Usage: hostile.py GROUP RUN_DIR [TOOL...]   (GROUP: shader, image, music, track, values, output,
tools, preview; RUN_DIR: the runnable folder with oxbrine-render and Data/)
"""

import os
import random
import resource
import shutil
import signal
import stat
import struct
import subprocess
import sys
import tempfile
import time
import zlib

GROUP, RUN_DIR = sys.argv[1], os.path.abspath(sys.argv[2])
TOOLS = [os.path.abspath(tool) for tool in sys.argv[3:]]
DATA = os.path.join(RUN_DIR, "Data")
RENDER = os.path.join(RUN_DIR, "oxbrine-render")
MUSIC = "pim00dle_and_quandrel-vantorel.mp3"
# The smallest of the show's sizes keeps each run short.
SIZE = ["--resolution", "1024x768"]
TIMEOUT = 90
MEBIBYTE = 1024 * 1024
failures = []
scratch = tempfile.mkdtemp(prefix="hostile-")


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what, flush=True)
    if not condition:
        failures.append(what)


# ---- running ----------------------------------------------------------------------------------

class Run:
    def __init__(self, args, cwd, file_limit=None):
        def limit():
            # A full disk without special rights: the write fails with EFBIG, the signal ignored.
            if file_limit is not None:
                signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
                resource.setrlimit(resource.RLIMIT_FSIZE, (file_limit, file_limit))
        try:
            result = subprocess.run(args, cwd=cwd, capture_output=True, text=True,
                                    errors="replace", timeout=TIMEOUT, preexec_fn=limit)
            self.status, self.stderr, self.hung = result.returncode, result.stderr, False
        except subprocess.TimeoutExpired as expired:
            stderr = expired.stderr or b""
            self.stderr = stderr.decode(errors="replace") if isinstance(stderr, bytes) else stderr
            self.status, self.hung = None, True

    def sanitizer_report(self):
        return any(mark in self.stderr for mark in
                   ("Sanitizer", "runtime error:", "terminate called", "Aborted"))

    def describe(self):
        last = self.stderr.strip().splitlines()[-3:]
        return "hung" if self.hung else "exit %s: %s" % (self.status, " | ".join(last))


def case_folder(name, replace=None):
    """A runnable folder of links to the real Data, with Data files replaced or removed: replace
    maps a file name to a function that makes the hostile version at a given path (or None to
    leave the file out)."""
    folder = os.path.join(scratch, name.replace(" ", "_").replace("/", "_"))
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(os.path.join(folder, "Data"))
    replace = replace or {}
    for entry in os.listdir(DATA):
        if entry not in replace:
            os.symlink(os.path.join(DATA, entry), os.path.join(folder, "Data", entry))
    for entry, make in replace.items():
        if make is not None:
            make(os.path.join(folder, "Data", entry))
    return folder


def render(folder, *args, file_limit=None):
    return Run([RENDER, *SIZE, *args], folder, file_limit)


def leftovers(folder, expected):
    return sorted(set(os.listdir(folder)) - set(expected))


references = {}


def reference(seconds):
    """The intact show's frame at that time, rendered once."""
    if seconds not in references:
        folder = case_folder("reference-%g" % seconds)
        out = os.path.join(folder, "frame.png")
        run = render(folder, "frame", str(seconds), out)
        check(run.status == 0 and not run.sanitizer_report(),
              "reference frame at %g s (%s)" % (seconds, run.describe()))
        references[seconds] = read(out) if run.status == 0 else None
    return references[seconds]


def read(path):
    with open(path, "rb") as f:
        return f.read()


def complete_png(data, size):
    """A whole PNG (of that size, unless None): signature, header and end chunk all there."""
    if len(data) < 45 or data[:8] != b"\x89PNG\r\n\x1a\n" or data[12:16] != b"IHDR":
        return False
    shape = struct.unpack(">II", data[16:24])
    return (size is None or shape == size) and data[-12:-4] == b"\0\0\0\0IEND"


# ---- outcomes ---------------------------------------------------------------------------------

def expect_refused(what, run, names, out=None):
    """A non-zero exit with a message naming the problem, and no output file."""
    assert names, "a refusal is only right with the message it must give"
    named = all(name in run.stderr for name in names)
    clean = not run.hung and run.status not in (None, 0) and run.status > 0
    check(clean and named and not run.sanitizer_report() and not (out and os.path.lexists(out)),
          "%s: refused naming %s (%s)" % (what, ", ".join(repr(n) for n in names),
                                         run.describe()))


def expect_picture(what, run, out, seconds):
    """Exit 0 and the intact show's picture for that time."""
    ok = run.status == 0 and not run.sanitizer_report() and os.path.exists(out)
    check(ok and read(out) == reference(seconds),
          "%s: the right picture at %g s (%s)" % (what, seconds, run.describe()))


def expect_any_picture(what, run, out, size, names):
    """For values the show takes as they come: a complete picture, or a refusal naming them."""
    if run.status == 0 and not run.sanitizer_report():
        ok = os.path.exists(out) and complete_png(read(out), size)
        check(ok, "%s: a complete picture (%s)" % (what, run.describe()))
    else:
        expect_refused(what, run, names, out)


# ---- hostile files ----------------------------------------------------------------------------

def original(name):
    return read(os.path.join(DATA, name))


def write_bytes(data):
    def make(path):
        with open(path, "wb") as f:
            f.write(data)
    return make


def variants(name):
    """Every way a Data file can be wrong, by name: a function making it (None: missing)."""
    whole = original(name)
    noise = random.Random(name).randbytes(len(whole))
    return {
        "missing": None,
        "empty": write_bytes(b""),
        "cut short": write_bytes(whole[: len(whole) // 2]),
        "random bytes": write_bytes(noise),
        "a pipe": lambda path: os.mkfifo(path),
        "a folder": lambda path: os.mkdir(path),
        "a link to /dev/zero": lambda path: os.symlink("/dev/zero", path),
    }


def past_limit(limit):
    def make(path):
        with open(path, "wb") as f:
            f.truncate(limit + 1)  # sparse: costs nothing on the disk
    return make


# The message each variant is refused with ({path} is the file's Data/ path), "picture" for the
# intact show's picture, or "keys read" for the outcome of a well-formed file holding the keys the
# format takes from it. Variants not listed are refused by the reader with READ_CAUSES.
READ_CAUSES = {"missing": "No such file or directory", "a pipe": "it is a pipe",
               "a folder": "it is a folder", "a link to /dev/zero": "it is a device"}
NOT_AN_IMAGE = "cannot decode '{path}': not a PNG or JPEG image"
NOT_MUSIC = "cannot decode '{path}': it is not MP3 music"
DATA_KINDS = {
    "shader": (["Blit.vert"], 16 * MEBIBYTE,
               {"empty": "{path} - shader compile failed",
                "cut short": "{path} - shader compile failed",
                "random bytes": "{path} - shader compile failed"}),
    "image": (["g.png", "kusmasuger.jpg"], 64 * MEBIBYTE,
              {"empty": NOT_AN_IMAGE, "random bytes": NOT_AN_IMAGE,
               "cut short": "cannot decode '{path}': "}),
    # The decoder resynchronises on what is left; offline, the set position still applies.
    "music": ([MUSIC], 256 * MEBIBYTE,
              {"empty": NOT_MUSIC, "cut short": "picture", "random bytes": NOT_MUSIC}),
    # A missing or empty track has no keys, as the show allows; whole keys are taken up to the
    # count the file claims.
    "track": (["_Part.track"], 16 * MEBIBYTE,
              {"missing": "keys read", "empty": "keys read", "cut short": "keys read",
               "random bytes": "keys read"}),
}
# The cut-short JPEG has its own message.
CAUSE_FOR = {("kusmasuger.jpg", "cut short"): "cannot decode '{path}': the JPEG is cut short"}


def keys_read(data):
    """The keys a track file's bytes hold by the format: whole 9-byte keys after the count, no
    more than it claims (none for a negative count)."""
    if data is None or len(data) < 4:
        return []
    claimed = struct.unpack_from("<i", data)[0]
    count = max(0, min(claimed, (len(data) - 4) // 9))
    return [struct.unpack_from("<ifB", data, 4 + 9 * i) for i in range(count)]


def expect_same_outcome(what, run, out, expected_run, expected_out):
    """The outcome a well-formed file gives: the same picture, or the same refusal."""
    if expected_run.status == 0:
        ok = run.status == 0 and os.path.exists(out) and read(out) == read(expected_out)
    else:
        last = expected_run.stderr.strip().splitlines()[-1:]
        ok = run.status == expected_run.status and run.stderr.strip().splitlines()[-1:] == last
    check(ok and not run.sanitizer_report(), "%s: as a well-formed file of the keys read (%s; "
          "expected %s)" % (what, run.describe(), expected_run.describe()))
# Past the music's cut the clock must still be at the asked time.
DATA_TIME = 60.0


def group_data(kind):
    names, limit, outcomes = DATA_KINDS[kind]
    well_formed = {}  # track file bytes: the outcome of rendering with them
    for name in names:
        cases = variants(name)
        cases["past the size limit"] = past_limit(limit)
        path = "Data/" + name
        for variant, make in cases.items():
            what = "%s %s %s" % (kind, name, variant)
            folder = case_folder(what, {name: make})
            out = os.path.join(folder, "frame.png")
            run = render(folder, "frame", str(DATA_TIME), out)
            if variant == "past the size limit":
                outcome = "cannot read '{path}': larger than the %d MiB limit for %s files" % (
                    limit // MEBIBYTE, kind)
            else:
                outcome = CAUSE_FOR.get((name, variant), outcomes.get(
                    variant, "cannot read '{path}': " + READ_CAUSES.get(variant, "")))
            if outcome == "picture":
                expect_picture(what, run, out, DATA_TIME)
            elif outcome == "keys read":
                made = os.path.join(folder, "Data", name)
                data = track_file(keys_read(read(made) if os.path.isfile(made) else None))
                if data not in well_formed:
                    wf_folder = case_folder(what + " well-formed", {name: write_bytes(data)})
                    wf_out = os.path.join(wf_folder, "frame.png")
                    well_formed[data] = (render(wf_folder, "frame", str(DATA_TIME), wf_out), wf_out)
                expect_same_outcome(what, run, out, *well_formed[data])
            else:
                expect_refused(what, run, [outcome.format(path=path)], out)


def png_header(width, height, data=b""):
    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body +
                struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", data) +
            chunk(b"IEND", b""))


def jpeg_header(width, height):
    frame = struct.pack(">BHHB", 8, height, width, 3) + b"\x01\x11\x00\x02\x11\x01\x03\x11\x01"
    return b"\xff\xd8\xff\xc0" + struct.pack(">H", len(frame) + 2) + frame + b"\xff\xd9"


def group_image_headers():
    """Headers that ask for absurd sizes: refused before any pixel memory is taken."""
    cases = {
        "PNG 100000 x 100000": ("g.png", png_header(100000, 100000, zlib.compress(b"\0" * 64)),
                                "100000x100000 is past the limit of 16384 pixels a side"),
        "PNG 20000 x 1": ("g.png", png_header(20000, 1, zlib.compress(b"\0" * 64)),
                          "20000x1 is past the limit of 16384 pixels a side"),
        "PNG 16384 x 16384 with no pixels": ("g.png", png_header(16384, 16384), "no IDAT"),
        "PNG 0 x 0": ("g.png", png_header(0, 0), "0x0 has no pixels"),
        "JPEG 65000 x 65000": ("kusmasuger.jpg", jpeg_header(65000, 65000),
                               "65000x65000 is past the limit of 16384 pixels a side"),
        "cube map 30 x 48": ("blurry.jpg", None, "GL error has occurred: invalid value"),
    }
    for what, (name, data, cause) in cases.items():
        if data is None:
            # A cross whose faces are not square (10 x 12): GL refuses the upload.
            data = png_header(30, 48, zlib.compress(b"".join(
                b"\0" + b"\x80" * 120 for _ in range(48))))
        folder = case_folder(what, {name: write_bytes(data)})
        out = os.path.join(folder, "frame.png")
        expect_refused(what, render(folder, "frame", "1", out), ["Data/" + name, cause], out)


def track_file(keys, count=None):
    body = b"".join(struct.pack("<ifB", row, value, interpolation)
                    for row, value, interpolation in keys)
    return struct.pack("<i", len(keys) if count is None else count) + body


INT_MIN, INT_MAX = -2 ** 31, 2 ** 31 - 1
WILD = {"NaN": float("nan"), "infinity": float("inf"), "minus infinity": float("-inf"),
        "1e30": 1e30, "-1e30": -1e30}
# How a message writes each wild value.
WILD_TEXT = {"NaN": "nan", "infinity": "inf", "minus infinity": "-inf", "1e30": "1e+30",
             "-1e30": "-1e+30"}


def group_values():
    # Every track but the scene choice set to one wild value, the whole show on one sheet.
    tracks = [name for name in os.listdir(DATA) if name.startswith("_") and name.endswith(".track")]
    for label, value in WILD.items():
        what = "every track %s" % label
        replace = {name: write_bytes(track_file([(0, value, 0)]))
                   for name in tracks if name != "_Part.track"}
        folder = case_folder(what, replace)
        out = os.path.join(folder, "sheet.png")
        run = render(folder, "sheet", "--every", "6", out)
        expect_any_picture(what, run, out, None, ['track "', " is %s" % WILD_TEXT[label]])

    # The scene choice itself: no scene has such a number.
    for label, value in WILD.items():
        what = "Part %s" % label
        folder = case_folder(what, {"_Part.track": write_bytes(track_file([(0, value, 0)]))})
        out = os.path.join(folder, "frame.png")
        expect_refused(what, render(folder, "frame", "1", out),
                       ['track "Part" is %s: no scene has that number' % WILD_TEXT[label]], out)

    # Counts and rows at the integer limits, one kind per track, all in one show.
    limits = {
        "_Duck Res.track": track_file([(0, 40.0, 1)], count=INT_MAX),
        "_Duck A.track": track_file([(0, 1.0, 1)], count=-1),
        "_Duck B.track": track_file([(0, 1.0, 1)], count=INT_MIN),
        "_Duck Move.track": track_file([(INT_MIN, -1e30, 1), (INT_MAX, 1e30, 2)]),
        "_Camera FOV.track": track_file([(INT_MIN, 60.0, 3), (INT_MIN, 1e30, 1),
                                         (INT_MAX, -1e30, 255)]),
        "_Sphurrs Part.track": track_file([(INT_MAX, 1.0, 0), (INT_MIN, 0.0, 7)]),
        "_Camera Z.track": track_file([(0, 1.0, 1)] * 3, count=2 ** 24),
    }
    folder = case_folder("integer limits", {name: write_bytes(data) for name, data in
                                            limits.items()})
    out = os.path.join(folder, "sheet.png")
    run = render(folder, "sheet", "--every", "6", out)
    expect_any_picture("track counts and rows at the integer limits", run, out, None, ['track "'])


# ---- outputs ----------------------------------------------------------------------------------

def group_output():
    folder = case_folder("outputs")
    victim = os.path.join(folder, "victim.txt")

    def fresh_victim():
        with open(victim, "w") as f:
            f.write("keep me")

    def victim_intact():
        return read(victim) == b"keep me"

    # A full disk, simulated by a file-size limit: a message with the cause, no file at all.
    out = os.path.join(folder, "full.png")
    run = render(folder, "frame", "1", out, file_limit=64 * 1024)
    expect_refused("frame onto a full disk", run, ["cannot write '%s': File too large" % out], out)
    check(leftovers(folder, ["Data", "full.png"]) == [], "full disk: nothing left behind %s"
          % leftovers(folder, ["Data"]))
    run = render(folder, "sheet", "--every", "20", out, file_limit=64 * 1024)
    expect_refused("sheet onto a full disk", run, ["cannot write '%s': File too large" % out], out)

    # A real small file system where one can be mounted.
    mount = os.path.join(folder, "small")
    os.mkdir(mount)
    mounted = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=64k", "tmpfs", mount],
                             capture_output=True).returncode == 0
    if mounted:
        try:
            out = os.path.join(mount, "frame.png")
            run = render(folder, "frame", "1", out)
            expect_refused("frame onto a full tmpfs", run,
                           ["cannot write '%s': No space left on device" % out], out)
            check(os.listdir(mount) == [], "full tmpfs: nothing left behind %s"
                  % os.listdir(mount))
        finally:
            subprocess.run(["umount", mount])
    else:
        print("skip full tmpfs: mounting is not allowed here")

    # Targets that are not regular files are refused and left as they were.
    fresh_victim()
    link = os.path.join(folder, "link.png")
    os.symlink(victim, link)
    expect_refused("frame onto a link", render(folder, "frame", "1", link),
                   ["cannot write '%s': it is a symbolic link" % link])
    check(os.path.islink(link) and victim_intact(), "the link and its target are untouched")

    directory = os.path.join(folder, "dir.png")
    os.mkdir(directory)
    expect_refused("frame onto a folder", render(folder, "frame", "1", directory),
                   ["cannot write '%s': it is a folder" % directory])
    check(os.path.isdir(directory), "the folder is still a folder")

    pipe = os.path.join(folder, "pipe.png")
    os.mkfifo(pipe)
    expect_refused("frame onto a pipe", render(folder, "frame", "1", pipe),
                   ["cannot write '%s': it is a pipe" % pipe])
    check(stat.S_ISFIFO(os.lstat(pipe).st_mode), "the pipe is still a pipe")

    device = os.path.join(folder, "null.png")
    try:
        os.mknod(device, 0o666 | stat.S_IFCHR, os.makedev(1, 3))
    except PermissionError:
        device = "/dev/null"
    expect_refused("frame onto a device", render(folder, "frame", "1", device),
                   ["cannot write '%s': it is a device" % device])
    check(stat.S_ISCHR(os.lstat(device).st_mode), "the device is still a device")

    frames = os.path.join(folder, "frames-file")
    write_bytes(b"x")(frames)
    expect_refused("frames into a file", render(folder, "frames", "--fps", "1", "--from", "1",
                                                "--to", "2", frames), [frames, "Not a directory"])

    # A link left under the old temporary name is not followed.
    fresh_victim()
    out = os.path.join(folder, "good.png")
    os.symlink(victim, out + ".partial")
    run = render(folder, "frame", "1", out)
    expect_picture("frame beside a planted .partial link", run, out, 1.0)
    check(victim_intact(), "the planted link's target is untouched")

    # A folder the user may not write to; root writes anyway, so only checked for others.
    if os.geteuid() != 0:
        locked = os.path.join(folder, "locked")
        os.mkdir(locked, 0o555)
        out = os.path.join(locked, "frame.png")
        expect_refused("frame into a read-only folder", render(folder, "frame", "1", out),
                       [out, "Permission denied"], out)
    else:
        print("skip read-only folder: root writes there anyway")

    # A tracks folder that is not there, or holds no tracks.
    for what, tracks in [("missing", os.path.join(folder, "no-such")), ("empty", folder)]:
        out = os.path.join(folder, "tracks.png")
        run = render(folder, "--tracks", tracks, "frame", "1", out)
        check(run.status == 2 and tracks in run.stderr and not os.path.exists(out),
              "--tracks %s folder refused with exit 2 (%s)" % (what, run.describe()))


def group_tools():
    """The content tools write through the same writer: a full disk or an odd target fails."""
    trackc, imagegen, synth = TOOLS
    source_dir = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "content")
    timeline = sorted(os.path.join(source_dir, "tracks", n)
                      for n in os.listdir(os.path.join(source_dir, "tracks")) if n.endswith(".tl"))
    folder = os.path.join(scratch, "tools")
    os.makedirs(folder)

    out = os.path.join(folder, "tracks")
    run = Run([trackc, "--out", out, *timeline], folder, file_limit=16)
    expect_refused("trackc onto a full disk", run, [out, "File too large"])
    check(not [n for n in os.listdir(out) if "partial" in n], "trackc: no temporaries left")

    os.makedirs(os.path.join(folder, "linked"))
    victim = os.path.join(folder, "victim")
    write_bytes(b"keep me")(victim)
    os.symlink(victim, os.path.join(folder, "linked", "_Part.track"))
    run = Run([trackc, "--out", os.path.join(folder, "linked"), *timeline], folder)
    expect_refused("trackc onto a linked track file", run, ["_Part.track"])
    check(read(victim) == b"keep me", "trackc: the link's target is untouched")

    pipe = os.path.join(folder, "pipe.tl")
    os.mkfifo(pipe)
    expect_refused("trackc reading a pipe", Run([trackc, "--out", out, pipe], folder), [pipe])

    images = os.path.join(source_dir, "images")
    source = os.path.join(images, sorted(n for n in os.listdir(images) if n.endswith(".txt"))[0])
    out = os.path.join(folder, "images")
    os.makedirs(out)
    run = Run([imagegen, source, out], folder, file_limit=1024)
    expect_refused("imagegen onto a full disk", run, [out, "File too large"])
    check(os.listdir(out) == [], "imagegen: nothing left behind %s" % os.listdir(out))

    tool_inputs(trackc, imagegen, synth, source_dir, folder)


# ---- hand-made sources ------------------------------------------------------------------------

def snapshot(folder):
    """Every file under the folder with its bytes, to see that a refused run changed nothing."""
    files = {}
    for root, _, names in os.walk(folder):
        for name in names:
            path = os.path.join(root, name)
            files[os.path.relpath(path, folder)] = read(path)
    return files


def timeline(*lines, tail=b""):
    return "".join(line + "\n" for line in lines).encode() + tail


def track_bytes(count, keys):
    return struct.pack("<i", count) + b"".join(struct.pack("<ifB", *key) for key in keys)


def song(*lines):
    return ("instrument kick kick\ninstrument bass bass\n"
            "pattern beat step=8\n  kick x x\n  bass A2 -\nend\n" +
            "".join(line + "\n" for line in lines)).encode()


def tool_inputs(trackc, imagegen, synth, source_dir, scratch_folder):
    """Sources a maker or a crash wrote wrong, each refused with the exact message (file, line,
    column, problem), exit 1, and every source and earlier output left byte for byte as it was."""
    with open(os.path.join(source_dir, "images", "rock.txt"), "rb") as f:
        rock = f.read()
    sky = b"kind sky\noutput s.jpg\nlayout cross face=%s\nstyle soft seed=3\n"
    megabyte_line = b"x" * MEBIBYTE
    # (what, tool, source name, source bytes, extra arguments, message)
    cases = [
        ("trackc: a tail of NUL bytes", "trackc", "a.tl",
         timeline("track Camera Z", "  0 1 linear", "  32 2", tail=b"\0" * 64),
         "a.tl:4:1: a NUL byte; not a text source"),
        ("trackc: NUL bytes after a value", "trackc", "a.tl",
         timeline("track Camera Z", "  0 1 linear").rstrip(b"\n") + b"\0\0\0\n",
         "a.tl:2:13: a NUL byte; not a text source"),
        ("trackc: a line of 1 MB", "trackc", "a.tl",
         timeline("track Camera Z", "  0 1 linear") + megabyte_line + b"\n",
         "a.tl:3: the line is longer than 65536 bytes; not a text source"),
        ("trackc: a NUL in a name", "trackc", "a.tl", timeline("track Cam\0era Z", "  0 1"),
         "a.tl:1:10: a NUL byte; not a text source"),
        ("trackc: invalid UTF-8 in a name", "trackc", "a.tl",
         b"track Cam\xe9ra Z\n  0 1\n", "a.tl:1:10: byte 0xe9, not UTF-8; not a text source"),
        ("trackc: a control byte", "trackc", "a.tl", timeline("track A", "  0 1\x1b[2J"),
         "a.tl:2:6: control byte 0x1b; not a text source"),
        ("trackc: 1e5 as a row", "trackc", "a.tl", timeline("track A", "  1e5 1"),
         "a.tl:2:3: bad position '1e5'"),
        ("trackc: 1e5 as a bar", "trackc", "a.tl", timeline("track A", "  1e5:2 1"),
         "a.tl:2:3: bad position '1e5:2'"),
        ("trackc: a row past 32 bits", "trackc", "a.tl", timeline("track A", "  4294967296 1"),
         "a.tl:2:3: bad position '4294967296'"),
        ("trackc: a value past a float", "trackc", "a.tl", timeline("track A", "  0 1e39"),
         "a.tl:2:5: value '1e39' is past the largest float"),
        ("trackc: a hex value", "trackc", "a.tl", timeline("track A", "  0 0x10"),
         "a.tl:2:5: value '0x10' is not a number"),
        ("trackc: a name of 10 KB", "trackc", "a.tl", timeline("track " + "N" * 10000, "  0 1"),
         "a.tl:1: a track name of 10000 bytes; names hold 200 at most"),
        ("trackc: editor XML with a NUL", "trackc", "a.xml",
         b'<tracks><track name="A"><key row="0" value="1" interpolation="0"/>\0</track></tracks>',
         "a.xml:1:67: a NUL byte; not a text source"),
        ("trackc: editor XML row 1e5", "trackc", "a.xml",
         b'<tracks>\n<track name="A">\n<key row="1e5" value="1" interpolation="0"/>\n'
         b"</track></tracks>\n", "a.xml:3: bad row '1e5'"),
        ("trackc export: a count past the keys held", "export", "_Lie.track",
         track_bytes(5, [(0, 1.0, 1)]), "_Lie.track: the header counts 5 keys, the file holds 1"),
        ("trackc export: a negative count", "export", "_Lie.track",
         track_bytes(-3, [(0, 1.0, 1)]), "_Lie.track: the header counts -3 keys, the file holds 1"),
        ("imagegen: size 1e5", "imagegen", "r.txt", rock.replace(b"\nsize 512", b"\nsize 1e5"),
         "r.txt:6:6: 'size' '1e5' is not a whole number"),
        ("imagegen: a size past 32 bits", "imagegen", "r.txt",
         rock.replace(b"\nsize 512", b"\nsize 99999999999"),
         "r.txt:6:6: 'size' '99999999999' is out of range (1 to 8192)"),
        ("imagegen: a negative size", "imagegen", "r.txt",
         rock.replace(b"\nsize 512", b"\nsize 512 -4"),
         "r.txt:6:10: 'size' '-4' is out of range (1 to 8192)"),
        ("imagegen: an option 1e5 where a whole number is meant", "imagegen", "s.txt",
         sky % b"1e5", "s.txt:3:19: option face: '1e5' is not a whole number"),
        ("imagegen: a face past the largest side", "imagegen", "s.txt",
         sky % b"65536", "s.txt:3:19: option face: '65536' is out of range (1 to 2048)"),
        ("imagegen: a NUL in a source", "imagegen", "r.txt", rock.replace(b"rock seed", b"ro\0ck"),
         "r.txt:7:3: a NUL byte; not a text source"),
        ("synth: a length of 1e9", "synth", "t.song", song("length 1e9"),
         "t.song:7:8: length in seconds '1e9' is out of range (1 to 300)"),
        ("synth: a negative length", "synth", "t.song", song("length -1"),
         "t.song:7:8: length in seconds '-1' is out of range (1 to 300)"),
        ("synth: a length NaN", "synth", "t.song", song("length nan"),
         "t.song:7:8: length in seconds 'nan' is not a number"),
        ("synth: a note before row 0", "synth", "t.song", song("length 2", "play -8 beat"),
         "t.song:8:6: start row '-8' is out of range (0 to 5384)"),
        ("synth: repeats 1e5", "synth", "t.song", song("length 2", "play 0 beat x1e5"),
         "t.song:8:14: repeat count '1e5' is not a whole number"),
        ("synth: repeats past the limit", "synth", "t.song", song("length 2", "play 0 beat x99999"),
         "t.song:8:14: repeat count '99999' is out of range (1 to 4096)"),
        ("synth: a NUL in a song", "synth", "t.song", song("length 2\0"),
         "t.song:7:9: a NUL byte; not a text source"),
        ("synth: --seconds 1e9", "synth", "t.song", song("length 2"),
         "--seconds '1e9' is out of range (1 to 300)"),
    ]
    for what, tool, name, data, message in cases:
        folder = os.path.join(scratch_folder, "inputs", what.replace(" ", "_").replace("/", "_"))
        os.makedirs(os.path.join(folder, "out"))
        source = os.path.join(folder, name)
        write_bytes(data)(source)
        # Outputs of an earlier good run that a refused one must leave as they were.
        write_bytes(b"earlier track")(os.path.join(folder, "out", "_A.track"))
        write_bytes(b"earlier text")(os.path.join(folder, "out", "kept.tl"))
        write_bytes(b"earlier image")(os.path.join(folder, "out", "rock.png"))
        write_bytes(b"earlier cues")(os.path.join(folder, "out", "music.cues"))
        write_bytes(b"earlier wav")(os.path.join(folder, "out", "music.wav"))
        before = snapshot(folder)
        if tool == "trackc":
            args = [trackc, "--out", "out", name]
        elif tool == "export":
            args = [trackc, "export", name, "-o", "out/kept.tl"]
        elif tool == "imagegen":
            args = [imagegen, name, "out"]
        else:
            args = [synth, name, "--cues", "out/music.cues", "--wav", "out/music.wav"]
            if what.endswith("--seconds 1e9"):
                args += ["--seconds", "1e9"]
        run = Run(args, folder)
        check(run.status == 1 and message in run.stderr and not run.sanitizer_report(),
              "%s: exit 1 with %r (%s)" % (what, message, run.describe()))
        check(snapshot(folder) == before, "%s: sources and outputs byte for byte as before" % what)

    # The WAV cannot be written: the cue sheet stays as it was too.
    folder = os.path.join(scratch_folder, "inputs", "synth_wav_refused")
    os.makedirs(os.path.join(folder, "out", "music.wav"))
    write_bytes(song("length 1"))(os.path.join(folder, "t.song"))
    write_bytes(b"earlier cues")(os.path.join(folder, "out", "music.cues"))
    before = snapshot(folder)
    run = Run([synth, "t.song", "--cues", "out/music.cues", "--wav", "out/music.wav"], folder)
    check(run.status == 1 and "out/music.wav" in run.stderr and snapshot(folder) == before,
          "synth: a WAV that cannot be written leaves the cue sheet as it was (%s)"
          % run.describe())


# ---- the preview ------------------------------------------------------------------------------

def group_preview():
    """The preview under hostile sources and a hostile editor: each ends in a message naming the
    file or the command and value, and the preview alive and answering (a still saved on F12 at
    the right time) afterwards. Runs on an X display (xvfb-run)."""
    preview_exe = TOOLS[0]
    tests = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    sys.path.insert(0, os.path.join(tests, "preview"))
    sys.path.insert(0, os.path.join(tests, "e2e"))
    import preview_e2e as e2e

    def attempt(what, step):
        try:
            step()
            check(True, what)
        except e2e.Failure as failure:
            check(False, "%s: %s" % (what, str(failure)[-2000:]))

    run, content = e2e.copy_runnable(RUN_DIR, os.path.dirname(tests))
    try:
        attempt("preview: hostile timeline sources", lambda: preview_sources(e2e, preview_exe,
                                                                             run, content))
        attempt("preview: a hostile editor", lambda: preview_link(e2e, preview_exe, run))
    finally:
        shutil.rmtree(os.path.dirname(run), ignore_errors=True)


def preview_sources(e2e, preview_exe, run, content):
    tracks = os.path.join(content, "tracks")
    name = sorted(n for n in os.listdir(tracks) if n.endswith(".tl"))[0]
    path = os.path.join(tracks, name)
    original = read(path)
    lines = original.count(b"\n")
    empty_tracks = "".join("track Empty %d\n" % i for i in range(3000)).encode()
    # (what, file, bytes, what stderr must say)
    cases = [
        ("a tail of NUL bytes", path, original + b"\0" * 4096,
         "%s:%d:1: a NUL byte; not a text source" % (path, lines + 1)),
        ("a line of 1 MB", path, original + b"  0 1 " + b"#" * MEBIBYTE + b"\n",
         "%s:%d: the line is longer than 65536 bytes; not a text source" % (path, lines + 1)),
        ("a message of 100 KB", os.path.join(tracks, "zz-empty.tl"), empty_tracks,
         "zz-empty.tl:3000: track 'Empty 2999' has no keys"),
    ]
    preview = e2e.Preview(preview_exe, run, "--paused", "--start", "30", "--content", content)
    try:
        at, picture = preview.still()
        for what, target, data, message in cases:
            write_bytes(data)(target)
            preview.wait_stderr(message)
            later, image = preview.still()
            e2e.check(later == at and image == picture,
                      "%s: the old keys no longer show at %d ms" % (what, at))
            e2e.check(read(target) == data, "%s: the source was changed" % what)
            if target == path:
                write_bytes(original)(path)
            else:
                os.remove(target)
        e2e.check("(%d bytes in all" % len(cases[-1][2]) not in preview.stderr(),
                  "the HUD's cut text reached stderr")
    finally:
        preview.close()


def owned_tracks(e2e, editor, run):
    """Takes the link's connection and answers each track asked for with its file's keys."""
    editor.accept()
    asked = []
    quiet_until = time.monotonic() + 4.0
    while time.monotonic() < quiet_until:
        for kind, name in editor.commands(0.5):
            if kind != "track":
                continue
            asked.append(name)
            quiet_until = time.monotonic() + 4.0
            path = os.path.join(run, "Data", "_%s.track" % name)
            if os.path.exists(path):
                for row, value, interpolation in e2e.track_keys(path):
                    editor.set_key(len(asked) - 1, row, value, interpolation)
    return {name: i for i, name in enumerate(asked)}


def seek_answered(e2e, preview, row):
    """The time of the preview's stills until one is at the row's start (a flood takes a few
    frames to drain), or the last one's after a while."""
    deadline = time.monotonic() + e2e.RELOAD_TIMEOUT
    while True:
        at, _ = preview.still()
        if at == e2e.row_start_milliseconds(row) or time.monotonic() > deadline:
            return at


def preview_link(e2e, preview_exe, run):
    editor = e2e.FakeEditor()
    preview = e2e.Preview(preview_exe, run, "--paused", "--start", "30", "--editor",
                          str(editor.port))
    try:
        index = owned_tracks(e2e, editor, run)
        preview.still()
        # A flood of valid keys at rows far apart, then a seek: the seek is followed.
        noise = random.Random(25)
        flood = b"".join(struct.pack(">BIIfB", 0, index["Bloom Dry"],
                                     noise.randrange(2000, 99999999), noise.random(), 1)
                         for _ in range(MEBIBYTE // 14))
        editor.send(flood + struct.pack(">BI", 3, 600))
        at = seek_answered(e2e, preview, 600)
        e2e.check(at == e2e.row_start_milliseconds(600),
                  "after a 1 MB flood SET_ROW 600 went to %d ms" % at)

        # A value no timeline holds: the connection closes naming command, track, row and value.
        editor.set_key(index["Part"], 0, float("nan"), 0)
        e2e.check(editor.closed_by_peer(10), "a NaN Part left the connection open")
        preview.wait_stderr("sent a malformed command (set key on track 'Part' at row 0: "
                            "value nan is not a finite number); connection closed")
        preview.still()

        # A value the engine refuses: named with its track, and the preview plays on.
        index = owned_tracks(e2e, editor, run)
        editor.set_key(index["Part"], 0, 9.0, 0)
        editor.send(struct.pack(">BI", 3, 10))
        preview.wait_stderr('track "Part" is 9: no scene has that number')
        editor.set_key(index["Part"], 0, 0.0, 0)
        editor.send(struct.pack(">BI", 3, 700))
        at = seek_answered(e2e, preview, 700)
        e2e.check(at == e2e.row_start_milliseconds(700), "SET_ROW 700 went to %d ms" % at)
    finally:
        preview.close()


GROUPS = {
    "shader": lambda: group_data("shader"),
    "image": lambda: (group_data("image"), group_image_headers()),
    "music": lambda: group_data("music"),
    "track": lambda: group_data("track"),
    "values": group_values,
    "output": group_output,
    "tools": group_tools,
    "preview": group_preview,
}

try:
    GROUPS[GROUP]()
finally:
    shutil.rmtree(scratch, ignore_errors=True)
print("%d failed" % len(failures) if failures else "all passed")
sys.exit(1 if failures else 0)
