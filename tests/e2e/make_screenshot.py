#!/usr/bin/env python3
"""Makes docs/screenshot.png: the viewer on samples/rainbow.pal on a 640 x 480 X server.

Usage: make_screenshot.py VIEWER [OUTPUT]
"""
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

import e2elib  # noqa: E402
import picture_model  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(HERE))


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    viewer = os.path.abspath(sys.argv[1])
    output = os.path.abspath(sys.argv[2] if len(sys.argv) > 2 else
                             os.path.join(ROOT, "docs", "screenshot.png"))
    sample = os.path.join(ROOT, "samples", "rainbow.pal")
    with open(sample, "rb") as f:
        want = picture_model.fixed_colours(f.read())
    with e2elib.Xvfb(640, 480) as server:
        e2elib.move_pointer(server.display, 320, 240)
        with e2elib.Process([viewer, sample], server.env(LANG="C.UTF-8")) as proc:
            shot = {}

            def ready():
                image = e2elib.screenshot(server.display)
                colours = picture_model.block_colours(image)
                shot["image"] = image
                # The picture is complete once the file's colours and the animation both show.
                return not picture_model.picture_mismatches(image, want) and \
                    not picture_model.animated_problems(colours)[0]

            if not e2elib.wait_until(ready, 30, interval=0.1):
                sys.exit(f"the viewer never showed the sample: {proc.stderr()}")
            os.makedirs(os.path.dirname(output), exist_ok=True)
            shot["image"].save_png(output)
            e2elib.key(server.display, "Escape")
            proc.wait(10)
    print(output)


if __name__ == "__main__":
    main()
