"""slatekit: geometry text, centring and override-redirect, on stand-ins and real Tk windows."""
import tkinter
import traceback
import types

import pytest
from hypothesis import given, settings, strategies as st

import tallowkit.ui.tkinter.slatekit as slatekit
from xdisplay import display  # noqa: F401 (fixture)


class FakeRoot:
    def __init__(self, screen=(1280, 1024)):
        self.screen = screen
        self.calls = []

    def winfo_screenwidth(self):
        return self.screen[0]

    def winfo_screenheight(self):
        return self.screen[1]

    def geometry(self, spec):
        self.calls.append(("geometry", spec))

    def overrideredirect(self, flag):
        self.calls.append(("overrideredirect", flag))


def test_signatures_and_docstrings():
    assert slatekit.set_wm_center.__defaults__ == (0, 0)
    assert slatekit.get_geometry.__defaults__ == (0, 0)
    assert slatekit.set_wm_overrideredirect.__defaults__ is None
    assert slatekit.set_wm_center.__code__.co_varnames[:5] == ("root", "width", "height", "dx", "dy")
    for f in (slatekit.set_wm_center, slatekit.set_wm_overrideredirect, slatekit.get_geometry):
        assert f.__doc__ and f.__module__ == "tallowkit.ui.tkinter.slatekit"


# ---- get_geometry ----------------------------------------------------------------------------
@pytest.mark.parametrize("args, expected", [
    ((600, 400, 0, 0), "600x400+0+0"),
    ((600, 400), "600x400+0+0"),
    ((1, 2, 3, 4), "1x2+3+4"),
    ((600, 400, -5, -7), "600x400+-5+-7"),
    ((600.9, 400.2, 10.5, 0.0), "600x400+10+0"),
    ((True, 2, 3, 4), "1x2+3+4"),
    ((10 ** 30, 1, 0, 0), "%dx1+0+0" % 10 ** 30),
])
def test_get_geometry(args, expected):
    assert slatekit.get_geometry(*args) == expected


@pytest.mark.parametrize("args, error", [
    (("600", 400, 0, 0), TypeError), ((None, 400), TypeError), ((600, 400, [], 0), TypeError),
    ((float("nan"), 1), ValueError), ((float("inf"), 1), OverflowError),
])
def test_get_geometry_bad_numbers(args, error):
    with pytest.raises(error) as err:
        slatekit.get_geometry(*args)
    entries = [(e.name, e.filename) for e in traceback.extract_tb(err.tb)]
    assert ("tallowkit.ui.tkinter.slatekit.get_geometry", "slatekit.cpp") in entries


# ---- set_wm_center ---------------------------------------------------------------------------
@pytest.mark.parametrize("screen, args, expected", [
    ((1280, 1024), (600, 400), "600x400+340+312"),
    ((1280, 1024), (600, 400, 0, 0), "600x400+340+312"),
    ((1280, 1024), (600, 400, 10, -20), "600x400+350+292"),
    ((1280, 1024), (601, 401), "601x401+339+311"),
    ((1280, 1024), (2000, 300), "2000x300+0+362"),  # wider than the screen: left edge
    ((1280, 1024), (2000, 3000, 5, 6), "2000x3000+5+6"),
    ((800, 600), (800.0, 600.0), "800x600+0+0"),
])
def test_set_wm_center(screen, args, expected):
    root = FakeRoot(screen)
    assert slatekit.set_wm_center(root, *args) is None
    assert root.calls == [("geometry", expected)]


def test_set_wm_center_uses_get_geometry_at_call_time(monkeypatch):
    seen = []
    monkeypatch.setattr(slatekit, "get_geometry", lambda *a: seen.append(a) or "G")
    root = FakeRoot()
    slatekit.set_wm_center(root, 100, 50, 1, 2)
    assert seen == [(100, 50, 591, 489)] and root.calls == [("geometry", "G")]


@pytest.mark.parametrize("root, args, error", [
    (FakeRoot(), ("wide", 400), TypeError),
    (FakeRoot(), (600, None), TypeError),
    (types.SimpleNamespace(), (600, 400), AttributeError),
])
def test_set_wm_center_bad_input(root, args, error):
    with pytest.raises(error):
        slatekit.set_wm_center(root, *args)


# ---- set_wm_overrideredirect -----------------------------------------------------------------
@pytest.mark.parametrize("flag, applied", [
    (True, True), (1, True), ("no", True), ([0], True), (False, False), (0, False), (None, False),
    ("", False),
])
def test_set_wm_overrideredirect_applies_the_truth_value(flag, applied):
    root = FakeRoot()
    assert slatekit.set_wm_overrideredirect(root, flag) is None
    assert root.calls == [("overrideredirect", applied)]
    assert type(root.calls[0][1]) is bool


def test_argument_errors():
    with pytest.raises(TypeError) as err:
        slatekit.set_wm_overrideredirect(FakeRoot())
    assert str(err.value) == "set_wm_overrideredirect() takes exactly 2 positional arguments (1 given)"
    with pytest.raises(TypeError) as err:
        slatekit.get_geometry(1, 2, 3, 4, 5)
    assert str(err.value) == "get_geometry() takes at most 4 positional arguments (5 given)"


# ---- on a real Tk window ---------------------------------------------------------------------
@pytest.fixture
def root(display):
    r = tkinter.Tk()
    yield r
    r.destroy()


@pytest.mark.parametrize("size, offsets", [((600, 400), ()), ((333, 111), (7, -9)),
                                           ((100, 100), (0, 0))])
def test_real_centring(root, size, offsets):
    slatekit.set_wm_center(root, *size, *offsets)
    root.update()
    dx, dy = offsets or (0, 0)
    left = (root.winfo_screenwidth() - size[0]) // 2 + dx
    top = (root.winfo_screenheight() - size[1]) // 2 + dy
    assert root.geometry() == "%dx%d+%d+%d" % (size[0], size[1], left, top)
    assert (root.winfo_rootx(), root.winfo_rooty()) == (left, top)


@pytest.mark.parametrize("flag", [True, 1, False])
def test_real_overrideredirect(root, flag):
    slatekit.set_wm_overrideredirect(root, flag)
    assert bool(root.overrideredirect()) is bool(flag)


@settings(max_examples=30, deadline=None)
@given(st.integers(1, 3000), st.integers(1, 3000), st.integers(-3000, 3000),
       st.integers(-3000, 3000))
def test_real_tk_accepts_every_geometry(display, width, height, left, top):
    root = tkinter.Tk()
    try:
        spec = slatekit.get_geometry(width, height, left, top)
        root.geometry(spec)
        root.update_idletasks()
        assert root.geometry() == spec
    finally:
        root.destroy()
