#!/usr/bin/env python3
"""The web page in headless Chromium against the desktop build.

    page_test.py PAGE_DIR DESKTOP_BUILD_DIR

Everything is watched from outside the page (observer.js, injected before
the page's own scripts): the pictures it paints, the samples its sound
output renders, the engine's status record.

- The shipped folder: no test hook, at most 12 entry points of the engine's
  own, page scripts of at most 350 lines with their contract on top and none
  spelling the engine's facts, 5 MB in all.
- Positions: after Play and Space (paused, the picture in whole-factor
  blocks), a click on each of the 35 position cells shows capture's frame of
  that position's start.
- The seek bar: opened at "#t=1:32.4", the picture before Play is capture's
  frame of that moment and Play starts picture and sound there; a far jump
  paints SEEKING before its frame; clicks at a few moments, a step back and
  two on, and 5 s on from the slider's keys show capture's frames; paused,
  the address follows the moment; a drag holds the sound while the picture
  follows, and let go the sound starts at the sample of the frame shown. A
  malformed or too late "#t=" is a line under the picture; opened from a
  file, the page says how to serve it.
- Sound: what the page's output renders is capture's sound sample for
  sample, from the start and after a click on the seek bar from its frame
  on, without a gap; at 32x CPU slow-down for 20 s no underrun, and the song
  being played keeps to the output's clock within 50 ms; a hidden page
  pauses picture and sound together.
- The fallback: served from a host that is not this machine (no worklet),
  the picture keeps to the sound heard, also after the page's thread was
  busy for half a second, after a jump and after Play again at the end
  (web/tests/sync.py's holds).
- A first run: a 200x150 window keeps the title in view and every part
  within reach; on a phone the position cells, the seek bar and the buttons
  are 44 px and nothing speaks of a keyboard; no request fails (no favicon); a key's note never breaks.
- Panels: whatever file fails (missing, truncated, not a list, a sync table
  the engine cannot start with), the CANNOT PLAY panel says which and why,
  with no uncaught exception; a stalled download offers to try again; a
  song that cannot play, or a song damaged mid-way, gives the engine's line
  under the picture, once, and Play plays.
- The song decoder: a damaged song-decoder.wasm, or another module in its
  place, is one line naming the file before Play, and Play plays on the
  wall clock at once; a decoder worker that dies while the demo plays is one
  line, and the picture goes on, after a jump too.
Screenshots are left in PAGE_DIR/.test-shots/ for a person to look at.
"""
import base64
import contextlib
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from browser import Browser, QuietHandler, StaticServer, read_png  # noqa: E402
from sync import (OBSERVER, RATE, Sound, desktop_sound, describe, hold_and_measure,  # noqa: E402
                  play_and_measure)

PAGE, DESKTOP = (os.path.abspath(p) for p in sys.argv[1:3])
RUN = os.path.join(DESKTOP, "run")
CAPTURE = os.path.join(DESKTOP, "capture")
SHOTS = os.path.join(PAGE, ".test-shots")
SHIPPED_SCRIPTS = ["page.js", "engine.js", "loading.js", "lettering.js", "controls.js",
                   "seek-bar.js", "sound.js", "sound-queue.js", "sound-worklet.js",
                   "sound-decoder.js"]
# The stall a download is given (20 s), made short for the test.
SHORT_STALLS = ("(() => { const later = window.setTimeout; window.setTimeout = "
                "(f, ms, ...a) => later(f, ms === 20000 ? 4000 : ms, ...a); })();")
failures = []
passes = []


def check(ok, what):
    print(("ok   " if ok else "FAIL ") + what, flush=True)
    (passes if ok else failures).append(what)


def capture(*args):
    return subprocess.run([CAPTURE, *args], cwd=RUN, check=True, capture_output=True,
                          text=True).stdout


def hash_lines(text):
    return [line.split() for line in text.splitlines() if len(line.split()) == 5]


def fnv1a(data):
    h = 0xcbf29ce484222325
    for byte in data:
        h = ((h ^ byte) * 0x100000001b3) & 0xFFFFFFFFFFFFFFFF
    return h


def settle(b, expression="true", what=None, timeout=120):
    return b.wait_for(
        f"document.body && (document.body.dataset.state === 'failed' || ({expression}))",
        what=what, timeout=timeout)


def opened(b, url, *scripts):
    """The page at url, watched, ready to play."""
    for script in (OBSERVER, SHORT_STALLS, *scripts):
        b.inject(script)
    b.open(url)
    settle(b, "document.body.dataset.state === 'ready'", "the Play button")
    return b


def status(b):
    return json.loads(b.evaluate("JSON.stringify(__observer.status())"))


def canvas_hash(b):
    """FNV-1a of the canvas as the engine's RGB565 screen, and its RGB bytes."""
    rgb = base64.b64decode(b.evaluate("""(() => {
      const d = document.getElementById('screen').getContext('2d').getImageData(0, 0, 320, 240).data;
      let s = '';
      for (let i = 0; i < d.length; i += 4) s += String.fromCharCode(d[i], d[i + 1], d[i + 2]);
      return btoa(s); })()"""))
    screen = bytearray()
    for i in range(0, len(rgb), 3):
        p = ((rgb[i] >> 3) << 11) | ((rgb[i + 1] >> 2) << 5) | (rgb[i + 2] >> 3)
        screen += bytes((p & 255, p >> 8))
    return f"{fnv1a(screen):016x}", rgb


# ---- the shipped folder -----------------------------------------------------------------

def test_shipped_page():
    with open(os.path.join(PAGE, "ondrivale.js")) as f:
        entries = sorted(set(re.findall(r'Module\["(_web\w+)"\]', f.read())))
    hooks = [e for e in entries if re.search(r"Hash|Bench|Checksum|Skipped|Follows|Instant|Sample",
                                             e)]
    check(len(entries) <= 12 and not hooks,
          f"the engine's module offers the page {len(entries)} entry points of its own "
          f"({', '.join(entries)}), none a test hook")
    sizes, bad = {}, []
    for name in SHIPPED_SCRIPTS:
        with open(os.path.join(PAGE, name)) as f:
            text = f.read()
        sizes[name] = text.count("\n")
        code = re.sub(r"//.*", "", text)
        if (sizes[name] > 350 or not text.startswith(f"// {name} - ") and name != "page.js"
                or re.search(r"\b(44100|44\.1|320|240)\b", code)
                or re.search(r"gaps|soundsum|hashes|webBench|bench", text)):
            bad.append(name)
    shipped = [n for n in os.listdir(PAGE) if not n.startswith(".")]
    total = sum(os.path.getsize(os.path.join(r, f)) for r, _, fs in os.walk(PAGE) for f in fs
                if "/." not in r[len(PAGE):])
    check(not bad and sorted(n for n in shipped if n.endswith(".js")) ==
          sorted(SHIPPED_SCRIPTS + ["ondrivale.js"]) and total <= 5e6,
          f"the page's scripts ({sizes}) each hold their contract, no fact of the engine's and "
          f"no hook (not: {bad}); {total / 1e6:.2f} MB in all")


# ---- positions and sound ----------------------------------------------------------------

def test_positions(server):
    at = ",".join(f"p{p}" for p in range(35))
    expected = hash_lines(capture("--hashes", "-", "--at", at))
    with Browser(1280, 960) as b:
        opened(b, server.url)
        b.screenshot(os.path.join(SHOTS, "ready.png"))
        b.click_element("#play")
        settle(b, "__observer.paints.length > 0", "the first frame")
        b.press(" ", "Space", 32)
        settle(b, "__observer.status().paused === 1", "the pause")
        box = b.evaluate("(() => { const r = document.getElementById('screen')"
                         ".getBoundingClientRect(); return [r.x, r.y, r.width, r.height]; })()")
        scale = int(box[2] // 320)
        shot = b.call("Page.captureScreenshot", format="png", clip={
            "x": box[0], "y": box[1], "width": box[2], "height": box[3], "scale": 1})
        width, height, rows = read_png(base64.b64decode(shot["data"]))
        _, rgb = canvas_hash(b)
        blocks = scale >= 2 and (width, height) == (320 * scale, 240 * scale) and all(
            rows[y][x] == tuple(rgb[3 * ((y // scale) * 320 + x // scale):][:3])
            for y in range(0, height, 7) for x in range(0, width, 5))
        check(blocks, f"paused, the picture is the canvas in {scale}x{scale} blocks")
        wrong = []
        for (frame, ms, position, _, hashed) in expected:
            b.click_element(f'.cell[data-position="{position}"]')
            settle(b, f"__observer.paints.length && __observer.paints.at(-1)[1] === {ms} && "
                      f"__observer.status().position === {position}", f"position {position}")
            shown, _ = canvas_hash(b)
            if shown != hashed:
                wrong.append(f"{position}: {shown}, capture {hashed} (frame {frame})")
        b.screenshot(os.path.join(SHOTS, "position34.png"))
    check(len(expected) == 35 and not wrong,
          f"a click on each of the 35 positions shows capture's frame of its start "
          f"(differing: {wrong[:3]})")


# ---- the seek bar, frame steps and links to a moment ----------------------------------

FACTS = "JSON.parse(__observer.module.UTF8ToString(__observer.module._webFacts()))"


def frame_ms(frame):
    return frame * 1000 // 60


def frame_at(ms):
    """The first frame at or after ms, as capture's --at and the page's seeks take it."""
    return -(-ms * 60 // 1000)


def bar_point(b, ms):
    """Where on the screen the seek bar stands for music time ms."""
    x, y, width, end = b.evaluate(
        f"(() => {{ const r = document.getElementById('seekCanvas').getBoundingClientRect(); "
        f"return [r.x, r.y + r.height / 2, r.width, {FACTS}.positionMs.at(-1)]; }})()")
    return x + width * ms / end, y


def landed(b, before, what):
    """Waits for a jump away from frame `before` to be painted; its frame."""
    settle(b, f"__observer.status().frame !== {before} && __observer.paints.length && "
              f"__observer.paints.at(-1)[1] === __observer.status().musicMs", what)
    return status(b)["frame"]


def mouse(b, kind, x, y):
    b.call("Input.dispatchMouseEvent", type=kind, x=x, y=y, button="left",
           buttons=0 if kind == "mouseReleased" else 1, clickCount=1)


def test_seek_bar(server):
    """A link's moment before Play; SEEKING before a long jump; random moments,
    steps back and on, the slider's keys and the address, against capture; a
    drag whose sound starts at the frame shown when let go."""
    shown = {}  # frame -> the canvas's hash
    with Browser(1280, 960) as b:
        opened(b, server.url + "#t=1:32.4")
        cued = status(b)
        shown[cued["frame"]] = canvas_hash(b)[0]
        b.click_element("#play")
        settle(b, "__observer.paints.length > 0", "the first frame")
        after_play = status(b)
        b.press(" ", "Space", 32)
        settle(b, "__observer.status().paused === 1", "the pause")
        # Far past what the link's way saved: SEEKING is painted first.
        paused_at = status(b)["frame"]
        clicked = b.evaluate("performance.now()")
        mouse(b, "mousePressed", *bar_point(b, 160000))
        mouse(b, "mouseReleased", *bar_point(b, 160000))
        frame = landed(b, paused_at, "the far jump")
        shown_at = b.evaluate(f"__observer.paints.find(p => p[0] >= {clicked} && "
                              f"p[1] === {frame_ms(frame)})[0]")
        seeking_first = b.evaluate(f"__observer.seekingPaints.some(t => t >= {clicked} && "
                                   f"t < {shown_at})")
        for ms in (23456, 61234, 100001, 150777):
            mouse(b, "mousePressed", *bar_point(b, ms))
            mouse(b, "mouseReleased", *bar_point(b, ms))
            frame = landed(b, frame, f"the moment near {ms} ms")
            shown[frame] = canvas_hash(b)[0]
        steps = []
        for key, code, key_code in ((",", "Comma", 188), (".", "Period", 190), (".", "Period", 190)):
            b.press(key, code, key_code)
            frame = landed(b, frame, f"the step '{key}'")
            steps.append(frame)
            shown[frame] = canvas_hash(b)[0]
        address = b.evaluate("location.hash")
        b.evaluate("document.getElementById('seek').focus()")
        b.press("ArrowRight", "ArrowRight", 39)
        five_on = landed(b, frame, "5 s on from the slider")
        said = b.evaluate("document.getElementById('seek').getAttribute('aria-valuetext')")
        b.screenshot(os.path.join(SHOTS, "seek-bar.png"))
        # Playing, a drag: held and silent while the picture follows the pointer;
        # let go, the sound starts at the sample of the frame shown.
        b.press(" ", "Space", 32)
        settle(b, "__observer.status().paused === 0", "the resume")
        mouse(b, "mousePressed", *bar_point(b, 30000))
        held = status(b)
        for ms in (40000, 50000, 60000):
            mouse(b, "mouseMoved", *bar_point(b, ms))
            time.sleep(0.2)
        dragged = status(b)
        let_go = b.evaluate("performance.now()")
        mouse(b, "mouseReleased", *bar_point(b, 60000))
        settle(b, f"__observer.status().playing === 1 && __observer.paints.some(p => p[0] > {let_go})",
               "the sound after the drag")
        after_drag = status(b)
        first_after = json.loads(b.evaluate(
            f"JSON.stringify(__observer.paints.find(p => p[0] > {let_go}))"))
    check(seeking_first and after_play["frame"] >= cued["frame"] and
          after_play["seekSample"] == cued["frame"] * RATE // 60,
          f"opened at #t=1:32.4, the picture before Play is frame {cued['frame']} and Play starts "
          f"there (sample {after_play['seekSample']}); a far jump paints SEEKING first: {seeking_first}")
    expected = {int(line[0]): line[4] for line in hash_lines(capture(
        "--hashes", "-", "--at", ",".join(str(frame_ms(f)) for f in sorted(shown))))}
    wrong = [f for f in shown if shown[f] != expected.get(f)]
    check(not wrong and steps[1] == steps[0] + 1 and steps[2] == steps[0] + 2 and
          address == f"#t={frame_ms(steps[2]) // 60000}:{frame_ms(steps[2]) // 1000 % 60:02}."
                     f"{frame_ms(steps[2]) % 1000:03}" and
          five_on == frame_at(frame_ms(frame) + 5000) and " of 3:06, position " in said,
          f"random moments, a step back and on and 5 s from the slider ({sorted(shown)}) are "
          f"capture's frames (differing: {wrong}); paused, the address follows ({address}); "
          f"the slider says '{said}'")
    check(held["held"] == 1 and held["playing"] == 0 and dragged["frame"] != held["frame"] and
          after_drag["held"] == 0 and after_drag["paused"] == 0 and
          after_drag["seekSample"] == frame_at(first_after[1]) * RATE // 60,
          f"a drag holds the sound ({held['playing']}) while the picture follows "
          f"(frame {held['frame']} to {dragged['frame']}); let go, the sound starts at sample "
          f"{after_drag['seekSample']} of the frame shown at {first_after[1]} ms")


def test_links(server):
    cases = [("#t=abc", "#t=abc is not a moment of the demo"),
             ("#t=999", "#t=999 is past the demo's last frame, at 3:06.366")]
    for fragment, line in cases:
        with Browser() as b:
            opened(b, server.url + fragment)
            said = b.evaluate("document.getElementById('problems').textContent")
            state = b.evaluate("document.body.dataset.state")
            frame = status(b)["frame"]
        check(said.startswith(line) and state == "ready" and frame == -1,
              f"a link to {fragment}: '{said}', and the page is ready to play from the start")
    with Browser() as b:
        b.open("file://" + os.path.join(PAGE, "index.html"))
        b.wait_for("document.readyState === 'complete'", what="the page from a file")
        time.sleep(1)
        said = b.evaluate("(() => { const u = document.getElementById('unserved');"
                          " return u.offsetWidth > 0 ? u.textContent : ''; })()")
    check("./run.sh --web" in said and "scripts/serve-page" in said,
          f"opened from a file, the page says how to serve it: '{' '.join(said.split())[:80]}...'")


def best_start(b, since, song):
    """Of the reads since `since`, the one that holds most of the song's
    sound from its first sample on: (ok, frames of it)."""
    polls = json.loads(b.evaluate(f"__observer.pollsSince({since})"))
    return max((follows(Sound.from_poll(p), song) for p in polls), key=lambda f: (f[0], f[1]),
               default=(False, 0))


def follows(heard, song):
    """Whether `heard` ends in the song's sound from its first sample on,
    played straight on from wherever it begins: (ok, frames of song heard)."""
    at = heard.find(Sound(song.left[:2048], song.right[:2048]))
    if at < 0:
        return False, 0
    n = heard.frames() - at
    tail = Sound(heard.left[at * 2:], heard.right[at * 2:])
    return tail.left == song.left[:n * 2] and tail.right == song.right[:n * 2], n


def test_sound(server, from_start):
    with Browser() as b:
        opened(b, server.url)
        b.evaluate("__observer.startPolling(100, 32768)")
        b.click_element("#play")
        time.sleep(2)
        start_ok, start_n = best_start(b, 0, from_start)
        # A click on the seek bar, in position 20: the sound goes on from its frame.
        jumped = b.evaluate("performance.now()")
        mouse(b, "mousePressed", *bar_point(b, 108000))
        mouse(b, "mouseReleased", *bar_point(b, 108000))
        settle(b, "__observer.status().position === 20", "the jump")
        frame = status(b)["seekSample"] // (RATE // 60)
        time.sleep(1.5)
        polls = b.evaluate(f"__observer.pollsSince({jumped})")
        b.evaluate("__observer.stopPolling()")
        # Two more reads, 2 s apart: each the desktop's sound where the time
        # since the first puts it.
        reads = []
        for _ in range(2):
            time.sleep(2)
            reads.append(json.loads(b.evaluate("__observer.pollNow(32768)")))
    from_jump = desktop_sound(CAPTURE, RUN, frame_ms(frame) + 8000, start=str(frame_ms(frame)))
    jump_ok, jump_n = max((follows(Sound.from_poll(p), from_jump) for p in json.loads(polls)),
                          key=lambda f: (f[0], f[1]), default=(False, 0))
    reads = [(p["t"], from_jump.find(Sound.from_poll(p))) for p in reads]
    steady = all(at >= 0 for _, at in reads) and abs(
        (reads[1][1] - reads[0][1]) - (reads[1][0] - reads[0][0]) * RATE) <= 256
    check(start_ok and start_n > RATE // 4 and jump_ok and jump_n > RATE // 4 and steady,
          f"the page's output plays capture's sound sample for sample: from the start "
          f"({start_n} frames read), after a click on the seek bar from its frame {frame} on "
          f"({jump_n} frames), and 2 s later where the time puts it ({reads})")


def test_slow_machine(server, reference):
    with Browser() as b:
        m = play_and_measure(b, server.url, rate=32, seconds=20, reference=reference)
    check("drift" in m and m["underruns"] == 0 and abs(m["drift"]) < 50,
          f"at 32x CPU slow-down the sound plays whole: {describe(m)}")


def test_fallback(server, reference):
    port = server.url.rsplit(":", 1)[1].rstrip("/")
    with Browser(extra_args=["--host-resolver-rules=MAP ondrivale.test 127.0.0.1"]) as b:
        b.inject(SHORT_STALLS)
        results = hold_and_measure(b, f"http://ondrivale.test:{port}/", reference)
        worklet = b.evaluate("__observer.underruns !== null")
    check(not worklet and all(g is not None and abs(g) < 50 for _, g, _ in results),
          f"served from another host (no worklet), the picture keeps to the sound heard: "
          f"median gap {', '.join(f'{w} {g if g is None else round(g, 1)} ms ({n})' for w, g, n in results)}")


STATE = "JSON.stringify([__observer.context.currentTime, __observer.status()])"


def test_hidden_page(server):
    with Browser() as b:
        opened(b, server.url)
        b.click_element("#play")
        settle(b, "__observer.paints.length > 0", "the first frame")
        time.sleep(2)
        tab = b.call("Target.createTarget", session=False, url="about:blank")["targetId"]
        b.wait_for("document.hidden && __observer.status().paused === 1", timeout=30,
                   what="the pause of a hidden page")
        hidden = json.loads(b.evaluate(STATE))
        time.sleep(3)
        still = json.loads(b.evaluate(STATE))
        b.call("Target.closeTarget", session=False, targetId=tab)
        b.wait_for("!document.hidden && __observer.status().paused === 0", timeout=30,
                   what="the page shown again")
        time.sleep(3)
        back = json.loads(b.evaluate(STATE))
    moved = back[1]["musicMs"] - hidden[1]["musicMs"]
    check(still[0] == hidden[0] and still[1]["musicMs"] == hidden[1]["musicMs"] and
          2000 < moved < 3500,
          f"hidden for 3 s, the sound's clock and the picture stood still ({hidden[0]:.2f} s, "
          f"{hidden[1]['musicMs']} ms), and went on together once shown: {moved} ms in 3 s")


# ---- a first run --------------------------------------------------------------------------

# Every part of the page, in the document's coordinates.
PAGE_PARTS = """(() => {
  const parts = [];
  for (const e of document.querySelectorAll('#page *')) {
    const r = e.getBoundingClientRect();
    if (r.width === 0 || e.closest('.hidden, .gone')) continue;
    parts.push([e.id || e.className || e.tagName, r.left + scrollX, r.top + scrollY,
                r.right + scrollX]);
  }
  const title = document.getElementById('title').getBoundingClientRect();
  return { parts, width: innerWidth, scrollWidth: document.documentElement.scrollWidth,
           titleTop: title.top, titleBottom: title.bottom, height: innerHeight };
})()"""

VISIBLE_TEXT = "document.getElementById('page').innerText"


def test_first_run(server):
    QuietHandler.requests.clear()
    with Browser(200, 150) as b:
        opened(b, server.url)
        seen = b.evaluate(PAGE_PARTS)
        b.screenshot(os.path.join(SHOTS, "small-window.png"))
        notes = b.evaluate("[...document.querySelectorAll('#keys .note')]"
                           ".every(n => n.getClientRects().length === 1)")
        b.evaluate("document.getElementById('play').scrollIntoView({block: 'center'})")
        b.click_element("#play")
        settle(b, "__observer.paints.length > 0", "the first frame")
    out_of_reach = [p for p in seen["parts"] if p[1] < 0 or p[2] < 0 or p[3] > seen["width"]]
    check(not out_of_reach and seen["scrollWidth"] <= seen["width"] and
          0 <= seen["titleTop"] and seen["titleBottom"] <= seen["height"] and notes,
          f"at 200x150 the title stands in view ({seen['titleTop']:.0f} to "
          f"{seen['titleBottom']:.0f} px), every part within reach (out of it: "
          f"{out_of_reach[:3]}), no key's note broken, and Play plays")
    failed = [r for r in QuietHandler.requests if r[1] >= 400]
    check(not failed, f"loading and playing asks for nothing that is not there: {failed}")

    with Browser(360, 640) as b:
        b.call("Emulation.setTouchEmulationEnabled", enabled=True, maxTouchPoints=5)
        b.call("Emulation.setDeviceMetricsOverride", width=360, height=640,
               deviceScaleFactor=2, mobile=True)
        opened(b, server.url)
        cells = b.evaluate("[...document.querySelectorAll('.cell, #seek, #buttons button')]"
                           ".map(c => { const r = c.getBoundingClientRect(); "
                           "return [r.width, r.height]; })")
        text = b.evaluate(VISIBLE_TEXT)
        b.screenshot(os.path.join(SHOTS, "phone.png"))
    small = [c for c in cells if min(c) < 44]
    check(len(cells) == 35 + 1 + 8 and not small and "press space" not in text and
          "Space" not in text,
          f"on a phone the 35 position cells, the seek bar and the buttons are at least 44 px "
          f"({small[:2]}) and nothing speaks of a keyboard")


# ---- panels -------------------------------------------------------------------------------

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


def replace_file(root, name, data, listed=None):
    """Writes data as the file, and its new size into files.json."""
    with open(os.path.join(root, name), "wb") as f:
        f.write(data)
    listed_path = os.path.join(root, "files.json")
    with open(listed_path) as f:
        entries = json.load(f)
    for entry in entries:
        if entry["name"] == name:
            entry["bytes"] = len(data)
    with open(listed_path, "w") as f:
        json.dump(listed if listed is not None else entries, f)


def head_of(name, size):
    with open(os.path.join(PAGE, name), "rb") as f:
        return f.read(size)


def truncate(name):
    return lambda root: replace_file(root, name, head_of(name, os.path.getsize(
        os.path.join(PAGE, name)) // 2))


def remove(name):
    return lambda root: os.remove(os.path.join(root, name))


# Whether the panel's title shows: drawn in the demo's lettering, or as
# plain text when the font or the engine is what failed.
PANEL_TITLE = """(() => {
  const canvas = document.querySelector('#failure canvas.lettering');
  const plain = document.querySelector('#failure .plain');
  if (plain) return plain.offsetWidth > 0 ? 'plain ' + plain.textContent : '';
  const d = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
  let lit = 0;
  for (let i = 3; i < d.length; i += 4) lit += d[i] > 0;
  return canvas.offsetWidth > 0 && lit > 50 ? 'lettering' : '';
})()"""

PANEL = """JSON.stringify({ why: document.getElementById('failureWhy').textContent,
  shown: !document.getElementById('failure').classList.contains('hidden'),
  play: document.getElementById('play').textContent.includes('error') ||
        !document.getElementById('play').classList.contains('hidden') ||
        [...document.querySelectorAll('#buttons .key')].some(b => !b.disabled ||
          b.getAttribute('aria-pressed') === 'true') })"""


def test_panels():
    cases = [
        ("a missing data/velmira.png", remove("data/velmira.png"),
         "cannot download data/velmira.png: 404", "lettering"),
        ("a truncated data/title.png", truncate("data/title.png"),
         "error loading data/title.png", "lettering"),
        ("an empty data/patterndata.bin",
         lambda root: replace_file(root, "data/patterndata.bin", b""),
         "error loading data/patterndata.bin: 0 of 42260 bytes", "lettering"),
        ("a cut data/patterndata.bin", truncate("data/patterndata.bin"),
         "error loading data/patterndata.bin: 21130 of 42260 bytes", "lettering"),
        ("a missing data/font.png", remove("data/font.png"),
         "cannot download data/font.png: 404", "plain CANNOT PLAY"),
        ("a missing ondrivale.wasm", remove("ondrivale.wasm"),
         "cannot download ondrivale.wasm: 404", "plain CANNOT PLAY"),
        ("a missing files.json", remove("files.json"),
         "cannot download files.json: 404", "plain CANNOT PLAY"),
        ("a files.json that is not a list",
         lambda root: open(os.path.join(root, "files.json"), "w").write('{"files": []}'),
         "files.json is not a list of the demo's files", "plain CANNOT PLAY"),
    ]
    with Browser() as b:
        for script in (OBSERVER, SHORT_STALLS):
            b.inject(script)
        for what, change, reason, title in cases:
            b.exceptions.clear()
            with page_copy(change) as server:
                b.open(server.url)
                settle(b, "false", f"the panel for {what}")
                panel = json.loads(b.evaluate(PANEL))
                shown = b.evaluate(PANEL_TITLE)
                b.screenshot(os.path.join(SHOTS, f"panel-{what.split()[-1].replace('/', '-')}.png"))
            # Nothing offers to play, or shows a control on.
            check(panel["shown"] and reason in panel["why"] and shown == title and
                  not panel["play"] and not b.exceptions,
                  f"{what}: the page says '{panel['why']}' under its title ({shown or 'not shown'})"
                  f"{', with an uncaught exception' if b.exceptions else ''}"
                  f"{', with Play or a control on' if panel['play'] else ''}")


def damaged_song(root):
    """4 KB of noise 100 kB into the song (some 5 s): it opens and states its
    length; the second processor goes on at the next good page."""
    song = bytearray(head_of("data/ondrivale.ogg", 10 ** 8))
    song[100000:104096] = bytes((i * 2654435761 >> 13) & 255 for i in range(4096))
    replace_file(root, "data/ondrivale.ogg", bytes(song))


def test_problem_lines(from_start):
    cases = [
        ("a cut soundtrack", lambda root: replace_file(
            root, "data/ondrivale.ogg", head_of("data/ondrivale.ogg", 100000)), 0,
         "no music: data/ondrivale.ogg ends at 5.6 s, the demo needs 186.4 s"),
        ("a soundtrack damaged mid-way", damaged_song, 9,
         "data/ondrivale.ogg is damaged at 5."),
    ]
    for what, change, play_s, line in cases:
        goes_on = "damaged" in line
        with page_copy(change) as server, Browser() as b:
            opened(b, server.url)
            b.click_element("#play")
            settle(b, "__observer.paints.length > 0", "the first frame")
            time.sleep(play_s)
            shown = b.evaluate("(() => { const p = document.getElementById('problems');"
                               " return p.offsetWidth > 0 ? p.textContent : ''; })()")
            b.screenshot(os.path.join(SHOTS, f"problem-{what.split()[-1]}.png"))
            # Past the damage the output plays the song's own sound again.
            after = from_start.find(Sound.from_poll(json.loads(b.evaluate(
                "__observer.pollNow(4096)")))) if goes_on else 0
        check(shown.startswith(line) and "\n" not in shown and
              (not goes_on or shown.endswith("goes on") and after > 6 * RATE),
              f"{what}: under the picture, once, '{shown}', and it plays"
              f"{f' (past the damage, the song from {after / RATE:.1f} s)' if goes_on else ''}")


PROBLEMS = ("(() => { const p = document.getElementById('problems');"
            " return p.offsetWidth > 0 ? p.textContent : ''; })()")


def music_moves(b, seconds):
    """The music time on screen after `seconds` more of play, less before."""
    before = status(b)["musicMs"]
    time.sleep(seconds)
    return status(b)["musicMs"] - before


def test_decoder_failures(server):
    size = os.path.getsize(os.path.join(PAGE, "song-decoder.wasm"))
    noise = bytes((i * 2654435761 >> 13) & 255 for i in range(size))
    cases = [
        ("a damaged song-decoder.wasm", noise, "no music: song-decoder.wasm cannot run: "),
        ("another module as song-decoder.wasm", head_of("ondrivale.wasm", 10 ** 8),
         "no music: song-decoder.wasm is not the song decoder"),
    ]
    for what, module, line in cases:
        with page_copy(lambda root: replace_file(root, "song-decoder.wasm", module)) as copy, \
                Browser() as b:
            opened(b, copy.url)
            before_play = b.evaluate(PROBLEMS)
            b.click_element("#play")
            # No sound output: the observer notes no paints.
            settle(b, "__observer.status().frame >= 0", "the first frame")
            # On the wall clock from the click: the music time moves at once,
            # where a clock waiting for sound would stand for seconds.
            moved = music_moves(b, 1.5)
            time.sleep(3)
            shown = b.evaluate(PROBLEMS)
        check(before_play.startswith(line) and shown == before_play and moved > 0 and
              not b.exceptions,
              f"{what}: before Play, once, '{before_play}'; Play plays on the wall clock at "
              f"once ({moved} ms in 1.5 s) and nothing more is said"
              f"{', with an uncaught exception' if b.exceptions else ''}")

    with Browser() as b:
        opened(b, server.url)
        # Attached once it runs: the worker of the page, to end it from inside.
        b.call("Target.setAutoAttach", autoAttach=True, waitForDebuggerOnStart=False,
               flatten=True)
        b.click_element("#play")
        settle(b, "__observer.paints.length > 0", "the first frame")
        time.sleep(1)
        worker = next(a["sessionId"] for a in b.attached if a["targetInfo"]["type"] == "worker")
        page, b.session = b.session, worker
        try:
            b.call("Runtime.evaluate",
                   expression="setTimeout(() => { throw new Error('ended by the test'); })")
        finally:
            b.session = page
        settle(b, f"{PROBLEMS} !== ''", "the line of a decoder that stopped")
        moved = music_moves(b, 2)
        b.click_element('.cell[data-position="20"]')
        settle(b, "__observer.status().position === 20", "the jump")
        after_jump = music_moves(b, 2)
        shown = b.evaluate(PROBLEMS)
    check(shown.startswith("no music: the song decoder stopped: ") and "ended by the test" in shown
          and "\n" not in shown and moved > 1000 and after_jump > 1000,
          f"a decoder worker that dies while the demo plays: once, '{shown}'; the picture goes "
          f"on ({moved} ms in 2 s, {after_jump} ms in 2 s after a jump)")


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
                for script in (OBSERVER, SHORT_STALLS):
                    b.inject(script)
                b.open(server.url)
                settle(b, "false", "the stalled download's panel")
                why = b.evaluate("document.getElementById('failureWhy').textContent")
                retry = b.evaluate("document.getElementById('retry').offsetWidth > 0")
                b.screenshot(os.path.join(SHOTS, "stalled.png"))
                StallingHandler.released.set()
                b.click_element("#retry")
                b.wait_for("document.body.dataset.state === 'ready'", what="the page after a retry")
        finally:
            StallingHandler.released.set()
    check(why == "data/ondrivale.ogg stalled: nothing came for 20 s, after 1.0 MB of it" and retry,
          f"a stalled download: the page says '{why}' and offers to try again, which gets it ready")


def main():
    os.makedirs(SHOTS, exist_ok=True)
    from_start = desktop_sound(CAPTURE, RUN, 40000)
    server = StaticServer(PAGE)
    try:
        test_shipped_page()
        test_positions(server)
        test_seek_bar(server)
        test_links(server)
        test_sound(server, from_start)
        test_slow_machine(server, from_start)
        test_fallback(server, from_start)
        test_hidden_page(server)
        test_first_run(server)
        test_panels()
        test_problem_lines(from_start)
        test_decoder_failures(server)
        test_stalled_download()
    finally:
        server.close()
    print(f"web page: {len(passes)} passed, {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
