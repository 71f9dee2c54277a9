#!/usr/bin/env python3
"""Every way out of the real viewer ends it with exit code 0 and gives the desktop back."""
import os
import signal
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import e2elib  # noqa: E402
import picture_model  # noqa: E402
import viewer_checks as vc  # noqa: E402


class ExitTest(vc.ViewerCase):
    def test_each_way_out(self):
        palette = e2elib.random_palette(5)
        path = vc.write_file(os.path.join(self.tmp, "exit.pal"), palette)
        for way in ["Escape", signal.SIGINT, signal.SIGTERM]:
            with self.subTest(way if isinstance(way, str) else way.name), self.scope():
                server = self.xvfb(640, 480)
                windows_before = e2elib.windows(server.display)
                image_before = e2elib.screenshot(server.display)
                proc = self.launch(server, [path])
                self.wait_picture(server, proc, picture_model.fixed_colours(palette))
                if way == "Escape":
                    self.quit_with_escape(server, proc)
                else:
                    proc.signal(way)
                    code = proc.wait(20)
                    self.assertEqual(code, 0, f"exit code after {way!r}: {proc.stderr()}")
                self.assert_desktop_back(server, windows_before, image_before)


if __name__ == "__main__":
    vc.main()
