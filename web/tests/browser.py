"""Headless Chromium driven over the DevTools protocol, and a static server.

The protocol runs over a pipe (--remote-debugging-pipe: JSON messages ending
in a NUL byte on file descriptors 3 and 4), so nothing but Python's standard
library and Debian's chromium is needed. Only 127.0.0.1 is ever contacted.
"""
import base64
import functools
import http.server
import json
import os
import shutil
import struct
import subprocess
import tempfile
import threading
import time
import zlib

CHROMIUM = os.environ.get("CHROMIUM", "chromium")


class StaticServer:
    """Serves a folder on 127.0.0.1 at a free port, on a thread of its own
    (with QuietHandler, or a handler class derived from it)."""

    def __init__(self, folder, handler_class=None):
        handler = functools.partial(handler_class or QuietHandler, directory=folder)
        self.httpd = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
        self.url = f"http://127.0.0.1:{self.httpd.server_address[1]}/"
        self.thread = threading.Thread(target=self.httpd.serve_forever, daemon=True)
        self.thread.start()

    def close(self):
        self.httpd.shutdown()
        self.httpd.server_close()


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    """Logs nothing; notes each request's path and status in `requests`."""
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map,
                      ".wasm": "application/wasm", ".js": "text/javascript"}
    requests = []

    def log_message(self, *args):
        pass

    def log_request(self, code="-", size="-"):
        QuietHandler.requests.append((self.path, int(code) if str(code).isdigit() else 0))


class Browser:
    """One headless Chromium with one page."""

    def __init__(self, width=1280, height=960, extra_args=()):
        self.profile = tempfile.mkdtemp(prefix="web-test-profile-")
        to_browser_r, self.to_browser = os.pipe()
        self.from_browser, from_browser_w = os.pipe()
        args = [CHROMIUM, "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                "--no-first-run", "--disable-background-networking",
                "--disable-component-update", "--disable-sync",
                "--disable-features=MediaRouter,OptimizationHints,Translate",
                "--force-color-profile=srgb", "--mute-audio",
                f"--user-data-dir={self.profile}", f"--window-size={width},{height}",
                *extra_args, "--remote-debugging-pipe", "about:blank"]
        # The browser reads commands on its descriptor 3 and answers on 4.
        self.process = subprocess.Popen(
            args, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL, pass_fds=(3, 4),
            preexec_fn=lambda: (os.dup2(to_browser_r, 3), os.dup2(from_browser_w, 4)))
        os.close(to_browser_r)
        os.close(from_browser_w)
        self.buffer = b""
        self.next_id = 0
        self.session = None
        self.exceptions = []  # the page's uncaught exceptions (Runtime.exceptionThrown)
        self.attached = []  # sessions of the targets attached to (Target.attachedToTarget)
        target = self.call("Target.createTarget", url="about:blank")["targetId"]
        self.session = self.call("Target.attachToTarget", targetId=target,
                                 flatten=True)["sessionId"]
        self.call("Page.enable")
        self.call("Runtime.enable")
        self.call("Emulation.setDeviceMetricsOverride", width=width, height=height,
                  deviceScaleFactor=1, mobile=False)

    def close(self):
        try:
            self.call("Browser.close", session=False)
        except Exception:
            pass
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        os.close(self.to_browser)
        os.close(self.from_browser)
        shutil.rmtree(self.profile, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, *args):
        self.close()

    # ---- the protocol ----

    def _read_message(self, deadline):
        while b"\0" not in self.buffer:
            if time.monotonic() > deadline:
                raise TimeoutError("the browser did not answer")
            chunk = os.read(self.from_browser, 1 << 16)
            if not chunk:
                raise RuntimeError("the browser closed its pipe")
            self.buffer += chunk
        message, self.buffer = self.buffer.split(b"\0", 1)
        return json.loads(message)

    def call(self, method, session=True, timeout=60, **params):
        self.next_id += 1
        message = {"id": self.next_id, "method": method, "params": params}
        if session and self.session:
            message["sessionId"] = self.session
        os.write(self.to_browser, json.dumps(message).encode() + b"\0")
        deadline = time.monotonic() + timeout
        while True:
            answer = self._read_message(deadline)
            if answer.get("method") == "Runtime.exceptionThrown":
                self.exceptions.append(answer["params"]["exceptionDetails"])
            if answer.get("method") == "Target.attachedToTarget":
                self.attached.append(answer["params"])
            if answer.get("id") == self.next_id:
                if "error" in answer:
                    raise RuntimeError(f"{method}: {answer['error']}")
                return answer.get("result", {})

    # ---- what a test does ----

    def open(self, url):
        self.call("Page.navigate", url=url)

    def inject(self, source):
        """Runs source in every page opened from now on, before the page's own scripts."""
        self.call("Page.addScriptToEvaluateOnNewDocument", source=source)

    def evaluate(self, expression):
        result = self.call("Runtime.evaluate", expression=expression, returnByValue=True,
                           awaitPromise=True)
        if "exceptionDetails" in result:
            raise RuntimeError(f"{expression}: {result['exceptionDetails']}")
        return result["result"].get("value")

    def wait_for(self, expression, timeout=120, what=None):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            value = self.evaluate(expression)
            if value:
                return value
            time.sleep(0.05)
        raise TimeoutError(f"waited {timeout} s for {what or expression}")

    def click(self, x, y):
        for kind in ("mousePressed", "mouseReleased"):
            self.call("Input.dispatchMouseEvent", type=kind, x=x, y=y, button="left",
                      clickCount=1)

    def click_element(self, selector):
        box = self.evaluate(
            f"(() => {{ const r = document.querySelector({json.dumps(selector)})"
            f".getBoundingClientRect(); return [r.x + r.width / 2, r.y + r.height / 2]; }})()")
        self.click(box[0], box[1])

    def press(self, key, code, key_code):
        for kind in ("keyDown", "keyUp"):
            self.call("Input.dispatchKeyEvent", type=kind, key=key, code=code,
                      windowsVirtualKeyCode=key_code)

    def screenshot(self, path=None):
        data = base64.b64decode(self.call("Page.captureScreenshot", format="png")["data"])
        if path:
            with open(path, "wb") as f:
                f.write(data)
        return read_png(data)


def read_png(data):
    """(width, height, rows of (r, g, b) tuples) of an 8-bit RGB or RGBA PNG."""
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
    at = 8
    idat = b""
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack(">IIBB", body[:10])
            assert depth == 8 and colour in (2, 6), "only 8-bit RGB or RGBA"
            channels = 3 if colour == 2 else 4
        elif kind == b"IDAT":
            idat += body
        at += 12 + length
    raw = zlib.decompress(idat)
    stride = width * channels
    rows = []
    previous = bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            left = line[i - channels] if i >= channels else 0
            up = previous[i]
            up_left = previous[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + left) & 255
            elif kind == 2:
                line[i] = (line[i] + up) & 255
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 255
            elif kind == 4:
                p = left + up - up_left
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - up_left)
                predictor = left if pa <= pb and pa <= pc else up if pb <= pc else up_left
                line[i] = (line[i] + predictor) & 255
        rows.append([tuple(line[x * channels:x * channels + 3]) for x in range(width)])
        previous = line
    return width, height, rows
