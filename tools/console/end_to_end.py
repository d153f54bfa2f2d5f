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
import signal
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


def rig(work, stdin=None, timeout=900, screen_bytes=None, card=None, **options):
    """The program in its namespace; options are the rig's RIG_... settings."""
    env = dict(os.environ, CONSOLE_CLOCK_STEP_US=str(STEP_US), RIG_TIMEOUT=str(timeout))
    if stdin:
        env["RIG_STDIN"] = stdin
    if screen_bytes:
        env["RIG_FB_BYTES"] = str(screen_bytes)
    env.update({f"RIG_{name.upper()}": str(value) for name, value in options.items()})
    return subprocess.Popen([RIG, BUILD, card or CARD, work], env=env)


def program_pid(rig_pid):
    """The qemu-arm that runs the program, among the rig's descendants."""
    pending = [rig_pid]
    while pending:
        pid = pending.pop()
        if read(f"/proc/{pid}/comm").strip() == "qemu-arm":
            return pid
        try:
            tasks = os.listdir(f"/proc/{pid}/task")
        except OSError:  # gone meanwhile
            tasks = []
        for task in tasks:
            pending += [int(child) for child in read(f"/proc/{pid}/task/{task}/children").split()]
    return None


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


RELEASED_AND_HALTED = ["released: running code940.bin", "halted", "ended"]
NEVER_RELEASED = ["ended"]


def check_hand_over(work, name, lines=PROGRESS, processor=RELEASED_AND_HALTED):
    check(run_status(work) == 0, f"{name}: the run ends with the menu program's status 0 "
          f"(got {run_status(work)}; stderr: {read(os.path.join(work, 'stderr.txt'))[-300:]!r})")
    check(read(os.path.join(work, "menu.txt")).strip() == "/usr/gp2x /usr/gp2x/gp2xmenu 0",
          f"{name}: the program replaced itself with /usr/gp2x/gp2xmenu, run in /usr/gp2x "
          f"(the stand-in found {read(os.path.join(work, 'menu.txt')).strip()!r})")
    said = read(os.path.join(work, "stdout.txt")).splitlines()
    check(said == lines, f"{name}: standard output is {lines}: {said}")
    log = read(os.path.join(work, "second_cpu.log")).splitlines()
    what = ("released with code940.bin and halted by the program's register writes"
            if processor == RELEASED_AND_HALTED else "never released")
    check(log == processor, f"{name}: the second processor was {what} before its process "
          f"ended: {log}")


def check_line_on_screen(work, name):
    """The framebuffer as the program left it holds text under the loading
    bar, where only a problem line goes (row 13 of the text console and
    below: y 135 on; the bar is row 11)."""
    screen = read(os.path.join(work, "fb0"), "rb")[:320 * 240 * 2]
    below = screen[135 * 640:235 * 640]
    check(len(screen) == 320 * 240 * 2 and below.strip(b"\0"),
          f"{name}: the line is on the screen too, under the loading bar")


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


# ---- the lines it says ------------------------------------------------------------------

# A printf conversion newlib does not know (C99's size_t, intmax_t and
# ptrdiff_t lengths, long double): the console would print it raw.
UNKNOWN_CONVERSION = re.compile(r'"[^"\n]*%[-+ #0]*(\d+|\*)?(\.(\d+|\*))?[zjtL][a-zA-Z][^"\n]*"')
CONSOLE_SOURCES = ["core", "video", "fixed", "engine3d", "music", "scenes", "platform/gp2x",
                   "platform/stb", "platform/code940", "console"]


def message_lines_match(scratch):
    """Every line the program formats comes out as the desktop's: the same
    program on each build's C library, byte for byte; and no format in the
    console program's sources that its C library lacks."""
    commands = {"desktop": [os.path.join(BUILD, "message_lines")],
                "console": ["qemu-arm", "-cpu", "ti925t",
                            os.path.join(ROOT, "build-console", ".cmake", "message_lines")]}
    differ = []
    for case in ("texts", "table-cut", "table-long", "table-riff"):
        said = {}
        for side, command in commands.items():
            folder = os.path.join(scratch, f"lines-{case}-{side}")
            os.makedirs(os.path.join(folder, "data"))
            shutil.copy(os.path.join(CARD, "code940.bin"), folder)
            shutil.copy(os.path.join(CARD, "data", "ondrivale.ogg"), os.path.join(folder, "data"))
            run = subprocess.run(command + [case], cwd=folder, capture_output=True, timeout=300)
            said[side] = (run.returncode, run.stdout.decode("latin-1").splitlines())
        if said["desktop"] != said["console"]:
            differ.append((case, said))
    check(not differ, f"the console's C library formats every line as the desktop's does: "
          f"{differ[:1] if differ else 'all alike'}")
    found = [f"{os.path.relpath(os.path.join(top, name), ROOT)}:{n}"
             for folder in CONSOLE_SOURCES for top, _, names in os.walk(os.path.join(ROOT, folder))
             for name in names if name.endswith((".c", ".cpp", ".h"))
             for n, line in enumerate(read(os.path.join(top, name)).splitlines(), 1)
             if UNKNOWN_CONVERSION.search(line)]
    check(not found, f"no format in the console program's sources that its C library lacks "
          f"(%zu, %jd, %td, %Lf): {found}")


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
    """A framebuffer whose memory cannot hold the screen: one line, and the
    console handed back to its menu."""
    rig(work, timeout=120, screen_bytes=320 * 240 * 2 - 640).wait()
    check_hand_over(work, "a framebuffer too small for the screen",
                    ["Unable to set video: /dev/fb0: cannot set the video mode: Invalid argument"],
                    NEVER_RELEASED)
    calls = read(os.path.join(work, "syscalls.txt"), "rb").decode("latin-1")
    opened = re.findall(r'\bopen\("([^"]*)"', calls)
    check(opened == ["/proc/cpuinfo", "/dev/fb0"], f"... having opened nothing after the screen: "
          f"{opened}")


def card_with(scratch, name, missing=None, altered=None):
    """The build's card (its files linked), one of them missing or with one
    byte altered."""
    card = os.path.join(scratch, name)
    shutil.copytree(CARD, card, copy_function=os.symlink)
    if missing:
        os.remove(os.path.join(card, missing))
    if altered:
        path = os.path.join(card, altered)
        data = bytearray(read(path, "rb"))
        data[len(data) // 2] ^= 0x40
        os.remove(path)
        with open(path, "wb") as f:
            f.write(data)
    return card


def failed_start_runs(scratch):
    """Start-up failures: each said in one line, on the screen too where it
    is up, and the console handed back to its menu; without a menu, one line
    more and status 1."""
    work = os.path.join(scratch, "no-mesh")
    os.mkdir(work)
    rig(work, timeout=120, card=card_with(scratch, "card-no-mesh", missing="data/spid")).wait()
    check_hand_over(work, "a missing data/spid", ["error loading data/spid"], NEVER_RELEASED)
    check_line_on_screen(work, "a missing data/spid")

    work = os.path.join(scratch, "elsewhere")
    os.mkdir(work)
    rig(work, timeout=120, cwd=work, menu="missing").wait()
    card = os.path.realpath(CARD)
    lines = read(os.path.join(work, "stdout.txt")).splitlines()
    check(run_status(work) == 1 and lines == [
        f"the demo's files are not here: no data/ folder in {work} (run it in {card}: cd "
        f"there, then ./ondrivale.gpe)",
        "cannot hand the console back to its menu: /usr/gp2x/gp2xmenu: No such file or directory"],
        f"started from another folder, on a console without its menu: where it looked, why "
        f"there is no menu, and status 1: {run_status(work)} {lines}")
    check_line_on_screen(work, "started from another folder")


def ended_early(work, name, end, lines=PROGRESS, processor=RELEASED_AND_HALTED, terminal=False,
                wait_for=None, card=None, **options):
    """A run ended once it shows its frames (and, if given, once its standard
    output holds wait_for) by end(program's pid, terminal) -> what it did:
    a quit, which hands the console back to its menu, the terminal as it
    was. The deadline is against a hang only (the rig's timeout ends it)."""
    master = slave = None
    if terminal:
        master, slave = pty.openpty()
        before = termios.tcgetattr(slave)
    process = rig(work, stdin=os.ttyname(slave) if terminal else None, timeout=300, card=card,
                  **options)
    deadline = time.time() + 300
    done = None
    while process.poll() is None and time.time() < deadline:
        if done is None and len(read(os.path.join(work, "screens.txt")).splitlines()) >= 40 and (
                wait_for is None or wait_for in read(os.path.join(work, "stdout.txt"))):
            pid = program_pid(process.pid)
            done = end(pid, master) if pid is not None else None
        time.sleep(0.2)
    process.wait(timeout=max(1, deadline - time.time()))
    check(done is not None, f"{name}: {done} once it showed its frames")
    check_hand_over(work, name, lines, processor)
    if terminal:
        after = termios.tcgetattr(slave)
        os.close(master)
        os.close(slave)
        check(after == before, f"{name}: the terminal's settings are as they were")


def ended_by_signal(work, name, number, lines, processor=RELEASED_AND_HALTED, **options):
    def send(pid, _):
        os.kill(pid, number)
        return f"{signal.Signals(number).name} sent"
    ended_early(work, name, send, lines, processor, **options)


def quit_runs(scratch):
    """Every signal that would end a program asks it to quit, the sound
    device's failures are said once, and a damaged code940.bin is never
    released: each run ended by another signal, on a console with another
    fault."""
    before_loading = ["init...", "init done", "loading ", "loading done"]

    def without_sound(why):
        return before_loading[:1] + [f"no sound: {why}"] + before_loading[1:]

    runs = [
        ("SIGHUP, the sound device busy", signal.SIGHUP,
         without_sound("the sound device /dev/dsp is busy: another program is playing on it"),
         dict(terminal=True, supervisor="--dsp-busy")),
        ("SIGQUIT, the sound device at 22050 Hz", signal.SIGQUIT,
         without_sound("the sound device plays 22050 Hz, not 44100 Hz"),
         dict(supervisor="--dsp-answer-speed 22050")),
        ("SIGUSR1, the sound format refused", signal.SIGUSR1,
         without_sound("the sound device refuses signed 16-bit little-endian: Invalid argument"),
         dict(supervisor="--dsp-refuse format")),
        ("SIGPIPE, no sound device", signal.SIGPIPE,
         without_sound("there is no sound device (/dev/dsp is missing)"), dict(dsp="missing")),
        ("SIGALRM, /dev/dsp a directory", signal.SIGALRM,
         without_sound("/dev/dsp is a directory, not a sound device"), dict(dsp="directory")),
    ]
    for name, number, lines, options in runs:
        work = os.path.join(scratch, name.split(",")[0])
        os.mkdir(work)
        ended_by_signal(work, name, number, lines, NEVER_RELEASED, **options)

    stalled = "the sound device stopped taking sound (nothing taken for 2 s): the demo goes on"
    work = os.path.join(scratch, "stalled")
    os.mkdir(work)
    ended_by_signal(work, "SIGTERM, the sound device stalled", signal.SIGTERM,
                    PROGRESS + [stalled], wait_for=stalled, dsp_stalls_after=65536)

    work = os.path.join(scratch, "damaged")
    os.mkdir(work)
    damaged = card_with(scratch, "card-damaged", altered="code940.bin")
    ended_by_signal(work, "SIGXCPU, code940.bin damaged", signal.SIGXCPU,
                    ["init...", "startup...", "entering thread loop", "init done",
                     "no music: code940.bin is not a program the second processor runs",
                     "loading ", "loading done"], NEVER_RELEASED, card=damaged)


def backspace_run(work, end_ms):
    """The demo ended by Backspace on its terminal once it shows its frames."""
    def type_backspace(_, terminal):
        os.write(terminal, b"\x7f")
        return "Backspace typed"
    ended_early(work, "Backspace", type_backspace, terminal=True)
    shown = screens(work)
    # Before the music's end on the program's clock, which moves only as it
    # runs: not a matter of how soon this machine delivered the key.
    check(shown and shown[-1][0] - shown[0][0] < end_ms,
          f"Backspace ended the demo early ({len(shown)} screens, the last at "
          f"{shown[-1][0] if shown else '?'} ms)")


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
        message_lines_match(scratch)
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
        failed_start_runs(scratch)
        quit_runs(scratch)
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
