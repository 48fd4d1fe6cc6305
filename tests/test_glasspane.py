"""WxFrame: exact toolkit calls through a recording stand-in for `wx`, and real frames."""
import json
import struct
import sys
import traceback
import types

import pytest

from xdisplay import GRAB, Shot, assert_window_drawn, display, run_child  # noqa: F401

try:
    import wx
except ImportError:  # still check the calls, with a stand-in module at load
    wx = None

if wx is None:
    LOADED_WX = types.ModuleType("wx")
    LOADED_WX.__dict__.update(DEFAULT_FRAME_STYLE=541072960, ID_ANY=-1, FrameNameStr="frame",
                              BOTH=12)
    sys.modules["wx"] = LOADED_WX
    try:
        import tallowkit.ui.wxpy.glasspane as glasspane
    finally:
        del sys.modules["wx"]
else:
    LOADED_WX = wx
    import tallowkit.ui.wxpy.glasspane as glasspane

WxFrame = glasspane.WxFrame
needs_wx = pytest.mark.skipif(wx is None, reason="wxPython is not installed for this interpreter")


# ---- a recording stand-in for the toolkit ------------------------------------------------
class Recorder:
    """Records calls as (name, args, kwargs) in a shared log and returns `result(*args)`."""

    def __init__(self, log, name, result=None):
        self.log, self.name, self.result = log, name, result

    def __call__(self, *args, **kwargs):
        self.log.append((self.name, args, kwargs))
        return self.result(*args) if self.result else None


class FakeWx:
    DefaultSize = "<DefaultSize>"
    DefaultPosition = "<DefaultPosition>"
    BITMAP_TYPE_ICO = "<ICO>"
    DEFAULT_FRAME_STYLE = ID_ANY = FrameNameStr = BOTH = "<not read at call time>"

    def __init__(self, existing_app=None):
        self.log = []
        self.GetApp = Recorder(self.log, "GetApp", lambda: existing_app)
        self.App = Recorder(self.log, "App", lambda: self.stand_in("app", "MainLoop"))
        self.Frame = Recorder(self.log, "Frame",
                              lambda *a: self.stand_in("frame", "Show", "Center", "SetIcon"))
        self.Size = Recorder(self.log, "Size", lambda *a: ("Size",) + a)
        self.Point = Recorder(self.log, "Point", lambda *a: ("Point",) + a)
        self.Icon = Recorder(self.log, "Icon", lambda *a: ("Icon",) + a)

    def stand_in(self, kind, *methods):
        obj = types.SimpleNamespace(kind=kind)
        for m in methods:
            setattr(obj, m, Recorder(self.log, "%s.%s" % (kind, m), lambda *a: "<%s result>" % m))
        return obj

    def names(self):
        return [name for name, _, _ in self.log]


@pytest.fixture
def fake(monkeypatch):
    stand_in = FakeWx()
    monkeypatch.setattr(glasspane, "wx", stand_in)
    return stand_in


LOAD_DEFAULTS = dict(style=LOADED_WX.DEFAULT_FRAME_STYLE, parent=None, id=LOADED_WX.ID_ANY,
                     name=LOADED_WX.FrameNameStr)


def frame_call(size="<DefaultSize>", pos="<DefaultPosition>", title="WxFrame", **given):
    kw = dict(LOAD_DEFAULTS, **given)
    parent = kw.pop("parent")
    return ("Frame", (parent,), dict(id=kw["id"], title=title, size=size, pos=pos,
                                     style=kw["style"], name=kw["name"]))


# ---- the class as the interpreter sees it -------------------------------------------------
def test_signatures_and_defaults_are_fixed_at_load():
    assert [k for k in vars(WxFrame) if not k.startswith("__") or k == "__init__"] == [
        "__init__", "mainloop", "show", "center", "seticon"]
    assert WxFrame.__init__.__code__.co_varnames[:8] == (
        "self", "size", "title", "pos", "style", "parent", "id", "name")
    assert WxFrame.__init__.__defaults__ == (
        None, "WxFrame", None, LOADED_WX.DEFAULT_FRAME_STYLE, None, LOADED_WX.ID_ANY,
        LOADED_WX.FrameNameStr)
    assert WxFrame.show.__defaults__ == (True,)
    assert WxFrame.center.__defaults__ == (LOADED_WX.BOTH,)
    assert WxFrame.seticon.__defaults__ is None and WxFrame.mainloop.__defaults__ is None
    assert all(getattr(WxFrame, m).__doc__ is None
               for m in ("__init__", "mainloop", "show", "center", "seticon"))
    assert WxFrame.__module__ == "tallowkit.ui.wxpy.glasspane" and WxFrame.__bases__ == (object,)


@pytest.mark.parametrize("call, message", [
    (lambda: WxFrame(1, 2, 3, 4, 5, 6, 7, 8),
     "__init__() takes at most 8 positional arguments (9 given)"),
    (lambda: WxFrame.mainloop(object(), 1), "mainloop() takes exactly one argument (2 given)"),
    (lambda: WxFrame.mainloop(self=1), "mainloop() takes no keyword arguments"),
    (lambda: WxFrame.seticon(object()), "seticon() takes exactly 2 positional arguments (1 given)"),
])
def test_argument_errors(fake, call, message):
    with pytest.raises(TypeError) as err:
        call()
    assert str(err.value) == message
    assert fake.log == []


# ---- exact calls ---------------------------------------------------------------------------
@pytest.mark.parametrize("kwargs, made, frame", [
    ({}, [], frame_call()),
    ({"size": (800, 600)}, [("Size", (800, 600), {})], frame_call(size=("Size", 800, 600))),
    ({"size": [800, 600]}, [("Size", (800, 600), {})], frame_call(size=("Size", 800, 600))),
    ({"pos": (10, 20)}, [("Point", (10, 20), {})], frame_call(pos=("Point", 10, 20))),
    ({"size": [1.5, 2], "pos": [-3, 4], "title": "t", "style": 7, "parent": "P", "id": 9,
      "name": "n"},
     [("Size", (1.5, 2), {}), ("Point", (-3, 4), {})],
     frame_call(size=("Size", 1.5, 2), pos=("Point", -3, 4), title="t", style=7, parent="P",
                id=9, name="n")),
    ({"size": "ab", "pos": range(5, 9)}, [("Size", ("a", "b"), {}), ("Point", (5, 6), {})],
     frame_call(size=("Size", "a", "b"), pos=("Point", 5, 6))),
])
def test_init_calls(fake, kwargs, made, frame):
    f = WxFrame(**kwargs)
    assert fake.log == [("GetApp", (), {}), ("App", (), {})] + made + [frame]
    assert f.wxapp.kind == "app" and f.wxfrm.kind == "frame" and f.icon is None
    assert list(vars(f)) == ["wxapp", "wxfrm", "icon"]


def test_init_by_position_matches_keywords(fake):
    WxFrame((1, 2), "T", (3, 4), 5, "P", 6, "N")
    assert fake.log[-1] == frame_call(size=("Size", 1, 2), pos=("Point", 3, 4), title="T",
                                      style=5, parent="P", id=6, name="N")


def test_existing_application_is_reused(monkeypatch):
    existing = types.SimpleNamespace(kind="existing")
    stand_in = FakeWx(existing_app=existing)
    monkeypatch.setattr(glasspane, "wx", stand_in)
    f = WxFrame()
    assert f.wxapp is existing
    assert stand_in.names() == ["GetApp", "Frame"]


@pytest.mark.parametrize("method, args, kwargs, expected", [
    ("show", (), {}, ("frame.Show", (), {"show": True})),
    ("show", (False,), {}, ("frame.Show", (), {"show": False})),
    ("show", (), {"show": 0}, ("frame.Show", (), {"show": 0})),
    ("center", (), {}, ("frame.Center", (), {"dir": LOADED_WX.BOTH})),
    ("center", (4,), {}, ("frame.Center", (), {"dir": 4})),
    ("center", (), {"d": "any"}, ("frame.Center", (), {"dir": "any"})),
])
def test_frame_methods_pass_through_and_return_the_wrapper(fake, method, args, kwargs, expected):
    f = WxFrame()
    del fake.log[:]
    assert getattr(f, method)(*args, **kwargs) is f
    assert fake.log == [expected]


def test_seticon_makes_an_ico_icon_and_sets_it(fake):
    f = WxFrame()
    del fake.log[:]
    assert f.seticon("app.ico") is f
    assert f.icon == ("Icon", "app.ico", "<ICO>")
    assert fake.log == [("Icon", ("app.ico", "<ICO>"), {}), ("frame.SetIcon", (f.icon,), {})]


def test_chained_calls_and_mainloop(fake):
    f = WxFrame()
    assert f.seticon("a.ico").center().show().mainloop() is None
    assert fake.names()[3:] == ["Icon", "frame.SetIcon", "frame.Center", "frame.Show",
                                "app.MainLoop"]
    assert fake.log[-1] == ("app.MainLoop", (), {})


# ---- failures ------------------------------------------------------------------------------
def assert_entry(excinfo, method):
    entries = [(e.name, e.filename) for e in traceback.extract_tb(excinfo.tb)]
    assert ("tallowkit.ui.wxpy.glasspane.WxFrame." + method, "glasspane.cpp") in entries


@pytest.mark.parametrize("kwargs, error", [
    ({"size": 5}, TypeError), ({"pos": 5.0}, TypeError), ({"size": (1,)}, IndexError),
    ({"pos": []}, IndexError), ({"size": {}}, KeyError), ({"pos": object()}, TypeError),
])
def test_unindexable_size_or_position(fake, kwargs, error):
    with pytest.raises(error) as err:
        WxFrame(**kwargs)
    assert_entry(err, "__init__")
    assert "Frame" not in fake.names()


@pytest.mark.parametrize("where, method", [("Frame", "__init__"), ("Icon", "seticon"),
                                           ("SetIcon", "seticon")])
def test_toolkit_errors_propagate_unchanged(fake, where, method):
    def broken(*a, **k):
        raise RuntimeError("toolkit says no")
    f = WxFrame()
    setattr(f.wxfrm if where == "SetIcon" else fake, where, broken)
    with pytest.raises(RuntimeError, match="toolkit says no") as err:
        f.seticon("x.ico") if method == "seticon" else WxFrame()
    assert_entry(err, method)


# ---- real frames ---------------------------------------------------------------------------
def write_ico(path, size=16, bgra=(40, 90, 200, 255)):
    """A real .ico file: one size x size 32-bit image with its (empty) transparency mask."""
    pixels = bytes(bgra) * (size * size)
    mask = b"\0" * (((size + 31) // 32 * 4) * size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(pixels) + len(mask),
                         0, 0, 0, 0)
    image = header + pixels + mask
    with open(path, "wb") as f:
        f.write(struct.pack("<HHH", 0, 1, 1))
        f.write(struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), 6 + 16))
        f.write(image)


# Real frames run in child processes (see xdisplay.run_child); each prints what it saw as JSON.
REAL_FRAME = GRAB + r"""
import json, sys, wx
from tallowkit.ui.wxpy.glasspane import WxFrame
icon_path, raw_path, png_path = sys.argv[1:4]
f = WxFrame(size=(320, 240), title="tallowkit frame")
seen = {"shown_before": f.wxfrm.IsShown(), "icon_before": f.icon}
seen["chained"] = f.seticon(icon_path).center().show() is f
seen["icon"] = [f.icon.IsOk(), f.icon.GetWidth(), f.icon.GetHeight()]

def look_and_close():
    frame = f.wxfrm
    try:  # a failure here must not leave the main loop running
        seen.update(title=frame.GetTitle(), shown=frame.IsShown(),
                    rect=list(frame.GetScreenRect()), screen=list(wx.GetDisplaySize()),
                    background=list(frame.GetBackgroundColour())[:3])
        grab(0, 0, seen["screen"][0], seen["screen"][1], raw_path, png_path)
    finally:
        frame.Close()

wx.CallLater(400, look_and_close)
seen["mainloop"] = f.mainloop()
print(json.dumps(seen))
"""


def run_json(code, *args):
    run = run_child(code, *args)
    assert run.returncode == 0, run.stderr.decode(errors="replace")
    return json.loads(run.stdout.decode().strip().splitlines()[-1])


@needs_wx
def test_real_frame_with_icon_centred_shown_and_closed(display, tmp_path):
    icon_path = tmp_path / "tallowkit.ico"
    write_ico(str(icon_path))
    seen = run_json(REAL_FRAME, icon_path, tmp_path / "frame.rgb", tmp_path / "frame.png")
    assert seen["shown_before"] is False and seen["icon_before"] is None and seen["chained"]
    assert seen["icon"] == [True, 16, 16]
    assert seen["title"] == "tallowkit frame" and seen["shown"] and seen["mainloop"] is None
    left, top, width, height = seen["rect"]
    screen_width, screen_height = seen["screen"]
    assert (width, height) == (320, 240)
    assert abs(left - (screen_width - width) // 2) <= 1
    assert abs(top - (screen_height - height) // 2) <= 1
    shot = Shot(0, 0, screen_width, screen_height, tmp_path / "frame.rgb")
    assert_window_drawn(shot, left, top, width, height, seen["background"])


BAD_ICONS = r"""
import json, sys, wx
from tallowkit.ui.wxpy.glasspane import WxFrame
f = WxFrame(title="bad icon")
results = []
with wx.LogNull():  # the toolkit logs the failure instead of raising
    for path in sys.argv[1:]:
        results.append([f.seticon(path) is f, f.icon.IsOk()])
print(json.dumps(results))
"""


@needs_wx
def test_real_icon_files_the_toolkit_cannot_load(display, tmp_path):
    bad = tmp_path / "not-an-icon.ico"
    bad.write_bytes(b"this is no icon")
    empty = tmp_path / "empty.ico"
    empty.write_bytes(b"")
    seen = run_json(BAD_ICONS, bad, empty, tmp_path / "missing.ico")
    assert seen == [[True, False]] * 3


TWO_FRAMES = r"""
import wx
from tallowkit.ui.wxpy.glasspane import WxFrame
frames = []
for i in range(2):
    f = WxFrame(size=(200, 100), title="frame %d" % i).center().show()
    frames.append(f)
    wx.CallLater(150, f.wxfrm.Close)
    f.mainloop()
    print("closed", i, flush=True)
print("same application:", frames[0].wxapp is frames[1].wxapp, flush=True)
"""


@needs_wx
def test_second_frame_after_a_main_loop_does_not_crash(display):
    run = run_child(TWO_FRAMES)
    assert run.returncode == 0, run.stderr.decode(errors="replace")
    assert run.stdout.decode().splitlines() == ["closed 0", "closed 1", "same application: True"]
