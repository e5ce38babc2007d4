#!/usr/bin/env python3
"""The web page in headless Chromium: the start page, Play and Escape, and the message a failing
show gives in place of a blank canvas. Each case serves a copy of the web build's folder (damaged
where the case needs it) on 127.0.0.1 and leaves its screenshots in OUT_DIR.

Usage: page_test.py CASE WEB_DIR OUT_DIR
"""

import os
import re
import shutil
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from chromium import Browser, HarnessError, Server, decode_png  # noqa: E402

VIEWPORT = (1280, 800)
LOAD_TIMEOUT = 180


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def shown(page, selector):
    return page.evaluate("(() => { const e = document.querySelector(%r); if (!e) return false; "
                         "const r = e.getBoundingClientRect(); return !e.hidden && r.width > 0 && "
                         "r.height > 0 && getComputedStyle(e).visibility !== 'hidden'; })()"
                         % selector)


def box(page, selector):
    return page.evaluate("(() => { const r = document.querySelector(%r).getBoundingClientRect();"
                         " return [r.x, r.y, r.width, r.height]; })()" % selector)


def picture(page, path, scale=4):
    """The whole page, reduced `scale` times (averaging), as (width, height, rows of RGBA)."""
    data = page.screenshot(path)
    width, height, rows = decode_png(data)
    out_rows = []
    for y in range(0, height - scale + 1, scale):
        out = bytearray()
        for x in range(0, width - scale + 1, scale):
            for channel in range(4):
                total = 0
                for dy in range(scale):
                    row = rows[y + dy]
                    for dx in range(scale):
                        total += row[(x + dx) * 4 + channel]
                out.append(total // (scale * scale))
        out_rows.append(bytes(out))
    return width // scale, height // scale, out_rows, scale


def pixels_in(image, rect):
    width, height, rows, scale = image
    x0, y0 = int(rect[0] / scale), int(rect[1] / scale)
    x1, y1 = int((rect[0] + rect[2]) / scale), int((rect[1] + rect[3]) / scale)
    for y in range(max(y0, 0), min(y1, height)):
        for x in range(max(x0, 0), min(x1, width)):
            yield tuple(rows[y][x * 4:x * 4 + 3])


def bright(pixel):
    return sum(pixel) > 600


def teal(pixel):
    """The Play button's colour when it can be pressed (plain or focused), not its grey."""
    return pixel[2] > pixel[0] + 80 and pixel[1] > pixel[0] + 60


def copy_site(web_dir, into):
    site = os.path.join(into, "site")
    shutil.copytree(web_dir, site)
    return site


def open_start_page(browser, server):
    page = browser.open(server.url("index.html"), viewport=VIEWPORT)
    page.wait_for("!document.getElementById('play').disabled || "
                  "!document.getElementById('error').hidden", LOAD_TIMEOUT, "the Play button")
    check(not shown(page, "#error"), "the page shows an error: %s" % error_text(page))
    return page


def error_text(page):
    return page.evaluate("document.getElementById('error-message').textContent + ' | ' + "
                         "document.getElementById('error-detail').textContent")


def expect_error(page, out_dir, name, *words):
    """The error panel is up, readable in the picture, and names what went wrong."""
    page.wait_for("!document.getElementById('error').hidden", LOAD_TIMEOUT, "the error message")
    text = error_text(page)
    for word in words:
        check(word.lower() in text.lower(), "the message %r does not name %r" % (text, word))
    check(not shown(page, "#canvas"), "the canvas is shown beside the error")
    image = picture(page, os.path.join(out_dir, name + ".png"))
    heading = box(page, "#error-message")
    reddish = [p for p in pixels_in(image, heading) if p[0] > 150 and p[0] > p[2] + 40]
    check(len(reddish) > 20, "the message's heading cannot be seen in the picture")
    print("message: %s" % text)


def throttle(page, bytes_per_second):
    page.send("Network.enable")
    page.send("Network.emulateNetworkConditions",
              {"offline": False, "latency": 0, "uploadThroughput": -1,
               "downloadThroughput": bytes_per_second})


def case_start_page(web_dir, out_dir, work):
    with Server(web_dir) as server, Browser() as browser:
        # A slow line: the progress bar moves while the data loads, and Play waits for it.
        page = browser.open("about:blank", viewport=VIEWPORT)
        throttle(page, 1 << 20)
        page.send("Page.navigate", {"url": server.url("index.html")})
        page.wait_for("(v => v > 0.05 && v < 0.8)(document.getElementById('progress').value)",
                      60, "the progress bar to move")
        check(page.evaluate("document.getElementById('play').disabled"),
              "Play can be pressed before the data has loaded")
        status = page.evaluate("document.getElementById('status').textContent")
        check(re.match(r"Loading the show: \d+\.\d of \d+\.\d MB$", status),
              "the loading status says %r" % status)
        loading = picture(page, os.path.join(out_dir, "loading.png"))
        bar = list(pixels_in(loading, box(page, "#progress")))
        check(any(teal(p) for p in bar), "the progress bar's done part cannot be seen")
        throttle(page, -1)
        page.wait_for("!document.getElementById('play').disabled || "
                      "!document.getElementById('error').hidden", LOAD_TIMEOUT, "the Play button")
        check(not shown(page, "#error"), "the page shows an error: %s" % error_text(page))
        check(page.title() == "Morvelin - Oxbrine", "title %r" % page.title())
        labels = page.evaluate("[...document.querySelectorAll('#resolutions label')]"
                               ".map(l => l.textContent.trim().replace(/\\s+/g, ' '))")
        check(labels == ["1920 \u00d7 1080", "1280 \u00d7 720", "1024 \u00d7 768"],
              "resolutions %r" % labels)
        check(page.evaluate("document.querySelector('input[name=resolution]:checked').value")
              == "1", "1280x720 is not the first choice")
        check(shown(page, "#fullscreen"), "no full-screen choice")
        check(not shown(page, "#canvas"), "the canvas shows over the start page")
        image = picture(page, os.path.join(out_dir, "start_page.png"))
        name = [p for p in pixels_in(image, box(page, "#name")) if sum(p) > 300]
        check(len(name) > 40, "the show's name cannot be seen (%d bright pixels)" % len(name))
        play = list(pixels_in(image, box(page, "#play")))
        enabled = [p for p in play if teal(p)]
        check(len(enabled) > len(play) // 2, "the Play button is not drawn as ready")
        corner = list(pixels_in(image, (0, VIEWPORT[1] - 40, 40, 40)))
        check(all(sum(p) < 30 for p in corner), "the page's background is not black")


def case_file_url(web_dir, out_dir, work):
    with Browser() as browser:
        page = browser.open("file://" + os.path.join(os.path.abspath(web_dir), "index.html"),
                            viewport=VIEWPORT)
        expect_error(page, out_dir, "file_url", "web server", "python3 -m http.server")


def canvas_picture(page, image):
    rect = box(page, "#canvas")
    return [p for p in pixels_in(image, rect)]


def start_show(page, resolution, size):
    page.click_element("input[name=resolution][value='%d']" % resolution)
    page.click_element("#play")
    page.wait_for("document.body.classList.contains('playing') && "
                  "document.getElementById('canvas').width === %d && "
                  "document.getElementById('canvas').height === %d" % size, 60,
                  "the %dx%d show" % size)
    check(not shown(page, "#start"), "the start page stays over the show")


def watch_show(page, out_dir, name, size):
    """Two pictures a second apart differ, the music clock moves on, and the picture is
    letterboxed: black bars beside or above it, something drawn within."""
    page.wait_for("Module.oxbrineMusicSeconds && Module.oxbrineMusicSeconds() > 2", 120,
                  "the music clock to pass 2 s")
    first_time = page.evaluate("Module.oxbrineMusicSeconds()")
    first = picture(page, os.path.join(out_dir, name + "_1.png"))
    time.sleep(1.0)
    second_time = page.evaluate("Module.oxbrineMusicSeconds()")
    second = picture(page, os.path.join(out_dir, name + "_2.png"))
    print("music clock %.3f s, then %.3f s" % (first_time, second_time))
    check(second_time > first_time + 0.2, "the clock stands: %.3f then %.3f" %
          (first_time, second_time))
    check(first[2] != second[2], "two pictures a second apart are the same")
    scale = min(VIEWPORT[0] / size[0], VIEWPORT[1] / size[1])
    shown_width, shown_height = size[0] * scale, size[1] * scale
    left, top = (VIEWPORT[0] - shown_width) / 2, (VIEWPORT[1] - shown_height) / 2
    if left > top:
        bars = [(0, 0, left - 8, VIEWPORT[1]), (left + shown_width + 8, 0, left - 8, VIEWPORT[1])]
    else:
        bars = [(0, 0, VIEWPORT[0], top - 8), (0, top + shown_height + 8, VIEWPORT[0], top - 8)]
    for image in (first, second):
        outside = [p for bar in bars for p in pixels_in(image, bar)]
        check(outside and all(sum(p) < 10 for p in outside), "the bars are not black")
        inside = list(pixels_in(image, (left + 8, top + 8, shown_width - 16, shown_height - 16)))
        check(sum(1 for p in inside if sum(p) > 30) > len(inside) // 50,
              "the show's picture is blank")


def case_play_and_escape(web_dir, out_dir, work):
    with Server(web_dir) as server, Browser() as browser:
        page = open_start_page(browser, server)
        start_show(page, 2, (1024, 768))
        watch_show(page, out_dir, "playing", (1024, 768))
        check(not any("playing silently" in m for m in page.messages()),
              "the show plays silently though the browser has sound")
        page.key("Escape", "Escape", 27)
        page.wait_for("!document.body.classList.contains('playing') && "
                      "!document.getElementById('play').disabled", 60, "the start page")
        check(shown(page, "#start") and not shown(page, "#canvas"),
              "Escape did not bring back the start page")
        check(not shown(page, "#error"), "Escape ended in an error: %s" % error_text(page))
        stopped_at = page.evaluate("Module.oxbrineMusicSeconds()")
        time.sleep(0.5)
        check(page.evaluate("Module.oxbrineMusicSeconds()") == stopped_at,
              "the music goes on after the show ended")
        picture(page, os.path.join(out_dir, "after_escape.png"))


def case_silent_play(web_dir, out_dir, work):
    """A browser without Web Audio: the show plays in time on the paced silent clock."""
    with Server(web_dir) as server, Browser() as browser:
        page = browser.open("about:blank", viewport=VIEWPORT)
        page.send("Page.addScriptToEvaluateOnNewDocument",
                  {"source": "delete window.AudioContext; delete window.webkitAudioContext;"})
        page.send("Page.navigate", {"url": server.url("index.html")})
        page.wait_for("!document.getElementById('play').disabled", LOAD_TIMEOUT, "Play")
        start_show(page, 1, (1280, 720))
        watch_show(page, out_dir, "silent", (1280, 720))
        check(any("playing silently" in m for m in page.messages()),
              "no word that the show plays silently")


def case_missing_data(web_dir, out_dir, work):
    """Each of the files the page loads, missing in turn, is named on the page."""
    for name in ("oxbrine.data", "oxbrine.wasm", "oxbrine.js"):
        site = copy_site(web_dir, os.path.join(work, name))
        os.remove(os.path.join(site, name))
        with Server(site) as server, Browser() as browser:
            page = browser.open(server.url("index.html"), viewport=VIEWPORT)
            expect_error(page, out_dir, "missing_" + name.replace(".", "_"), name)
    # A file of Data/ left out of the package: the show says which when it reads it.
    site = copy_site(web_dir, os.path.join(work, "inside"))
    loader = os.path.join(site, "oxbrine.js")
    with open(loader) as file:
        text = file.read()
    check('"/Data/Blit.frag"' in text, "the loader does not list Data/Blit.frag")
    with open(loader, "w") as file:
        file.write(text.replace('"/Data/Blit.frag"', '"/Data/Blit.gone"'))
    with Server(site) as server, Browser() as browser:
        page = open_start_page(browser, server)
        page.click_element("#play")
        expect_error(page, out_dir, "missing_shader", "Data/Blit.frag")


def break_shader(site, source_dir, name):
    """Makes one shader in the data package fail to compile, keeping every offset."""
    with open(os.path.join(source_dir, "Data", name), "rb") as file:
        source = file.read()
    package = os.path.join(site, "oxbrine.data")
    with open(package, "rb") as file:
        data = file.read()
    at = data.find(source)
    check(at >= 0, "%s is not stored as it is in oxbrine.data" % name)
    broken = source.replace(b"void main()", b"void main@)", 1)
    check(broken != source, "%s has no main()" % name)
    with open(package, "wb") as file:
        file.write(data[:at] + broken + data[at + len(source):])


def case_broken_shader(web_dir, out_dir, work):
    site = copy_site(web_dir, work)
    break_shader(site, SOURCE_DIR, "Blit.frag")
    with Server(site) as server, Browser() as browser:
        page = open_start_page(browser, server)
        page.click_element("#play")
        expect_error(page, out_dir, "broken_shader", "Blit.frag", "compile")


def case_no_webgl2(web_dir, out_dir, work):
    with Server(web_dir) as server:
        with Browser(["--disable-webgl2"]) as browser:
            page = browser.open(server.url("index.html"), viewport=VIEWPORT)
            expect_error(page, out_dir, "no_webgl2_browser", "WebGL2")
        # A browser with WebGL2 whose canvas still refuses the show its context: the engine's
        # own check speaks.
        with Browser() as browser:
            page = browser.open("about:blank", viewport=VIEWPORT)
            page.send("Page.addScriptToEvaluateOnNewDocument", {"source": """
                const getContext = HTMLCanvasElement.prototype.getContext;
                HTMLCanvasElement.prototype.getContext = function (kind, ...rest) {
                    if (this.id === "canvas" && /webgl/.test(kind)) return null;
                    return getContext.call(this, kind, ...rest);
                };"""})
            page.send("Page.navigate", {"url": server.url("index.html")})
            page.wait_for("document.readyState === 'complete' && "
                          "(!document.getElementById('play').disabled || "
                          "!document.getElementById('error').hidden)", LOAD_TIMEOUT,
                          "the page to load")
            if not shown(page, "#error"):
                page.click_element("#play")
            expect_error(page, out_dir, "no_webgl2_canvas", "WebGL2")


def case_bad_still(web_dir, out_dir, work):
    refused = [("t=abc&resolution=1280x720&still", "abc"),
               ("resolution=1280x720&still", "time"),
               ("t=5&resolution=1280&still", "1280"),
               ("t=5&resolution=0x720&still", "0x720"),
               ("t=5&resolution=99999x99999&still", "99999x99999")]
    with Server(web_dir) as server, Browser() as browser:
        for query, word in refused:
            page = browser.open(server.url("index.html?" + query), viewport=VIEWPORT)
            title = page.wait_title(lambda t: t == "ready" or t.startswith("error: "),
                                    LOAD_TIMEOUT)
            print("%s -> %s" % (query, title))
            check(title.startswith("error: ") and word in title,
                  "%s gave the title %r" % (query, title))
            check(shown(page, "#error"), "%s: no message on the page" % query)
            page.send("Page.close")


CASES = {name[5:]: case for name, case in globals().items() if name.startswith("case_")}
SOURCE_DIR = os.path.abspath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))


def main():
    if len(sys.argv) != 4 or sys.argv[1] not in CASES:
        sys.exit("usage: page_test.py {%s} WEB_DIR OUT_DIR" % ",".join(CASES))
    case, web_dir, out_dir = sys.argv[1:]
    os.makedirs(out_dir, exist_ok=True)
    with tempfile.TemporaryDirectory(prefix="oxbrine-web-") as work:
        try:
            CASES[case](web_dir, out_dir, work)
        except (Failure, HarnessError) as failure:
            print("FAIL %s: %s" % (case, failure))
            sys.exit(1)
    print("ok %s" % case)


if __name__ == "__main__":
    main()
