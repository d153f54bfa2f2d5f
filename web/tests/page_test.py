#!/usr/bin/env python3
"""The web page in headless Chromium against the desktop build.

    page_test.py PAGE_DIR DESKTOP_BUILD_DIR

- Frames: the page's offline hook renders a frame in every music position
  0-34 (and the first and the last); each "n ms position row hash" line must
  equal capture's for the same times at 60 fps.
- Playing: a click on Play starts the demo; paused, the screenshot shows the
  canvas scaled by a whole factor, every pixel a square block; a click on
  the position bar's cell 20 shows capture's frame of the start of position 20.
- Sound: the checksum of the first 10 s of sound the page decodes equals
  that of the sound capture writes from the desktop's decoder.
- Bad input: whatever file fails (a data file missing or truncated, the
  WebAssembly, files.json, the font), the page's error panel says which and
  why under its "CANNOT PLAY" title (plain text if the font is what failed),
  never a blank page; a program image or a song that cannot play leaves
  Play ready, with the engine's "no music" line beside it, once.
- A download that stalls: the panel names the file and offers to try again,
  which then downloads what is missing and gets the page ready.
- A 200x150 window: the picture scales down, nothing lies out of reach.
Screenshots are left in PAGE_DIR/.test-shots/ for a person to look at.
"""
import base64
import contextlib
import json
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from browser import Browser, QuietHandler, StaticServer, read_png  # noqa: E402
from sync import describe, play_and_measure  # noqa: E402

PAGE, DESKTOP = (os.path.abspath(p) for p in sys.argv[1:3])
RUN = os.path.join(DESKTOP, "run")
CAPTURE = os.path.join(DESKTOP, "capture")
SHOTS = os.path.join(PAGE, ".test-shots")
MS_PER_POSITION = 128 * 41.6
failures = []
passes = []


def check(ok, what):
    print(("ok   " if ok else "FAIL ") + what, flush=True)
    (passes if ok else failures).append(what)


def capture(*args):
    return subprocess.run([CAPTURE, *args], cwd=RUN, check=True, capture_output=True,
                          text=True).stdout


def hash_lines(text):
    return [line for line in text.splitlines() if len(line.split()) == 5]


def fnv1a(data):
    h = 0xcbf29ce484222325
    for byte in data:
        h = ((h ^ byte) * 0x100000001b3) & 0xFFFFFFFFFFFFFFFF
    return h


def settle(browser, expression="true", what=None):
    return browser.wait_for(
        f"document.body && (document.body.dataset.state === 'failed' || ({expression}))",
        what=what)


def page_output(browser):
    return browser.evaluate("document.getElementById('output').textContent")


# The canvas as RGB bytes, through the 2D context that the page painted.
CANVAS_RGB = """(() => {
  const d = document.getElementById('screen').getContext('2d').getImageData(0, 0, 320, 240).data;
  let s = '';
  for (let i = 0; i < d.length; i += 4) s += String.fromCharCode(d[i], d[i + 1], d[i + 2]);
  return btoa(s);
})()"""


def canvas_hash(browser):
    rgb = base64.b64decode(browser.evaluate(CANVAS_RGB))
    screen = bytearray()
    for i in range(0, len(rgb), 3):
        p = ((rgb[i] >> 3) << 11) | ((rgb[i + 1] >> 2) << 5) | (rgb[i + 2] >> 3)
        screen += bytes((p & 255, p >> 8))
    return f"{fnv1a(screen):016x}", rgb


def test_frames(server):
    times = [0] + [int(p * MS_PER_POSITION + MS_PER_POSITION / 2) for p in range(35)]
    at = ",".join(map(str, times))
    expected = hash_lines(capture("--hashes", "-", "--at", at))
    with Browser() as b:
        b.open(server.url + "?hashes=" + at)
        settle(b, "document.body.dataset.state === 'done'", "the page's hash lines")
        shown = hash_lines(page_output(b))
    positions = sorted({int(line.split()[2]) for line in shown})
    check(positions == list(range(35)), f"the page rendered frames in positions {positions}")
    for e, s in zip(expected, shown):
        if e != s:
            check(False, f"frame {e.split()[0]}: page '{s}', capture '{e}'")
    check(len(shown) == len(expected) and shown == expected,
          f"{len(shown)} frames, one in every position 0-34, equal capture's hash lines")


def test_playing(server):
    p20 = hash_lines(capture("--hashes", "-", "--from", "p20", "--to", "p21"))[0].split()
    with Browser(1280, 960) as b:
        b.open(server.url)
        settle(b, "document.body.dataset.state === 'ready'", "the Play button")
        b.screenshot(os.path.join(SHOTS, "ready.png"))
        b.click_element("#play")
        settle(b, "page.firstFrameMs > 0", "the first frame")
        b.press(" ", "Space", 32)
        settle(b, "page.module._webPaused() === 1", "the pause")
        scale = b.evaluate("page.scale")
        box = b.evaluate("(() => { const r = document.getElementById('screen')"
                         ".getBoundingClientRect(); return [r.x, r.y, r.width, r.height]; })()")
        check(scale >= 2 and box[2:] == [320 * scale, 240 * scale],
              f"after Play the picture is {box[2]:.0f}x{box[3]:.0f}, the screen {scale} times")
        shot = b.call("Page.captureScreenshot", format="png", clip={
            "x": box[0], "y": box[1], "width": box[2], "height": box[3], "scale": 1})
        png = base64.b64decode(shot["data"])
        with open(os.path.join(SHOTS, "playing.png"), "wb") as f:
            f.write(png)
        width, height, rows = read_png(png)
        _, rgb = canvas_hash(b)
        blocks = width == 320 * scale and height == 240 * scale and all(
            rows[y][x] == tuple(rgb[3 * ((y // scale) * 320 + x // scale):][:3])
            for y in range(0, height, 7) for x in range(0, width, 5))
        check(blocks, f"the screenshot is the canvas's picture in {scale}x{scale} blocks")

        b.click_element('.cell[data-position="20"]')
        settle(b, "page.module._webPosition() === 20 && page.lastPosition === 20",
               "the jump to position 20")
        b.wait_for("page.module._webMusicMs() > 0")
        shown, _ = canvas_hash(b)
        b.screenshot(os.path.join(SHOTS, "position20.png"))
        check(shown == p20[4], f"a click on position 20 shows capture's frame {p20[0]} "
                               f"({p20[1]} ms): {shown}, capture {p20[4]}")


def test_slow_machine(server):
    # A loose bound that only a lost step breaks: a page that left the music
    # drifted by seconds.
    with Browser() as b:
        m = play_and_measure(b, server.url, rate=16, seconds=20)
    check(m.get("gaps", 0) > 0 and abs(m["moved"]) < 150 and m["follows_sound"],
          f"at 16x CPU throttling the picture keeps to the sound: {describe(m)}")


STATE = ("JSON.stringify([page.audio.context.currentTime, page.module._webMusicMs(), "
         "page.module._webPaused()])")


def test_hidden_page(server):
    with Browser() as b:
        b.open(server.url)
        settle(b, "document.body.dataset.state === 'ready'", "the Play button")
        b.click_element("#play")
        settle(b, "page.firstFrameMs > 0", "the first frame")
        time.sleep(2)
        # Another tab in front hides the page.
        tab = b.call("Target.createTarget", session=False, url="about:blank")["targetId"]
        b.wait_for("document.hidden && page.module._webPaused() === 1", timeout=30,
                   what="the pause of a hidden page")
        hidden = json.loads(b.evaluate(STATE))
        time.sleep(3)
        still = json.loads(b.evaluate(STATE))
        b.call("Target.closeTarget", session=False, targetId=tab)
        b.wait_for("!document.hidden && page.module._webPaused() === 0", timeout=30,
                   what="the page shown again")
        shownAt = b.evaluate("performance.now()")
        time.sleep(3)
        back = json.loads(b.evaluate(STATE))
        gaps = b.evaluate(f"JSON.stringify(page.gaps.filter(g => g.at > {shownAt} + 500)"
                          ".map(g => g.ms))")
    gaps = json.loads(gaps)
    check(still[:2] == hidden[:2],
          f"hidden for 3 s, the sound's clock and the picture stood still: {hidden[:2]} -> {still[:2]}")
    check(2000 < back[1] - hidden[1] < 3500 and gaps and max(abs(g) for g in gaps) < 50,
          f"shown again, picture and sound went on together: {back[1] - hidden[1]} ms of music "
          f"in 3 s, the picture within {max(abs(g) for g in gaps) if gaps else '?'} ms of the sound")


def test_sound(server):
    frames = tempfile.mkdtemp(prefix="web-test-sound-")
    try:
        subprocess.run([CAPTURE, "--frames", os.path.join(frames, "f"), "--to", "10000"],
                       cwd=RUN, check=True, capture_output=True)
        with open(os.path.join(frames, "f", "sound.wav"), "rb") as f:
            wav = f.read()
    finally:
        shutil.rmtree(frames)
    data = wav[wav.index(b"data") + 8:]
    expected = f"sound 10 s {fnv1a(data[:10 * 44100 * 4]):016x}"
    with Browser() as b:
        b.open(server.url + "?soundsum=10")
        settle(b, "document.body.dataset.state === 'done'", "the sound checksum")
        said = [line for line in page_output(b).splitlines() if line.startswith("sound")]
    check(len(data) >= 10 * 44100 * 4 and said == [expected],
          f"the first 10 s of the page's sound: {said}, the desktop decoder's: {expected}")


@contextlib.contextmanager
def page_copy(change, handler_class=None):
    """A copy of the page, changed by change(root), served; yields the server."""
    folder = tempfile.mkdtemp(prefix="web-test-bad-")
    try:
        root = os.path.join(folder, "page")
        shutil.copytree(PAGE, root, ignore=shutil.ignore_patterns(".cmake", ".test-shots"))
        change(root)
        server = StaticServer(root, handler_class)
        try:
            yield server
        finally:
            server.close()
    finally:
        shutil.rmtree(folder)


def replace_file(root, name, data):
    """Writes data as the file, and its new size into files.json."""
    with open(os.path.join(root, name), "wb") as f:
        f.write(data)
    listed_path = os.path.join(root, "files.json")
    with open(listed_path) as f:
        listed = json.load(f)
    for entry in listed:
        if entry["name"] == name:
            entry["bytes"] = len(data)
    with open(listed_path, "w") as f:
        json.dump(listed, f)


def head_of(name, size):
    with open(os.path.join(PAGE, name), "rb") as f:
        return f.read(size)


# Whether the panel's title shows: drawn in the demo's lettering, or as
# plain text when the font is missing.
PANEL_TITLE = """(() => {
  const canvas = document.querySelector('#failure canvas.lettering');
  const plain = document.querySelector('#failure .plain');
  if (plain) return plain.offsetWidth > 0 ? 'plain ' + plain.textContent : '';
  const d = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
  let lit = 0;
  for (let i = 3; i < d.length; i += 4) lit += d[i] > 0;
  return canvas.offsetWidth > 0 && lit > 50 ? 'lettering' : '';
})()"""


def test_bad_input():
    cases = [
        ("missing", "data/velmira.png", "cannot download data/velmira.png: 404", "lettering"),
        ("truncated", "data/title.png", "error loading data/title.png", "lettering"),
        ("missing", "ondrivale.wasm", "cannot download ondrivale.wasm: 404", "lettering"),
        ("missing", "files.json", "cannot download files.json: 404", "lettering"),
        ("missing", "data/font.png", "cannot download data/font.png: 404", "plain CANNOT PLAY"),
    ]
    for kind, name, reason, title in cases:
        def change(root):
            if kind == "missing":
                os.remove(os.path.join(root, name))
            else:
                replace_file(root, name, head_of(name, os.path.getsize(os.path.join(PAGE, name)) // 2))
        with page_copy(change) as server, Browser() as b:
            b.open(server.url)
            settle(b, "false", f"the error of a {kind} file")
            why = b.evaluate("document.getElementById('failureWhy').textContent")
            visible = b.evaluate("!document.getElementById('failure').classList.contains('hidden')")
            shown = b.evaluate(PANEL_TITLE)
            b.screenshot(os.path.join(SHOTS, f"{kind}-{os.path.basename(name)}.png"))
        check(visible and reason in why and shown == title,
              f"a {kind} {name}: the page says '{why}' under its title ({shown or 'not shown'})")


def test_problem_lines():
    """The engine's start-up problems show beside Play, and Play still plays."""
    image_size = os.path.getsize(os.path.join(PAGE, "code940.bin"))
    noise = bytes((i * 2654435761 >> 13) & 255 for i in range(image_size))
    cases = [
        ("a random code940.bin", lambda root: replace_file(root, "code940.bin", noise),
         "no music: code940.bin is not a program the second processor runs"),
        ("a cut soundtrack", lambda root: replace_file(
            root, "data/ondrivale.ogg", head_of("data/ondrivale.ogg", 100000)),
         "no music: data/ondrivale.ogg ends at 5.6 s, the demo needs 186.4 s"),
    ]
    for what, change, line in cases:
        with page_copy(change) as server, Browser() as b:
            b.open(server.url)
            settle(b, "document.body.dataset.state === 'ready'", "the Play button")
            shown = b.evaluate("(() => { const p = document.getElementById('problems');"
                               " return p.offsetWidth > 0 ? p.textContent : ''; })()")
            b.screenshot(os.path.join(SHOTS, f"problem-{what.split()[-1]}.png"))
            b.click_element("#play")
            settle(b, "page.firstFrameMs > 0", "the first frame")
            said = b.evaluate("page.problems")
        check(shown == line and said == [line],
              f"{what}: beside Play '{shown}', said {len(said)} time(s), and it plays")


class StallingHandler(QuietHandler):
    """Sends the first megabyte of the soundtrack, then nothing, until released."""
    released = threading.Event()

    def do_GET(self):
        if self.path.split("?")[0] != "/data/ondrivale.ogg" or self.released.is_set():
            return super().do_GET()
        with open(self.translate_path(self.path), "rb") as f:
            data = f.read()
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data[:1000000])
        self.wfile.flush()
        self.released.wait(60)


def test_stalled_download():
    StallingHandler.released.clear()
    with page_copy(lambda root: None, StallingHandler) as server:
        try:
            with Browser() as b:
                b.open(server.url + "?stall=4000")
                settle(b, "false", "the stalled download's panel")
                why = b.evaluate("document.getElementById('failureWhy').textContent")
                retry = b.evaluate("document.getElementById('retry').offsetWidth > 0")
                b.screenshot(os.path.join(SHOTS, "stalled.png"))
                StallingHandler.released.set()
                b.click_element("#retry")
                b.wait_for("document.body.dataset.state === 'ready'", what="the page after a retry")
        finally:
            StallingHandler.released.set()
    check(why == "data/ondrivale.ogg stalled: nothing came for 4 s, after 1.0 MB of it" and retry,
          f"a stalled download: the page says '{why}' and offers to try again, which gets it ready")


# Every part of the page, in the document's coordinates.
PAGE_PARTS = """(() => {
  const parts = [];
  for (const e of document.querySelectorAll('#page *')) {
    const r = e.getBoundingClientRect();
    if (r.width === 0 || e.closest('.hidden, .gone')) continue;
    parts.push([e.id || e.className || e.tagName, r.left + scrollX, r.top + scrollY,
                r.right + scrollX]);
  }
  return { parts, width: innerWidth, scrollWidth: document.documentElement.scrollWidth };
})()"""


def test_small_window(server):
    with Browser(200, 150) as b:
        b.open(server.url)
        settle(b, "document.body.dataset.state === 'ready'", "the Play button")
        seen = b.evaluate(PAGE_PARTS)
        screen = b.evaluate("document.getElementById('screen').getBoundingClientRect().width")
        b.evaluate("document.getElementById('play').scrollIntoView({block: 'center'})")
        b.screenshot(os.path.join(SHOTS, "small-window.png"))
        b.click_element("#play")
        settle(b, "page.firstFrameMs > 0", "the first frame")
    out_of_reach = [p for p in seen["parts"] if p[1] < 0 or p[2] < 0 or p[3] > seen["width"]]
    check(not out_of_reach and seen["scrollWidth"] <= seen["width"] and 0 < screen <= 200,
          f"at 200x150 the picture is {screen:.0f} px wide and every part of the page within "
          f"reach (out of it: {out_of_reach[:3]}), and Play plays")


def main():
    os.makedirs(SHOTS, exist_ok=True)
    server = StaticServer(PAGE)
    try:
        test_frames(server)
        test_playing(server)
        test_slow_machine(server)
        test_hidden_page(server)
        test_sound(server)
        test_small_window(server)
        test_bad_input()
        test_problem_lines()
        test_stalled_download()
    finally:
        server.close()
    print(f"web page: {len(passes)} passed, {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
