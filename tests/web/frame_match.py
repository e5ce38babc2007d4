#!/usr/bin/env python3
"""The frame-exact page against oxbrine-render: at moments that between them hold every scene, a
title card, the grading and the bloom at work, index.html?t=T&resolution=1280x720&still must show
the frame `oxbrine-render frame T` draws, by the golden frames' comparison (both reduced 5 times,
tolerance below). Each moment is a fresh page load. A failure leaves expected, actual and
difference (four times amplified) reductions in OUT_DIR.

Usage: frame_match.py WEB_DIR RENDER_PROGRAM RUN_DIR OUT_DIR
"""

import base64
import os
import struct
import subprocess
import sys
import time
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from chromium import Browser, Server  # noqa: E402

RESOLUTION = (1280, 720)
REDUCTION = 5  # as the golden frames
LOAD_TIMEOUT = 180

# (name, seconds): the show's running order, as in the golden frames.
MOMENTS = [
    ("morvelin-card", 3.0),         # a title card over the intro
    ("architecture", 14.0),         # fixed-function points, the matrix stack, gluPerspective
    ("ducknipples", 17.0),          # the noise volume, immediate-mode quads
    ("colon-washed-out", 29.5),     # quad strips and lines, the grading washing out
    ("sphurrs-cloud", 37.0),        # float targets, noperspective rays, the depth written
    ("bloom-swell", 42.6),          # the bloom at work
    ("drusucks", 43.5),
    ("garbitch-inverted", 57.08),   # the grading's own pass
    ("go-card", 60.5),              # the sliding "go" card
    ("halftone-dots", 70.6),        # halftone grading
]

# The golden frames' tolerance: at most 24 pixels over 16 levels in some channel, a mean of at
# most 1 and no 8 x 8 block over 2. Measured between SwiftShader (WebGL2 in Chromium) and llvmpipe
# (oxbrine-render), six of the moments keep well within it (no pixel over, a mean of at most 0.11,
# no block over 0.76). Four need more, measured and allowed here with room; each comes from
# derivatives, 8-bit filtering or smoothed lines, where the two rasterisers differ:
LEVEL, PIXELS, MEAN, BLOCK = 16, 24, 1.0, 2.0
WIDER = {
    # The ground's facets are lit by normals from screen-space derivatives of the position
    # (cross(dFdx, dFdy)), which the two rasterisers take over different pixels of each 2 x 2
    # block, so facets along the bars' edges shade differently. Measured 1532 pixels over, a mean
    # of 1.24, a block of 22.6.
    "ducknipples": (2500, 2.0, 30.0),
    # Smoothed lines: llvmpipe's coverage against the layer's widened quads. Measured 76 pixels
    # over, a mean of 0.21, a block of 7.9.
    "colon-washed-out": (150, 0.5, 12.0),
    # Garbitch's veins are a sharp function of the noise volume (0.035 / (|n - 0.5| + 0.035)),
    # made and read with 8-bit linear filtering that the two round differently, so vein edges
    # move. Measured 2019 pixels over, a mean of
    # 3.42, a block of 18.0 (go card); 145, 1.22, 5.6 (halftone).
    "go-card": (3000, 5.0, 27.0),
    "halftone-dots": (300, 2.0, 9.0),
}

# Reads the canvas, or a PNG given as a data URL, and reduces it as the golden frames do: the
# rounded mean of each 5 x 5 block, RGB, top row first, as base64.
REDUCE_JS = r"""
(async (source) => {
    const canvas = document.getElementById("canvas");
    let image = canvas;
    if (source) {
        image = new Image();
        image.src = source;
        await image.decode();
    }
    const width = image.width, height = image.height, f = %d;
    const scratch = document.createElement("canvas");
    scratch.width = width;
    scratch.height = height;
    const context = scratch.getContext("2d");
    context.drawImage(image, 0, 0);
    const data = context.getImageData(0, 0, width, height).data;
    const w = Math.floor(width / f), h = Math.floor(height / f), n = f * f;
    const out = new Uint8Array(w * h * 3);
    for (let y = 0; y < h; ++y)
        for (let x = 0; x < w; ++x)
            for (let c = 0; c < 3; ++c) {
                let sum = 0;
                for (let dy = 0; dy < f; ++dy)
                    for (let dx = 0; dx < f; ++dx)
                        sum += data[((y * f + dy) * width + x * f + dx) * 4 + c];
                out[(y * w + x) * 3 + c] = Math.floor((sum + Math.floor(n / 2)) / n);
            }
    let text = "";
    for (let i = 0; i < out.length; i += 8192)
        text += String.fromCharCode.apply(null, out.subarray(i, i + 8192));
    return [w, h, btoa(text)];
})(%s)
"""


def reduced(page, source=None):
    expression = REDUCE_JS % (REDUCTION, "null" if source is None else repr(source))
    width, height, data = page.evaluate(expression, timeout=120)
    return width, height, base64.b64decode(data)


def compare(expected, actual, width, height):
    """(mean, pixels over LEVEL, worst 8 x 8 block mean), as the golden frames measure them."""
    block = 8
    blocks_x, blocks_y = width // block, height // block
    sums = [0.0] * (blocks_x * blocks_y)
    total, over = 0, 0
    for y in range(height):
        for x in range(width):
            i = (y * width + x) * 3
            deltas = [abs(expected[i + c] - actual[i + c]) for c in range(3)]
            total += sum(deltas)
            over += max(deltas) > LEVEL
            if x // block < blocks_x and y // block < blocks_y:
                sums[(y // block) * blocks_x + x // block] += sum(deltas)
    worst = max(sums) / (block * block * 3) if sums else 0.0
    return total / (width * height * 3), over, worst


def write_png(path, width, height, rgb):
    raw = b"".join(b"\0" + rgb[y * width * 3:(y + 1) * width * 3] for y in range(height))

    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body +
                struct.pack(">I", zlib.crc32(kind + body) & 0xffffffff))

    with open(path, "wb") as file:
        file.write(b"\x89PNG\r\n\x1a\n" +
                   chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
                   chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def render_reference(render, run_dir, seconds, path):
    subprocess.run([render, "--data-root", run_dir, "--resolution", "%dx%d" % RESOLUTION,
                    "frame", repr(seconds), path], check=True, timeout=300,
                   stdout=subprocess.DEVNULL)
    with open(path, "rb") as file:
        return "data:image/png;base64," + base64.b64encode(file.read()).decode()


def main():
    web_dir, render, run_dir, out_dir = sys.argv[1:5]
    os.makedirs(out_dir, exist_ok=True)
    failures = []
    with Server(web_dir) as server, Browser(window=RESOLUTION) as browser:
        for name, seconds in MOMENTS:
            started = time.monotonic()
            reference = render_reference(render, os.path.abspath(run_dir), seconds,
                                         os.path.join(out_dir, name + "-render.png"))
            page = browser.open(server.url("index.html?t=%r&resolution=%dx%d&still" %
                                           ((seconds,) + RESOLUTION)), viewport=RESOLUTION)
            title = page.wait_title(lambda t: t == "ready" or t.startswith("error"),
                                    timeout=LOAD_TIMEOUT)
            if title != "ready":
                failures.append("%s: the page says %r; console: %s" %
                                (name, title, page.messages()[-5:]))
                continue
            placed = page.evaluate("(() => { const r = document.getElementById('canvas')"
                                   ".getBoundingClientRect(); return [r.x, r.y, r.width, "
                                   "r.height]; })()")
            if placed != [0, 0, RESOLUTION[0], RESOLUTION[1]]:
                failures.append("%s: the canvas is at %s, not alone at the top left" %
                                (name, placed))
            width, height, actual = reduced(page)
            _, _, expected = reduced(page, reference)
            mean, over, worst = compare(expected, actual, width, height)
            print("%-18s %6.2f s  mean %.3f  over %d: %3d  worst block %.3f  (%.1f s)" %
                  (name, seconds, mean, LEVEL, over, worst, time.monotonic() - started),
                  flush=True)
            pixels, mean_limit, block_limit = WIDER.get(name, (PIXELS, MEAN, BLOCK))
            if over > pixels or mean > mean_limit or worst > block_limit:
                failures.append("%s: mean %.3f, %d pixels over %d, worst block %.3f" %
                                (name, mean, over, LEVEL, worst))
                difference = bytes(min(255, 4 * abs(a - b)) for a, b in zip(expected, actual))
                for kind, image in (("expected", expected), ("actual", actual),
                                    ("difference", difference)):
                    write_png(os.path.join(out_dir, "%s-%s.png" % (name, kind)), width, height,
                              image)
    if failures:
        print("the web frames differ from oxbrine-render's:\n  " + "\n  ".join(failures))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
