"""Running quarnel.exe under Wine for the Windows tests: the test prefix, the choice between the
32-bit build and the 64-bit stand-in, and one viewer run at a time.

Wine facts these rely on: its DirectDraw changes to 640 x 480 x 8 only when the X screen already
is 640 x 480; its GDI renderer draws without OpenGL; its message box title is a plain WM_NAME;
after a program exits, its last frame stays up until `wineserver -w` returns.
"""
import json
import os
import shutil
import subprocess
import sys

# The end-to-end modules both suites share live with the Linux tests.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))

import e2elib  # noqa: E402

WINE = "/usr/bin/wine"  # picks the 32-bit loader when wine32 is installed
WINE64 = "/usr/lib/wine/wine64"
WINESERVER = shutil.which("wineserver") or "/usr/lib/wine/wineserver"

TARGET_FILE = "target.json"


def wine_env(prefix, display=None):
    env = dict(os.environ)
    env["WINEPREFIX"] = prefix
    env["WINEDEBUG"] = "-all"
    # No Mono or Gecko: their install prompts would stall the prefix's creation.
    env["WINEDLLOVERRIDES"] = "mscoree,mshtml="
    if display:
        env["DISPLAY"] = display
    else:
        env.pop("DISPLAY", None)
    return env


def wait_for_wineserver(prefix, timeout=60):
    """Waits until every process of the prefix has ended; ends them if that takes too long."""
    try:
        subprocess.run([WINESERVER, "-w"], env=wine_env(prefix), timeout=timeout,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    except subprocess.TimeoutExpired:
        stop_wineserver(prefix)


def stop_wineserver(prefix):
    subprocess.run([WINESERVER, "-k"], env=wine_env(prefix), stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=30)


def make_prefix(prefix):
    """A fresh prefix whose Direct3D draws through GDI."""
    if os.path.exists(prefix):
        if os.path.exists(os.path.join(prefix, "system.reg")):
            stop_wineserver(prefix)
        shutil.rmtree(prefix)
    os.makedirs(os.path.dirname(prefix), exist_ok=True)
    loader = WINE64 if os.access(WINE64, os.X_OK) else WINE
    env = wine_env(prefix)
    subprocess.run([loader, "wineboot", "-i"], env=env, check=True, timeout=300,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    wait_for_wineserver(prefix)
    subprocess.run([loader, "reg", "add", r"HKCU\Software\Wine\Direct3D", "/v", "renderer",
                    "/t", "REG_SZ", "/d", "gdi", "/f"], env=env, check=True, timeout=120,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    wait_for_wineserver(prefix)
    out = subprocess.run([loader, "reg", "query", r"HKCU\Software\Wine\Direct3D", "/v",
                          "renderer"], env=env, timeout=120, stdout=subprocess.PIPE,
                         stderr=subprocess.DEVNULL, text=True, errors="replace").stdout
    wait_for_wineserver(prefix)
    if "gdi" not in out:
        raise RuntimeError("the prefix did not keep renderer=gdi: %r" % out)
    return loader


class Target:
    """Which build the run-time checks run, with which loader, and why."""

    def __init__(self, exe, loader, machine, reason):
        self.exe, self.loader, self.machine, self.reason = exe, loader, machine, reason

    def save(self, path):
        with open(path, "w") as f:
            json.dump(self.__dict__, f, indent=2)

    @staticmethod
    def load(path):
        with open(path) as f:
            return Target(**json.load(f))

    def describe(self):
        return "Wine checks run on %s (%s, %s): %s" % (self.exe, self.machine,
                                                        os.path.basename(self.loader),
                                                        self.reason)


class WineRun:
    """quarnel.exe under Wine on a display; on leaving, waits for the prefix to empty (so the
    next run starts from a clean screen) or, after a failure, ends everything it started."""

    def __init__(self, target, prefix, display, args):
        self.prefix = prefix
        self.process = e2elib.Process([target.loader, target.exe, *args],
                                     env=wine_env(prefix, display))

    def __enter__(self):
        return self

    def __exit__(self, exc_type, *rest):
        if exc_type is None and not self.process.running():
            wait_for_wineserver(self.prefix, timeout=30)
        else:
            stop_wineserver(self.prefix)
        self.process.end()


def probe_32bit(prefix, exe32, palette_path, timeout=30):
    """Tries the 32-bit build once. Returns (True, how) when its window appeared, else
    (False, what happened)."""
    with e2elib.Xvfb(640, 480, 24) as x:
        run = WineRun(Target(exe32, WINE, "i386", "probe"), prefix, x.display, [palette_path])
        with run:
            shown = e2elib.wait_until(
                lambda: not run.process.running() or
                e2elib.find_window(x.display, e2elib.VIEWER_TITLE) is not None, timeout)
            if run.process.running() and shown:
                window = e2elib.find_window(x.display, e2elib.VIEWER_TITLE)
                e2elib.move_pointer(x.display, *window.centre())
                e2elib.key(x.display, "Escape")
                code = run.process.wait(20)
                return True, "the 32-bit build runs here (it showed its window, Esc gave %r)" % (
                    code,)
            if run.process.running():
                return False, "the 32-bit build showed no window within %d s" % timeout
            code = run.process.wait(0)
            lines = [l for l in run.process.stderr().splitlines() if l.strip()]
            return False, "%s %s exited with %s: %s" % (
                os.path.basename(WINE), os.path.basename(exe32), code,
                lines[-1] if lines else "(no message)")
