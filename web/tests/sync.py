"""How well the page's picture keeps to the sound heard, in headless Chromium.

play_and_measure() opens the page, slows the browser's CPU by `rate` (the
DevTools call a phone or a busy machine stands for), clicks Play and plays
for `seconds`. Each new picture's music time is compared with the song's
sample heard as that picture is seen (the page's `gaps`, measured from what
the sound output played, apart from the player's own clock).
"""
import json
import statistics
import time

READY = "document.body && ['ready', 'failed'].includes(document.body.dataset.state)"


def play_and_measure(browser, url, rate, seconds, settle=2.0):
    browser.open(url)
    browser.wait_for(READY, what="the Play button")
    browser.call("Emulation.setCPUThrottlingRate", rate=rate)
    browser.click_element("#play")
    browser.wait_for("page.firstFrameMs > 0", timeout=120, what="the first frame")
    time.sleep(settle)
    start = browser.evaluate("JSON.stringify([performance.now(), page.paints, "
                             "page.module._webSkippedFrames(), page.underruns])")
    time.sleep(seconds)
    end = browser.evaluate("JSON.stringify([performance.now(), page.paints, "
                           "page.module._webSkippedFrames(), page.underruns, "
                           "page.module._webClockFollowsSound()])")
    browser.call("Emulation.setCPUThrottlingRate", rate=1)
    start, end = json.loads(start), json.loads(end)
    gaps = browser.evaluate(f"JSON.stringify(page.gaps.filter(g => g.at >= {start[0]} && "
                            f"g.at <= {end[0]}))")
    gaps = [(g["at"], g["ms"]) for g in json.loads(gaps)]
    if not gaps:
        return {"rate": rate, "gaps": 0}
    first = [ms for at, ms in gaps if at < start[0] + 2000] or [gaps[0][1]]
    last = [ms for at, ms in gaps if at > end[0] - 2000] or [gaps[-1][1]]
    return {
        "rate": rate,
        "gaps": len(gaps),
        "median": statistics.median(ms for _, ms in gaps),
        "largest": max(abs(ms) for _, ms in gaps),
        "moved": statistics.median(last) - statistics.median(first),
        "shown": end[1] - start[1],
        "skipped": end[2] - start[2] if end[2] >= start[2] else end[2],
        "underruns": end[3] - start[3],
        "seconds": (end[0] - start[0]) / 1000,
        "follows_sound": bool(end[4]),
    }


def describe(m):
    if not m.get("gaps"):
        return f"{m['rate']:>3g}x: no picture came"
    return (f"{m['rate']:>3g}x: gap median {m['median']:+6.1f} ms, largest {m['largest']:5.1f} ms, "
            f"moved {m['moved']:+6.1f} ms; {m['shown'] / m['seconds']:5.1f} frames/s shown, "
            f"{m['skipped']} skipped, {m['underruns']} underruns"
            + ("" if m["follows_sound"] else " (on the wall clock)"))
