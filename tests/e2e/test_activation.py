#!/usr/bin/env python3
"""Focus: the real viewer stops animating when another window takes the keyboard focus, still
takes the brightness keys then, and goes on animating when it gets the focus back."""
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import e2elib  # noqa: E402
import picture_model  # noqa: E402
import viewer_checks as vc  # noqa: E402

TITLE = e2elib.VIEWER_TITLE


def animation_state(server, table):
    colours = picture_model.block_colours(e2elib.screenshot(server.display))
    problems, phases, level = picture_model.animated_problems(colours, table)
    return None if problems else (tuple(sorted(phases.items())), level)


class ActivationTest(vc.ViewerCase):
    def focus(self, server, window):
        subprocess.run(["xdotool", "windowfocus", window.id], check=True, env=server.env())

    def wait_frozen(self, server, table):
        """Waits for two screenshots half a second apart that show the same animation state (the
        pulse alone moves every 33 ms while active), then checks it stays for 1.5 s more."""
        seen = {}

        def still():
            first = animation_state(server, table)
            time.sleep(0.5)
            second = animation_state(server, table)
            seen["state"] = second
            return first is not None and first == second

        self.assertTrue(e2elib.wait_until(still, 20), f"the animation never stopped: {seen}")
        end = time.monotonic() + 1.5
        while time.monotonic() < end:
            self.assertEqual(animation_state(server, table), seen["state"],
                             "the animation moved while the viewer had no focus")
        return seen["state"]

    def test_focus_lost_and_regained(self):
        palette = e2elib.random_palette(21)
        path = vc.write_file(os.path.join(self.tmp, "focus.pal"), palette)
        server = self.xvfb(640, 480)
        proc = self.launch(server, [path])
        self.wait_picture(server, proc, picture_model.fixed_colours(palette))
        viewer = e2elib.find_window(server.display, TITLE)
        self.assertIsNotNone(viewer,
                             f"no window titled {TITLE!r}: {e2elib.windows(server.display)}")
        self.assertEqual((viewer.x, viewer.y, viewer.w, viewer.h), (0, 0, 640, 480))

        # Another client's window, over the top-left blocks, takes the focus.
        other = self._stack.enter_context(
            e2elib.Process(["xmessage", "-geometry", "150x40+0+0", "other"], server.env()))
        box = e2elib.wait_until(lambda: e2elib.find_window(server.display, "xmessage"), 10)
        self.assertTrue(box and other.running(), "xmessage did not start")
        covered = {16 * r + c for r in range(16) for c in range(16)
                   if c * 40 < box.x + box.w + 10 and r * 30 < box.y + box.h + 10}
        self.focus(server, box)

        frozen = self.wait_frozen(server, picture_model.IDENTITY)

        # Brightness keys still work while inactive, at once, and move nothing else.
        table = picture_model.brightness_table(picture_model.exponent_after("+"))
        want = {i: c for i, c in picture_model.fixed_colours(palette, table).items()
                if i not in covered}
        subprocess.run(["xdotool", "key", "--window", viewer.id, "KP_Add"], check=True,
                       env=server.env())
        self.wait_picture(server, proc, want, table)
        self.assertEqual(self.wait_frozen(server, table), frozen,
                         "the animation moved on while inactive")

        self.focus(server, viewer)
        moved = e2elib.wait_until(lambda: animation_state(server, table) not in (None, frozen), 20)
        self.assertTrue(moved, "the animation did not go on after the focus came back")
        self.wait_picture(server, proc, want, table)

        other.kill()
        self.quit_with_escape(server, proc)


if __name__ == "__main__":
    vc.main()
