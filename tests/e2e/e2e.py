#!/usr/bin/env python3
"""End-to-end checks of the oxbrine program: drives its setup dialog and window with xdotool on the
X display it is started under (an Xvfb from xvfb-run) and checks geometry and exit statuses.

Usage: e2e.py CASE EXECUTABLE RUN_DIR
"""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from x11_close import send_close_request  # noqa: E402

DIALOG_TITLE = "Oxbrine setup"
WINDOW_TITLE = "Morvelin - Oxbrine"
ERROR_TITLE = "Fatal Error"

# Loading every resource on a software renderer can take a while, and the show's window is up
# before that: it reacts to keys and close requests only once its first frame is drawn.
SHOW_START_TIMEOUT = 180
DIALOG_TIMEOUT = 30
EXIT_TIMEOUT = 30


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def xdotool(*arguments, timeout=10):
    result = subprocess.run(["xdotool", *arguments], capture_output=True, text=True,
                            timeout=timeout)
    return result.returncode, result.stdout


def find_windows(title):
    """Ids of mapped windows with exactly this title, now. xwininfo rather than xdotool search:
    this xdotool does not match names stored as UTF8_STRING, which is how SDL stores them."""
    tree = subprocess.run(["xwininfo", "-root", "-tree"], capture_output=True, text=True,
                          timeout=10).stdout
    pattern = re.compile(r'^\s*(0x[0-9a-f]+) "%s":' % re.escape(title), re.MULTILINE)
    return [window for window in pattern.findall(tree) if is_viewable(window)]


def is_viewable(window):
    info = subprocess.run(["xwininfo", "-id", window], capture_output=True, text=True,
                          timeout=10).stdout
    return "Map State: IsViewable" in info


def wait_for_window(title, program, timeout):
    """Waits for a visible window with this title; fails early if the program ends first."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        ids = find_windows(title)
        if ids:
            return ids[0]
        if program.process.poll() is not None:
            raise Failure("program ended with status %d before showing %r; stderr:\n%s"
                          % (program.process.returncode, title, program.stderr()))
        time.sleep(0.1)
    raise Failure("no window %r within %d s" % (title, timeout))


def geometry(window):
    """Absolute client-area position and size of a window, from xwininfo."""
    out = subprocess.run(["xwininfo", "-id", window], capture_output=True, text=True,
                         timeout=10).stdout

    def field(name):
        match = re.search(r"%s:\s+(-?\d+)" % re.escape(name), out)
        check(match, "xwininfo gave no %s:\n%s" % (name, out))
        return int(match.group(1))

    return (field("Absolute upper-left X"), field("Absolute upper-left Y"), field("Width"),
            field("Height"))


def key(window, name):
    # Toolkits drop synthetic key events; with the window focused xdotool sends real ones.
    xdotool("windowfocus", "--sync", window)
    xdotool("key", "--window", window, name)


def press_until_gone(window, name, program, tries=5, patience=2):
    """Presses a key that makes the window go away, again if a press arrives before the toolkit
    is ready for it."""
    for _ in range(tries):
        key(window, name)
        deadline = time.monotonic() + patience
        while time.monotonic() < deadline:
            if program.process.poll() is not None or not is_viewable(window):
                return
            time.sleep(0.05)
    raise Failure("window %s still there after %d presses of %s" % (window, tries, name))


def leave_show(window, program):
    """Escape on the show's window; it is latched, so one press suffices once the show runs."""
    press_until_gone(window, "Escape", program, tries=2, patience=SHOW_START_TIMEOUT / 2)


class Program:
    """The program under test, started in a working folder with its stderr kept in a file."""

    def __init__(self, executable, working_dir, extra_environment=None, **environment_changes):
        self.log = tempfile.TemporaryFile(mode="w+")
        environment = dict(os.environ, NO_AT_BRIDGE="1", **(extra_environment or {}),
                           **environment_changes)
        self.process = subprocess.Popen([executable], cwd=working_dir, stdout=subprocess.DEVNULL,
                                        stderr=self.log, env=environment)

    def stderr(self):
        self.log.seek(0)
        return self.log.read()

    def wait_exit(self, timeout=EXIT_TIMEOUT, watch_for=None):
        """Exit status; fails if a window titled watch_for shows up while waiting."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if watch_for and find_windows(watch_for):
                raise Failure("window %r appeared" % watch_for)
            if self.process.poll() is not None:
                return self.process.returncode
            time.sleep(0.05)
        raise Failure("program still running after %d s; stderr:\n%s" % (timeout, self.stderr()))

    def stop(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()


def expect_exit(program, status, **options):
    code = program.wait_exit(**options)
    check(code == status, "exit status %d, expected %d; stderr:\n%s"
          % (code, status, program.stderr()))


def open_show(program):
    """Accepts the dialog as it stands and returns the show's window."""
    press_until_gone(wait_for_window(DIALOG_TITLE, program, DIALOG_TIMEOUT), "Return", program)
    return wait_for_window(WINDOW_TITLE, program, SHOW_START_TIMEOUT)


def case_dialog_escape(executable, run_dir):
    program = Program(executable, run_dir)
    try:
        press_until_gone(wait_for_window(DIALOG_TITLE, program, DIALOG_TIMEOUT), "Escape",
                         program)
        expect_exit(program, 0, watch_for=WINDOW_TITLE)
    finally:
        program.stop()


def case_dialog_cancel_button(executable, run_dir):
    # Tab moves the focus from the list over the boxes to the cancel button; Enter presses it.
    program = Program(executable, run_dir)
    try:
        dialog = wait_for_window(DIALOG_TITLE, program, DIALOG_TIMEOUT)
        for _ in range(3):
            key(dialog, "Tab")
        press_until_gone(dialog, "Return", program)
        expect_exit(program, 0, watch_for=WINDOW_TITLE)
    finally:
        program.stop()


# A sound card that no machine has: ALSA complains at length, the show says one line.
NO_SOUND_CARD = {"SDL_AUDIODRIVER": "alsa", "AUDIODEV": "hw:99"}


def case_default_window(executable, run_dir):
    program = Program(executable, run_dir, **NO_SOUND_CARD)
    try:
        window = open_show(program)
        _, _, width, height = geometry(window)
        check((width, height) == (1280, 720), "client area %dx%d, expected 1280x720"
              % (width, height))
        leave_show(window, program)
        expect_exit(program, 0)
        check(program.stderr().splitlines() == ["no audio device: playing silently"],
              "without a sound card stderr is not the one line:\n%s" % program.stderr())
    finally:
        program.stop()


def case_choose_1024(executable, run_dir):
    program = Program(executable, run_dir)
    try:
        dialog = wait_for_window(DIALOG_TITLE, program, DIALOG_TIMEOUT)
        key(dialog, "Down")  # the list has the focus: the row after 1280x720
        press_until_gone(dialog, "Return", program)
        window = wait_for_window(WINDOW_TITLE, program, SHOW_START_TIMEOUT)
        _, _, width, height = geometry(window)
        check((width, height) == (1024, 768), "client area %dx%d, expected 1024x768"
              % (width, height))
        leave_show(window, program)
        expect_exit(program, 0)
    finally:
        program.stop()


def case_close_request(executable, run_dir):
    program = Program(executable, run_dir)
    try:
        send_close_request(open_show(program))
        expect_exit(program, 0, timeout=SHOW_START_TIMEOUT)
    finally:
        program.stop()


# The show's own clocks (the music position and the frame loop's) run this many times faster
# under libfaketime, preloaded into the test's run only: the program is the one users run.
CLOCK_SPEED = 10
FAKETIME_LIBRARY = "/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1"


def fast_clock():
    check(os.path.exists(FAKETIME_LIBRARY),
          "%s is missing (scripts/setup.sh installs faketime)" % FAKETIME_LIBRARY)
    preload = " ".join(filter(None, [os.environ.get("LD_PRELOAD"), FAKETIME_LIBRARY]))
    asan = ":".join(filter(None, [os.environ.get("ASAN_OPTIONS"), "verify_asan_link_order=0"]))
    return {"LD_PRELOAD": preload, "FAKETIME": "+0 x%d" % CLOCK_SPEED,
            "FAKETIME_NO_CACHE": "1", "ASAN_OPTIONS": asan}


def case_show_ends(executable, run_dir):
    # Nothing is pressed once the show runs: it must end by itself, with status 0, after its
    # 78 s (under 8 s of real time here, after loading).
    program = Program(executable, run_dir, fast_clock())
    try:
        open_show(program)
        expect_exit(program, 0, timeout=SHOW_START_TIMEOUT)
    finally:
        program.stop()


def case_drag_dialog(executable, run_dir):
    program = Program(executable, run_dir)
    try:
        dialog = wait_for_window(DIALOG_TITLE, program, DIALOG_TIMEOUT)
        left, top, width, _ = geometry(dialog)
        # The heading's blank first line: part of the dialog, not of a control.
        grab_x, grab_y = left + width // 2, top + 12
        shift_x, shift_y = 150, 90
        xdotool("mousemove", str(grab_x), str(grab_y))
        xdotool("mousedown", "1")
        for step in range(1, 11):
            xdotool("mousemove", str(grab_x + shift_x * step // 10),
                    str(grab_y + shift_y * step // 10))
        xdotool("mouseup", "1")
        deadline = time.monotonic() + 5
        while time.monotonic() < deadline:
            moved = geometry(dialog)[:2]
            if moved == (left + shift_x, top + shift_y):
                break
            time.sleep(0.05)
        check(moved == (left + shift_x, top + shift_y), "dialog at %s after the drag, expected %s"
              % (moved, (left + shift_x, top + shift_y)))
        press_until_gone(dialog, "Escape", program)
        expect_exit(program, 0)
    finally:
        program.stop()


def check_longboard(dialog, rows_up, program):
    """Moves the list's selection up, then ticks the full-screen box and accepts."""
    for _ in range(rows_up):
        key(dialog, "Up")
    key(dialog, "Tab")
    key(dialog, "space")
    press_until_gone(dialog, "Return", program)


def case_fullscreen(executable, run_dir):
    # The display runs at 1920x1080: full screen at that size needs no mode change.
    program = Program(executable, run_dir)
    try:
        check_longboard(wait_for_window(DIALOG_TITLE, program, DIALOG_TIMEOUT), 1, program)
        window = wait_for_window(WINDOW_TITLE, program, SHOW_START_TIMEOUT)
        place = geometry(window)
        check(place == (0, 0, 1920, 1080), "full-screen window at %s" % (place,))
        leave_show(window, program)
        expect_exit(program, 0)
    finally:
        program.stop()


def case_fullscreen_unsupported(executable, run_dir):
    # Xvfb offers only its own mode, so 1280x720 full screen must be refused, not faked.
    program = Program(executable, run_dir)
    try:
        check_longboard(wait_for_window(DIALOG_TITLE, program, DIALOG_TIMEOUT), 0, program)
        box = wait_for_window(ERROR_TITLE, program, SHOW_START_TIMEOUT)
        check(not find_windows(WINDOW_TITLE), "a show window exists beside the box")
        check("Could not create fullscreen window" in program.stderr(),
              "stderr lacks the reason:\n%s" % program.stderr())
        press_until_gone(box, "Return", program)
        expect_exit(program, 1)
    finally:
        program.stop()


def pick_shader(data_dir):
    """A shader the show cannot start without: the full-screen passes' vertex shader if there."""
    if os.path.exists(os.path.join(data_dir, "Blit.vert")):
        return "Blit.vert"
    shaders = sorted(name for name in os.listdir(data_dir) if name.endswith(".vert"))
    check(shaders, "no shaders in %s" % data_dir)
    return shaders[0]


def case_missing_shader(executable, run_dir):
    data_dir = os.path.join(run_dir, "Data")
    missing = pick_shader(data_dir)
    with tempfile.TemporaryDirectory() as folder:
        os.mkdir(os.path.join(folder, "Data"))
        for name in os.listdir(data_dir):
            if name != missing:
                os.symlink(os.path.join(data_dir, name), os.path.join(folder, "Data", name))
        program = Program(executable, folder)
        try:
            box = open_error_box(program)
            check(not find_windows(WINDOW_TITLE), "the show's window is still open under the box")
            expected = 'Could not open input file: "Data/%s"' % missing
            check(expected in program.stderr(), "stderr lacks %r:\n%s"
                  % (expected, program.stderr()))
            check(program.process.poll() is None, "program ended before the box was dismissed")
            press_until_gone(box, "Return", program)
            expect_exit(program, 1)
        finally:
            program.stop()


MUSIC = "pim00dle_and_quandrel-vantorel.mp3"


def linked_data(folder, data_dir, replace):
    """Data/ in folder as links to data_dir's files, but for replace: name -> maker (or None)."""
    os.mkdir(os.path.join(folder, "Data"))
    for name in os.listdir(data_dir):
        if name not in replace:
            os.symlink(os.path.join(data_dir, name), os.path.join(folder, "Data", name))
    for name, make in replace.items():
        if make:
            make(os.path.join(folder, "Data", name))


def write_file(data):
    def make(path):
        with open(path, "wb") as f:
            f.write(data)
    return make


def case_broken_data(executable, run_dir):
    """Data the show cannot use ends it with the error box naming the file, at once: a pipe is
    never waited on, music that is missing or is no MP3 never leaves a frozen first frame."""
    data_dir = os.path.join(run_dir, "Data")
    cases = [
        ("shader as a pipe", {"Blit.vert": os.mkfifo},
         ['Could not open input file: "Data/Blit.vert"', "it is a pipe"]),
        ("music missing", {MUSIC: None}, ["cannot read 'Data/%s'" % MUSIC]),
        ("music as a pipe", {MUSIC: os.mkfifo}, ["Data/%s" % MUSIC, "it is a pipe"]),
        ("music not MP3", {MUSIC: write_file(b"not music\n" * 100)},
         ["cannot decode 'Data/%s'" % MUSIC]),
    ]
    for what, replace, expected in cases:
        with tempfile.TemporaryDirectory() as folder:
            linked_data(folder, data_dir, replace)
            program = Program(executable, folder)
            try:
                box = open_error_box(program)
                for text in expected:
                    check(text in program.stderr(), "%s: stderr lacks %r:\n%s"
                          % (what, text, program.stderr()))
                press_until_gone(box, "Return", program)
                expect_exit(program, 1)
            finally:
                program.stop()


def case_short_music(executable, run_dir):
    """Music that ends early: the show plays on at real time and ends by itself at 78 s with exit
    status 0 (and, in the sanitizer build, no leak)."""
    data_dir = os.path.join(run_dir, "Data")
    with open(os.path.join(data_dir, MUSIC), "rb") as f:
        music = f.read()
    with tempfile.TemporaryDirectory() as folder:
        # About the first 8 seconds at 192 kbit/s.
        linked_data(folder, data_dir, {MUSIC: write_file(music[:192000])})
        program = Program(executable, folder)
        try:
            open_show(program)
            started = time.monotonic()
            expect_exit(program, 0, timeout=78 + SHOW_START_TIMEOUT)
            check(time.monotonic() - started > 60, "the show ended after %.0f s, before its end"
                  % (time.monotonic() - started))
        finally:
            program.stop()


def open_error_box(program):
    press_until_gone(wait_for_window(DIALOG_TITLE, program, DIALOG_TIMEOUT), "Return", program)
    return wait_for_window(ERROR_TITLE, program, SHOW_START_TIMEOUT)


def case_no_display(executable, run_dir):
    environment = {name: value for name, value in os.environ.items()
                   if name not in ("DISPLAY", "WAYLAND_DISPLAY")}
    result = subprocess.run([executable], cwd=run_dir, capture_output=True, text=True,
                            env=environment, timeout=EXIT_TIMEOUT)
    check(result.returncode == 1, "exit status %d, expected 1" % result.returncode)
    check("display" in result.stderr, "stderr does not say why:\n%s" % result.stderr)


CASES = {name[len("case_"):]: function for name, function in globals().items()
         if name.startswith("case_")}


def main():
    if len(sys.argv) != 4 or sys.argv[1] not in CASES:
        sys.exit("usage: e2e.py {%s} EXECUTABLE RUN_DIR" % ",".join(sorted(CASES)))
    for tool in ("xdotool", "xwininfo"):
        if not shutil.which(tool):
            sys.exit("%s is missing (scripts/setup.sh installs it)" % tool)
    try:
        CASES[sys.argv[1]](os.path.abspath(sys.argv[2]), os.path.abspath(sys.argv[3]))
    except Failure as failure:
        sys.exit("FAIL %s: %s" % (sys.argv[1], failure))
    print("PASS", sys.argv[1])


if __name__ == "__main__":
    main()
