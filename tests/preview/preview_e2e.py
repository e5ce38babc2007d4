#!/usr/bin/env python3
"""End-to-end checks of oxbrine-preview in a real window on the X display it is started under (an
Xvfb from xvfb-run), driven with xdotool. The picture is checked through F12, which saves the show's
own image: after any move it must be byte for byte what oxbrine-render writes for that time.

Usage: preview_e2e.py CASE PREVIEW RENDER RUN_DIR SOURCE_DIR
"""

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

    def __init__(self, executable, run_dir, *arguments):
        self.lines = queue.Queue()
        self.log = tempfile.TemporaryFile(mode="w+")
        environment = dict(os.environ, NO_AT_BRIDGE="1", SDL_AUDIODRIVER="dummy")
        self.run_dir = run_dir
        self.process = subprocess.Popen([executable, *arguments], cwd=run_dir, text=True,
                                        stdout=subprocess.PIPE, stderr=self.log, env=environment)
        threading.Thread(target=self._read, daemon=True).start()
        self.window = self._wait_for_window()

    def _read(self):
        for line in self.process.stdout:
            self.lines.put(line.strip())

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
    preview = Preview(preview_exe, run, "--paused", "--start", "30", "--content", content)
    try:
        at, before = preview.still()
        row = math.floor(at / 1000 * ROWS_PER_SECOND)
        preview.press("F2")
        time.sleep(0.5)
        subprocess.run(["xdotool", "type", "--delay", "40", "PerkProc Invert"], check=True)
        preview.press("Return")
        time.sleep(0.5)
        subprocess.run(["xdotool", "type", "--delay", "40", "1"], check=True)
        time.sleep(0.2)
        preview.press("Return")
        deadline = time.monotonic() + RELOAD_TIMEOUT
        edited = before
        while edited == before and time.monotonic() < deadline:
            _, edited = preview.still()
        check(edited != before, "adding a key did not change the picture")
        preview.press("ctrl+s")

        post = os.path.join(content, "tracks", "post.tl")
        compiled = os.path.join(run, "Data", "_PerkProc Invert.track")
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
