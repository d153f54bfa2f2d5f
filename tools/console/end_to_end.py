#!/usr/bin/env python3
"""The console program end to end on this machine (./test.sh runs it through
scripts/test.d/console.sh).

Builds the card's folder (scripts/build-console, which also checks the whole
program for ARMv4T), then runs the program under qemu-arm (-cpu ti925t, an
ARMv4T core: any newer instruction would stop it):
  1. outside any namespace, where /proc/cpuinfo is this machine's: it must
     refuse in one line, exit 1 and open nothing but /proc/cpuinfo;
  2. in its namespace (tools/console/rig.sh) for the whole demo, on the
     stepping clock, so that it shows every frame of the 60 fps schedule
     however loaded this machine is;
  3. once more, ended after its first frames by Backspace on a terminal;
  4. on a framebuffer whose memory cannot hold its screen, which it refuses.
and checks what it left against the desktop build: the screens against
capture's frames, the sound against the song's decode, the device requests,
the second processor's releases and halts, the hand-over to the menu, and
every path it opened.

  tools/console/end_to_end.py [BUILD_DIR]    (default: build)
"""
import os
import pty
import re
import shutil
import subprocess
import sys
import tempfile
import termios
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
CARD = os.path.join(ROOT, "build-console", "ondrivale")
RIG = os.path.join(ROOT, "tools", "console", "rig.sh")
STEP_US = 8000  # two readings of the clock a pass: 16 ms, under a frame's 16.7
RATE = 44100 * 4
TOLERANCE = 4  # the integer and the floating-point decoders round apart
EXACT_SECONDS = 10

PROGRESS = ["init...", "startup...", "startup done..", "entering thread loop", "init done",
            "loading ", "loading done"]
DEVICE_REQUESTS = ["fb get 640x480x32", "fb set 320x240x16", "fb get 320x240x16",
                   "fb fixed rows 640 bytes, 1228800 bytes", "dsp speed 0xac44", "dsp format 0x10",
                   "dsp stereo 0x1", "dsp fragments 0x2000b"]
# The paths the program may open; the rest of this machine is none of its business.
OPENED = re.compile(r"^(/proc/cpuinfo|/dev/fb0|/dev/mem|/dev/dsp|code940\.bin|data/[\w.-]+)$")
# The register window and the second processor's memory: length, offset in pages.
MAPPINGS = [("65536", "0xc0000"), ("16252928", "0x3000")]

failures = []


def check(condition, what):
    print(f"console: {'ok' if condition else 'FAILED'}: {what}")
    if not condition:
        failures.append(what)
    return condition


def read(path, mode="r"):
    try:
        with open(path, mode) as f:
            return f.read()
    except OSError:
        return b"" if "b" in mode else ""


def rig(work, stdin=None, timeout=900, screen_bytes=None):
    env = dict(os.environ, CONSOLE_CLOCK_STEP_US=str(STEP_US), RIG_TIMEOUT=str(timeout))
    if stdin:
        env["RIG_STDIN"] = stdin
    if screen_bytes:
        env["RIG_FB_BYTES"] = str(screen_bytes)
    return subprocess.Popen([RIG, BUILD, CARD, work], env=env)


def run_status(work):
    text = read(os.path.join(work, "status")).strip()
    return int(text) if text.isdigit() else None


# ---- what a run left ------------------------------------------------------------------

def screens(work):
    """(ms on the program's clock, hash) of each screen it showed."""
    out = []
    for line in read(os.path.join(work, "screens.txt")).splitlines():
        ms, value = line.split()
        out.append((int(ms), value))
    return out


def check_hand_over(work, name):
    check(run_status(work) == 0, f"{name}: the run ends with the menu program's status 0 "
          f"(got {run_status(work)}; stderr: {read(os.path.join(work, 'stderr.txt'))[-300:]!r})")
    check(read(os.path.join(work, "menu.txt")).strip() == "/usr/gp2x /usr/gp2x/gp2xmenu 0",
          f"{name}: the program replaced itself with /usr/gp2x/gp2xmenu, run in /usr/gp2x "
          f"(the stand-in found {read(os.path.join(work, 'menu.txt')).strip()!r})")
    lines = read(os.path.join(work, "stdout.txt")).splitlines()
    check(lines == PROGRESS, f"{name}: standard output is the start-up's progress lines and "
          f"nothing else: {lines}")
    log = read(os.path.join(work, "second_cpu.log")).splitlines()
    check(log == ["released: running code940.bin", "halted", "ended"],
          f"{name}: the second processor was released with code940.bin and halted by the "
          f"program's register writes before its process ended: {log}")


def check_devices(work):
    log = read(os.path.join(work, "devices.log")).splitlines()
    check(log == DEVICE_REQUESTS, "the framebuffer's mode was read, set to 320x240 at 16 bits, "
          "read back and its layout read; the sound device was set to 44100 Hz, signed 16-bit "
          f"little-endian, stereo, two pieces of 2048 bytes, in that order: {log}")


def check_paths(work):
    calls = read(os.path.join(work, "syscalls.txt"), "rb").decode("latin-1")
    opened = re.findall(r'\bopen\("([^"]*)",([\w|]+)\) = (-?\w+)', calls)
    strange = sorted({path for path, _, _ in opened if not OPENED.match(path)})
    check(opened and not strange, f"the program opened only /proc/cpuinfo, the three devices, "
          f"code940.bin and data/ ({len(opened)} opens); anything else: {strange}")
    failed = sorted({path for path, _, result in opened if result.startswith("-")})
    check(not failed, f"every open succeeded: {failed}")
    mem = {result for path, _, result in opened if path == "/dev/mem"}
    maps = re.findall(r"mmap2\(NULL,(\d+),PROT_READ\|PROT_WRITE,MAP_SHARED,(\d+),(0x[0-9a-f]+|0)\)",
                      calls)
    of_mem = sorted((length, offset) for length, fd, offset in maps if fd in mem)
    check(of_mem == sorted(MAPPINGS), "\"/dev/mem\" was mapped twice, shared and read-write: 64 KiB "
          f"at 0xC0000000 and 0xF80000 bytes at 0x03000000: {of_mem}")
    other = re.findall(r'\b(openat|execve|chdir|mount|symlink|unlink|rename)\("([^"]*)"', calls)
    check(sorted(set(other)) == [("chdir", "/usr/gp2x"), ("execve", "/usr/gp2x/gp2xmenu")],
          f"nothing else named a path but chdir(\"/usr/gp2x\") and the exec of the menu: "
          f"{sorted(set(other))}")


def check_frames(work, capture_hashes):
    shown = screens(work)
    first = capture_hashes[0][2]
    start = next((k for k, (_, value) in enumerate(shown) if value == first), None)
    if not check(start is not None, "the screen shows capture's frame 0"):
        return
    # Both as runs of distinct screens: a still picture is one screen however
    # long it stands.
    expected = []
    for frame, ms, value in capture_hashes:
        if not expected or expected[-1][2] != value:
            expected.append((frame, ms, value))
    got = shown[start:]
    same = 0
    while same < min(len(got), len(expected)) and got[same][1] == expected[same][2]:
        same += 1
    where = f"; screen {same} differs" if same < len(expected) else ""
    check(same == len(expected) == len(got),
          f"every screen from the music's start to its end is capture's frame for its music "
          f"time, in order: {same} of {len(expected)} distinct screens ({len(got)} shown){where}")
    # On the program's own clock each screen came at its music time, as frame
    # 0's did, give or take one step of the clock.
    origin = got[0][0]
    step = STEP_US // 1000
    off = [(frame, shown_ms - origin - ms) for (shown_ms, _), (frame, ms, _) in zip(got, expected)
           if abs(shown_ms - origin - ms) > step]
    check(not off, f"each screen came at its music time on the program's clock, within the "
          f"clock's {step} ms step: {off[:5]}")


def check_sound(work, exact, reference):
    """What the program wrote to the sound device: the song, then silence.

    How much it wrote is not checked: the rig's "/dev/dsp" takes sound as fast
    as it comes, and the second processor is emulated by a process of its own
    at this machine's speed, so the audio thread runs ahead of the program's
    stepping clock (into the silence after the song) or behind it (the demo
    ends before the song has all been written), by as much as this machine's
    load makes it. What the console fixes is what comes, in order: whole
    blocks of the song from its start, and silence once it has ended."""
    sound = read(os.path.join(work, "sound.raw"), "rb")
    seconds = len(sound) / RATE
    check(len(sound) >= EXACT_SECONDS * RATE and len(sound) % 8192 == 0,
          f"the sound device took whole blocks of 8192 bytes, {seconds:.1f} s of music, at "
          f"least the {EXACT_SECONDS} s compared bit for bit")
    n = min(len(sound), len(exact))
    check(n > 0 and sound[:n] == exact[:n],
          f"its first {n / RATE:.1f} s equal, bit for bit, the sound capture writes with the "
          f"desktop's decoder")
    song = min(len(sound), len(reference)) // 2 * 2
    a = memoryview(sound[:song]).cast("h")
    b = memoryview(reference[:song]).cast("h")
    largest = max((abs(x - y) for x, y in zip(a, b)), default=99999)
    check(song > 0 and largest <= TOLERANCE,
          f"its {song / RATE:.1f} s of the song lie within {TOLERANCE} of the song's independent "
          f"decode (oggdec): largest difference {largest}")
    after = sound[song:]
    loud = len(after) - len(after.lstrip(b"\0"))
    what = (f"{len(after) / RATE:.1f} s written after it" if after else
            "the demo ended before it")
    check(loud == len(after), f"after the song's end at {len(reference) / RATE:.1f} s, only "
          f"silence ({what})" + ("" if loud == len(after) else
                                 f": sound at {(song + loud) / RATE:.1f} s"))


# ---- the references ---------------------------------------------------------------------

def references(scratch):
    run_dir = os.path.join(BUILD, "run")
    capture = os.path.join(BUILD, "capture")
    hashes_path = os.path.join(scratch, "hashes.txt")
    subprocess.run([capture, "--hashes", hashes_path], cwd=run_dir, check=True,
                   stdout=subprocess.DEVNULL)
    capture_hashes = []
    for line in read(hashes_path).splitlines():
        frame, ms, _, _, value = line.split()
        capture_hashes.append((int(frame), int(ms), value))
    frames_dir = os.path.join(scratch, "frames")
    subprocess.run([capture, "--frames", frames_dir, "--to", str(EXACT_SECONDS * 1000)],
                   cwd=run_dir, check=True, stdout=subprocess.DEVNULL)
    wav = read(os.path.join(frames_dir, "sound.wav"), "rb")
    exact = wav[wav.index(b"data") + 8:]
    decoded = os.path.join(scratch, "oggdec.raw")
    subprocess.run(["oggdec", "-Q", "-R", "-o", decoded, os.path.join(run_dir, "data", "ondrivale.ogg")],
                   check=True)
    return capture_hashes, exact, read(decoded, "rb")


# ---- the runs ---------------------------------------------------------------------------

def interlock(scratch):
    log = os.path.join(scratch, "outside.txt")
    run = subprocess.run(["qemu-arm", "-cpu", "ti925t", "-strace", "-D", log, "./ondrivale.gpe"],
                         cwd=CARD, capture_output=True, text=True, timeout=60)
    lines = run.stdout.splitlines()
    check(run.returncode == 1 and len(lines) == 1 and "ARM920T" in lines[0],
          f"outside its namespace (this machine's /proc/cpuinfo) the program refuses in one line "
          f"and exits 1: {run.returncode} {lines}")
    opened = re.findall(r'\bopen\("([^"]*)"', read(log, "rb").decode("latin-1"))
    check(opened == ["/proc/cpuinfo"], f"... having opened nothing but /proc/cpuinfo: {opened}")


def small_screen_run(work):
    """A framebuffer whose memory cannot hold the screen: one line, status 1."""
    rig(work, timeout=120, screen_bytes=320 * 240 * 2 - 640).wait()
    lines = read(os.path.join(work, "stdout.txt")).splitlines()
    check(run_status(work) == 1 and lines == ["Unable to set video: /dev/fb0: cannot set the "
                                              "video mode: Invalid argument"],
          f"a framebuffer too small for the screen: one line and status 1: {run_status(work)} {lines}")
    calls = read(os.path.join(work, "syscalls.txt"), "rb").decode("latin-1")
    opened = re.findall(r'\bopen\("([^"]*)"', calls)
    check(opened == ["/proc/cpuinfo", "/dev/fb0"] and not os.path.exists(os.path.join(work, "menu.txt")),
          f"... having opened nothing after the screen, and no menu: {opened}")


def backspace_run(work, end_ms):
    """The demo ended by Backspace once it shows its frames; the terminal as it was."""
    master, slave = pty.openpty()
    before = termios.tcgetattr(slave)
    process = rig(work, stdin=os.ttyname(slave), timeout=300)
    screens_path = os.path.join(work, "screens.txt")
    deadline = time.time() + 300
    while process.poll() is None and time.time() < deadline:
        if len(read(screens_path).splitlines()) >= 40:
            os.write(master, b"\x7f")
            break
        time.sleep(0.2)
    process.wait(timeout=max(1, deadline - time.time()))
    after = termios.tcgetattr(slave)
    os.close(master)
    os.close(slave)
    shown = screens(work)
    # Before the music's end on the program's clock, which moves only as it
    # runs: not a matter of how soon this machine delivered the key.
    check(shown and shown[-1][0] - shown[0][0] < end_ms,
          f"Backspace ended the demo early ({len(shown)} screens, the last at "
          f"{shown[-1][0] if shown else '?'} ms)")
    check_hand_over(work, "Backspace")
    check(after == before, "the terminal's settings are as they were before the program ran")


def main():
    global BUILD
    BUILD = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build"))
    started = time.time()
    build = subprocess.run([os.path.join(ROOT, "scripts", "build-console")], capture_output=True,
                           text=True)
    print(build.stdout.splitlines()[-2] if build.returncode == 0 else build.stdout + build.stderr)
    if build.returncode != 0:
        sys.exit("console: the console program did not build")
    for name in ("ondrivale.gpe", "code940.bin", "ondrivale.txt"):
        check(os.path.isfile(os.path.join(CARD, name)), f"the card's folder holds {name}")
    data = sorted(os.listdir(os.path.join(BUILD, "run", "data")))
    check(sorted(os.listdir(os.path.join(CARD, "data"))) == data,
          f"the card's data/ holds the {len(data)} files of the build's")

    scratch = tempfile.mkdtemp(prefix="console-test-")
    try:
        interlock(scratch)
        whole = os.path.join(scratch, "whole")
        keys = os.path.join(scratch, "keys")
        small = os.path.join(scratch, "small")
        for folder in (whole, keys, small):
            os.mkdir(folder)
        built = time.time()
        process = rig(whole)
        capture_hashes, exact, reference = references(scratch)
        process.wait()
        played = time.time()
        check_hand_over(whole, "the whole demo")
        check_devices(whole)
        check_paths(whole)
        check_frames(whole, capture_hashes)
        check_sound(whole, exact, reference)
        backspace_run(keys, capture_hashes[-1][1])
        small_screen_run(small)
        print(f"console: build {built - started:.0f} s, the whole demo under qemu-arm "
              f"{played - built:.0f} s, the shorter runs {time.time() - played:.0f} s")
    finally:
        if failures:
            print(f"console: what the runs left is in {scratch}")
        else:
            shutil.rmtree(scratch, ignore_errors=True)
    if failures:
        sys.exit(f"console: {len(failures)} checks failed")


if __name__ == "__main__":
    main()
