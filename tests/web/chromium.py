"""Headless Chromium for the web tests: a folder served on 127.0.0.1 and a browser driven over the
DevTools protocol through a pipe (no package beyond Python and Debian's chromium).

    with Server(folder) as server, Browser() as browser:
        page = browser.open(server.url("index.html?t=42.5&resolution=1280x720&still"),
                            viewport=(1280, 720))
        page.wait_title(lambda title: title == "ready" or title.startswith("error"))
        page.screenshot("frame.png")

Software WebGL2 comes from SwiftShader through ANGLE. Errors raise HarnessError with the page's
console and title, so a failing test says what the page said.
"""

import base64
import functools
import http.server
import json
import os
import queue
import shutil
import struct
import subprocess
import tempfile
import threading
import time
import zlib

CHROMIUM_FLAGS = [
    "--headless=new", "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
    "--no-sandbox", "--no-first-run", "--no-default-browser-check",
    "--disable-background-networking", "--disable-component-update", "--disable-sync",
    "--disable-quic", "--disable-extensions", "--mute-audio",
    "--disable-background-timer-throttling", "--disable-renderer-backgrounding",
    "--disable-backgrounding-occluded-windows",
]


class HarnessError(Exception):
    pass


def find_chromium():
    for name in ("chromium", "chromium-browser", "google-chrome"):
        path = shutil.which(name)
        if path:
            return path
    raise HarnessError("no chromium found: run scripts/setup.sh")


class _QuietHandler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map,
                      ".wasm": "application/wasm", ".js": "text/javascript",
                      ".data": "application/octet-stream"}

    def log_message(self, *arguments):
        pass

    def end_headers(self):
        # Every test run reads the files as they are now.
        self.send_header("Cache-Control", "no-store")
        super().end_headers()


class Server:
    """Serves `folder` on 127.0.0.1 at a free port, on a thread, for the life of the context."""

    def __init__(self, folder):
        handler = functools.partial(_QuietHandler, directory=os.path.abspath(folder))
        self.httpd = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
        self.thread = threading.Thread(target=self.httpd.serve_forever, daemon=True)

    def url(self, path=""):
        return "http://127.0.0.1:%d/%s" % (self.httpd.server_address[1], path)

    def __enter__(self):
        self.thread.start()
        return self

    def __exit__(self, *exception):
        self.httpd.shutdown()
        self.httpd.server_close()


class Browser:
    """One headless Chromium with a fresh profile; `extra_flags` such as "--disable-webgl2"."""

    def __init__(self, extra_flags=(), window=(1280, 800)):
        self.profile = tempfile.mkdtemp(prefix="oxbrine-chromium-")
        to_browser_read, self._to_browser = os.pipe()
        self._from_browser, from_browser_write = os.pipe()

        def give_pipes():
            # The browser reads commands on descriptor 3 and writes replies on 4 (moved out of
            # the way first, as either pipe end may itself be 3 or 4).
            os.dup2(to_browser_read, 100)
            os.dup2(from_browser_write, 101)
            os.dup2(100, 3)
            os.dup2(101, 4)

        flags = CHROMIUM_FLAGS + ["--remote-debugging-pipe", "--user-data-dir=" + self.profile,
                                  "--window-size=%d,%d" % window, *extra_flags, "about:blank"]
        self.log = tempfile.TemporaryFile()
        self.process = subprocess.Popen([find_chromium(), *flags], stdin=subprocess.DEVNULL,
                                        stdout=self.log, stderr=self.log, preexec_fn=give_pipes,
                                        pass_fds=(3, 4))
        os.close(to_browser_read)
        os.close(from_browser_write)
        self._next_id = 0
        self._replies = {}
        self._events = queue.Queue()
        self._lock = threading.Condition()
        self._closed = False
        self._reader = threading.Thread(target=self._read, daemon=True)
        self._reader.start()

    def _read(self):
        buffer = b""
        while True:
            chunk = os.read(self._from_browser, 1 << 20)
            if not chunk:
                break
            buffer += chunk
            while b"\0" in buffer:
                message, buffer = buffer.split(b"\0", 1)
                parsed = json.loads(message)
                if "id" in parsed:
                    with self._lock:
                        self._replies[parsed["id"]] = parsed
                        self._lock.notify_all()
                else:
                    self._events.put(parsed)
        with self._lock:
            self._closed = True
            self._lock.notify_all()

    def send(self, method, params=None, session=None, timeout=60):
        with self._lock:
            self._next_id += 1
            number = self._next_id
        message = {"id": number, "method": method, "params": params or {}}
        if session:
            message["sessionId"] = session
        os.write(self._to_browser, json.dumps(message).encode() + b"\0")
        deadline = time.monotonic() + timeout
        with self._lock:
            while number not in self._replies:
                left = deadline - time.monotonic()
                if self._closed or left <= 0:
                    raise HarnessError("%s: no reply from the browser%s\n%s" %
                                       (method, " (it exited)" if self._closed else "",
                                        self.log_tail()))
                self._lock.wait(min(left, 0.5))
            reply = self._replies.pop(number)
        if "error" in reply:
            raise HarnessError("%s: %s" % (method, reply["error"].get("message")))
        return reply.get("result", {})

    def log_tail(self, lines=15):
        """The end of what the browser wrote on its standard output and error."""
        self.log.seek(0)
        text = self.log.read().decode("utf-8", "replace").splitlines()
        return "\n".join("  chromium: " + line for line in text[-lines:])

    def open(self, url, viewport=None):
        """A new tab at `url`; `viewport` (width, height) fixes the page's size in CSS pixels."""
        target = self.send("Target.createTarget", {"url": "about:blank"})["targetId"]
        session = self.send("Target.attachToTarget", {"targetId": target, "flatten": True})
        page = Page(self, session["sessionId"])
        page.start(url, viewport)
        return page

    def drain_events(self):
        while True:
            try:
                yield self._events.get_nowait()
            except queue.Empty:
                return

    def __enter__(self):
        return self

    def __exit__(self, *exception):
        self.close()

    def close(self):
        try:
            self.send("Browser.close", timeout=10)
        except HarnessError:
            pass
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        os.close(self._to_browser)
        self._reader.join(10) # the pipe's end reached once the browser is gone
        os.close(self._from_browser)
        self.log.close()
        shutil.rmtree(self.profile, ignore_errors=True)


class Page:
    def __init__(self, browser, session):
        self.browser = browser
        self.session = session
        self.console = [] # "type: text" of every console message and uncaught exception

    def send(self, method, params=None, timeout=60):
        return self.browser.send(method, params, self.session, timeout)

    def start(self, url, viewport):
        self.send("Runtime.enable")
        self.send("Page.enable")
        if viewport:
            self.send("Emulation.setDeviceMetricsOverride",
                      {"width": viewport[0], "height": viewport[1], "deviceScaleFactor": 1,
                       "mobile": False})
        self.send("Page.navigate", {"url": url})

    def _collect(self):
        for event in self.browser.drain_events():
            if event.get("sessionId") != self.session:
                continue
            params = event.get("params", {})
            if event["method"] == "Runtime.consoleAPICalled":
                text = " ".join(str(a.get("value", a.get("description", "")))
                                for a in params.get("args", []))
                self.console.append("%s: %s" % (params.get("type"), text))
            elif event["method"] == "Runtime.exceptionThrown":
                details = params.get("exceptionDetails", {})
                exception = details.get("exception", {})
                self.console.append("exception: %s" %
                                    exception.get("description", details.get("text")))

    def evaluate(self, expression, timeout=60):
        """The value of a JavaScript expression (promises awaited), as JSON gives it."""
        result = self.send("Runtime.evaluate", {"expression": expression, "awaitPromise": True,
                                                "returnByValue": True}, timeout)
        if "exceptionDetails" in result:
            raise HarnessError("evaluating %r: %s" % (expression, result["exceptionDetails"]))
        return result["result"].get("value")

    def title(self):
        return self.evaluate("document.title")

    def wait_for(self, expression, timeout=120, what=None):
        """Polls a JavaScript expression until it is truthy and returns its value; while the
        page loads, an expression that throws counts as not yet."""
        deadline = time.monotonic() + timeout
        while True:
            try:
                value, failure = self.evaluate(expression), ""
            except HarnessError as error:
                value, failure = None, "; it throws %s" % error
            if value:
                return value
            if time.monotonic() > deadline:
                self._collect()
                raise HarnessError("waited %d s for %s%s; title %r; console:\n  %s" %
                                   (timeout, what or expression, failure, self.title(),
                                    "\n  ".join(self.console[-20:])))
            time.sleep(0.1)

    def wait_title(self, accept, timeout=120):
        """Waits until accept(title) holds and returns the title."""
        deadline = time.monotonic() + timeout
        while True:
            title = self.title()
            if accept(title):
                return title
            if time.monotonic() > deadline:
                self._collect()
                raise HarnessError("waited %d s for the title; it is %r; console:\n  %s" %
                                   (timeout, title, "\n  ".join(self.console[-20:])))
            time.sleep(0.1)

    def messages(self):
        self._collect()
        return list(self.console)

    def screenshot(self, path=None, clip=None):
        """The page as PNG bytes (written to `path` when given); clip (x, y, width, height)."""
        params = {"format": "png"}
        if clip:
            params["clip"] = {"x": clip[0], "y": clip[1], "width": clip[2], "height": clip[3],
                              "scale": 1}
        data = base64.b64decode(self.send("Page.captureScreenshot", params)["data"])
        if path:
            with open(path, "wb") as file:
                file.write(data)
        return data

    def click(self, x, y):
        for kind in ("mousePressed", "mouseReleased"):
            self.send("Input.dispatchMouseEvent", {"type": kind, "x": x, "y": y,
                                                   "button": "left", "clickCount": 1})

    def click_element(self, selector):
        box = self.evaluate("(() => { const r = document.querySelector(%s)"
                            ".getBoundingClientRect(); return [r.x + r.width / 2, "
                            "r.y + r.height / 2, r.width * r.height]; })()" % json.dumps(selector))
        if not box[2]:
            raise HarnessError("%s is not shown" % selector)
        self.click(box[0], box[1])

    def key(self, key, code=None, key_code=0):
        """A key pressed and released, e.g. key("Escape", "Escape", 27)."""
        for kind in ("keyDown", "keyUp"):
            self.send("Input.dispatchKeyEvent",
                      {"type": kind, "key": key, "code": code or key,
                       "windowsVirtualKeyCode": key_code, "nativeVirtualKeyCode": key_code})


def decode_png(data):
    """(width, height, rows) of an 8-bit RGB or RGBA PNG such as screenshots, rows as RGBA bytes."""
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise HarnessError("not a PNG")
    position, idat, header = 8, b"", None
    while position < len(data):
        length, kind = struct.unpack(">I4s", data[position:position + 8])
        body = data[position + 8:position + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        position += 12 + length
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour not in (2, 6) or interlace:
        raise HarnessError("PNG kind not handled: depth %d colour %d" % (depth, colour))
    channels = 4 if colour == 6 else 3
    stride = width * channels
    raw = zlib.decompress(idat)
    rows, previous = [], bytearray(stride)
    for y in range(height):
        start = y * (stride + 1)
        kind, line = raw[start], bytearray(raw[start + 1:start + 1 + stride])
        for i in range(stride):
            left = line[i - channels] if i >= channels else 0
            up = previous[i]
            corner = previous[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + left) & 255
            elif kind == 2:
                line[i] = (line[i] + up) & 255
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 255
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                line[i] = (line[i] + (left if pa <= pb and pa <= pc else
                                      up if pb <= pc else corner)) & 255
        previous = line
        if channels == 3:
            rgba = bytearray(width * 4)
            rgba[0::4], rgba[1::4], rgba[2::4] = line[0::3], line[1::3], line[2::3]
            rgba[3::4] = b"\xff" * width
            line = rgba
        rows.append(bytes(line))
    return width, height, rows
