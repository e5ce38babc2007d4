#!/usr/bin/env python3
"""Writes content/tracks/beats.tl: the tracks that hit on the music's cues (kicks, claps,
accents), keyed from the cue sheet that oxbrine-synth writes next to the data.

    tools/choreo/beats.py <build>/run/Data/music.cues content/tracks/beats.tl

Run it again whenever the tune's rhythm changes; the output is committed.
"""
import sys

# Section rows are fixed by the arrangement (256-row phrases).
INTRO, GROOVE, BREAK, BUILD, DROP, DROP2, ENDING, END = 0, 256, 512, 640, 768, 1024, 1280, 1400


def read_cues(path):
    cues = {"kick": [], "clap": [], "accent": [], "section": []}
    with open(path) as f:
        for line in f:
            line = line.split("#", 1)[0].split()
            if len(line) >= 2 and line[1] in cues:
                cues[line[1]].append(int(line[0]))
    return cues


def within(rows, start, end, every=1, phase=0):
    """The cue rows in [start, end), keeping one in `every` counted from `phase`."""
    picked = [r for r in rows if start <= r < end]
    return [r for i, r in enumerate(picked) if i % every == phase]


class Track:
    """Hold-level segments with decaying pulses on top; later keys win at equal rows."""

    def __init__(self, name):
        self.name, self.keys = name, {}

    def level(self, row, value, interpolation="hold"):
        self.keys[row] = (value, interpolation)

    def pulses(self, rows, base, peak, decay, end, shape="linear"):
        for i, r in enumerate(rows):
            nxt = rows[i + 1] if i + 1 < len(rows) else end
            fall = max(1, min(decay, nxt - r - 1))
            self.keys[r] = (base + peak, shape)
            if r + fall < nxt or r + fall not in self.keys:
                self.keys[r + fall] = (base, "hold")

    def steps(self, rows, start_value, step, ease, end):
        """Advance by `step` on every row, easing over `ease` rows (rotations on the beat)."""
        value = start_value
        for r in rows:
            self.keys[r] = (value, "smooth")
            value += step
            self.keys[r + min(ease, end - r)] = (value, "hold")
        return value

    def write(self, out):
        out.write("track %s\n" % self.name)
        for row in sorted(self.keys):
            value, interpolation = self.keys[row]
            out.write("  %-6d %-9.4g %s\n" % (row, value, interpolation))
        out.write("\n")


def build(cues):
    kicks, claps, accents = cues["kick"], cues["clap"], cues["accent"]
    tracks = []

    def track(name):
        t = Track(name)
        tracks.append(t)
        return t

    # White flash on every impact, a few frames long; a softer one on the drops' bar starts.
    flash = track("PerkProc Flash")
    flash.level(0, 0)
    flash.pulses([r for r in accents if r > 0], 0, 0.85, 5, END)
    for start, end in ((DROP, DROP2), (DROP2, ENDING)):
        for r in within(kicks, start + 32, end, every=16):
            flash.pulses([r], 0, 0.25, 3, END)

    # Scan-line tear on impacts and on the last clap of every second bar in the drops.
    tear = track("PerkProc Distortion")
    tear.level(0, 0)
    tear.pulses([r for r in accents if r > 0], 0, 1.0, 12, END)
    for start, end in ((DROP, DROP2), (DROP2, ENDING)):
        tear.pulses(within(claps, start, end, every=4, phase=3), 0, 0.45, 4, END)

    # Lens warp swells into each cut and snaps back after it.
    warp = track("PerkProc Distortion2")
    warp.level(0, 0)
    for cut in (GROOVE, BREAK, BUILD, DROP, DROP2, ENDING):
        warp.level(cut - 12, 0, "easein")
        warp.level(cut, 0.9, "linear")
        warp.level(cut + 16, 0, "hold")

    # Fine camera shake: amplitude in each scene's own world units.
    shake = track("Camera Shake Fine")
    shake.level(0, 0)
    shake.pulses(within(kicks, 192, GROOVE), 0, 0.25, 4, GROOVE)
    shake.pulses(within(kicks, GROOVE, BREAK), 0, 2.0, 4, BREAK)
    shake.pulses(within(kicks, BUILD, DROP), 0, 0.35, 4, DROP)
    shake.pulses(within(kicks, DROP, DROP2), 0, 0.04, 4, DROP2)
    shake.pulses(within(kicks, DROP2, ENDING), 0, 0.6, 4, ENDING)
    shake.pulses([GROOVE, DROP2], 0, 6.0, 10, END)
    shake.pulses([DROP], 0, 0.12, 10, END)
    shake.pulses([BREAK], 0, 4.0, 10, END)
    shake.pulses([ENDING], 0, 0.6, 12, END)
    shake.level(ENDING + 12, 0)

    # Spheres swell on the build's kicks, harder towards the tree.
    boom = track("Sphurrs BOOM")
    boom.level(0, 0)
    build_kicks = within(kicks, BUILD, DROP)
    for i, r in enumerate(build_kicks):
        boom.pulses([r], 0, 0.25 + 0.35 * i / max(1, len(build_kicks) - 1), 6, DROP)

    # The ray-marched piece turns a notch on every kick of the drop.
    turn = track("DruSucks Rotation Time")
    turn.level(0, 0)
    turn.level(DROP - 1, 0)
    turn.steps(within(kicks, DROP, DROP2), 0.0, 0.3, 6, DROP2)

    # Its slashes open on the claps.
    slashes = track("DruSucks Slashes")
    slashes.level(0, 0.2)
    slashes.pulses(within(claps, DROP, DROP2), 0.2, 0.6, 6, DROP2)

    # Lanes flicker out on the groove's claps.
    flicker = track("Duck Flkr")
    flicker.level(0, 0.3)
    flicker.pulses(within(claps, GROOVE, BREAK), 0.3, 0.6, 4, BREAK)

    # Tunnel arcs flare on the second drop's kicks.
    rings = track("Garbitch Rings")
    rings.level(0, 1)
    rings.pulses(within(kicks, DROP2, ENDING), 1.0, 1.2, 5, ENDING)

    # The point cloud: fades in over the intro, throbs on the intro's kicks, and once more at the end.
    balls = track("Arch Balls")
    balls.level(0, 0, "smooth")
    balls.level(128, 1.0, "hold")
    balls.pulses(within(kicks, 192, GROOVE), 1.0, 1.0, 6, GROOVE)
    balls.level(ENDING - 1, 1.0)
    balls.level(ENDING, 3.0, "linear")
    balls.level(ENDING + 16, 1.2, "linear")
    balls.level(ENDING + 56, 0.4, "hold")
    return tracks


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: beats.py music.cues beats.tl")
    tracks = build(read_cues(sys.argv[1]))
    with open(sys.argv[2], "w") as out:
        out.write("# Generated by tools/choreo/beats.py from the cue sheet of content/music/tune.song;\n")
        out.write("# edit the script, not this file.\n\n")
        for t in tracks:
            t.write(out)


if __name__ == "__main__":
    main()
