"""An X display for the tests that open real windows, and a screen grabber to look at them.

An existing DISPLAY is used as it is; without one a private Xvfb server is started for the
session. Tests skip only when neither can be had.
"""
import importlib.util
import os
import random
import shutil
import socket
import subprocess
import sys
import time

import pytest

SCREEN = (1280, 1024)


def _x_socket_answers(number):
    """True when an X server accepts connections on display `number` (its abstract or its
    file socket)."""
    for address in ("\0/tmp/.X11-unix/X%d" % number, "/tmp/.X11-unix/X%d" % number):
        with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as s:
            try:
                s.connect(address)
                return True
            except OSError:
                pass
    return False


def _start_xvfb(xvfb):
    """Starts Xvfb on a display number that nobody uses (other test runs may share this
    machine), and waits until it accepts connections."""
    numbers = random.Random().sample(range(200, 2000), 20)
    for number in numbers:
        if os.path.exists("/tmp/.X%d-lock" % number) or _x_socket_answers(number):
            continue
        proc = subprocess.Popen(
            [xvfb, ":%d" % number, "-screen", "0", "%dx%dx24" % SCREEN, "-nolisten", "tcp"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + 30
        while proc.poll() is None and time.monotonic() < deadline:
            if _x_socket_answers(number):
                return proc, ":%d" % number
            time.sleep(0.05)
        if proc.poll() is None:
            proc.kill()
        proc.wait()
    pytest.skip("no X display: DISPLAY is unset and Xvfb did not start")


@pytest.fixture(scope="session")
def display():
    """The X display name; starts Xvfb when DISPLAY is unset."""
    if os.environ.get("DISPLAY"):
        yield os.environ["DISPLAY"]
        return
    xvfb = shutil.which("Xvfb")
    if xvfb is None:
        pytest.skip("no X display: DISPLAY is unset and Xvfb is not installed")
    proc, name = _start_xvfb(xvfb)
    os.environ["DISPLAY"] = name
    try:
        yield name
    finally:
        # Toolkits stay connected until the process ends; the server goes with the session.
        proc.terminate()
        proc.wait()


# wxPython here fails to start now and then (its GTK start-up reports no display although the
# display is fine); such a process cannot make a window any more, so every use of wx in the
# tests runs in a child process, started again when that is what went wrong.
WX_START_FAILED = "wxEntryStart failed"


def child_env():
    import tallowkit
    here = os.path.dirname(os.path.dirname(os.path.abspath(tallowkit.__file__)))
    path = [here] + [p for p in os.environ.get("PYTHONPATH", "").split(os.pathsep) if p]
    return dict(os.environ, PYTHONPATH=os.pathsep.join(path))


def run_child(code, *args, attempts=10):
    """Runs `python -c code args...` with tallowkit importable; returns the finished process."""
    for attempt in range(attempts):
        time.sleep(0.2 * attempt)  # the failures come in bursts
        run = subprocess.run([sys.executable, "-c", code] + [str(a) for a in args],
                             env=child_env(), stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                             timeout=120)
        if WX_START_FAILED not in run.stderr.decode(errors="replace"):
            break
    return run


def can_grab():
    return importlib.util.find_spec("wx") is not None


# Writes a screenshot of a screen rectangle as raw RGB rows (and as a PNG, for a person).
GRAB = r"""
def grab(x, y, w, h, raw_path, png_path):
    import wx
    bitmap = wx.Bitmap(w, h)
    memory = wx.MemoryDC(bitmap)
    memory.Blit(0, 0, w, h, wx.ScreenDC(), x, y)
    memory.SelectObject(wx.NullBitmap)
    image = bitmap.ConvertToImage()
    image.SaveFile(png_path, wx.BITMAP_TYPE_PNG)
    with open(raw_path, "wb") as f:
        f.write(bytes(image.GetData()))
"""

_GRAB_MAIN = GRAB + r"""
import sys, wx
app = wx.App()
grab(*map(int, sys.argv[1:5]), *sys.argv[5:7])
"""


class Shot:
    """A screenshot of a screen rectangle: RGB pixels, row by row."""

    def __init__(self, x, y, width, height, raw_path):
        self.x, self.y, self.width, self.height = x, y, width, height
        with open(str(raw_path), "rb") as f:
            self.data = f.read()
        assert len(self.data) == width * height * 3

    def pixel(self, sx, sy):
        """The colour at screen coordinates (sx, sy)."""
        i = ((sy - self.y) * self.width + (sx - self.x)) * 3
        return tuple(self.data[i:i + 3])


def grab(x, y, width, height, directory, name):
    """Screenshot of a screen rectangle taken by a child process, so that it works alike for
    the windows of either toolkit; also saved as <directory>/<name>.png."""
    raw = os.path.join(str(directory), name + ".rgb")
    run = run_child(_GRAB_MAIN, x, y, width, height, raw,
                    os.path.join(str(directory), name + ".png"))
    assert run.returncode == 0, run.stderr.decode(errors="replace")
    return Shot(x, y, width, height, raw)


def assert_window_drawn(shot, left, top, width, height, background):
    """The window's area shows its background colour, and the screen beside it does not."""
    inside = [shot.pixel(left + dx * width // 4, top + dy * height // 4)
              for dx in (1, 2, 3) for dy in (1, 2, 3)]
    assert inside == [tuple(background)] * 9
    outside = shot.pixel(left - 5 if left >= 5 else left + width + 5, top + height // 2)
    assert outside != tuple(background)
