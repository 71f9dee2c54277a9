"""What quarnel.exe must put on a 640 x 480 screen, and the X windows around it.

The screen is the picture itself here (Wine's DirectDraw needs the X screen at the mode's size), so
block (r, c) covers x 40c..40c+39, y 30r..30r+29 and holds palette index 16r + c.
"""
import os
import re
import signal
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import e2elib  # noqa: E402

BLACK = (0, 0, 0)
FIXED = list(range(229)) + [255]  # the entries the animation never writes
PULSE_ENTRY = 254

# Name: (top entry, length, 8-bit colour table); entry top - k shows table[(phase + k) % length].
CYCLE_RANGES = {
    "A1": (232, 4, [(0, 108, 0), (11, 115, 7), (27, 123, 15), (43, 131, 27)]),
    "A2": (253, 6, [(83, 63, 43), (75, 59, 43), (67, 55, 39), (63, 51, 39), (55, 47, 35),
                    (51, 43, 35)]),
    "A3": (242, 5, [(255, 0, 0), (215, 0, 0), (147, 43, 11), (255, 119, 0), (255, 59, 0)]),
    "B1": (247, 5, [(71, 0, 0), (123, 0, 0), (179, 0, 0), (123, 0, 0), (71, 0, 0)]),
    "C1": (237, 5, [(107, 107, 111), (99, 103, 127), (87, 107, 143), (0, 147, 163),
                    (107, 187, 255)]),
}


def brightness_table(exponent):
    """pow(i, exponent) truncated toward zero, 63 at most: Python's pow is the C library's."""
    table = []
    for i in range(64):
        x = pow(float(i), exponent)
        table.append(63 if x > 63.0 else int(x) if x > 0.0 else 0)
    return table


IDENTITY = brightness_table(1.0)


def exponent_after(presses):
    """The exponent after a run of "+" and "-" presses from the start: each step is one double
    addition or subtraction of 0.007, allowed only while the exponent is below 1.7 or above 1.0.
    The steps do not add up exactly, so a lower that would land below 1.0 (at 0.9999999999999999)
    stops at 1.0: the viewer gives the file's own colours back."""
    exponent = 1.0
    for p in presses:
        if p == "+" and exponent < 1.7:
            exponent += 0.007
        elif p == "-" and exponent > 1.0:
            exponent = max(exponent - 0.007, 1.0)
    return exponent


def shown(rgb6, table=IDENTITY):
    """The screen colour of a 6-bit entry; any component above 63 makes it black."""
    if max(rgb6) > 63:
        return BLACK
    return tuple(table[c] << 2 for c in rgb6)


def fixed_colours(palette, table=IDENTITY):
    return {i: shown(palette[3 * i:3 * i + 3], table) for i in FIXED}


def block_rect(index):
    r, c = divmod(index, 16)
    return 40 * c, 30 * r, 40 * c + 40, 30 * r + 30


def picture_mismatches(image, want, limit=10):
    """Every pixel of every block named in want must be exactly its colour."""
    bad, total = [], 0
    row_bytes = 3 * image.width
    for index, colour in sorted(want.items()):
        x0, y0, x1, y1 = block_rect(index)
        run = bytes(colour) * (x1 - x0)
        for y in range(y0, y1):
            row = image.rgb[y * row_bytes + 3 * x0:y * row_bytes + 3 * x1]
            if row != run:
                total += 1
                if len(bad) < limit:
                    x = next(x for x in range(x1 - x0) if row[3 * x:3 * x + 3] != bytes(colour))
                    bad.append("block %d at (%d, %d): %s instead of %s" % (
                        index, x0 + x, y, tuple(row[3 * x:3 * x + 3]), colour))
                break
    if total > len(bad):
        bad.append("... %d blocks differ in all" % total)
    return bad


def block_colours(image):
    """The colour of each block, or None where a block is not one colour."""
    colours = []
    row_bytes = 3 * image.width
    for index in range(256):
        x0, y0, x1, y1 = block_rect(index)
        first = image.rgb[y0 * row_bytes + 3 * x0:y0 * row_bytes + 3 * x0 + 3]
        run = first * (x1 - x0)
        uniform = all(image.rgb[y * row_bytes + 3 * x0:y * row_bytes + 3 * x1] == run
                      for y in range(y0, y1))
        colours.append(tuple(first) if uniform else None)
    return colours


def range_phase(colours, name, table=IDENTITY):
    """The phase whose rotation of the range's table (each component >> 2, then through the
    brightness table) the screen shows, or None."""
    top, n, tab = CYCLE_RANGES[name]
    for p in range(n):
        if all(colours[top - k] == shown([c >> 2 for c in tab[(p + k) % n]], table)
               for k in range(n)):
            return p
    return None


def pulse_level(colour, table=IDENTITY):
    """The pulse level (0, 4, ..., 60) that entry 254's colour shows, or None."""
    for level in range(0, 61, 4):
        if colour == shown((level, 0, 0), table):
            return level
    return None


def animated_problems(colours, table=IDENTITY):
    """(problems, phase of each range, pulse level) of one screenshot's block colours."""
    problems, phases = [], {}
    for name, (top, n, _) in CYCLE_RANGES.items():
        phases[name] = range_phase(colours, name, table)
        if phases[name] is None:
            problems.append("range %s shows no rotation of its table: %s" % (
                name, [colours[top - k] for k in range(n)]))
    level = pulse_level(colours[PULSE_ENTRY], table)
    if level is None:
        problems.append("entry 254 shows %s, no pulse level" % (colours[PULSE_ENTRY],))
    return problems, phases, level


# ---- X windows ----

_WINDOW_LINE = re.compile(r'^\s*(0x[0-9a-f]+) "(.*)": \(.*\)\s+(\d+)x(\d+)\+-?\d+\+-?\d+\s+'
                          r'\+(-?\d+)\+(-?\d+)\s*$')


class Window:
    def __init__(self, wid, name, w, h, x, y):
        self.id, self.name, self.w, self.h, self.x, self.y = wid, name, w, h, x, y

    def centre(self):
        return self.x + self.w // 2, self.y + self.h // 2


def find_window(display, name):
    """The first window of that exact name (Wine's names are plain WM_NAMEs), or None."""
    out = subprocess.run(["xwininfo", "-display", display, "-root", "-tree"],
                         stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True,
                         errors="replace").stdout
    for line in out.splitlines():
        m = _WINDOW_LINE.match(line)
        if m and m.group(2) == name:
            wid, _, w, h, x, y = m.groups()
            return Window(wid, name, int(w), int(h), int(x), int(y))
    return None


def dismiss_box(display, title, timeout=20):
    """Answers a message box with Return, once it has the keyboard focus; repeated until the box
    is gone, since the first key may come before the box listens."""
    def gone():
        box = find_window(display, title)
        if box is None:
            return True
        env = {**os.environ, "DISPLAY": display}
        e2elib.move_pointer(display, *box.centre())
        subprocess.run(["xdotool", "windowfocus", box.id], env=env, timeout=10,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        e2elib.key(display, "Return")
        return e2elib.wait_until(lambda: find_window(display, title) is None, 1)

    return e2elib.wait_until(gone, timeout, interval=0.2)


class Process:
    """A program in a process group of its own, its standard error kept."""

    def __init__(self, command, env):
        self.stderr_file = tempfile.TemporaryFile()
        self.proc = subprocess.Popen(command, env=env, stdin=subprocess.DEVNULL,
                                     stdout=subprocess.DEVNULL, stderr=self.stderr_file,
                                     start_new_session=True)

    def running(self):
        return self.proc.poll() is None

    def wait(self, timeout):
        """The exit code, or None while it still runs after timeout seconds."""
        try:
            return self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            return None

    def stderr(self):
        self.stderr_file.seek(0)
        return self.stderr_file.read().decode("utf-8", "replace")

    def end(self):
        try:
            os.killpg(self.proc.pid, signal.SIGKILL)
        except (ProcessLookupError, PermissionError):
            pass
        self.proc.wait()
        self.stderr_file.close()
