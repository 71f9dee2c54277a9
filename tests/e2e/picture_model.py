"""What the viewer must show: the colours of the fixed entries through the brightness table, the
cycling ranges and the pulse, and comparisons of a screenshot against them.

Used by the Linux tests (the picture scaled onto screens of any size, see e2elib.Geometry) and the
Windows tests (the screen is the 640 x 480 picture itself).
"""
from e2elib import BLOCK_H, BLOCK_W, Geometry

BLACK = (0, 0, 0)
FIXED = list(range(229)) + [255]  # the entries the animation never writes
PULSE_ENTRY = 254

# Each cycling range: its top entry, its length (entries top, top-1, ...) and its 8-bit table;
# entry top - k shows table[(phase + k) % length].
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


def brightness_table(exponent):
    """The 64-step table: pow(i, exponent) truncated toward zero, 63 at most (Python's pow is the
    C library's)."""
    table = []
    for i in range(64):
        x = pow(float(i), exponent)
        table.append(63 if x > 63.0 else int(x) if x > 0.0 else 0)
    return table


IDENTITY = brightness_table(1.0)


def exponent_after(keys, exponent=1.0):
    """The exponent after a sequence of '+' and '-' presses, stepped in doubles as the viewer
    steps it: the bounds are tested before each step, and a lower that lands below 1.0 (as the
    sums of 0.007 do, at 0.9999999999999999) is put back on 1.0, so that the file's own colours
    come back."""
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


def fixed_colours(palette, table=IDENTITY):
    """Index -> expected screen colour for the entries the animation never touches."""
    want = {}
    for i in FIXED:
        entry = tuple(palette[3 * i:3 * i + 3])
        entry += (0,) * (3 - len(entry))  # a short file leaves the rest black
        want[i] = shown(entry, table)
    return want


def range_phase(colours, name, table=IDENTITY):
    """The phase p whose rotation the range shows (entry top-k = table[p+k], each component >> 2,
    then through the brightness table), or None."""
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


# ---- Reading a screenshot ----

def picture_edges(geometry):
    """The screen x of each of the 17 block column edges and the y of the 17 row edges."""
    xs = [geometry.to_screen(c * BLOCK_W, 0)[0] for c in range(17)]
    ys = [geometry.to_screen(0, r * BLOCK_H)[1] for r in range(17)]
    return xs, ys


def picture_mismatches(image, want, geometry=None, limit=8):
    """Compares every pixel: the blocks of the indexes in want must be exactly their colour, and
    everything outside the 4:3 picture black. The geometry is where the picture lands on the
    screen (by default scaled onto the whole image). Returns descriptions of what differs."""
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


def block_colours(image, geometry=None):
    """The colour of each of the 256 blocks, or None where a block is not one colour."""
    g = geometry or Geometry(image.width, image.height)
    xs, ys = picture_edges(g)
    row_bytes = 3 * image.width
    colours = [None] * 256
    for r in range(16):
        rows = [image.rgb[y * row_bytes:(y + 1) * row_bytes] for y in range(ys[r], ys[r + 1])]
        for c in range(16):
            first = rows[0][3 * xs[c]:3 * xs[c] + 3]
            whole = first * (xs[c + 1] - xs[c])
            uniform = all(row[3 * xs[c]:3 * xs[c + 1]] == whole for row in rows)
            colours[16 * r + c] = tuple(first) if uniform else None
    return colours
