#!/usr/bin/env python3
"""How the real viewer starts without a palette file and without a display."""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import e2elib  # noqa: E402
import picture_model  # noqa: E402
import viewer_checks as vc  # noqa: E402

ALL_BLACK = {i: picture_model.BLACK for i in picture_model.FIXED}


class NoArgumentTest(vc.ViewerCase):
    def test_warning_box_then_only_animated_colours(self):
        server = self.xvfb(640, 480)
        windows_before = e2elib.windows(server.display)
        image_before = e2elib.screenshot(server.display)
        self.reference_box(server, "warning", e2elib.WARNING_CAPTION, vc.W1)

        proc = self.launch(server, [])
        shown = self.box_picture(server, e2elib.WARNING_CAPTION)
        self.assert_box_says(server, shown, "warning", e2elib.WARNING_CAPTION, vc.W1)

        # The box comes before the viewer's window: the rest of the screen is still the desktop,
        # and no full-screen window exists yet.
        now = e2elib.screenshot(server.display)
        self.assertEqual(crop_outside(now, shown[0]), crop_outside(image_before, shown[0]),
                         "the screen outside the box changed while the box was up")
        ids_before = {w.id for w in windows_before}
        others = [w for w in e2elib.windows(server.display)
                  if w.id not in ids_before and w.name != e2elib.WARNING_CAPTION]
        self.assertFalse([w for w in others if w.w >= server.width and w.h >= server.height],
                         f"a full-screen window exists while the box is up: {others}")
        self.assertTrue(proc.running())

        self.assertTrue(e2elib.dismiss_box(server.display, e2elib.WARNING_CAPTION),
                        "box not dismissed")
        self.wait_picture(server, proc, ALL_BLACK)
        self.quit_with_escape(server, proc)
        self.assert_desktop_back(server, windows_before, image_before)


def crop_outside(image, place):
    """The image's pixels with the box's rectangle left out."""
    x0, y0, w, h = place
    row_bytes = 3 * image.width
    parts = []
    for y in range(image.height):
        row = image.rgb[y * row_bytes:(y + 1) * row_bytes]
        parts.append(row if not y0 <= y < y0 + h else row[:3 * x0] + row[3 * (x0 + w):])
    return b"".join(parts)


class NoDisplayTest(vc.ViewerCase):
    """With no X display at all the viewer cannot start: exit code 1, and standard error says so
    (it is the only place left to say it)."""

    def test_exit_code_and_reason(self):
        good = vc.write_file(os.path.join(self.tmp, "good.pal"), e2elib.random_palette(7))
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        env["XDG_RUNTIME_DIR"] = self.tmp  # no Wayland socket to be found there either
        for name, args, must_say in [
            ("no argument", [], [e2elib.WARNING_CAPTION] + vc.W1.split("\n")),
            ("a good file", [good], []),
        ]:
            with self.subTest(name), self.scope():
                proc = self._stack.enter_context(e2elib.Process([vc.VIEWER, *args], dict(env)))
                code = proc.wait(30)
                err = proc.stderr()
                self.assertEqual(code, 1, f"exit code without a display; stderr: {err!r}")
                for text in must_say:
                    self.assertIn(text, err)
                said = err
                for text in must_say:
                    said = said.replace(text, "")
                self.assertTrue(said.strip(" :\n\t"), f"nothing said why it stopped: {err!r}")


if __name__ == "__main__":
    vc.main()
