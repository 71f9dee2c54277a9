"""The end-to-end checks of quarnel.exe under Wine, on a 640 x 480 Xvfb screen: exact colours,
the animation, the brightness keys, Esc, the palette file warnings and a refused display mode;
and the brightness tables of the program's code with the platform's pow.

Usage: wine_checks.py STATE_DIR [unittest names...]; STATE_DIR is where wine_prefix.py left the
prefix and target.json.
"""
import os
import random
import subprocess
import sys
import tempfile
import time
import unittest

# The end-to-end modules both suites share live with the Linux tests.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))

import e2elib  # noqa: E402
import picture_model  # noqa: E402
import winelib  # noqa: E402

# Wine's DirectDraw needs the X screen at the mode's size, so the screen is the picture itself:
# block (r, c) covers x 40c..40c+39, y 30r..30r+29 and holds palette index 16r + c.
SCREEN = e2elib.Geometry(640, 480)

STATE = None
TARGET = None
SHOTS = None  # screenshots of failed checks are kept here


def make_palette(seed):
    """A random palette whose fixed entries hold every 6-bit value at least ten times, so every
    step of the brightness table shows somewhere on screen."""
    rng = random.Random(seed)
    fixed = [v for v in range(64) for _ in range(10)]
    fixed += [rng.randint(0, 63) for _ in range(3 * len(picture_model.FIXED) - len(fixed))]
    rng.shuffle(fixed)
    palette = bytearray(rng.randint(0, 63) for _ in range(768))
    for n, index in enumerate(picture_model.FIXED):
        palette[3 * index:3 * index + 3] = bytes(fixed[3 * n:3 * n + 3])
    return bytes(palette)


def table_differences(palette, image, table):
    """The table steps the screen contradicts: {file value: (table's value, the screen's 8-bit
    values for it / 4)}."""
    seen = {}
    colours = picture_model.block_colours(image, SCREEN)
    for index in picture_model.FIXED:
        for c in range(3):
            seen.setdefault(palette[3 * index + c], set()).add(colours[index][c] / 4)
    return {v: (table[v], sorted(s)) for v, s in sorted(seen.items()) if s != {table[v]}}


class WineViewerTests(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.addCleanup(self.tmp.cleanup)
        self.seed = random.randrange(1 << 30)
        self.palette = make_palette(self.seed)
        self.palette_path = os.path.join(self.tmp.name, "test.pal")
        with open(self.palette_path, "wb") as f:
            f.write(self.palette)
        print("\n%s\npalette seed %d" % (TARGET.describe(), self.seed))

    # ---- helpers ----

    def start(self, x, args):
        return winelib.WineRun(TARGET, os.path.join(STATE, "prefix"), x.display, args)

    def wait_for_viewer(self, x, run):
        window = e2elib.wait_until(lambda: e2elib.find_window(x.display, e2elib.VIEWER_TITLE)
                                   or not run.process.running(), 30)
        self.assertTrue(run.process.running(), "the viewer ended early: %s" % (
            run.process.stderr()[-500:],))
        self.assertIsNotNone(window, "no viewer window")
        self.assertEqual((window.w, window.h), (640, 480), "viewer window size")
        # Without a window manager, Wine's keys go to the window under the pointer.
        e2elib.move_pointer(x.display, *window.centre())
        return window

    def keep(self, image, name):
        path = os.path.join(SHOTS, "%s-%s.png" % (self.id().split(".")[-1], name))
        image.save_png(path)
        return path

    def wait_for_picture(self, x, want, timeout=20):
        """The first screenshot whose blocks in want are exactly their colours; fails with what
        the last one showed."""
        state = {}

        def matches():
            state["image"] = e2elib.screenshot(x.display)
            state["bad"] = picture_model.picture_mismatches(state["image"], want, SCREEN,
                                                              limit=10)
            return not state["bad"]

        if not e2elib.wait_until(matches, timeout, interval=0.2):
            self.fail("the screen never showed the expected colours (kept %s):\n  %s" % (
                self.keep(state["image"], "mismatch"), "\n  ".join(state["bad"])))
        return state["image"]

    def watch_animation(self, x, table, shots=12, require_motion=True):
        """Screenshots over a second or two, from the first that shows the animation: every one
        shows each range as a rotation of its table and entry 254 at a pulse level. With
        require_motion, every range and the pulse must also move across them (a table that
        saturates can make rotations look alike, so the brightness checks do without)."""
        state = {}

        def animated():
            state["image"] = e2elib.screenshot(x.display)
            state["result"] = picture_model.animated_problems(
                picture_model.block_colours(state["image"], SCREEN), table)
            return not state["result"][0]

        if not e2elib.wait_until(animated, 20, interval=0.1):
            self.fail("the animation never showed (kept %s):\n  %s" % (
                self.keep(state["image"], "animation"), "\n  ".join(state["result"][0])))
        phases = {name: set() for name in picture_model.CYCLE_RANGES}
        levels = set()
        for n in range(shots):
            if n:
                state["image"] = e2elib.screenshot(x.display)
                state["result"] = picture_model.animated_problems(
                    picture_model.block_colours(state["image"], SCREEN), table)
            problems, shot_phases, level = state["result"]
            if problems:
                self.fail("screenshot %d (kept %s):\n  %s" % (
                    n, self.keep(state["image"], "animation"), "\n  ".join(problems)))
            for name, p in shot_phases.items():
                phases[name].add(p)
            levels.add(level)
        if require_motion:
            still = [name for name, seen in phases.items() if len(seen) < 2]
            self.assertEqual(still, [], "ranges that did not move in %d screenshots: %s" % (
                shots, phases))
            self.assertGreaterEqual(len(levels), 3, "entry 254 pulse levels seen: %s" % levels)
        return phases, levels

    def quit_with_escape(self, x, run):
        e2elib.key(x.display, "Escape")
        code = run.process.wait(20)
        self.assertEqual(code, 0, "exit code after Esc")
        self.assertIsNone(e2elib.find_window(x.display, e2elib.VIEWER_TITLE))

    # ---- checks ----

    def test_colours_exact_and_escape_exits_0(self):
        with e2elib.Xvfb(640, 480, 24) as x, self.start(x, [self.palette_path]) as run:
            self.wait_for_viewer(x, run)
            image = self.wait_for_picture(x, picture_model.fixed_colours(self.palette))
            uniform = picture_model.block_colours(image, SCREEN)
            self.assertEqual([i for i in range(256) if uniform[i] is None], [],
                             "blocks that are not one colour")
            self.assertEqual(e2elib.find_window(x.display, e2elib.WARNING_CAPTION), None)
            self.quit_with_escape(x, run)

    def test_cycling_and_pulse_animate(self):
        with e2elib.Xvfb(640, 480, 24) as x, self.start(x, [self.palette_path]) as run:
            self.wait_for_viewer(x, run)
            self.wait_for_picture(x, picture_model.fixed_colours(self.palette))
            phases, levels = self.watch_animation(x, picture_model.IDENTITY)
            print("phases seen %s, pulse levels %s" % (
                {k: sorted(v) for k, v in phases.items()}, sorted(levels)))
            self.quit_with_escape(x, run)

    def test_brightness_keys_bend_the_colours_by_the_table(self):
        # Each step: the keys, then the exponent they lead to from the start. A refused key is
        # followed by one that is accepted, so a wrongly accepted one shows in the colours.
        steps = [
            ("one raise", ["KP_Add"]),
            ("raise then lower: back to 1.0", ["KP_Subtract"]),
            ("lower refused there, then a raise", ["KP_Subtract", "KP_Add"]),
            ("up to the top", ["KP_Add"] * 101),
            ("raise refused at the top, then a lower", ["KP_Add", "KP_Subtract"]),
        ]
        names = {"KP_Add": "+", "KP_Subtract": "-"}
        pressed = []
        mismatches = []
        with e2elib.Xvfb(640, 480, 24) as x, self.start(x, [self.palette_path]) as run:
            self.wait_for_viewer(x, run)
            self.wait_for_picture(x, picture_model.fixed_colours(self.palette))
            for what, keys in steps:
                e2elib.key(x.display, *keys, delay_ms=15)
                pressed += [names[k] for k in keys]
                exponent = picture_model.exponent_after(pressed)
                table = picture_model.brightness_table(exponent)
                print("%s: exponent %r, table %s" % (what, exponent, table))
                want = picture_model.fixed_colours(self.palette, table)
                with self.subTest(step=what, exponent=exponent):
                    try:
                        image = self.wait_for_picture(x, want, timeout=15)
                    except AssertionError:
                        image = e2elib.screenshot(x.display)
                        mismatches.append((what, exponent, table_differences(
                            self.palette, image, table)))
                        raise
                    self.watch_animation(x, table, shots=4, require_motion=False)
            self.quit_with_escape(x, run)
        for what, exponent, diff in mismatches:
            print("table mismatch after %s (exponent %r): value -> screen/4 %s" % (
                what, exponent, diff))

    def test_palette_warnings_then_viewer_runs(self):
        cases = [
            ("missing file", [os.path.join(self.tmp.name, "no-such.pal")]),
            ("no argument", []),
        ]
        for what, args in cases:
            with self.subTest(case=what), e2elib.Xvfb(640, 480, 24) as x, \
                    self.start(x, args) as run:
                box = e2elib.wait_until(
                    lambda: e2elib.find_window(x.display, e2elib.WARNING_CAPTION), 30)
                self.assertIsNotNone(box, "no box titled %r" % e2elib.WARNING_CAPTION)
                # The warning comes before the window is made and the display changes.
                self.assertIsNone(e2elib.find_window(x.display, e2elib.VIEWER_TITLE))
                # Kept for a person to look at; Wine draws the text a moment after the frame.
                time.sleep(1)
                self.keep(e2elib.screenshot(x.display), "box-" + what.replace(" ", "-"))
                self.assertTrue(e2elib.dismiss_box(x.display, e2elib.WARNING_CAPTION,
                                                   interval=0.2, settle=1),
                                "the box did not go away with Return")
                self.wait_for_viewer(x, run)
                black = {i: picture_model.BLACK for i in picture_model.FIXED}
                self.wait_for_picture(x, black)
                self.watch_animation(x, picture_model.IDENTITY, shots=6)
                self.assertIsNone(e2elib.find_window(x.display, e2elib.WARNING_CAPTION),
                                  "a second box")
                self.quit_with_escape(x, run)

    def test_display_mode_refused_exits_1_without_a_box(self):
        # Wine's DirectDraw refuses 640 x 480 x 8 on any other screen size, so InitDisplay fails.
        # A box would block the exit; the viewer must give up silently with exit code 1.
        for size in [(800, 600), (1024, 768)]:
            with self.subTest(screen=size), e2elib.Xvfb(*size, 24) as x, \
                    self.start(x, [self.palette_path]) as run:
                code = run.process.wait(30)
                if code is None:
                    self.keep(e2elib.screenshot(x.display), "still-running-%dx%d" % size)
                self.assertEqual(code, 1, "exit code on a %dx%d screen" % size)

    def test_brightness_tables_match_the_platform_pow(self):
        # Every exponent the keys can reach, up past the top and back down past the bottom: the
        # program's code with the run-time's pow must give the table computed here.
        script = "+" * 102 + "-" * 103 + "+-" * 3 + "-" + "+" * 50 + "-" * 20
        tool = os.path.join(os.path.dirname(TARGET.exe), "brightness_tables.exe")
        out = subprocess.run([TARGET.loader, tool, script],
                             env=winelib.wine_env(os.path.join(STATE, "prefix")),
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                             timeout=120)
        winelib.wait_for_wineserver(os.path.join(STATE, "prefix"))
        self.assertEqual(out.returncode, 0, out.stderr[-500:])
        lines = out.stdout.splitlines()
        self.assertEqual(len(lines), len(script))
        mismatches = []
        for n, line in enumerate(lines):
            fields = line.split()
            presses = script[:n + 1]
            exponent = picture_model.exponent_after(presses)
            accepted = picture_model.exponent_after(presses[:-1]) != exponent
            want = [script[n], str(int(accepted)), exponent]
            want += picture_model.brightness_table(exponent)
            seen = [fields[0], fields[1], float(fields[2])] + [int(v) for v in fields[3:]]
            if seen != want:
                steps = [i for i in range(64) if seen[3 + i:4 + i] != want[3 + i:4 + i]]
                mismatches.append("key %d (%s): exponent %r accepted %s, here %r accepted %s; "
                                  "table differs at %s: %s instead of %s" % (
                                      n + 1, script[n], seen[2], seen[1], want[2], want[1],
                                      steps, [seen[3 + i] for i in steps],
                                      [want[3 + i] for i in steps]))
        print("%d exponents compared, %d mismatches" % (len(lines), len(mismatches)))
        self.assertEqual(mismatches, [], "\n".join(mismatches))


def main():
    global STATE, TARGET, SHOTS
    STATE = os.path.abspath(sys.argv[1])
    target_file = os.path.join(STATE, winelib.TARGET_FILE)
    if not os.path.exists(target_file):
        sys.exit("%s is missing: the wine_prefix set-up did not run or failed" % target_file)
    TARGET = winelib.Target.load(target_file)
    SHOTS = os.path.join(STATE, "screenshots")
    os.makedirs(SHOTS, exist_ok=True)
    unittest.main(argv=[sys.argv[0]] + sys.argv[2:], verbosity=2)


if __name__ == "__main__":
    main()
