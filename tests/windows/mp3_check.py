#!/usr/bin/env python3
"""Checks the Windows build's MP3 stream (ACM codec under Wine) against ffmpeg's gapless decode of
the same file, and of a generated one without an info frame: stream frame 0 must be the first
audible sample (the codec's leading frames skipped), a seek must land on the very frame asked
for, and the length must leave out the encoder's padding.

Usage: mp3_check.py RUN_DIR MP3_FILE      (WINEPREFIX names a prepared prefix)
"""

import array
import os
import subprocess
import sys
import tempfile

COMPARED = 44100  # frames compared after each start


def reference(path):
    raw = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-f", "f32le", "-ac", "2", "-"],
                         capture_output=True, check=True, timeout=300).stdout
    samples = array.array("f")
    samples.frombytes(raw)
    return samples


def probe(run_dir, path, start, count):
    environment = dict(os.environ, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=d")
    with tempfile.TemporaryDirectory() as folder:
        out = os.path.join(folder, "decoded.raw")
        result = subprocess.run(["wine", os.path.join(run_dir, "oxbrine-mp3probe.exe"), path,
                                 str(start), str(count), out], capture_output=True, text=True,
                                env=environment, timeout=300)
        if result.returncode != 0:
            sys.exit("probe failed (%d): %s%s" % (result.returncode, result.stdout,
                                                  result.stderr))
        fields = result.stdout.split()
        length = int(fields[fields.index("length") + 1])
        samples = array.array("f")
        with open(out, "rb") as decoded:
            samples.frombytes(decoded.read())
        return length, samples


def mean_error(decoded, expected, start, shift):
    """Mean difference of the left channel with the decoded frames shifted by `shift`."""
    total, count = 0.0, 0
    for i in range(2048, COMPARED - 16, 3):
        total += abs(decoded[2 * (i + shift)] - expected[2 * (start + i)])
        count += 1
    return total / count


def check_file(run_dir, path, failures):
    expected = reference(path)
    frames = len(expected) // 2
    for start in (0, frames // 3 + 777):
        length, decoded = probe(run_dir, path, start, COMPARED)
        if length != frames:
            failures.append("%s: length %d, the gapless reference has %d frames"
                            % (os.path.basename(path), length, frames))
        errors = {shift: mean_error(decoded, expected, start, shift) for shift in range(-8, 9)}
        best = min(errors, key=errors.get)
        print("%s from %d: mean error %.2e at shift 0, best shift %d"
              % (os.path.basename(path), start, errors[0], best))
        if best != 0 or errors[0] > 2e-3:
            failures.append("%s: from frame %d the decode is off by %d frames (error %.2e)"
                            % (os.path.basename(path), start, best, errors[0]))


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    run_dir, path = sys.argv[1], sys.argv[2]
    failures = []
    check_file(run_dir, path, failures)
    # A file without the info frame: nothing to skip, and no padding to leave out.
    with tempfile.TemporaryDirectory() as folder:
        wave = os.path.join(folder, "tone.wav")
        untagged = os.path.join(folder, "untagged.mp3")
        subprocess.run(["sox", "-n", "-r", "44100", "-c", "2", wave, "synth", "3", "sine", "440",
                        "sine", "660", "vol", "0.5"], check=True, timeout=60)
        subprocess.run(["lame", "--quiet", "-t", "-b", "128", wave, untagged], check=True,
                       timeout=60)
        check_file(run_dir, untagged, failures)
    subprocess.run(["wineserver", "-k"], timeout=30)
    if failures:
        sys.exit("FAILED: " + "; ".join(failures))
    print("passed")


if __name__ == "__main__":
    main()
