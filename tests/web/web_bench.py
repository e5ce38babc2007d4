#!/usr/bin/env python3
"""Prints the web build's figures beside oxbrine-render's, measured in one run on this machine:
per scene, the median frame time of the still page in headless Chromium (SwiftShader) and
oxbrine-render's median GPU time (llvmpipe) over the same frames, and their ratio; the page load
to the first frame; the download size. Figures only: nothing is asserted.

Usage: web_bench.py WEB_DIR RENDER_PROGRAM RUN_DIR
"""

import os
import re
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from chromium import Browser, Server  # noqa: E402

RESOLUTION = (1280, 720)
FPS = 10
# One second of each scene, from the show's running order.
SCENES = [("Architecture", 14.0), ("DuckNipples", 17.0), ("Colon", 29.0), ("Sphurrs", 37.0),
          ("DruSucks", 44.0), ("Garbitch", 66.0)]

# Each frame drawn by the page's own entry point, then one pixel read so the time includes the
# GPU's work.
TIME_FRAMES_JS = r"""
(() => {
    const gl = document.getElementById("canvas").getContext("webgl2");
    const pixel = new Uint8Array(4);
    const times = [];
    for (const t of %s) {
        const start = performance.now();
        if (Module.ccall("oxbrine_still", "number", ["number", "number", "number"],
                         [t, %d, %d]) !== 0)
            return null;
        gl.readPixels(0, 0, 1, 1, gl.RGBA, gl.UNSIGNED_BYTE, pixel);
        times.push(performance.now() - start);
    }
    return times;
})()
"""


def median(values):
    ordered = sorted(values)
    middle = len(ordered) // 2
    return ordered[middle] if len(ordered) % 2 else (ordered[middle - 1] + ordered[middle]) / 2


def render_median(render, run_dir, start):
    output = subprocess.run(
        [render, "--data-root", run_dir, "--resolution", "%dx%d" % RESOLUTION, "bench",
         "--fps", str(FPS), "--from", str(start), "--to", str(start + 1.0)],
        check=True, capture_output=True, text=True, timeout=600).stdout
    found = re.search(r"^scene \d+ \S+ frames \d+ .*?gpu_median_ms ([\d.]+)", output, re.M)
    return float(found.group(1)) if found else float("nan")


def main():
    web_dir, render, run_dir = sys.argv[1], sys.argv[2], os.path.abspath(sys.argv[3])
    names = ("oxbrine.js", "oxbrine.wasm", "oxbrine.data", "index.html", "page.js", "page.css")
    size = sum(os.path.getsize(os.path.join(web_dir, n)) for n in names
               if os.path.exists(os.path.join(web_dir, n)))
    print("download %.2f MB (%d bytes)" % (size / 1e6, size))
    with Server(web_dir) as server, Browser(window=RESOLUTION) as browser:
        started = time.monotonic()
        page = browser.open(server.url("index.html?t=14&resolution=%dx%d&still" % RESOLUTION),
                            viewport=RESOLUTION)
        title = page.wait_title(lambda t: t == "ready" or t.startswith("error"), timeout=300)
        print("page load to first frame %.2f s (%s)" % (time.monotonic() - started, title))
        print("%-13s %10s %10s %7s" % ("scene", "web ms", "render ms", "ratio"))
        for name, start in SCENES:
            times = [start + n / FPS for n in range(FPS)]
            web = page.evaluate(TIME_FRAMES_JS % (times, RESOLUTION[0], RESOLUTION[1]),
                                timeout=600)
            web_ms = median(web) if web else float("nan")
            render_ms = render_median(render, run_dir, start)
            print("%-13s %10.1f %10.1f %7.2f" % (name, web_ms, render_ms, web_ms / render_ms),
                  flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
