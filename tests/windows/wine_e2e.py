#!/usr/bin/env python3
"""End-to-end checks of the Windows build (oxbrine.exe) under Wine on the X display it is started
under (an Xvfb from xvfb-run), driven with xdotool: the setup dialog, the show's window and its
frames, Escape, a close request and the fatal-error box.

Usage: wine_e2e.py CASE RUN_DIR      (WINEPREFIX names a prepared prefix; case "prefix" makes it)
"""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from x11_close import send_close_request  # noqa: E402
import xwdimage  # noqa: E402

WINDOW_TITLE = "Morvelin - Oxbrine"
ERROR_TITLE = "Fatal Error"
PROGRAM_CLASS = "oxbrine.exe"

# Loading every resource on a software renderer through Wine takes a while.
SHOW_START_TIMEOUT = 240
DIALOG_TIMEOUT = 60
EXIT_TIMEOUT = 60


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def wine_environment():
    return dict(os.environ, WINEDEBUG="-all",
                # No Mono or Gecko installers; no sound server to look for (the show then plays
                # on its paced silent clock, as on a machine without a device).
                WINEDLLOVERRIDES="mscoree,mshtml=d;winealsa.drv,winepulse.drv=d")


def xdotool(*arguments):
    subprocess.run(["xdotool", *arguments], capture_output=True, timeout=10)


def windows():
    """(id, title, class, width, height) of every viewable top-level window."""
    tree = subprocess.run(["xwininfo", "-root", "-children"], capture_output=True, text=True,
                          timeout=10).stdout
    found = []
    pattern = re.compile(r'^\s*(0x[0-9a-f]+) (?:"(.*)"|\(has no name\)): \((?:"([^"]*)")?.*?\)'
                         r'\s+(\d+)x(\d+)', re.MULTILINE)
    for window, title, klass, width, height in pattern.findall(tree):
        info = subprocess.run(["xwininfo", "-id", window], capture_output=True, text=True,
                              timeout=10).stdout
        if "Map State: IsViewable" in info:
            found.append((window, title, klass, int(width), int(height)))
    return found


class Program:
    """oxbrine.exe under Wine, started in its runnable folder with its output kept in a file."""

    def __init__(self, run_dir):
        self.log = tempfile.TemporaryFile(mode="w+")
        self.process = subprocess.Popen(["wine", "./oxbrine.exe"], cwd=run_dir,
                                        stdout=self.log, stderr=self.log,
                                        env=wine_environment())

    def output(self):
        self.log.seek(0)
        return self.log.read()

    def ended(self):
        return self.process.poll() is not None

    def wait_exit(self, timeout=EXIT_TIMEOUT):
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            raise Failure("program still running after %d s; output:\n%s"
                          % (timeout, self.output()))

    def stop(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        # Whatever Wine left in this prefix (services, the desktop process) goes too.
        subprocess.run(["wineserver", "-k"], env=wine_environment(), timeout=30)


def wait_for(program, describe, match, timeout):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        for window in windows():
            if match(window):
                return window
        if program.ended():
            raise Failure("program ended with status %d before showing %s; output:\n%s"
                          % (program.process.returncode, describe, program.output()))
        time.sleep(0.2)
    raise Failure("no %s within %d s" % (describe, timeout))


def wait_for_dialog(program):
    # The dialog has no caption, so no title: it is the program's one large untitled window.
    return wait_for(program, "setup dialog",
                    lambda w: w[2] == PROGRAM_CLASS and not w[1] and w[3] > 100 and w[4] > 100,
                    DIALOG_TIMEOUT)


def wait_for_title(program, title, timeout):
    return wait_for(program, "window %r" % title, lambda w: w[1] == title, timeout)


def key(window, name):
    xdotool("windowfocus", "--sync", window[0])
    xdotool("key", "--window", window[0], name)


def press_until_gone(program, window, name, tries=5, patience=3.0):
    """Presses a key that makes the window go away, again if a press came too early."""
    for _ in range(tries):
        key(window, name)
        deadline = time.monotonic() + patience
        while time.monotonic() < deadline:
            if program.ended() or window[0] not in [w[0] for w in windows()]:
                return
            time.sleep(0.1)
    raise Failure("window %s still there after %d presses of %s" % (window[0], tries, name))


def expect_exit(program, status):
    code = program.wait_exit()
    check(code == status, "exit status %d, expected %d; output:\n%s"
          % (code, status, program.output()))


def drawn_fraction(window):
    """Share of the window's pixels that are clearly not black."""
    _, _, rows = xwdimage.capture(window[0])
    lit = sum(1 for row in rows[::4] for pixel in row[::4] if sum(pixel) > 48)
    total = len(rows[::4]) * len(rows[0][::4])
    return lit / total


def wait_for_frames(program, window):
    deadline = time.monotonic() + SHOW_START_TIMEOUT
    fraction = 0.0
    while time.monotonic() < deadline and not program.ended():
        fraction = drawn_fraction(window)
        if fraction > 0.05:
            return fraction
        time.sleep(1.0)
    raise Failure("the show's window stayed black (%.3f lit); output:\n%s"
                  % (fraction, program.output()))


def open_show(program):
    press_until_gone(program, wait_for_dialog(program), "Return")
    return wait_for_title(program, WINDOW_TITLE, SHOW_START_TIMEOUT)


def case_prefix(run_dir):
    """Creates the Wine prefix the other cases share."""
    subprocess.run(["wineboot", "-i"], env=wine_environment(), check=True, timeout=600,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    subprocess.run(["wineserver", "-w"], env=wine_environment(), timeout=120)
    check(os.path.isdir(os.path.join(os.environ["WINEPREFIX"], "drive_c")), "no prefix made")


def case_dialog_escape(run_dir):
    program = Program(run_dir)
    try:
        press_until_gone(program, wait_for_dialog(program), "Escape")
        expect_exit(program, 0)
        check("Could not" not in program.output(), "unexpected error:\n" + program.output())
    finally:
        program.stop()


def position(window):
    """Absolute position of a window's top-left corner, from xwininfo."""
    out = subprocess.run(["xwininfo", "-id", window[0]], capture_output=True, text=True,
                         timeout=10).stdout
    left = re.search(r"Absolute upper-left X:\s+(-?\d+)", out)
    top = re.search(r"Absolute upper-left Y:\s+(-?\d+)", out)
    check(left and top, "xwininfo gave no position:\n" + out)
    return int(left.group(1)), int(top.group(1))


def case_drag_dialog(run_dir):
    """The captionless dialog follows a drag from any point of it that is not a control."""
    program = Program(run_dir)
    try:
        dialog = wait_for_dialog(program)
        left, top = position(dialog)
        # The heading's blank first line: its static text lets presses through to the dialog.
        grab_x, grab_y = left + dialog[3] // 2, top + 8
        shift_x, shift_y = 150, 90
        xdotool("mousemove", str(grab_x), str(grab_y))
        xdotool("mousedown", "1")
        for step in range(1, 11):
            xdotool("mousemove", str(grab_x + shift_x * step // 10),
                    str(grab_y + shift_y * step // 10))
            time.sleep(0.05)
        xdotool("mouseup", "1")
        expected = (left + shift_x, top + shift_y)
        deadline = time.monotonic() + 10
        moved = position(dialog)
        while moved != expected and time.monotonic() < deadline:
            time.sleep(0.1)
            moved = position(dialog)
        check(moved == expected, "dialog at %s after the drag, expected %s" % (moved, expected))
        press_until_gone(program, dialog, "Escape")
        expect_exit(program, 0)
    finally:
        program.stop()


def click_dialog(dialog, x, y):
    """Clicks at a point of the dialog given in dialog units (147 x 127 of them inside a
    one-pixel border)."""
    left, top = position(dialog)
    scale_x, scale_y = (dialog[3] - 2) / 147.0, (dialog[4] - 2) / 127.0
    xdotool("mousemove", str(left + 1 + round(x * scale_x)), str(top + 1 + round(y * scale_y)))
    xdotool("click", "1")
    time.sleep(0.5)


def accept_fullscreen(program, rows_up):
    """Ticks "Longboard", moves the resolution list's choice up and accepts."""
    dialog = wait_for_dialog(program)
    time.sleep(1.0)  # the first click may come before the dialog takes input
    click_dialog(dialog, 30, 78)  # the "Longboard" box
    click_dialog(dialog, 60, 58)  # the resolution list opens
    for _ in range(rows_up):
        xdotool("key", "Up")
    xdotool("key", "Return")  # the list closes on its choice
    time.sleep(0.5)
    press_until_gone(program, dialog, "Return")


def case_fullscreen(run_dir):
    """1920x1080, the display's own size: a borderless window covering the screen."""
    program = Program(run_dir)
    try:
        accept_fullscreen(program, 1)
        window = wait_for_title(program, WINDOW_TITLE, SHOW_START_TIMEOUT)
        place = position(window) + (window[3], window[4])
        check(place == (0, 0, 1920, 1080), "full-screen window at %s" % (place,))
        wait_for_frames(program, window)
        press_until_gone(program, window, "Escape", tries=3, patience=20.0)
        expect_exit(program, 0)
    finally:
        program.stop()


def case_fullscreen_unsupported(run_dir):
    """1280x720 full screen on a display that offers only 1920x1080: "Fatal Error", status 1."""
    program = Program(run_dir)
    try:
        accept_fullscreen(program, 0)
        box = wait_for_title(program, ERROR_TITLE, SHOW_START_TIMEOUT)
        check(not any(w[1] == WINDOW_TITLE for w in windows()), "a show window was created")
        expected = "Fatal Error: Could not create fullscreen window"
        check(expected in program.output(), "output lacks %r:\n%s"
              % (expected, program.output()))
        press_until_gone(program, box, "Return")
        expect_exit(program, 1)
    finally:
        program.stop()


def case_show(run_dir):
    program = Program(run_dir)
    try:
        window = open_show(program)
        check((window[3], window[4]) == (1280, 720),
              "client area %dx%d, expected 1280x720" % (window[3], window[4]))
        fraction = wait_for_frames(program, window)
        print("frames drawn: %.0f%% of the window lit" % (fraction * 100))
        # The show follows the music's clock (silent and paced here): it must move on.
        _, _, before = xwdimage.capture(window[0])
        time.sleep(4.0)
        _, _, after = xwdimage.capture(window[0])
        changed = sum(1 for row_a, row_b in zip(before[::4], after[::4])
                      for a, b in zip(row_a[::4], row_b[::4])
                      if sum(abs(p - q) for p, q in zip(a, b)) > 24)
        share = changed / (len(before[::4]) * len(before[0][::4]))
        print("%.0f%% of the window changed in 4 s" % (share * 100))
        check(share > 0.02, "the picture stood still for 4 s: the show's clock is not running")
        press_until_gone(program, window, "Escape", tries=3, patience=20.0)
        expect_exit(program, 0)
    finally:
        program.stop()


def case_close_request(run_dir):
    program = Program(run_dir)
    try:
        window = open_show(program)
        wait_for_frames(program, window)
        # Wine turns the window manager's request into WM_CLOSE.
        send_close_request(window[0])
        expect_exit(program, 0)
    finally:
        program.stop()


def case_fatal_error(run_dir):
    """A shader missing from Data/: the window goes, "Fatal Error" shows, the exit status is 1."""
    data_dir = os.path.join(run_dir, "Data")
    missing = "Blit.vert"
    check(os.path.exists(os.path.join(data_dir, missing)), "no %s in %s" % (missing, data_dir))
    with tempfile.TemporaryDirectory() as folder:
        shutil.copy(os.path.join(run_dir, "oxbrine.exe"), folder)
        os.mkdir(os.path.join(folder, "Data"))
        for name in os.listdir(data_dir):
            if name != missing:
                os.symlink(os.path.join(data_dir, name), os.path.join(folder, "Data", name))
        program = Program(folder)
        try:
            press_until_gone(program, wait_for_dialog(program), "Return")
            box = wait_for_title(program, ERROR_TITLE, SHOW_START_TIMEOUT)
            check(not any(w[1] == WINDOW_TITLE for w in windows()),
                  "the show's window is still open under the box")
            check(not program.ended(), "program ended before the box was dismissed")
            expected = 'Fatal Error: Could not open input file: "Data/%s"' % missing
            check(expected in program.output(), "output lacks %r:\n%s"
                  % (expected, program.output()))
            press_until_gone(program, box, "Return")
            expect_exit(program, 1)
        finally:
            program.stop()


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    case, run_dir = sys.argv[1], os.path.abspath(sys.argv[2])
    for tool in ("wine", "wineserver", "xdotool", "xwininfo", "xwd"):
        if not shutil.which(tool):
            sys.exit("%s is missing (scripts/setup.sh installs it)" % tool)
    check("WINEPREFIX" in os.environ, "WINEPREFIX is not set")
    try:
        globals()["case_" + case](run_dir)
    except Failure as failure:
        sys.exit("FAILED %s: %s" % (case, failure))
    print("passed:", case)


if __name__ == "__main__":
    main()
