#!/usr/bin/env python3
"""oxbrine-render end to end: same bytes for the same time, ranges that match single frames,
a video with the asked frame count, duration and an audio stream, sheets and bench figures, clear
refusals, and progress fit for a log when the output is not a terminal."""
import json
import os
import struct
import subprocess
import sys
import tempfile

RENDER = sys.argv[1]
failures = []


def run(*args, env=None):
    return subprocess.run([RENDER, *args], capture_output=True, text=True, env=env, timeout=600)


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what, flush=True)
    if not condition:
        failures.append(what)


def read(path):
    with open(path, "rb") as f:
        return f.read()


with tempfile.TemporaryDirectory() as tmp:
    # Bad arguments: a message, a non-zero exit and no file left behind.
    for args, expected in [
        (["--resolution", "800x600", "frame", "1", f"{tmp}/a.png"], "unknown resolution"),
        (["frame", "79", f"{tmp}/a.png"], "outside the show"),
        (["frame", "1", "/nonexistent-dir/a.png"], "cannot write"),
    ]:
        result = run(*args)
        check(result.returncode != 0 and expected in result.stderr,
              f"{' '.join(args[:3])} refused with '{expected}' ({result.stderr.strip()})")
    check(not os.path.exists(f"{tmp}/a.png"), "nothing written for refused arguments")
    no_ffmpeg = dict(os.environ, PATH="/nonexistent")
    result = run("video", f"{tmp}/v.mp4", env=no_ffmpeg)
    check(result.returncode != 0 and "ffmpeg" in result.stderr, "video without ffmpeg refused")
    check(not os.path.exists(f"{tmp}/v.mp4"), "no video file without ffmpeg")

    # The same time gives the same bytes; frame n of a range is the single frame at n / fps.
    first, second = f"{tmp}/one.png", f"{tmp}/two.png"
    check(run("frame", "12.4", first).returncode == 0, "frame at 12.4 s rendered")
    check(run("frame", "12.4", second).returncode == 0, "frame at 12.4 s rendered again")
    check(read(first) == read(second), "two renders of one time are identical")
    frames = f"{tmp}/frames"
    result = run("frames", "--fps", "10", "--from", "12.3", "--to", "12.6", frames)
    names = sorted(os.listdir(frames)) if os.path.isdir(frames) else []
    check(result.returncode == 0 and names == ["frame_000123.png", "frame_000124.png",
                                                 "frame_000125.png"], f"range frames {names}")
    check("\r" not in result.stdout + result.stderr, "no carriage returns into a pipe")
    if "frame_000124.png" in names:
        check(read(f"{frames}/frame_000124.png") == read(first), "frame 124 at 10 fps equals 12.4 s")

    # Sheets whose step divides the show's length and whose step does not: thumbnails from 0 up
    # to, not including, 78 s, six to a row of 320x240 cells.
    for every, thumbnails in [("13", 6), ("10", 8)]:
        sheet = f"{tmp}/sheet-{every}.png"
        result = run("--resolution", "1024x768", "sheet", "--every", every, sheet)
        check(result.returncode == 0, f"sheet every {every} s ({result.stderr.strip()[-200:]})")
        if result.returncode == 0:
            width, height = struct.unpack(">II", read(sheet)[16:24])
            rows = (thumbnails + 5) // 6
            check((width, height) == (16 + 6 * 336, 44 + rows * 282 + 16),
                  f"sheet every {every} s holds {thumbnails} thumbnails ({width}x{height})")

    # Each scene's ratio is its GPU median over the reference's, as both are printed.
    result = run("--resolution", "1024x768", "bench", "--from", "42.8", "--to", "42.9")
    figures = {}
    for line in result.stdout.splitlines():
        words = line.split()
        name = "reference" if words[:1] == ["reference"] else " ".join(words[:3])
        figures[name] = dict(zip(words[1::2], words[2::2])) if name == "reference" else \
            dict(zip(words[3::2], words[4::2]))
    scenes = [name for name in figures if name.startswith("scene ")]
    check(result.returncode == 0 and scenes, f"bench printed scenes ({result.stdout.strip()})")
    reference = float(figures.get("reference", {}).get("gpu_median_ms", "nan"))
    for name in scenes:
        median, ratio = (float(figures[name].get(k, "nan")) for k in ("gpu_median_ms", "gpu_ratio"))
        check(abs(ratio - median / reference) <= 0.0015 + 0.001 * median / reference,
              f"{name}: ratio {ratio} is {median} / {reference}")

    # A short video: one frame every 4 s gives 20 frames and 80 s, with the music.
    video = f"{tmp}/show.mp4"
    result = run("--resolution", "1024x768", "video", "--fps", "1/4", video)
    check(result.returncode == 0, f"video rendered ({result.stderr.strip()[-200:]})")
    # Away from a terminal, progress is a plain line at every tenth of the work.
    progress = [line for line in result.stderr.splitlines() if line.startswith("video ")]
    check("\r" not in result.stdout + result.stderr and len(progress) == 10
          and " 100% 20/20 frames" in progress[-1], f"ten progress lines ({progress})")
    if result.returncode == 0:
        probe = subprocess.run(["ffprobe", "-v", "error", "-count_frames", "-show_streams",
                                "-show_format", "-of", "json", video],
                               capture_output=True, text=True, check=True)
        info = json.loads(probe.stdout)
        streams = {s["codec_type"]: s for s in info["streams"]}
        check("audio" in streams, "video has an audio stream")
        v = streams.get("video", {})
        check(v.get("nb_read_frames") == "20", f"20 video frames ({v.get('nb_read_frames')})")
        check((v.get("width"), v.get("height")) == (1024, 768), "video is 1024x768")
        duration = float(info["format"]["duration"])
        check(abs(duration - 80.0) < 0.1, f"duration 80 s ({duration})")

sys.exit(1 if failures else 0)
