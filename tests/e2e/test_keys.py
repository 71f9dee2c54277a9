#!/usr/bin/env python3
"""The brightness and speed keys of the real viewer, read back from the screen."""
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import e2elib  # noqa: E402
import picture_model  # noqa: E402
import viewer_checks as vc  # noqa: E402

KEY_OF = {"+": "KP_Add", "-": "KP_Subtract"}

# Keys pressed, in order from the start; after each line the screen must show the table of the
# exponent those presses give.
BRIGHTNESS_STEPS = [
    ("---+", "lowering at the start is refused; one raise"),
    ("+" * 9, "ten raises"),
    ("-" * 10, "as many lowers: back at 1.0 exactly, the file's own colours"),
    ("--+", "further lowers are refused; one raise from 1.0"),
    ("+" * 120, "raises stop at the upper bound"),
    ("-" * 130, "lowers stop at the lower bound"),
]


class BrightnessTest(vc.ViewerCase):
    def test_keypad_plus_and_minus(self):
        palette = e2elib.random_palette(11)
        path = vc.write_file(os.path.join(self.tmp, "bright.pal"), palette)
        server = self.xvfb(640, 480)
        proc = self.launch(server, [path])
        self.wait_picture(server, proc, picture_model.fixed_colours(palette))

        pressed = ""
        previous = picture_model.fixed_colours(palette)
        for keys, what in BRIGHTNESS_STEPS:
            with self.subTest(what):
                pressed += keys
                table = picture_model.brightness_table(picture_model.exponent_after(pressed))
                want = picture_model.fixed_colours(palette, table)
                # Otherwise a key that did nothing would pass.
                self.assertNotEqual(want, previous, "the palette cannot show this step")
                self.keys(server, *[KEY_OF[k] for k in keys], delay_ms=15)
                self.wait_picture(server, proc, want, table)
                previous = want
        self.quit_with_escape(server, proc)


class SpeedTest(vc.ViewerCase):
    """Page Down slows the animation: at the slowest (factor 10) no range may move twice, nor
    backwards, between two screenshots taken closer together than its stretched period. Page Up
    back at the fastest lets a range move twice within a time it could not at factor 10."""

    def samples(self, server, enough, timeout=40):
        """Screenshots with the time span each was taken in, until enough(samples) holds."""
        taken = []

        def more():
            start = time.monotonic()
            image = e2elib.screenshot(server.display)
            end = time.monotonic()
            colours = picture_model.block_colours(image)
            problems, phases, _ = picture_model.animated_problems(colours, self.table)
            self.assertEqual(problems, [])
            taken.append((start, end, phases))
            return enough(taken)

        e2elib.wait_until(more, timeout, interval=0.02)
        return taken

    def test_page_down_and_page_up(self):
        palette = e2elib.random_palette(12)
        path = vc.write_file(os.path.join(self.tmp, "speed.pal"), palette)
        server = self.xvfb(640, 480)
        proc = self.launch(server, [path])
        self.wait_picture(server, proc, picture_model.fixed_colours(palette))

        # Keys are handled in order: once the raise shows, the speed keys before it were handled.
        self.table = picture_model.brightness_table(picture_model.exponent_after("+"))
        self.keys(server, *["Next"] * 12, "KP_Add")
        self.wait_picture(server, proc, picture_model.fixed_colours(palette, self.table),
                          self.table)

        def steps(name, a, b):
            n = picture_model.CYCLE_RANGES[name][1]
            return (b[2][name] - a[2][name]) % n

        def close_pairs(taken, name):
            period = 10 * picture_model.CYCLE_PERIOD_MS[name] / 1000
            return [(a, b) for a, b in zip(taken, taken[1:]) if b[1] - a[0] < period]

        def slow_enough(taken):
            return all(any(steps(name, a, b) == 1 for a, b in close_pairs(taken, name))
                       for name in picture_model.CYCLE_RANGES)

        taken = self.samples(server, slow_enough)
        for name in picture_model.CYCLE_RANGES:
            pairs = close_pairs(taken, name)
            moves = [steps(name, a, b) for a, b in pairs]
            self.assertIn(1, moves, f"range {name}: no forward move seen at factor 10")
            self.assertLessEqual(set(moves), {0, 1}, f"range {name} at factor 10: {moves}")

        self.keys(server, *["Prior"] * 12)

        def fast_again(taken):
            # A1 two or more steps on within less than its period at factor 10.
            return any(steps("A1", a, b) >= 2
                       for i, a in enumerate(taken) for b in taken[i + 1:] if b[1] - a[0] < 2.0)

        taken = self.samples(server, fast_again)
        self.assertTrue(fast_again(taken), "Page Up did not bring the speed back")
        self.quit_with_escape(server, proc)


if __name__ == "__main__":
    vc.main()
