"""Shared pieces of the end-to-end tests: a private Xvfb, screenshots, keys, windows, message
boxes and the programs under test (picture_model.py has what the screen must show).

Used by the Linux tests (the real build/quarnel) and the Windows tests (quarnel.exe under Wine).
Add to it rather than copy from it.
"""
import os
import random
import re
import signal
import subprocess
import tempfile
import time

PICTURE_W, PICTURE_H = 640, 480
BLOCK_W, BLOCK_H = 40, 30


def free_display():
    """A display number with no X server and no lock file."""
    for n in random.sample(range(100, 900), 800):
        if not os.path.exists(f"/tmp/.X{n}-lock") and not os.path.exists(f"/tmp/.X11-unix/X{n}"):
            return n
    raise RuntimeError("no free X display number")


class Xvfb:
    """A private X server, started on a free display number and stopped on exit."""

    def __init__(self, width=640, height=480, depth=24):
        self.width, self.height, self.depth = width, height, depth
        self.proc = None
        self.display = None

    def __enter__(self):
        for _ in range(5):
            n = free_display()
            self.proc = subprocess.Popen(
                ["Xvfb", f":{n}", "-screen", "0", f"{self.width}x{self.height}x{self.depth}",
                 "-nolisten", "tcp", "-noreset"],
                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            self.display = f":{n}"
            if wait_until(lambda: os.path.exists(f"/tmp/.X11-unix/X{n}") or
                          self.proc.poll() is not None, 10) and self.proc.poll() is None:
                if wait_until(self._answers, 10):
                    return self
            self._stop()
        raise RuntimeError("Xvfb did not start")

    def _answers(self):
        return subprocess.run(["xdpyinfo", "-display", self.display], stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL).returncode == 0

    def _stop(self):
        if self.proc and self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()

    def __exit__(self, *exc):
        self._stop()

    def env(self, **extra):
        env = dict(os.environ)
        env["DISPLAY"] = self.display
        env.update(extra)
        return env


def wait_until(predicate, timeout, interval=0.05):
    """Polls predicate until it is true or timeout seconds pass; returns its last answer."""
    end = time.monotonic() + timeout
    while True:
        answer = predicate()
        if answer or time.monotonic() >= end:
            return answer
        time.sleep(interval)


class Image:
    def __init__(self, width, height, rgb):
        self.width, self.height, self.rgb = width, height, rgb

    def pixel(self, x, y):
        i = 3 * (y * self.width + x)
        return tuple(self.rgb[i:i + 3])

    def save_png(self, path):
        subprocess.run(["convert", f"ppm:-", path], input=self.to_ppm(), check=True)

    def to_ppm(self):
        return b"P6\n%d %d\n255\n" % (self.width, self.height) + bytes(self.rgb)


def parse_ppm(data):
    """A binary P6 image with 8-bit samples, as ImageMagick writes it."""
    fields, pos = [], 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos) + 1
            continue
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    if fields[0] != b"P6" or int(fields[3]) != 255:
        raise ValueError("not an 8-bit P6 image")
    width, height = int(fields[1]), int(fields[2])
    pos += 1
    return Image(width, height, data[pos:pos + 3 * width * height])


def screenshot(display):
    """The whole root window, as an Image."""
    out = subprocess.run(["import", "-display", display, "-window", "root", "-depth", "8", "ppm:-"],
                         stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, check=True).stdout
    return parse_ppm(out)


class Geometry:
    """Where the 640 x 480 picture lands on a screen: scaled as large as fits, 4:3, centred."""

    def __init__(self, screen_w, screen_h):
        self.scale = min(screen_w / PICTURE_W, screen_h / PICTURE_H)
        self.w = int(PICTURE_W * self.scale)
        self.h = int(PICTURE_H * self.scale)
        self.x0 = (screen_w - self.w) // 2
        self.y0 = (screen_h - self.h) // 2

    def to_screen(self, px, py):
        return (self.x0 + int(px * self.scale), self.y0 + int(py * self.scale))


def key(display, *keys, delay_ms=30):
    """Sends keys (X keysym names: Escape, Prior, Next, KP_Add, KP_Subtract, Return)."""
    subprocess.run(["xdotool", "key", "--delay", str(delay_ms), *keys], check=True,
                   env={**os.environ, "DISPLAY": display})


def move_pointer(display, x, y):
    """Without a window manager the keys go where the pointer is."""
    subprocess.run(["xdotool", "mousemove", str(x), str(y)], check=True,
                   env={**os.environ, "DISPLAY": display})


def random_palette(seed, low=0, high=63):
    """768 bytes of 6-bit components, reproducible from the seed."""
    rng = random.Random(seed)
    return bytes(rng.randint(low, high) for _ in range(768))


# ---- Windows and message boxes ----

VIEWER_TITLE = "Quarnel Pallette Demo"
WARNING_CAPTION = "Tintrel"

_WINDOW_LINE = re.compile(
    r'^\s*(0x[0-9a-f]+) (?:"(.*)"|\(has no name\)): \(.*\)\s+(\d+)x(\d+)\+-?\d+\+-?\d+\s+'
    r'\+(-?\d+)\+(-?\d+)\s*$')


class Window:
    def __init__(self, wid, name, w, h, x, y):
        self.id, self.name, self.w, self.h, self.x, self.y = wid, name, w, h, x, y

    def centre(self):
        return self.x + self.w // 2, self.y + self.h // 2

    def __repr__(self):
        return f"{self.id} {self.name!r} {self.w}x{self.h}+{self.x}+{self.y}"


def windows(display):
    """Every window below the root, with its name (None if it has none) and its place on the
    screen, from xwininfo (it reads UTF-8 names that old xdotool misses)."""
    out = subprocess.run(["xwininfo", "-display", display, "-root", "-tree"],
                         stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True,
                         errors="replace").stdout
    found = []
    for line in out.splitlines():
        m = _WINDOW_LINE.match(line)
        if m:
            wid, name, w, h, x, y = m.groups()
            found.append(Window(wid, name, int(w), int(h), int(x), int(y)))
    return found


def find_window(display, name):
    """The first window of that exact name, or None."""
    for w in windows(display):
        if w.name == name:
            return w
    return None


def dismiss_box(display, title, timeout=20, interval=0.3, settle=0):
    """Answers a message box with Return once it is up; False if it never comes or never goes.
    A box takes keys only while it has the focus, which without a window manager follows the
    pointer; the first keys may come before the box listens, so they are repeated every interval
    seconds until it is gone. settle is how long to give the box to go after each Return before
    the next one."""
    box = wait_until(lambda: find_window(display, title), timeout)
    if not box:
        return False

    def gone():
        current = find_window(display, title)
        if current is None:
            return True
        move_pointer(display, *current.centre())
        subprocess.run(["xdotool", "windowfocus", current.id], stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, env={**os.environ, "DISPLAY": display},
                       timeout=10)
        key(display, "Return")
        return wait_until(lambda: find_window(display, title) is None, settle)

    return wait_until(gone, timeout, interval=interval)


def screen_size(display):
    out = subprocess.run(["xdpyinfo", "-display", display], stdout=subprocess.PIPE,
                         stderr=subprocess.DEVNULL, text=True).stdout
    m = re.search(r"dimensions:\s+(\d+)x(\d+) pixels", out)
    return (int(m.group(1)), int(m.group(2))) if m else None


# ---- Programs under test ----

class Process:
    """A program run in a process group of its own, its standard error kept, so that cleanup also
    ends its children (SDL forks one for each message box, and a process sitting in one ignores
    SIGTERM; Wine starts several)."""

    def __init__(self, command, env, stdin=subprocess.DEVNULL):
        self.stderr_file = tempfile.TemporaryFile()
        self.proc = subprocess.Popen(command, env=env, stdin=stdin, stdout=subprocess.DEVNULL,
                                     stderr=self.stderr_file, start_new_session=True)
        self.pid = self.proc.pid

    def running(self):
        return self.proc.poll() is None

    def wait(self, timeout):
        """The exit code, or None if it is still running after timeout seconds."""
        try:
            return self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            return None

    def signal(self, sig):
        self.proc.send_signal(sig)

    def stderr(self):
        self.stderr_file.seek(0)
        return self.stderr_file.read().decode("utf-8", "replace")

    def kill(self):
        try:
            os.killpg(self.pid, signal.SIGKILL)
        except (ProcessLookupError, PermissionError):
            pass
        self.proc.wait()

    def end(self):
        """Kills what is left of it and lets its standard error go."""
        self.kill()
        self.stderr_file.close()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.end()
