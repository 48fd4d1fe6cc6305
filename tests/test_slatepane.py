"""SlatePane: exact calls through stand-ins for `tk` and `tkhlp`, and real Tk windows."""
import tkinter
import traceback
import types

import pytest

import tallowkit.ui.tkinter.slatekit as slatekit
import tallowkit.ui.tkinter.slatepane as slatepane
from xdisplay import assert_window_drawn, can_grab, display, grab  # noqa: F401 (fixture)

SlatePane = slatepane.SlatePane


# ---- recording stand-ins for the toolkit and the placement helpers -------------------------
class Calls:
    """One log for the root window's methods and the helpers, so their order is checked too."""

    def __init__(self):
        self.log = []
        self.root = None
        self.tk = types.SimpleNamespace(Tk=self.make_root)
        self.tkhlp = types.SimpleNamespace(
            set_wm_center=self.recorder("set_wm_center"),
            set_wm_overrideredirect=self.recorder("set_wm_overrideredirect"),
            get_geometry=self.recorder("get_geometry", "<geometry>"))

    def recorder(self, name, result=None):
        def record(*args, **kwargs):
            self.log.append((name,) + args + ((kwargs,) if kwargs else ()))
            return result
        return record

    def make_root(self, *args, **kwargs):
        self.log.append(("Tk",) + args + ((kwargs,) if kwargs else ()))
        self.root = types.SimpleNamespace(title=self.recorder("title"),
                                          geometry=self.recorder("geometry"),
                                          mainloop=self.recorder("mainloop"))
        return self.root


@pytest.fixture
def calls(monkeypatch):
    c = Calls()
    monkeypatch.setattr(slatepane, "tk", c.tk)
    monkeypatch.setattr(slatepane, "tkhlp", c.tkhlp)
    return c


ROOT = object()  # stands for the root window in the expected calls
ON, OFF = object(), None  # non-bool truth values, passed on unchanged


def test_imports_and_signature():
    assert slatepane.tk is tkinter  # the standard library, not this package's tkinter
    assert slatepane.tkhlp is slatekit
    assert SlatePane.__init__.__code__.co_varnames[:8] == (
        "self", "overrideredirect", "center", "title", "width", "height", "left", "top")
    assert SlatePane.__init__.__defaults__ == (False, True, "Form", 600, 400, 0, 0)
    assert SlatePane.__init__.__doc__ is None and SlatePane.mainloop.__doc__ is None
    assert [k for k in vars(SlatePane) if k in ("__init__", "mainloop")] == ["__init__", "mainloop"]


@pytest.mark.parametrize("kwargs, expected", [
    ({}, [("title", "Form"), ("set_wm_center", ROOT, 600, 400)]),
    ({"center": False},
     [("title", "Form"), ("get_geometry", 600, 400, 0, 0), ("geometry", "<geometry>")]),
    ({"title": "T", "width": 10, "height": 20, "left": 99, "top": 98},
     [("title", "T"), ("set_wm_center", ROOT, 10, 20)]),
    ({"center": [], "width": 1.5, "left": -4},
     [("title", "Form"), ("get_geometry", 1.5, 400, -4, 0), ("geometry", "<geometry>")]),
    ({"overrideredirect": True, "title": "never"},
     [("set_wm_overrideredirect", ROOT, True), ("set_wm_center", ROOT, 600, 400, 0, 0)]),
    ({"overrideredirect": 1}, [("set_wm_overrideredirect", ROOT, 1),
                               ("set_wm_center", ROOT, 600, 400, 0, 0)]),
    ({"overrideredirect": ON, "center": OFF, "width": 7, "height": 8, "left": 9, "top": 10},
     [("set_wm_overrideredirect", ROOT, ON), ("get_geometry", 7, 8, 9, 10),
      ("geometry", "<geometry>")]),
    ({"overrideredirect": 0}, [("title", "Form"), ("set_wm_center", ROOT, 600, 400)]),
    ({"overrideredirect": ""}, [("title", "Form"), ("set_wm_center", ROOT, 600, 400)]),
])
def test_init_branches(calls, kwargs, expected):
    pane = SlatePane(**kwargs)
    assert pane.root is calls.root and list(vars(pane)) == ["root"]
    resolved = [tuple(calls.root if x is ROOT else x for x in call) for call in expected]
    assert calls.log == [("Tk",)] + resolved
    # values are passed on as they are, not converted (1 stays 1, not True)
    assert [list(map(type, c)) for c in calls.log[1:]] == [list(map(type, c)) for c in resolved]
    assert all(g is w for got, want in zip(calls.log[1:], resolved) for g, w in zip(got, want)
               if w is ON or w is calls.root)


def test_init_by_position(calls):
    SlatePane(True, False, "T", 1, 2, 3, 4)
    assert calls.log == [("Tk",), ("set_wm_overrideredirect", calls.root, True),
                         ("get_geometry", 1, 2, 3, 4), ("geometry", "<geometry>")]


class CountingPane(SlatePane):
    """Counts the reads of `root`."""
    reads = 0

    @property
    def root(self):
        CountingPane.reads += 1
        return self.__dict__["root"]

    @root.setter
    def root(self, value):
        self.__dict__["root"] = value


@pytest.mark.parametrize("kwargs", [{}, {"center": False}, {"overrideredirect": True},
                                    {"overrideredirect": True, "center": False}])
def test_root_is_read_back_for_every_call(calls, kwargs):
    CountingPane.reads = 0
    CountingPane(**kwargs)
    assert CountingPane.reads == 2


def test_mainloop(calls):
    pane = SlatePane()
    del calls.log[:]
    assert pane.mainloop() is None
    assert calls.log == [("mainloop",)]


@pytest.mark.parametrize("call, message", [
    (lambda: SlatePane(1, 2, 3, 4, 5, 6, 7, 8),
     "__init__() takes at most 8 positional arguments (9 given)"),
    (lambda: SlatePane(True, overrideredirect=False),
     "__init__() got multiple values for keyword argument 'overrideredirect'"),
    (lambda: SlatePane.mainloop(object(), 1), "mainloop() takes exactly one argument (2 given)"),
])
def test_argument_errors(calls, call, message):
    with pytest.raises(TypeError) as err:
        call()
    assert str(err.value) == message
    assert calls.log == []


@pytest.mark.parametrize("broken, kwargs", [
    ("set_wm_center", {}), ("set_wm_overrideredirect", {"overrideredirect": True}),
    ("get_geometry", {"center": False}),
])
def test_helper_errors_propagate_with_the_method_entry(calls, broken, kwargs):
    def fail(*args):
        raise ValueError("cannot place")
    setattr(calls.tkhlp, broken, fail)
    with pytest.raises(ValueError, match="cannot place") as err:
        SlatePane(**kwargs)
    entries = [(e.name, e.filename) for e in traceback.extract_tb(err.tb)]
    assert ("tallowkit.ui.tkinter.slatepane.SlatePane.__init__", "slatepane.cpp") in entries


@pytest.mark.parametrize("missing", ["tk", "tkhlp"])
def test_globals_are_looked_up_at_call_time(calls, monkeypatch, missing):
    monkeypatch.delattr(slatepane, missing)
    with pytest.raises(NameError, match="name '%s' is not defined" % missing):
        SlatePane()


def test_truth_test_errors_propagate(calls):
    class Undecided:
        def __bool__(self):
            raise RuntimeError("no truth")
    with pytest.raises(RuntimeError, match="no truth"):
        SlatePane(overrideredirect=Undecided())
    assert calls.log == [("Tk",)]  # the root window exists, the caller gets no wrapper


# ---- real windows --------------------------------------------------------------------------
def centred_geometry(root, width, height):
    left = (root.winfo_screenwidth() - width) // 2
    top = (root.winfo_screenheight() - height) // 2
    return "%dx%d+%d+%d" % (width, height, left, top), left, top


def run_and_look(pane, tmp_path, png_name):
    """Lets the window be drawn, looks at it, then destroys it from a timer inside mainloop."""
    seen = {}

    def look_and_destroy():
        root = pane.root
        try:  # a failure here must not leave mainloop running
            root.update()
            seen["geometry"] = root.geometry()
            seen["viewable"] = bool(root.winfo_viewable())
            seen["background"] = tuple(v // 257 for v in root.winfo_rgb(root.cget("bg")))
            if can_grab():
                seen["shot"] = grab(0, 0, root.winfo_screenwidth(), root.winfo_screenheight(),
                                    tmp_path, png_name)
        finally:
            root.destroy()

    pane.root.after(300, look_and_destroy)
    assert pane.mainloop() is None
    return seen


def test_real_centred_window(display, tmp_path):
    pane = SlatePane(title="tallowkit pane", width=400, height=300)
    root = pane.root
    assert root.title() == "tallowkit pane" and not root.overrideredirect()
    expected, left, top = centred_geometry(root, 400, 300)
    seen = run_and_look(pane, tmp_path, "pane")
    assert seen["viewable"] and seen["geometry"] == expected
    if "shot" not in seen:
        pytest.skip("window checked; no screenshot without wxPython")
    assert_window_drawn(seen["shot"], left, top, 400, 300, seen["background"])


def test_real_override_redirect_window(display, tmp_path):
    pane = SlatePane(overrideredirect=True, title="ignored", width=320, height=200)
    root = pane.root
    assert root.overrideredirect() and root.title() != "ignored"
    expected, _, _ = centred_geometry(root, 320, 200)
    seen = run_and_look(pane, tmp_path, "override")
    assert seen["viewable"] and seen["geometry"] == expected


@pytest.mark.parametrize("overrideredirect", [False, True])
def test_real_placed_window(display, tmp_path, overrideredirect):
    pane = SlatePane(overrideredirect=overrideredirect, center=False, width=200, height=150,
                     left=30, top=40)
    seen = run_and_look(pane, tmp_path, "placed")
    assert seen["geometry"] == "200x150+30+40"


@pytest.mark.parametrize("kwargs, error", [
    ({"width": "wide"}, TypeError),  # no centre can be worked out from it
    ({"center": False, "height": None}, TypeError),  # no geometry text can be built from it
    ({"center": False, "width": -5}, tkinter.TclError),  # Tk refuses a negative size
])
def test_real_bad_size_is_an_error_not_a_crash(display, monkeypatch, kwargs, error):
    made = []

    def Tk():
        made.append(tkinter.Tk())
        return made[-1]
    monkeypatch.setattr(slatepane, "tk", types.SimpleNamespace(Tk=Tk))
    try:
        with pytest.raises(error):
            SlatePane(**kwargs)
    finally:
        for root in made:  # the caller got no wrapper; the window is still there to close
            root.destroy()
