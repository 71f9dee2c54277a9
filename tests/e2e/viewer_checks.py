"""Checks of the Linux viewer under Xvfb: windows, processes and the picture it must show."""

import contextlib
import os
import re
import signal
import subprocess
import sys
import tempfile
import unittest

from e2elib import (BLOCK_H, BLOCK_W, Geometry, Image, Xvfb, key, move_pointer, screenshot,
                    wait_until)

BLACK = (0, 0, 0)

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
    """Every window below the root, with its name and its place on the screen."""
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
    for w in windows(display):
        if w.name == name:
            return w
    return None


def dismiss_box(display, title, timeout=20):
    """Answers a message box with Return. SDL's box takes keys only while it has the focus, which
    without a window manager follows the pointer; the first keys may come before the box listens,
    so they are repeated until it is gone."""
    box = wait_until(lambda: find_window(display, title), timeout)
    if not box:
        return False

    def gone():
        current = find_window(display, title)
        if current is None:
            return True
        move_pointer(display, *current.centre())
        subprocess.run(["xdotool", "windowfocus", current.id], stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, env={**os.environ, "DISPLAY": display})
        key(display, "Return")
        return find_window(display, title) is None

    return wait_until(gone, timeout, interval=0.3)


def screen_size(display):
    out = subprocess.run(["xdpyinfo", "-display", display], stdout=subprocess.PIPE,
                         stderr=subprocess.DEVNULL, text=True).stdout
    m = re.search(r"dimensions:\s+(\d+)x(\d+) pixels", out)
    return (int(m.group(1)), int(m.group(2))) if m else None


class Process:
    """A program run in a process group of its own, so that cleanup also ends the children SDL
    forks for its message boxes (a process sitting in one ignores SIGTERM)."""

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

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.kill()
        self.stderr_file.close()


# ---- What the screen must show ----

def brightness_table(exponent):
    """The 64-step table: pow(i, exponent) truncated, 63 at most."""
    table = []
    for i in range(64):
        x = pow(float(i), exponent)
        table.append(63 if x > 63.0 else int(x) if x > 0.0 else 0)
    return table


IDENTITY = brightness_table(1.0)


def exponent_after(keys, exponent=1.0):
    """The exponent after a sequence of '+' and '-' presses, stepped in doubles as the viewer
    steps it: the bounds are tested before each step, and a lower that lands below 1.0 (as the
    sums of 0.007 do) is put back on 1.0, so that the file's own colours come back."""
    for k in keys:
        if k == "+" and exponent < 1.7:
            exponent += 0.007
        elif k == "-" and exponent > 1.0:
            exponent = max(exponent - 0.007, 1.0)
    return exponent


def shown(rgb6, table=IDENTITY):
    """The screen colour of a 6-bit entry: black if any component is above 63."""
    if max(rgb6) > 63:
        return BLACK
    return tuple(table[c] << 2 for c in rgb6)


FIXED = list(range(229)) + [255]
PULSE_ENTRY = 254

# Each cycling range: its top entry, its length (entries top, top-1, ...) and its 8-bit table.
CYCLE_RANGES = {
    "A1": (232, 4, [(0, 108, 0), (11, 115, 7), (27, 123, 15), (43, 131, 27)]),
    "A2": (253, 6, [(83, 63, 43), (75, 59, 43), (67, 55, 39), (63, 51, 39), (55, 47, 35),
                    (51, 43, 35)]),
    "A3": (242, 5, [(255, 0, 0), (215, 0, 0), (147, 43, 11), (255, 119, 0), (255, 59, 0)]),
    "B1": (247, 5, [(71, 0, 0), (123, 0, 0), (179, 0, 0), (123, 0, 0), (71, 0, 0)]),
    "C1": (237, 5, [(107, 107, 111), (99, 103, 127), (87, 107, 143), (0, 147, 163),
                    (107, 187, 255)]),
}
CYCLE_PERIOD_MS = {"A1": 200, "A2": 200, "A3": 200, "B1": 142, "C1": 100}


def fixed_colours(palette, table=IDENTITY):
    """Index -> expected screen colour for the entries the animation never touches."""
    want = {}
    for i in FIXED:
        entry = tuple(palette[3 * i:3 * i + 3])
        entry += (0,) * (3 - len(entry))  # a short file leaves the rest black
        want[i] = shown(entry, table)
    return want


def range_phase(colours, name, table=IDENTITY):
    """The phase p whose rotation the range shows (entry top-k = table[p+k]), or None."""
    top, n, tab = CYCLE_RANGES[name]
    for p in range(n):
        if all(colours[top - k] == shown([c >> 2 for c in tab[(p + k) % n]], table)
               for k in range(n)):
            return p
    return None


def pulse_level(colour, table=IDENTITY):
    """The pulse level 0..60 (step 4) that the colour of entry 254 shows, or None."""
    for level in range(0, 61, 4):
        if colour == shown((level, 0, 0), table):
            return level
    return None


def picture_edges(geometry):
    xs = [geometry.to_screen(c * BLOCK_W, 0)[0] for c in range(17)]
    ys = [geometry.to_screen(0, r * BLOCK_H)[1] for r in range(17)]
    return xs, ys


def picture_mismatches(image, want, geometry=None, limit=8):
    """Compares every pixel: the blocks of the indexes in want must be exactly their colour, and
    everything outside the 4:3 picture black. Returns descriptions of what differs."""
    g = geometry or Geometry(image.width, image.height)
    xs, ys = picture_edges(g)
    row_bytes = 3 * image.width
    black = bytes(3)
    bad = []

    def note(what, x, y, got, expected):
        if len(bad) < limit:
            bad.append(f"{what} at ({x}, {y}): {got} instead of {expected}")

    def compare(what, row, x0, x1, y, colour):
        seg = row[3 * x0:3 * x1]
        if seg != bytes(colour) * (x1 - x0):
            for x in range(x0, x1):
                got = tuple(seg[3 * (x - x0):3 * (x - x0) + 3])
                if got != tuple(colour):
                    note(what, x, y, got, tuple(colour))
                    return True
        return False

    bad_rows = 0
    for y in range(image.height):
        row = image.rgb[y * row_bytes:(y + 1) * row_bytes]
        if y < ys[0] or y >= ys[16]:
            bad_rows += compare("bar", row, 0, image.width, y, black)
            continue
        bad_rows += compare("left bar", row, 0, xs[0], y, black)
        bad_rows += compare("right bar", row, xs[16], image.width, y, black)
        r = max(i for i in range(16) if ys[i] <= y)
        for c in range(16):
            index = 16 * r + c
            if index in want:
                bad_rows += compare(f"block {index}", row, xs[c], xs[c + 1], y, want[index])
    if bad_rows > len(bad):
        bad.append(f"... {bad_rows} differing runs in all")
    return bad


def block_uniform_colours(image, geometry=None):
    """Index -> the colour of the whole block, or None where the block is not one colour."""
    g = geometry or Geometry(image.width, image.height)
    xs, ys = picture_edges(g)
    row_bytes = 3 * image.width
    result = {}
    for r in range(16):
        rows = [image.rgb[y * row_bytes:(y + 1) * row_bytes] for y in range(ys[r], ys[r + 1])]
        for c in range(16):
            first = rows[0][3 * xs[c]:3 * xs[c] + 3]
            whole = first * (xs[c + 1] - xs[c])
            uniform = all(row[3 * xs[c]:3 * xs[c + 1]] == whole for row in rows)
            result[16 * r + c] = tuple(first) if uniform else None
    return result


def animated_problems(colours, table=IDENTITY):
    """What is wrong with the animated entries in one screenshot: each range must show a rotation
    of its table, entry 254 a pulse level. Returns (problems, phases, level)."""
    problems, phases = [], {}
    for name in CYCLE_RANGES:
        top, n, _ = CYCLE_RANGES[name]
        p = range_phase(colours, name, table)
        if p is None:
            problems.append(f"range {name} shows no rotation of its table: "
                            f"{[colours[top - k] for k in range(n)]}")
        phases[name] = p
    level = pulse_level(colours[PULSE_ENTRY], table)
    if level is None:
        problems.append(f"entry 254 shows {colours[PULSE_ENTRY]}, no pulse level")
    return problems, phases, level


# ---- Boxes, files and the test case ----

W1 = "Warning: Palette file is not specified\nOnly animated colors will be shown"
W2 = "Warning: Unable open input file\nOnly animated colors will be shown"
W3 = "Warning: Unable read palette from file\nOnly animated colors will be shown"
WARNING_CAPTION = "Tintrel"
VIEWER_TITLE = "Quarnel Pallette Demo"


def crop(image, x, y, w, h):
    rows = [image.rgb[3 * ((y + r) * image.width + x):3 * ((y + r) * image.width + x + w)]
            for r in range(h)]
    return Image(w, h, b"".join(rows))


_reference_boxes = {}


def write_file(path, data):
    with open(path, "wb") as f:
        f.write(data)
    return path


class ViewerCase(unittest.TestCase):
    """Starts private X servers and viewers, and ends every one of them when the test ends."""

    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="quarnel-e2e-")
        self.addCleanup(subprocess.run, ["rm", "-rf", self.tmp])
        self._stack = contextlib.ExitStack()
        self.addCleanup(lambda: self._stack.close())

    @contextlib.contextmanager
    def scope(self):
        """Servers and viewers started inside the block end with it (one case of a table)."""
        outer = self._stack
        with contextlib.ExitStack() as self._stack:
            try:
                yield
            finally:
                self._stack = outer

    def xvfb(self, width=640, height=480):
        return self._stack.enter_context(Xvfb(width, height))

    def launch(self, server, args=(), command=None, env=None):
        """Runs the viewer (or a command around it) with the pointer in the middle of the screen,
        where the viewer's window will be, so that it gets the keys."""
        move_pointer(server.display, server.width // 2, server.height // 2)
        env = env if env is not None else server.env()
        # One locale for the viewer and the reference boxes: SDL draws a box's text by it.
        env.pop("LC_ALL", None)
        env["LANG"] = "C.UTF-8"
        return self._stack.enter_context(Process(command or [VIEWER, *args], env))

    def keys(self, server, *names, delay_ms=20):
        move_pointer(server.display, server.width // 2, server.height // 2)
        key(server.display, *names, delay_ms=delay_ms)

    def keep(self, image, what):
        """Leaves a screenshot beside the test's output, for a look after a failure."""
        name = re.sub(r"[^A-Za-z0-9_.-]+", "_", f"{self.id()}-{what}") + ".png"
        try:
            image.save_png(os.path.abspath(name))
            return os.path.abspath(name)
        except (OSError, subprocess.CalledProcessError):
            return "(not saved)"

    def wait_picture(self, server, proc, want, table=IDENTITY, timeout=30):
        """Waits until one screenshot shows every block in want exactly, black bars and valid
        animated entries. Returns that screenshot with its block colours."""
        last = {}

        def matches():
            if not proc.running():
                return True
            image = screenshot(server.display)
            colours = block_uniform_colours(image)
            wrong = picture_mismatches(image, want)
            wrong += animated_problems(colours, table)[0]
            last.update(image=image, colours=colours, wrong=wrong)
            return not wrong

        wait_until(matches, timeout, interval=0.1)
        if not proc.running():
            self.fail(f"the viewer ended with {proc.proc.returncode}: {proc.stderr()}")
        if last["wrong"]:
            saved = self.keep(last["image"], "picture")
            self.fail(f"screen never showed the expected picture (last screenshot {saved}; "
                      f"windows {windows(server.display)}):\n  " + "\n  ".join(last["wrong"]))
        return last["image"], last["colours"]

    def quit_with_escape(self, server, proc, timeout=20):
        self.keys(server, "Escape")
        code = proc.wait(timeout)
        self.assertIsNotNone(code, "the viewer did not end after Esc")
        self.assertEqual(code, 0, f"exit code after Esc; stderr: {proc.stderr()}")

    def assert_desktop_back(self, server, windows_before, image_before):
        """The viewer's windows are gone and the screen is as it was before it started."""
        ids_before = {w.id for w in windows_before}

        def new_windows():
            return [w for w in windows(server.display) if w.id not in ids_before]

        wait_until(lambda: not new_windows(), 5, interval=0.1)
        left = new_windows()
        self.assertFalse(left, "windows left behind after the viewer ended")
        self.assertEqual(screen_size(server.display), (server.width, server.height))
        same = wait_until(lambda: screenshot(server.display).rgb == image_before.rgb, 5)
        if not same:
            saved = self.keep(screenshot(server.display), "after-exit")
            self.fail(f"the screen is not given back as it was (see {saved})")

    def box_picture(self, server, title, timeout=20):
        """The message box titled title once it is drawn: its place and its pixels."""
        move_pointer(server.display, 0, 0)  # a button under the pointer is drawn lit
        box = wait_until(lambda: find_window(server.display, title), timeout)
        self.assertTrue(box, f"no box titled {title!r}: windows {windows(server.display)}")
        # Drawn is when two screenshots in a row agree on it and it is not blank.
        last = {}

        def steady():
            current = find_window(server.display, title)
            if current is None:
                return False
            pixels = crop(screenshot(server.display), current.x, current.y, current.w, current.h)
            same = last.get("pixels") is not None and last["pixels"].rgb == pixels.rgb
            last.update(box=current, pixels=pixels)
            return same and len(set(pixels.rgb)) > 1

        self.assertTrue(wait_until(steady, timeout, interval=0.2), f"box {title!r} never drawn")
        b = last["box"]
        return (b.x, b.y, b.w, b.h), last["pixels"]

    def reference_box(self, server, icon, caption, text):
        """SDL's own box with this text on a screen of this size (made once per process)."""
        key_ = (server.width, server.height, icon, caption, text)
        if key_ not in _reference_boxes:
            helper = HELPERS.get("box_reference")
            self.assertTrue(helper, "the box reference helper was not passed (--helper)")
            env = server.env(LANG="C.UTF-8")
            env.pop("LC_ALL", None)
            with Process([helper, icon, caption, text], env) as ref:
                _reference_boxes[key_] = self.box_picture(server, caption)
                self.assertTrue(dismiss_box(server.display, caption), "reference box stayed")
                self.assertEqual(ref.wait(10), 0, f"box reference helper: {ref.stderr()}")
        return _reference_boxes[key_]

    def assert_box_says(self, server, box, icon, caption, text):
        """The box on screen (from box_picture) is SDL's box with exactly this caption and text."""
        place, pixels = box
        ref_place, ref_pixels = self.reference_box(server, icon, caption, text)
        self.assertEqual(place, ref_place, f"the box's size and place: not that of {text!r}")
        if pixels.rgb != ref_pixels.rgb:
            saved = self.keep(pixels, "box")
            self.fail(f"the box does not show {text!r} (box saved as {saved})")


# ---- Running the tests ----

VIEWER = None
HELPERS = {}


def main():
    """Runs the unittest cases of the calling module. CTest passes the viewer's path as
    --viewer PATH (and helper programs as --helper NAME=PATH); the rest goes to unittest."""
    global VIEWER
    args = sys.argv[1:]
    rest = []
    i = 0
    while i < len(args):
        if args[i] == "--viewer":
            VIEWER = os.path.abspath(args[i + 1])
            i += 2
        elif args[i] == "--helper":
            name, path = args[i + 1].split("=", 1)
            HELPERS[name] = os.path.abspath(path)
            i += 2
        else:
            rest.append(args[i])
            i += 1
    if VIEWER is None:
        VIEWER = os.environ.get("QUARNEL_VIEWER")
    if not VIEWER or not os.access(VIEWER, os.X_OK):
        sys.exit(f"no viewer to test: pass --viewer PATH (got {VIEWER!r})")
    unittest.main(module="__main__", argv=[sys.argv[0]] + rest, verbosity=2)
