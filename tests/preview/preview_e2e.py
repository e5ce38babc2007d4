#!/usr/bin/env python3
"""End-to-end checks of oxbrine-preview in a real window on the X display it is started under (an
Xvfb from xvfb-run), driven with xdotool. The picture is checked through F12, which saves the show's
own image: after any move it must be byte for byte what oxbrine-render writes for that time.

Usage: preview_e2e.py CASE PREVIEW RENDER RUN_DIR SOURCE_DIR
"""

import array
import math
import os
import queue
import re
import shutil
import socket
import struct
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from e2e import Failure, check, find_windows, key  # noqa: E402

TITLE = "Oxbrine preview"
ROWS_PER_SECOND = 17.946666666666665
START_TIMEOUT = 180
RELOAD_TIMEOUT = 10  # reloads land within a second; a loaded machine gets slack


class Preview:
    """The preview under test; stdout lines arrive on a queue, stderr is kept."""

    def __init__(self, executable, run_dir, *arguments, config=None):
        self.lines = queue.Queue()
        self.reports = {}  # the latest "lanes" and "waveform" lines of --report-lanes
        self.log = tempfile.TemporaryFile(mode="w+")
        environment = dict(os.environ, NO_AT_BRIDGE="1", SDL_AUDIODRIVER="dummy",
                           XDG_CONFIG_HOME=config or tempfile.mkdtemp())
        self.run_dir = run_dir
        self.process = subprocess.Popen([executable, *arguments], cwd=run_dir, text=True,
                                        stdout=subprocess.PIPE, stderr=self.log, env=environment)
        threading.Thread(target=self._read, daemon=True).start()
        self.window = self._wait_for_window()

    def _read(self):
        for line in self.process.stdout:
            words = line.split()
            if words and words[0] in ("lanes", "waveform"):
                self.reports[words[0]] = [float(word) for word in words[1:]]
            else:
                self.lines.put(line.strip())

    def report(self, kind, ready=lambda values: True, timeout=START_TIMEOUT):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            values = self.reports.get(kind)
            if values and ready(values):
                return values
            time.sleep(0.1)
        raise Failure("no %s report; stderr:\n%s" % (kind, self.stderr()))

    def _wait_for_window(self):
        deadline = time.monotonic() + START_TIMEOUT
        while time.monotonic() < deadline:
            windows = find_windows(TITLE)
            if windows:
                return windows[0]
            check(self.process.poll() is None, "preview ended with status %s; stderr:\n%s"
                  % (self.process.returncode, self.stderr()))
            time.sleep(0.1)
        raise Failure("no preview window within %d s" % START_TIMEOUT)

    def stderr(self):
        self.log.seek(0)
        return self.log.read()

    def press(self, *names):
        for name in names:
            key(self.window, name)

    def still(self):
        """Saves the show's image with F12: (milliseconds, png bytes)."""
        time.sleep(0.3)  # what was sent to the preview just before has arrived
        self.press("F12")
        try:
            line = self.lines.get(timeout=60)
        except queue.Empty:
            raise Failure("no still saved; stderr:\n" + self.stderr())
        check(line.startswith("saved preview-"), "unexpected output %r" % line)
        name = line.split()[1]
        path = os.path.join(self.run_dir, name)
        with open(path, "rb") as image:
            data = image.read()
        os.remove(path)
        return int(name[len("preview-"):-len(".png")]), data

    def wait_stderr(self, text, timeout=RELOAD_TIMEOUT):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if text in self.stderr():
                return
            time.sleep(0.1)
        raise Failure("%r never appeared on stderr:\n%s" % (text, self.stderr()))

    def close(self):
        """Escape, twice if the first one only warned of unsaved edits; exit status 0."""
        for _ in range(2):
            if self.process.poll() is None:
                self.press("Escape")
                try:
                    self.process.wait(timeout=20)
                except subprocess.TimeoutExpired:
                    pass
        if self.process.poll() is None:
            self.process.kill()
            raise Failure("preview still running after Escape")
        check(self.process.returncode == 0, "preview exited %d; stderr:\n%s"
              % (self.process.returncode, self.stderr()))


def rendered(render, run_dir, milliseconds, tracks=None):
    out = os.path.join(tempfile.mkdtemp(), "frame.png")
    options = ["--tracks", tracks] if tracks else []
    subprocess.run([render, *options, "frame", "%d.%03d" % divmod(milliseconds, 1000), out],
                   cwd=run_dir, check=True, capture_output=True, timeout=300)
    with open(out, "rb") as image:
        return image.read()


def row_start_milliseconds(row):
    return math.ceil(row / ROWS_PER_SECOND * 1000 - 1e-6)


def case_transport(preview_exe, render, run_dir, source_dir):
    preview = Preview(preview_exe, run_dir, "--paused", "--start", "20.5")
    try:
        at, image = preview.still()
        check(at == 20500, "paused start at %d ms, expected 20500" % at)
        check(image == rendered(render, run_dir, at), "picture at 20.5 s differs from the renderer's")

        # A beat on, a bar on, a phrase back: each lands on its grid line, exactly.
        row = 20.5 * ROWS_PER_SECOND
        expected = [("Right", (math.floor(row / 8) + 1) * 8)]
        expected.append(("shift+Right", (math.floor(expected[-1][1] / 32) + 1) * 32))
        expected.append(("Prior", (math.ceil(expected[-1][1] / 256) - 1) * 256))
        for name, target in expected:
            preview.press(name)
            at, image = preview.still()
            check(at == row_start_milliseconds(target), "%s went to %d ms, expected row %d (%d ms)"
                  % (name, at, target, row_start_milliseconds(target)))
        check(image == rendered(render, run_dir, at), "picture after the seeks differs")

        # Paused, nothing moves; a frame step moves one sixtieth.
        time.sleep(1.0)
        held, again = preview.still()
        check((held, again) == (at, image), "the paused picture moved")
        preview.press("period")
        stepped, _ = preview.still()
        check(stepped == round((round(at * 60 / 1000) + 1) * 1000 / 60),
              "a frame step went from %d to %d ms" % (at, stepped))

        # A loop of two beats: after several of its lengths, playing is still inside it.
        preview.press("l", "Right", "Right", "l", "space")
        time.sleep(3.0)
        preview.press("space")
        looped, image = preview.still()
        start = stepped
        end = row_start_milliseconds((math.floor(stepped / 1000 * ROWS_PER_SECOND / 8) + 2) * 8)
        check(start <= looped <= end, "after 3 s of a %d..%d ms loop the time is %d"
              % (start, end, looped))
        check(image == rendered(render, run_dir, looped), "the picture after the loop differs")
    finally:
        preview.close()


def copy_runnable(run_dir, source_dir):
    """A runnable folder and content tree of our own, so edits leave the build alone."""
    root = tempfile.mkdtemp()
    run = os.path.join(root, "run")
    os.mkdir(run)
    shutil.copytree(os.path.join(run_dir, "Data"), os.path.join(run, "Data"))
    content = os.path.join(root, "content")
    for sources in ("tracks", "images"):
        shutil.copytree(os.path.join(source_dir, "content", sources),
                        os.path.join(content, sources))
    # The hand-written shaders beside the content, as in the source tree.
    shutil.copytree(os.path.join(source_dir, "Data"), os.path.join(root, "Data"))
    return run, content


def edit(path, old, new):
    with open(path) as source:
        text = source.read()
    check(old in text, "%s no longer holds %r" % (path, old))
    with open(path, "w") as source:
        source.write(text.replace(old, new, 1))


def case_reload(preview_exe, render, run_dir, source_dir):
    run, content = copy_runnable(run_dir, source_dir)
    preview = Preview(preview_exe, run, "--paused", "--start", "30", "--content", content)
    try:
        _, original = preview.still()
        # Edited where a maker edits it: the source tree's copy, not the runnable folder's.
        mix = os.path.join(os.path.dirname(run), "Data", "Mix.frag")

        def changed_from(before):
            deadline = time.monotonic() + RELOAD_TIMEOUT
            while time.monotonic() < deadline:
                _, image = preview.still()
                if image != before:
                    return image
                time.sleep(0.2)
            raise Failure("the picture never changed; stderr:\n" + preview.stderr())

        # A track file in Data/ written by another tool (beside, then renamed), emptied, written
        # in place and removed: the picture is each time the renderer's for the same Data/, and a
        # track whose file is empty or gone has no keys, as in the show.
        invert = os.path.join(run, "Data", "_PerkProc Invert.track")
        inverted = struct.pack("<i", 1) + struct.pack("<ifB", 0, 1.0, 0)

        def replace_track(data):
            with open(invert + ".new", "wb") as track:
                track.write(data)
            os.replace(invert + ".new", invert)

        def write_track(data):
            with open(invert, "wb") as track:
                track.write(data)

        image, shown = original, {}
        for what, change, data in [("written by another tool", replace_track, inverted),
                                   ("emptied", write_track, b""),
                                   ("written in place", write_track, inverted),
                                   ("removed", lambda _: os.remove(invert), None)]:
            change(data)
            image = changed_from(image)
            # Each of the two pictures once against the renderer's, then against itself.
            keys = data == inverted
            if keys not in shown:
                shown[keys] = image
                check(image == rendered(render, run, 30000),
                      "track file %s: the picture differs from the renderer's" % what)
            check(image == shown[keys] and (image == original) != keys,
                  "track file %s: the track does not read as its file holds" % what)

        edit(mix, "color = vec4(sharp * BgIntensity + glow * Intensity, 1.0);",
             "color = vec4((sharp * BgIntensity + glow * Intensity).bgr, 1.0);")
        swapped = changed_from(original)

        # A broken shader: the log is reported and the last good program stays.
        edit(mix, "void main() {", "void main() { broken")
        preview.wait_stderr("Mix.frag - shader compile failed")
        _, image = preview.still()
        check(image == swapped, "a broken shader changed the picture")

        # A timeline source with an error keeps the old keys; a good edit applies.
        post = os.path.join(content, "tracks", "post.tl")
        edit(post, "track PerkProc Invert\n  0       0     hold",
             "track PerkProc Invert\n  0       zero  hold")
        preview.wait_stderr("the old keys stay")
        _, image = preview.still()
        check(image == swapped, "a broken timeline changed the picture")
        # So does one with a value outside the track's limits.
        edit(post, "track PerkProc Invert\n  0       zero  hold",
             "track PerkProc Invert\n  0       7     hold")
        preview.wait_stderr("'PerkProc Invert' is 7 at row 0")
        _, image = preview.still()
        check(image == swapped, "a timeline outside its limits changed the picture")
        edit(post, "track PerkProc Invert\n  0       7     hold",
             "track PerkProc Invert\n  0       zero  hold")
        edit(post, "track PerkProc Invert\n  0       zero  hold",
             "track PerkProc Invert\n  0       1     hold")
        changed_from(swapped)

        # Back to the sources the runnable folder was made from: the first picture again.
        edit(mix, "void main() { broken", "void main() {")
        edit(mix, "(sharp * BgIntensity + glow * Intensity).bgr", "sharp * BgIntensity + glow * Intensity")
        edit(post, "track PerkProc Invert\n  0       1     hold",
             "track PerkProc Invert\n  0       0     hold")
        deadline = time.monotonic() + RELOAD_TIMEOUT
        while preview.still()[1] != original:
            check(time.monotonic() < deadline, "the restored sources do not give the first picture")
            time.sleep(0.2)

        # An image source: a sky takes seconds to generate, and the preview answers meanwhile;
        # the bokeh on screen, drawn meanwhile in a moment, gives the renderer's picture of it.
        sky = os.path.join(content, "images", "skyboxlol.txt")
        edit(sky, "seed=2", "seed=3")
        preview.wait_stderr("regenerating images from " + sky)
        edit(os.path.join(content, "images", "bokehfuckyou.txt"), "discs seed=11", "discs seed=21")
        image = changed_from(original)
        check("regenerated images from " + sky not in preview.stderr(),
              "the preview stood still while the sky was generated")
        check(image == rendered(render, run, 30000), "the new bokeh differs from the renderer's")
        preview.wait_stderr("regenerated images from " + sky, timeout=START_TIMEOUT)
        preview.wait_stderr("skyboxlol.jpg in")
    finally:
        preview.close()
        shutil.rmtree(os.path.dirname(run), ignore_errors=True)


def track_keys(path):
    """(row, value, interpolation) of a compiled track file."""
    with open(path, "rb") as track:
        data = track.read()
    count = struct.unpack_from("<i", data)[0]
    return [struct.unpack_from("<ifB", data, 4 + 9 * i) for i in range(count)]


def case_panel(preview_exe, render, run_dir, source_dir):
    """Keyboard only: open the panel, pick a track by filtering, add a key, save."""
    run, content = copy_runnable(run_dir, source_dir)
    preview = Preview(preview_exe, run, "--paused", "--start", "30", "--content", content,
                      "--report-lanes")
    try:
        at, before = preview.still()
        row = math.floor(at / 1000 * ROWS_PER_SECOND)
        preview.press("F2")
        # Drawn once, the panel gives the filter the keyboard in the frame after; a still taken
        # is a frame gone by, however slow the frames (a fixed wait lost the typing under load).
        preview.report("lanes", lambda values: values[4] > 0)
        preview.still()
        subprocess.run(["xdotool", "type", "--delay", "40", "PerkProc Invert"], check=True)
        preview.press("Return")
        preview.still()
        subprocess.run(["xdotool", "type", "--delay", "40", "1"], check=True)
        preview.still()
        preview.press("Return")
        # The edit redraws the show, which takes a while on a software renderer.
        deadline = time.monotonic() + START_TIMEOUT / 3
        edited = before
        while edited == before and time.monotonic() < deadline:
            _, edited = preview.still()
        check(edited != before, "adding a key did not change the picture")

        # Another tool writes the track's file while the edit is unsaved: the engine goes on
        # showing the edit the panel holds.
        compiled = os.path.join(run, "Data", "_PerkProc Invert.track")
        with open(compiled, "rb") as track:
            written_elsewhere = track.read()
        with open(compiled + ".new", "wb") as track:
            track.write(written_elsewhere)
        os.replace(compiled + ".new", compiled)
        message = '"PerkProc Invert" shows its unsaved edits again'
        try:
            preview.wait_stderr(message)
        except Failure:
            pass  # the picture says more
        _, shown = preview.still()
        check(shown == edited, "the picture dropped the panel's unsaved edit")
        check(message in preview.stderr(), "the edits kept over the file were not reported")
        preview.press("ctrl+s")

        post = os.path.join(content, "tracks", "post.tl")
        deadline = time.monotonic() + RELOAD_TIMEOUT
        while (row, 1.0, 0) not in track_keys(compiled) and time.monotonic() < deadline:
            time.sleep(0.2)
        check((row, 1.0, 0) in track_keys(compiled), "the compiled track lacks the new key: %s"
              % track_keys(compiled))
        with open(post) as source:
            block = source.read().split("track PerkProc Invert\n")[1].split("\ntrack ")[0]
        check(re.search(r"^\s*%d\s+1\s+hold\b" % row, block, re.MULTILINE),
              "post.tl's block lacks the key:\n" + block)
        check(rendered(render, run, at) == edited, "oxbrine-render does not show the saved key")
    finally:
        preview.close()
        shutil.rmtree(os.path.dirname(run), ignore_errors=True)


def cue_rows(run_dir, kind):
    rows = []
    with open(os.path.join(run_dir, "Data", "music.cues")) as cues:
        for line in cues:
            words = line.split()
            if len(words) >= 2 and not line.startswith("#") and words[1] == kind:
                rows.append(int(words[0]))
    return rows


def music_envelope(run_dir, columns):
    """Each column's highest less lowest sample over the whole show, from the MP3 decoded here
    (ffmpeg), on the scale of floats from -1 to 1."""
    mp3 = [name for name in os.listdir(os.path.join(run_dir, "Data")) if name.endswith(".mp3")]
    check(len(mp3) == 1, "expected one MP3 in Data/: %s" % mp3)
    pcm = subprocess.run(["ffmpeg", "-v", "error", "-i", os.path.join(run_dir, "Data", mp3[0]),
                          "-f", "s16le", "-ac", "1", "-ar", "44100", "-"],
                         check=True, capture_output=True, timeout=120).stdout
    samples = array.array("h", pcm)
    per_column = 78.0 * 44100 / columns
    envelope = []
    for column in range(columns):
        part = samples[int(column * per_column):int((column + 1) * per_column)]
        envelope.append((max(part) - min(part)) / 32768.0 if part else 0.0)
    return envelope


def correlation(a, b):
    mean_a, mean_b = sum(a) / len(a), sum(b) / len(b)
    covariance = sum((x - mean_a) * (y - mean_b) for x, y in zip(a, b))
    spread = math.sqrt(sum((x - mean_a) ** 2 for x in a) * sum((y - mean_b) ** 2 for y in b))
    return covariance / spread if spread else 0.0


class Lanes:
    """Rows to window pixels, from the preview's "lanes" report."""

    def __init__(self, values):
        self.left, self.right, self.first, self.last, self.top, self.bottom = values

    def x(self, row):
        return round(self.left + (row - self.first) * (self.right - self.left)
                     / (self.last - self.first))

    def middle(self):
        return round((self.top + self.bottom) / 2)


def case_choreo(preview_exe, render, run_dir, source_dir):
    """The panel over the music: the waveform, snapping keys to beats and claps (Alt frees), undo
    and redo of a drag by keyboard, a marker kept across a restart, and half speed."""
    run, content = copy_runnable(run_dir, source_dir)
    root = os.path.dirname(run)
    # A track of its own, which no source of the show reads: the save says so.
    with open(os.path.join(content, "tracks", "choreo.tl"), "w") as source:
        source.write("track Choreo Test\n  0    0    hold\n")
    shutil.copy(os.path.join(source_dir, "Demo.cpp"), root)
    config = tempfile.mkdtemp()
    compiled = os.path.join(run, "Data", "_Choreo Test.track")
    preview = Preview(preview_exe, run, "--paused", "--start", "20", "--content", content,
                      "--panel", "--report-lanes", config=config)

    def mouse(*steps):
        for step in steps:
            subprocess.run(["xdotool", *step], check=True, timeout=10)
            time.sleep(0.15)

    def at(x, y):
        return ["mousemove", "--window", preview.window, str(x), str(y)]

    def saved_rows():
        """Ctrl+S, then the rows of the track's keys once the compiled file has been replaced."""
        def stamp():
            return os.stat(compiled).st_mtime_ns if os.path.exists(compiled) else None
        time.sleep(0.3)
        before = stamp()
        preview.press("ctrl+s")
        # Each edit redraws the show, which takes a while on a software renderer.
        deadline = time.monotonic() + START_TIMEOUT / 3
        while stamp() == before and time.monotonic() < deadline:
            time.sleep(0.1)
        return [row for row, _, _ in track_keys(compiled)] if os.path.exists(compiled) else []

    try:
        # The strip's loudest columns lie where the music decoded here is loudest.
        strip = preview.report("waveform")[2:]
        expected = music_envelope(run, len(strip))
        check(correlation(strip, expected) > 0.9, "the waveform does not follow the music "
              "(correlation %.2f)" % correlation(strip, expected))
        loudest = sorted(range(len(strip)), key=lambda i: -strip[i])[:10]
        loud = set(sorted(range(len(expected)), key=lambda i: -expected[i])[:40])
        check(sum(any(i + d in loud for d in (-1, 0, 1)) for i in loudest) >= 8,
              "the strip's loudest columns %s are not where the music is loudest" % loudest)

        subprocess.run(["xdotool", "type", "--delay", "40", "Choreo Test"], check=True)
        preview.press("Return")
        time.sleep(0.5)  # the value field takes the keyboard; the click below takes it away
        lanes = Lanes(preview.report("lanes", lambda v: v[4] > 0))
        # Away from the text fields, then zoomed in around row 380 to ten pixels a row or so.
        mouse(at(lanes.x(380), lanes.top + 8), ["click", "1"])
        for _ in range(12):
            mouse(["click", "4"])
        lanes = Lanes(preview.report("lanes", lambda v: v[3] - v[2] < 120))
        check(lanes.first < 360 and lanes.last > 400, "zoomed to rows %g..%g" % (lanes.first,
                                                                                  lanes.last))
        claps = [row for row in cue_rows(run, "clap")
                 if lanes.first + 4 < row < lanes.last - 4 and row not in (376, 384, 389, 394)]
        check(claps, "no clap between rows %g and %g" % (lanes.first, lanes.last))
        clap = claps[0]
        y = lanes.middle()

        def add(row):
            return [at(lanes.x(row), y), ["click", "--repeat", "2", "--delay", "60", "1"]]

        def drag(start, end, alt=False):
            steps = [at(lanes.x(start), y), ["mousedown", "1"]]
            steps += [at(lanes.x(start + (end - start) * k / 4), y) for k in range(1, 5)]
            # A frame sees the last place before the button comes up.
            steps += [["sleep", "1"], at(lanes.x(end), y), ["sleep", "1"]]
            steps = ([["keydown", "alt"]] if alt else []) + steps + [["mouseup", "1"]]
            return steps + ([["keyup", "alt"]] if alt else [])

        # (what, snapping presses of G from the last mode, mouse steps, rows expected, rows gone)
        steps = [
            ("a key added near a beat lands on it", 2, add(373), [376], []),
            ("dragged near the next beat, it lands on that", 0, drag(376, 381), [384], [376]),
            ("dragged with Alt, it lands where it is let go", 0, drag(384, 389, alt=True), [389],
             [384]),
            ("added with clap snapping, it lands on the clap", 3, add(clap + 2), [clap, 389], []),
        ]
        for what, presses, actions, present, gone in steps:
            for _ in range(presses):
                preview.press("g")
            mouse(*actions)
            rows = saved_rows()
            check(all(row in rows for row in present) and not any(row in rows for row in gone),
                  "%s: the track's keys are on rows %s; stderr:\n%s" % (what, rows, preview.stderr()))
        preview.wait_stderr('"Choreo Test" is never read by the show')
        preview.wait_stderr("snapping: clap")

        # Undo and redo of the Alt drag, by keyboard.
        mouse(*drag(389, 394, alt=True))
        check(394 in saved_rows(), "the second drag did not land")
        preview.press("ctrl+z")
        rows = saved_rows()
        check(389 in rows and 394 not in rows, "Ctrl+Z left the keys on %s" % rows)
        preview.press("ctrl+shift+z")
        rows = saved_rows()
        check(394 in rows and 389 not in rows, "Ctrl+Shift+Z left the keys on %s" % rows)

        # A marker at the play head, in a file a person can read.
        at_ms, _ = preview.still()
        marker_row = math.floor(at_ms / 1000 * ROWS_PER_SECOND)
        preview.press("m")
        preview.wait_stderr("marker 1 at row %d" % marker_row)
        with open(os.path.join(content, "markers.txt")) as markers:
            check(re.search(r"^%d\s+1$" % marker_row, markers.read(), re.MULTILINE),
                  "markers.txt lacks the marker")
    finally:
        preview.close()

    # After a restart: the marker is read back (Ctrl+Right goes to it), snapping is still on
    # claps, and at half speed the music's row moves half as fast as at full speed.
    preview = Preview(preview_exe, run, "--paused", "--start", "0", "--content", content,
                      config=config)
    try:
        preview.press("ctrl+Right")
        reached, _ = preview.still()
        check(reached == row_start_milliseconds(marker_row),
              "Ctrl+Right went to %d ms, not the marker's row %d" % (reached, marker_row))
        preview.press("g")
        preview.wait_stderr("snapping: accent")

        def rate():
            preview.press("space")
            first, _ = preview.still()
            started = time.monotonic()
            time.sleep(2.0)
            second, _ = preview.still()
            elapsed = time.monotonic() - started
            preview.press("space")
            return (second - first) / 1000.0 / elapsed

        full = rate()
        preview.press("bracketleft")
        preview.wait_stderr("speed 0.5")
        half = rate()
        check(0.35 < half / full < 0.65, "at half speed the rows moved %.2f as fast (%.3f, %.3f)"
              % (half / full, half, full))
    finally:
        preview.close()
        shutil.rmtree(root, ignore_errors=True)


class FakeEditor:
    """Our own editor end of the sync-tracker protocol, driven step by step."""

    def __init__(self):
        self.server = socket.socket()
        self.server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.server.bind(("127.0.0.1", 0))
        self.server.listen(4)
        self.port = self.server.getsockname()[1]
        self.connection = None
        self.buffer = b""

    def accept(self, greet=True, timeout=START_TIMEOUT):
        self.server.settimeout(timeout)
        self.connection, _ = self.server.accept()
        self.connection.settimeout(30)
        self.buffer = b""
        check(self.read(19) == b"hello, synctracker!", "wrong greeting")
        if greet:
            self.connection.sendall(b"hello, demo!")

    def read(self, count):
        while len(self.buffer) < count:
            chunk = self.connection.recv(4096)
            check(chunk, "the preview closed the connection")
            self.buffer += chunk
        data, self.buffer = self.buffer[:count], self.buffer[count:]
        return data

    def commands(self, seconds):
        """Every command the preview sends within that time: ("track", name) or ("row", n)."""
        found = []
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            self.connection.settimeout(max(0.05, deadline - time.monotonic()))
            try:
                if not self.buffer:
                    chunk = self.connection.recv(4096)
                    check(chunk, "the preview closed the connection")
                    self.buffer += chunk
            except socket.timeout:
                break
            command = self.read(1)[0]
            if command == 2:
                length = struct.unpack(">I", self.read(4))[0]
                found.append(("track", self.read(length).decode()))
            elif command == 3:
                found.append(("row", struct.unpack(">I", self.read(4))[0]))
            else:
                raise Failure("unknown command %d from the preview" % command)
        self.connection.settimeout(30)
        return found

    def send(self, data):
        self.connection.sendall(data)

    def set_key(self, index, row, value, interpolation):
        self.send(struct.pack(">BIIfB", 0, index, row, value, interpolation))

    def closed_by_peer(self, timeout):
        self.connection.settimeout(timeout)
        try:
            while True:
                if not self.connection.recv(4096):
                    return True
        except (socket.timeout, ConnectionResetError):
            return False


def case_link(preview_exe, render, run_dir, source_dir):
    run, _ = copy_runnable(run_dir, source_dir)
    editor = FakeEditor()
    preview = Preview(preview_exe, run, "--paused", "--start", "30", "--editor",
                      str(editor.port))
    try:
        editor.accept()
        # The editor owns the keys and, as editors do, sends a track's keys right after it is
        # asked for: here the keys the files hold.
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
                    for row, value, interpolation in track_keys(path):
                        editor.set_key(len(asked) - 1, row, value, interpolation)
        check(len(asked) == len(set(asked)), "a track was asked for twice: %s" % asked)
        for name in ("Part", "Camera FOV", "PerkProc Invert", "Bloom Dry", "Colon Fade"):
            check(name in asked, "%r was never asked for: %s" % (name, asked))
        index = {name: i for i, name in enumerate(asked)}
        _, owned = preview.still()

        # Keys set, replaced and deleted reach the picture.
        editor.set_key(index["PerkProc Invert"], 500, 1.0, 0)
        _, inverted = preview.still()
        check(inverted != owned, "a key from the editor did not reach the picture")
        editor.set_key(index["PerkProc Invert"], 500, 0.0, 0)
        _, replaced = preview.still()
        check(replaced == owned, "a replaced key did not restore the picture")
        editor.set_key(index["PerkProc Invert"], 520, 1.0, 0)
        editor.send(struct.pack(">BII", 1, index["PerkProc Invert"], 520))
        _, deleted = preview.still()
        check(deleted == owned, "a deleted key still shows")

        # The editor moves the preview; playing, the preview reports its rows.
        editor.send(struct.pack(">BI", 3, 600))
        at, _ = preview.still()
        check(at == row_start_milliseconds(600), "SET_ROW 600 went to %d ms" % at)
        editor.send(struct.pack(">BB", 4, 0))
        rows = [value for kind, value in editor.commands(1.5) if kind == "row"]
        check(len(rows) >= 2 and rows == sorted(rows) and rows[0] >= 600,
              "rows reported while playing: %s" % rows)
        # Sent back while playing, by the editor or by a phrase back in the preview, it reports
        # rows on from there; paused, it shows the renderer's picture of where it stopped.
        for move, back_to in [(lambda: editor.send(struct.pack(">BI", 3, 300)), 300),
                              (lambda: preview.press("Prior"), 256)]:
            move()
            rows = [value for kind, value in editor.commands(1.5) if kind == "row"]
            behind = rows[next((i for i, row in enumerate(rows) if row < back_to + 20),
                               len(rows)):]
            check(len(behind) >= 2 and back_to <= behind[0] <= back_to + 10
                  and behind == sorted(behind), "rows reported after moving back to row %d while "
                  "playing: %s" % (back_to, rows))
        editor.send(struct.pack(">BB", 4, 1))
        at, image = preview.still()
        check(image == rendered(render, run, at), "the picture at %d ms after moving back differs"
              % at)

        # Saving writes every track the preview holds.
        editor.send(struct.pack(">B", 5))
        compiled = os.path.join(run, "Data", "_PerkProc Invert.track")
        deadline = time.monotonic() + RELOAD_TIMEOUT
        while (500, 0.0, 0) not in track_keys(compiled) and time.monotonic() < deadline:
            time.sleep(0.2)
        check((500, 0.0, 0) in track_keys(compiled), "SAVE_TRACKS did not write the editor's keys")

        # A malformed command closes the link; the preview plays on and comes back, asking for
        # the same tracks in the same order.
        editor.send(bytes([9]))
        check(editor.closed_by_peer(10), "a malformed command left the connection open")
        preview.still()
        editor.accept(timeout=10)
        again = [name for kind, name in editor.commands(3.0) if kind == "track"]
        check(again[:len(asked)] == asked, "after a reconnect the tracks came in another order")

        # An editor that never answers the greeting does not stop the preview.
        editor.connection.close()
        editor.accept(greet=False, timeout=10)
        preview.press("space")
        first, _ = preview.still()
        time.sleep(1.0)
        second, _ = preview.still()
        check(second > first, "the preview stopped while the editor kept silent")
    finally:
        preview.close()
        shutil.rmtree(os.path.dirname(run), ignore_errors=True)


def case_lookup(preview_exe, render, run_dir, source_dir):
    """The editor's host name is looked up while the preview plays on: here the resolver takes a
    minute, and the picture moves meanwhile."""
    os.environ["LD_PRELOAD"] = os.environ["OXBRINE_SLOW_RESOLVER"]
    os.environ["ASAN_OPTIONS"] = (os.environ.get("ASAN_OPTIONS", "") +
                                  ":verify_asan_link_order=0").lstrip(":")
    preview = Preview(preview_exe, run_dir, "--start", "10", "--editor", "slow.invalid:1338")
    try:
        first, _ = preview.still()
        time.sleep(1.0)
        second, _ = preview.still()
        check(second > first, "the preview stood still while the editor's name was looked up")
        check("slow.invalid" not in preview.stderr(), "the lookup ended early:\n" +
              preview.stderr())
    finally:
        preview.process.kill()
        preview.process.wait()


def main():
    case, preview_exe, render, run_dir, source_dir = sys.argv[1:6]
    try:
        globals()["case_" + case](preview_exe, render, run_dir, source_dir)
    except Failure as failure:
        print("FAIL:", failure)
        return 1
    print("ok")
    return 0


if __name__ == "__main__":
    sys.exit(main())
