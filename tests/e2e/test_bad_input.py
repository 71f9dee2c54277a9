#!/usr/bin/env python3
"""Palette files that are odd, broken or no files at all, through the real viewer: each case
shows the right box or none, then the viewer runs with what could be read, and Esc ends it
with exit code 0."""
import os
import random
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import e2elib  # noqa: E402
import picture_model  # noqa: E402
import viewer_checks as vc  # noqa: E402

GOOD = e2elib.random_palette(42)
# Every byte value, so that many entries have a component above 63 and must show black.
_wild = random.Random(43)
WILD = bytes(_wild.randrange(256) for _ in range(768))
TWO_MIB = e2elib.random_palette(44) + bytes([0xff]) * (2 * 1024 * 1024 - 768)

BLACK = b""  # a palette that supplies nothing: every fixed entry black


def valid_or_black(colours):
    """For bytes nobody knows: each fixed block black or a colour a 6-bit entry can give."""
    return [f"block {i} shows {colours[i]}" for i in picture_model.FIXED
            if colours[i] is None or any(c % 4 or c > 252 for c in colours[i])]


def long_path(tmp):
    path = os.path.join(tmp, "")
    while len(path) < 5000:
        path += "d" * 200 + "/"
    return (path + "palette.pal")[:5000]


def dangling_link(tmp):
    link = os.path.join(tmp, "dangling.pal")
    os.symlink(os.path.join(tmp, "gone.pal"), link)
    return link


def odd_name(tmp):
    folder = os.path.join(tmp, "my palettes", "Ünïcødé ✓ 色")
    os.makedirs(folder)
    return vc.write_file(os.path.join(folder, "warm colours ä.pal"), GOOD)


def file_with(name, data):
    return lambda tmp: vc.write_file(os.path.join(tmp, name), data)


def pipe_in_pieces(tmp, viewer):
    """A pipe that hands the palette over in two pieces, some time apart."""
    path = vc.write_file(os.path.join(tmp, "piece.pal"), GOOD)
    return ["bash", "-c", '"$0" <(head -c 301 "$1"; sleep 0.5; tail -c +302 "$1")', viewer, path]


# name, the viewer's arguments (or a whole command), the box's text or None, what the file gives.
CASES = [
    ("a directory", lambda tmp: [tmp], vc.W2, BLACK),
    ("a path that does not exist", lambda tmp: [os.path.join(tmp, "missing.pal")], vc.W2, BLACK),
    ("a dangling symbolic link", lambda tmp: [dangling_link(tmp)], vc.W2, BLACK),
    ("a 5,000-character path", lambda tmp: [long_path(tmp)], vc.W2, BLACK),
    ("a file that opens but cannot be read", lambda tmp: ["/proc/self/mem"], vc.W3, BLACK),
    ("/dev/null", lambda tmp: ["/dev/null"], None, BLACK),
    ("an empty file", lambda tmp: [file_with("empty.pal", b"")(tmp)], None, BLACK),
    ("/dev/zero", lambda tmp: ["/dev/zero"], None, bytes(768)),
    ("/dev/urandom", lambda tmp: ["/dev/urandom"], None, valid_or_black),
    ("bytes above 63", lambda tmp: [file_with("wild.pal", WILD)(tmp)], None, WILD),
    ("a 301-byte file", lambda tmp: [file_with("short.pal", GOOD[:301])(tmp)], None, GOOD[:301]),
    ("a 2 MiB file", lambda tmp: [file_with("big.pal", TWO_MIB)(tmp)], None, TWO_MIB[:768]),
    ("blanks and non-ASCII in the path", lambda tmp: [odd_name(tmp)], None, GOOD),
    ("extra arguments", lambda tmp: [file_with("good.pal", GOOD)(tmp), "more", "-x"], None, GOOD),
    ("a pipe", lambda tmp: ["bash", "-c", '"$0" <(cat "$1")', vc.VIEWER,
                            file_with("piped.pal", GOOD)(tmp)], None, GOOD),
    ("a pipe in two pieces", lambda tmp: pipe_in_pieces(tmp, vc.VIEWER), None, GOOD),
]


class BadInputTest(vc.ViewerCase):
    def test_each_input(self):
        self.assertTrue(len(GOOD) == 768 and max(GOOD) <= 63 and max(WILD) > 63)
        for name, make, box_text, gives in CASES:
            with self.subTest(name), self.scope():
                self.run_case(make, box_text, gives)

    def run_case(self, make, box_text, gives):
        server = self.xvfb(640, 480)
        if box_text:
            self.reference_box(server, "warning", e2elib.WARNING_CAPTION, box_text)
        args = make(self.tmp)
        command = args if args[0] == "bash" else None
        proc = self.launch(server, args, command=command)

        if box_text:
            shown = self.box_picture(server, e2elib.WARNING_CAPTION)
            self.assert_box_says(server, shown, "warning", e2elib.WARNING_CAPTION, box_text)
            self.assertTrue(e2elib.dismiss_box(server.display, e2elib.WARNING_CAPTION),
                            "box stayed")

        if callable(gives):
            image, colours = self.wait_picture(server, proc, {})
            self.assertEqual(gives(colours), [])
        else:
            self.wait_picture(server, proc, picture_model.fixed_colours(gives))
        self.assertIsNone(e2elib.find_window(server.display, e2elib.WARNING_CAPTION),
                          "a warning box is up while the viewer runs")
        self.quit_with_escape(server, proc)


if __name__ == "__main__":
    vc.main()
