"""How the page's sound and picture keep to the sound output's own clock, in
headless Chromium, watched from outside the page (observer.js).

play_and_measure() opens the page, slows the browser's CPU by `rate` (the
DevTools call a phone or a busy machine stands for), clicks Play and plays
for `seconds`. Every quarter of a second the observer reads the last samples
the page's output rendered; each read is found in the desktop's own sound
(capture's), which gives the song's sample being played at that
AudioContext.currentTime. A song that plays whole keeps the two a constant
distance apart; a stutter moves them apart for good ("drift"). Each picture
shown is compared with the music heard as it is seen ("gap"). None of it is
the page's own report, but the worklet's count of underruns.
"""
import array
import json
import os
import shutil
import statistics
import subprocess
import tempfile
import time

READY = "document.body && ['ready', 'failed'].includes(document.body.dataset.state)"
OBSERVER = open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "observer.js")).read()
RATE = 44100
POLL_FRAMES = 2048
# A picture painted is seen about a display frame later.
DISPLAY_MS = 1000 / 60


class Sound:
    """Stereo 16-bit sound as one bytes object a channel, for finding stretches in it."""

    def __init__(self, left, right, start=0):
        self.left, self.right = left, right
        self.start = start  # the song's frame at which it begins

    @staticmethod
    def from_wav(path):
        with open(path, "rb") as f:
            wav = f.read()
        samples = array.array("h", wav[wav.index(b"data") + 8:])
        return Sound(samples[0::2].tobytes(), samples[1::2].tobytes())

    @staticmethod
    def from_poll(poll):
        import base64
        return Sound(base64.b64decode(poll["left"]), base64.b64decode(poll["right"]))

    def frames(self):
        return len(self.left) // 2

    def find(self, piece, start=0):
        """The first frame at or after `start` from which `piece` follows exactly, or -1."""
        at = start * 2
        while True:
            at = self.left.find(piece.left, at)
            if at < 0:
                return -1
            if at % 2 == 0 and self.right[at:at + len(piece.right)] == piece.right:
                return at // 2
            at += 1

    def silent(self):
        return not self.left.strip(b"\0") and not self.right.strip(b"\0")


def desktop_sound(capture, run, to, start="0"):
    """The sound capture writes from `start` to `to` (its --from and --to)."""
    folder = tempfile.mkdtemp(prefix="web-sound-")
    try:
        subprocess.run([capture, "--frames", os.path.join(folder, "f"), "--from", start,
                        "--to", str(to)], cwd=run, check=True, capture_output=True)
        return Sound.from_wav(os.path.join(folder, "f", "sound.wav"))
    finally:
        shutil.rmtree(folder)


def locate(polls, reference):
    """[(context time, song frame just after the last frame read)] for the
    reads found in the reference; and how many were not silent yet not found."""
    found, lost = [], 0
    for p in polls:
        piece = Sound.from_poll(p)
        if piece.silent():
            continue
        at = reference.find(piece)
        if at < 0:
            lost += 1
        else:
            found.append((p["t"], reference.start + at + piece.frames()))
    return found, lost


def gaps(paints, found):
    """Each picture's music time less the music heard as it is seen (ms),
    from the song's frames found played at their context times: the song's
    place against the output's clock nearest the time it was seen."""
    offsets = [(t, frame / RATE - t) for t, frame in found]
    out = []
    for perf, music_ms, context_time, stamp_perf in paints:
        if context_time <= 0 or music_ms < 0:
            continue
        seen = context_time + (perf + DISPLAY_MS - stamp_perf) / 1000
        near, offset = min(((abs(t - seen), o) for t, o in offsets), default=(1, 0))
        if near < 0.5:
            out.append(music_ms - (seen + offset) * 1000)
    return out


def since(browser, perf):
    """The observer's reads of the sound and its pictures since `perf`."""
    polls = json.loads(browser.evaluate(f"__observer.pollsSince({perf})"))
    paints = json.loads(browser.evaluate(
        f"JSON.stringify(__observer.paints.filter(p => p[0] >= {perf}))"))
    return polls, paints


def play_again(browser):
    """To the last position, its end, and Play again: the song from its start."""
    browser.evaluate("[...document.querySelectorAll('.cell')].pop().click()")
    browser.wait_for("document.body.dataset.state === 'ended'", timeout=60,
                     what="the demo's end")
    browser.click_element("#again")


# What the fallback output (a page served from another host: no worklet)
# faces: the page's thread held by other work, a jump, and the song started
# again after the end.
HOLDS = (("steady", "0"),
         ("after 500 ms of a busy page",
          "{ const t = performance.now(); while (performance.now() - t < 500); }"),
         ("after a jump", "document.querySelector('.cell[data-position=\"4\"]').click()"),
         ("after play again", play_again))


def hold_and_measure(browser, url, reference):
    """[(what, median gap in ms or None, pictures measured)] for each of HOLDS,
    over 2 s from 1.5 s after it; `reference` from the song's start to past
    position 4."""
    browser.inject(OBSERVER)
    browser.open(url)
    browser.wait_for(READY, what="the Play button")
    browser.click_element("#play")
    browser.wait_for("__observer.paints.length > 0", what="the first picture")
    browser.evaluate(f"__observer.startPolling(100, {POLL_FRAMES})")
    results = []
    for what, act in HOLDS:
        try:
            if callable(act):
                act(browser)
            else:
                browser.evaluate(act)
        except TimeoutError as e:
            # An older page without the end or the button: say so, measure no more.
            results.append((f"{what} (not measured: {e})", None, 0))
            break
        browser.wait_for("__observer.musicMs() >= 0", what=what)
        time.sleep(1.5)
        start = browser.evaluate("performance.now()")
        time.sleep(2)
        polls, paints = since(browser, start)
        measured = gaps(paints, locate(polls, reference)[0])
        results.append((what, statistics.median(measured) if measured else None, len(measured)))
    browser.evaluate("__observer.stopPolling()")
    return results


def main_thread_seconds(browser):
    metrics = browser.call("Performance.getMetrics")["metrics"]
    return next(m["value"] for m in metrics if m["name"] == "TaskDuration")


def play_and_measure(browser, url, rate, seconds, reference, settle=2.0):
    browser.inject(OBSERVER)
    browser.call("Performance.enable")
    browser.open(url)
    try:
        browser.wait_for(READY, what="the Play button")
    except TimeoutError:
        return {"rate": rate, "why": "the page did not get ready to play within 120 s"}
    if browser.evaluate("document.body.dataset.state") == "failed":
        why = browser.evaluate("document.getElementById('failureWhy').textContent")
        return {"rate": rate, "why": f"the page cannot play: {why}"}
    browser.call("Emulation.setCPUThrottlingRate", rate=rate)
    browser.click_element("#play")
    try:
        browser.wait_for("__observer.paints.length > 0", timeout=120, what="the first picture")
    except TimeoutError:
        browser.call("Emulation.setCPUThrottlingRate", rate=1)
        state = browser.evaluate("document.body.dataset.state")
        sound = browser.evaluate("!!__observer.analysers")
        return {"rate": rate, "why": f"no picture came within 120 s of Play (the page is "
                                     f"'{state}', {'with' if sound else 'without'} sound)"}
    time.sleep(settle)
    browser.evaluate(f"__observer.startPolling(250, {POLL_FRAMES})")
    start = browser.evaluate("JSON.stringify([performance.now(), __observer.underruns])")
    # The main thread's time a second, over the last part of the run: the
    # copy of the engine that runs ahead fills the idle time of the first.
    tail = min(20.0, seconds / 2)
    time.sleep(seconds - tail)
    busy_start = main_thread_seconds(browser)
    time.sleep(tail)
    busy_end = main_thread_seconds(browser)
    end = browser.evaluate("JSON.stringify([performance.now(), __observer.underruns])")
    browser.call("Emulation.setCPUThrottlingRate", rate=1)
    browser.evaluate("__observer.stopPolling()")
    (t0, under0), (t1, under1) = json.loads(start), json.loads(end)
    polls, paints = since(browser, t0)
    paints = [p for p in paints if p[0] <= t1]
    result = {"rate": rate, "seconds": (t1 - t0) / 1000, "shown": len(paints),
              "underruns": None if under1 is None else under1 - (under0 or 0),
              "main_ms": (busy_end - busy_start) * 1000 / tail}
    found, result["lost"] = locate(polls, reference)
    if len(found) < 2:
        result["why"] = (f"the output played none of the song's sound ({len(polls)} reads, "
                         f"{result['lost']} of them sound that is not the song's)")
        return result
    # Where the song stands against the output's clock: seconds of song less
    # seconds of the context.
    offsets = [frame / RATE - t for t, frame in found]
    result["drift"] = max((o - offsets[0] for o in offsets), key=abs) * 1000
    result["moved"] = (offsets[-1] - offsets[0]) * 1000
    measured = gaps(paints, found)
    if measured:
        result["gap_median"] = statistics.median(measured)
        result["gap_largest"] = max(measured, key=abs)
    frames = [round(p[1] * 60 / 1000) for p in paints]
    result["not_shown"] = max(frames[-1] - frames[0] + 1 - len(paints), 0) if frames else 0
    return result


def describe(m):
    head = f"{m['rate']:>3g}x{m.get('label', '')}:"
    if "drift" not in m:
        return f"{head} cannot measure: {m['why']}"
    gap = (f"gap median {m['gap_median']:+6.1f} ms, largest {m['gap_largest']:+6.1f} ms; "
           if "gap_median" in m else "no gap measured; ")
    underruns = "?" if m["underruns"] is None else m["underruns"]
    return (f"{head} {gap}song against the output's clock moved {m['moved']:+6.1f} ms "
            f"(at most {m['drift']:+6.1f}); {m['shown'] / m['seconds']:5.1f} frames/s shown, "
            f"{m['not_shown']} not shown; {underruns} underruns; main thread "
            f"{m['main_ms']:4.0f} ms a second" + (f"; {m['lost']} reads not the song's"
                                                  if m["lost"] else ""))
