"""The Linux viewer's test case under Xvfb: its servers and viewers, the picture and boxes it
must show, and the command line CTest runs the tests with."""

import contextlib
import os
import re
import subprocess
import sys
import tempfile
import unittest

from e2elib import (Image, Process, Xvfb, dismiss_box, find_window, key, move_pointer,
                    screen_size, screenshot, wait_until, windows)
from picture_model import IDENTITY, animated_problems, block_colours, picture_mismatches

# ---- Boxes, files and the test case ----

W1 = "Warning: Palette file is not specified\nOnly animated colors will be shown"
W2 = "Warning: Unable open input file\nOnly animated colors will be shown"
W3 = "Warning: Unable read palette from file\nOnly animated colors will be shown"


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
            colours = block_colours(image)
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
