"""Sets up the Wine checks: a fresh prefix in the state folder, then one try of the 32-bit build.
Where this machine cannot run it (a kernel without 32-bit x86 support cannot exec wine32's
loader), the checks run the x86-64 build of the same sources under wine64 instead; the choice
and its reason go to target.json for the checks, and to the output.

Usage: wine_prefix.py STATE_DIR WIN32_EXE WIN64_EXE
"""
import os
import sys
import tempfile
import time

import winelib


def main():
    state, exe32, exe64 = (os.path.abspath(a) for a in sys.argv[1:4])
    os.makedirs(state, exist_ok=True)
    target_file = os.path.join(state, winelib.TARGET_FILE)
    if os.path.exists(target_file):
        os.remove(target_file)
    if not os.path.isfile(exe32):
        sys.exit("%s is missing: scripts/build-win32.sh builds it" % exe32)

    prefix = os.path.join(state, "prefix")
    started = time.monotonic()
    loader = winelib.make_prefix(prefix)
    print("Wine prefix %s made with %s in %.1f s (renderer=gdi)" % (
        prefix, os.path.basename(loader), time.monotonic() - started))

    with tempfile.TemporaryDirectory() as tmp:
        palette = os.path.join(tmp, "probe.pal")
        with open(palette, "wb") as f:
            f.write(bytes(range(64)) * 12)
        runs, how = winelib.probe_32bit(prefix, exe32, palette)
    if runs:
        target = winelib.Target(exe32, winelib.WINE, "i386", how)
    else:
        if not os.path.isfile(exe64):
            sys.exit("%s; and %s, the stand-in, is missing" % (how, exe64))
        target = winelib.Target(
            exe64, winelib.WINE64, "x86-64",
            "%s, so the same sources built for x86_64-w64-mingw32 run under wine64 instead" %
            how)
    target.save(target_file)
    print(target.describe())
    return 0


if __name__ == "__main__":
    sys.exit(main())
