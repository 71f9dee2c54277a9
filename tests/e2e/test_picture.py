#!/usr/bin/env python3
"""The real viewer on private X servers of several sizes: the grid, the picture's place on the
screen, the colour cycling and the pulse, all read back from screenshots."""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import e2elib  # noqa: E402
import picture_model  # noqa: E402
import viewer_checks as vc  # noqa: E402

# Screen size, and where the 640 x 480 picture must land on it: x, y, width, height.
SCREENS = [
    ((640, 480), (0, 0, 640, 480)),
    ((1024, 768), (0, 0, 1024, 768)),     # 4:3, scaled by 1.6: fills the screen
    ((1280, 720), (160, 0, 960, 720)),    # wider: pillarboxes
    ((1280, 1024), (0, 32, 1280, 960)),   # taller: letterbox bars
]


class PictureTest(vc.ViewerCase):
    def test_grid_cycling_and_pulse_on_each_screen(self):
        for seed, ((w, h), place) in enumerate(SCREENS):
            with self.subTest(screen=f"{w}x{h}"), self.scope():
                self.run_on_screen(w, h, place, seed)

    def run_on_screen(self, w, h, place, seed):
        g = e2elib.Geometry(w, h)
        self.assertEqual((g.x0, g.y0, g.w, g.h), place, "the test's own geometry")
        palette = e2elib.random_palette(1000 + seed)
        path = vc.write_file(os.path.join(self.tmp, f"random{seed}.pal"), palette)
        want = picture_model.fixed_colours(palette)

        server = self.xvfb(w, h)
        windows_before = e2elib.windows(server.display)
        image_before = e2elib.screenshot(server.display)
        proc = self.launch(server, [path])
        self.wait_picture(server, proc, want)
        # The window itself covers the whole screen; the bars are the device's, not the desktop.
        window = e2elib.find_window(server.display, e2elib.VIEWER_TITLE)
        self.assertIsNotNone(window, f"no viewer window: {e2elib.windows(server.display)}")
        self.assertEqual((window.x, window.y, window.w, window.h), (0, 0, w, h))

        # Several screenshots over time: every one must show the file's colours exactly and
        # valid animated entries; together they must show each range and the pulse moving.
        phases = {name: set() for name in picture_model.CYCLE_RANGES}
        levels = set()
        problems = []

        def seen_enough():
            image = e2elib.screenshot(server.display)
            colours = picture_model.block_colours(image)
            wrong = picture_model.picture_mismatches(image, want)
            animated, p, level = picture_model.animated_problems(colours)
            if wrong or animated:
                problems.append((self.keep(image, f"{w}x{h}-sample"), wrong + animated))
                return True
            for name, phase in p.items():
                phases[name].add(phase)
            levels.add(level)
            return all(len(s) >= 2 for s in phases.values()) and len(levels) >= 3

        e2elib.wait_until(seen_enough, 30, interval=0.05)
        self.assertFalse(problems, f"a screenshot went wrong: {problems}")
        for name, seen in phases.items():
            self.assertGreaterEqual(len(seen), 2, f"range {name} never moved: phases {seen}")
        self.assertGreaterEqual(len(levels), 3, f"entry 254 did not pulse: levels {levels}")

        self.quit_with_escape(server, proc)
        self.assert_desktop_back(server, windows_before, image_before)


if __name__ == "__main__":
    vc.main()
