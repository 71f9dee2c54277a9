"""Shared pieces of the end-to-end tests: a private Xvfb, screenshots, keys and windows.

Used by the Linux tests (the real build/quarnel) and the Windows tests (quarnel.exe under Wine).
Add to it rather than copy from it.
"""
import os
import random
import subprocess
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

    def block_centre(self, index):
        r, c = divmod(index, 16)
        return self.to_screen(c * BLOCK_W + BLOCK_W // 2, r * BLOCK_H + BLOCK_H // 2)


def block_colours(image, geometry=None):
    """The colour at the centre of each of the 256 blocks."""
    g = geometry or Geometry(image.width, image.height)
    return [image.pixel(*g.block_centre(i)) for i in range(256)]


def key(display, *keys, delay_ms=30):
    """Sends keys (X keysym names: Escape, Prior, Next, KP_Add, KP_Subtract, Return)."""
    subprocess.run(["xdotool", "key", "--delay", str(delay_ms), *keys], check=True,
                   env={**os.environ, "DISPLAY": display})


def move_pointer(display, x, y):
    """Without a window manager the keys go where the pointer is."""
    subprocess.run(["xdotool", "mousemove", str(x), str(y)], check=True,
                   env={**os.environ, "DISPLAY": display})


def window_names(display):
    """The names of all windows, from xwininfo (it reads UTF-8 names that old xdotool misses)."""
    out = subprocess.run(["xwininfo", "-display", display, "-root", "-tree"],
                         stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True,
                         errors="replace").stdout
    names = []
    for line in out.splitlines():
        line = line.strip()
        if line.startswith("0x") and '"' in line:
            names.append(line.split('"')[1])
    return names


def random_palette(seed, low=0, high=63):
    """768 bytes of 6-bit components, reproducible from the seed."""
    rng = random.Random(seed)
    return bytes(rng.randint(low, high) for _ in range(768))
