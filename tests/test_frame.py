"""The module frame, seen through the self-test module and a real module."""
import builtins
import ctypes
import gc
import importlib
import inspect
import os
import pickle
import pydoc
import subprocess
import sys
import textwrap
import traceback
import types

import pytest

# the self-test modules are built for this repository's tests only; release wheels lack them
ft = pytest.importorskip("tallowkit._selftest.frametest",
                         reason="tallowkit._selftest is not installed (a release build)")
import tallowkit.base.platform as tkplatform


def message_of(func, *args, **kwargs):
    with pytest.raises(TypeError) as info:
        func(*args, **kwargs)
    return str(info.value)


@pytest.mark.parametrize("func, args, kwargs, message", [
    # no parameters
    (tkplatform.get_os_type, (1,), {}, "get_os_type() takes no arguments (1 given)"),
    (tkplatform.is_windows, (), {"x": 1}, "is_windows() takes no keyword arguments"),
    (tkplatform.is_windows, (1,), {"x": 1}, "is_windows() takes no keyword arguments"),
    # one parameter without default: keywords refused, even the parameter's own name
    (ft.single, (), {"x": 1}, "single() takes no keyword arguments"),
    (ft.single, (), {}, "single() takes exactly one argument (0 given)"),
    (ft.single, (1, 2), {}, "single() takes exactly one argument (2 given)"),
    # the general convention, no defaults
    (ft.two, (1,), {}, "two() takes exactly 2 positional arguments (1 given)"),
    (ft.two, (1, 2, 3), {}, "two() takes exactly 2 positional arguments (3 given)"),
    (ft.two, (), {"b": 1}, "two() takes exactly 2 positional arguments (0 given)"),
    (ft.two, (1,), {"a": 2}, "two() takes exactly 2 positional arguments (1 given)"),
    (ft.two, (1, 2), {"a": 3}, "two() got multiple values for keyword argument 'a'"),
    (ft.two, (1, 2), {"z": 3}, "two() got an unexpected keyword argument 'z'"),
    (ft.two, (), {"a": 1, "b": 2, "c": 3}, "two() got an unexpected keyword argument 'c'"),
    # with defaults: "at least" the required ones, "at most" all of them
    (ft.opt, (), {}, "opt() takes at least 1 positional argument (0 given)"),
    (ft.opt, (), {"b": 1}, "opt() takes at least 1 positional argument (0 given)"),
    (ft.opt, (1, 2, 3, 4), {}, "opt() takes at most 3 positional arguments (4 given)"),
    (ft.opt, (1,), {"d": 2}, "opt() got an unexpected keyword argument 'd'"),
    (ft.opt, (1,), {"a": 2}, "opt() got multiple values for keyword argument 'a'"),
    (ft.only_default, (1, 2), {}, "only_default() takes at most 1 positional argument (2 given)"),
    # methods count self
    (ft.Widget(1).get, (1,), {}, "get() takes exactly one argument (2 given)"),
    (ft.Widget.get, (), {"self": ft.Widget(1)}, "get() takes no keyword arguments"),
    (ft.Widget(1).scaled, (1, 2), {}, "scaled() takes at most 2 positional arguments (3 given)"),
    (ft.Widget.make, (), {}, "make() takes exactly 2 positional arguments (1 given)"),
])
def test_argument_errors(func, args, kwargs, message):
    assert message_of(func, *args, **kwargs) == message


@pytest.mark.parametrize("args, kwargs, expected", [
    ((1,), {}, (1, 2, 3)),
    ((1,), {"c": 9}, (1, 2, 9)),
    ((), {"c": 9, "a": 0}, (0, 2, 9)),
    ((1, 5), {}, (1, 5, 3)),
    ((1, 5, 6), {}, (1, 5, 6)),
])
def test_binding_fills_defaults_from_the_tail(args, kwargs, expected):
    assert ft.opt(*args, **kwargs) == expected


def test_the_small_conventions_accept_their_calls():
    assert (ft.nothing(), ft.single(5), ft.only_default(), ft.only_default(4)) == (None, 5, 1, 4)


def test_keyword_matching_by_equality_not_only_identity():
    class Key(str):
        pass
    assert ft.two(**{Key("a"): 1, "".join(["b"]): 2}) == (1, 2)


def test_keywords_that_are_not_strings():
    # Python's own call syntax refuses these before the call; the C API does not. Interpreters
    # from 3.9 on refuse them while converting the dict for the fast protocol, with their message.
    call = ctypes.pythonapi.PyObject_Call
    call.restype = ctypes.py_object
    call.argtypes = [ctypes.py_object, ctypes.py_object, ctypes.py_object]
    expected = "keywords must be strings" if sys.version_info >= (3, 9) else \
        "two() keywords must be strings"
    with pytest.raises(TypeError) as info:
        call(ft.two, (1, 2), {1: 2})
    assert str(info.value) == expected


def test_function_attributes():
    f = ft.opt
    assert (f.__name__, f.__qualname__, f.__module__) == ("opt", "opt", "tallowkit._selftest.frametest")
    assert f.__doc__ == "opt doc" and ft.two.__doc__ is None
    assert f.__defaults__ == (2, 3) and ft.two.__defaults__ is None
    assert f.__globals__ is vars(ft)
    assert f.__closure__ is None and f.__kwdefaults__ is None
    code = f.__code__
    assert code.co_varnames == ("a", "b", "c", "local")
    assert (code.co_argcount, code.co_name, code.co_filename) == (3, "opt", "frametest.cpp")
    f.note = "kept"
    assert f.__dict__ == {"note": "kept"}
    method = ft.Widget.scaled
    assert method.__qualname__ == "Widget.scaled" and method.__code__.co_varnames == ("self", "k")


def test_signature_and_help_show_the_real_parameters():
    assert str(inspect.signature(ft.opt)) == "(a, b=2, c=3)"
    assert str(inspect.signature(ft.Widget(1).scaled)) == "(k=2)"
    assert str(inspect.signature(ft.Widget.make)) == "(value)"
    assert "opt(a, b=2, c=3)" in pydoc.render_doc(ft.opt, renderer=pydoc.plaintext)


def test_descriptor_binding():
    w = ft.Widget(3)
    assert w.get() == 3 and w.scaled(k=5) == 15
    assert ft.Widget.get is vars(ft.Widget)["get"]
    assert ft.Widget.get(w) == 3
    assert w.get.__self__ is w and w.get.__func__ is ft.Widget.get
    assert ft.two.__get__(None, type(None)) is ft.two


def test_class_statement():
    cls = ft.Widget
    assert (cls.__name__, cls.__qualname__, cls.__module__) == ("Widget", "Widget", ft.__name__)
    assert cls.__bases__ == (object,) and type(cls) is type
    class Sub(cls):
        pass
    made = Sub.make(4)  # the class method builds the module's own class by its global name
    assert type(made) is cls and made.value == 4
    assert type(Sub(1).make(2)) is cls


def test_pickling_refers_to_the_function_by_name():
    assert pickle.loads(pickle.dumps(ft.two)) is ft.two
    assert pickle.loads(pickle.dumps(tkplatform.get_os_type)) is tkplatform.get_os_type


def test_second_import_and_reload_return_the_same_module():
    ft.marker = "still here"
    try:
        assert importlib.import_module("tallowkit._selftest.frametest") is ft
        assert importlib.reload(ft) is ft
        assert ft.marker == "still here"
    finally:
        del ft.marker


def test_module_attributes():
    assert ft.__test__ == {} and tkplatform.__test__ == {}
    assert ft.__builtins__ is builtins
    assert ft.__package__ == "tallowkit._selftest"
    assert ft.__doc__ == "Frame self-test module." and tkplatform.__doc__ is None
    assert os.path.basename(ft.__file__).startswith("frametest.")
    assert ft.__loader__ is ft.__spec__.loader
    assert sys.modules["tallowkit._selftest.frametest"] is ft


def entries(exc_info):
    return [(frame.name, frame.filename) for frame in traceback.extract_tb(exc_info.tb)][1:]


def test_traceback_entries_name_each_package_function_passed():
    with pytest.raises(ZeroDivisionError) as info:
        ft.outer(0)
    assert entries(info) == [("tallowkit._selftest.frametest.outer", "frametest.cpp"),
                             ("tallowkit._selftest.frametest.inner", "frametest.cpp")]
    lines = [frame.lineno for frame in traceback.extract_tb(info.tb)][1:]
    assert lines[0] != lines[1]
    with pytest.raises(TypeError) as info:
        ft.Widget("a").scaled(None)
    assert entries(info) == [("tallowkit._selftest.frametest.Widget.scaled", "frametest.cpp")]


def test_globals_are_looked_up_at_every_call(monkeypatch):
    monkeypatch.setattr(ft, "inner", lambda x: ("replaced", x))
    assert ft.outer(5) == ("replaced", 5)
    monkeypatch.delattr(ft, "inner")
    with pytest.raises(NameError, match=r"^name 'inner' is not defined$") as info:
        ft.outer(5)
    assert entries(info) == [("tallowkit._selftest.frametest.outer", "frametest.cpp")]
    # builtins are the fallback
    monkeypatch.setattr(builtins, "inner", lambda x: "builtin", raising=False)
    assert ft.outer(5) == "builtin"


def _set_global(name, value):
    ft.__dict__[name] = value


def _rebind_in_builtins(name, value):
    del ft.__dict__[name]
    setattr(builtins, name, value)


# Lookups are remembered between calls; every way of changing a dict they read must show at once.
@pytest.mark.parametrize("change", [
    lambda v: setattr(ft, "inner", v),                      # module global rebound
    lambda v: _set_global("inner", v),                       # through the module dict
    lambda v: ft.__dict__.update(inner=v),                   # dict update
    lambda v: _rebind_in_builtins("inner", v),               # global gone, a builtin found
])
def test_rebinding_is_seen_through_the_lookup_cache(monkeypatch, change):
    monkeypatch.setattr(ft, "inner", ft.inner)
    monkeypatch.setattr(builtins, "inner", None, raising=False)
    for n in range(3):
        assert ft.outer(1) == 1     # warm
        change(lambda x, n=n: ("new", n, x))
        assert ft.outer(2) == ("new", n, 2)
        ft.__dict__["inner"] = lambda x: 1 // x    # and back to the original behaviour
    monkeypatch.delattr(builtins, "inner")


def test_imported_module_attribute_rebound_replaced_or_cleared(monkeypatch):
    fake = types.ModuleType("fakeplatform")
    fake.system = lambda: "One"
    monkeypatch.setattr(tkplatform, "platform", fake)
    assert [tkplatform.get_os_type() for _ in range(3)] == ["One"] * 3
    fake.system = lambda: "Two"                                  # attribute rebound
    assert tkplatform.get_os_type() == "Two"
    fake.__dict__.clear()                                        # dict cleared
    with pytest.raises(AttributeError):
        tkplatform.get_os_type()
    fake.__dict__.update(system=lambda: "Three")                  # refilled
    assert tkplatform.get_os_type() == "Three"
    other = types.ModuleType("other")                            # module replaced
    other.system = lambda: "Four"
    tkplatform.platform = other
    assert tkplatform.get_os_type() == "Four"
    del other                                                    # a new dict, maybe at its address
    again = types.ModuleType("again")
    again.system = lambda: "Five"
    tkplatform.platform = again
    assert tkplatform.get_os_type() == "Five"


def test_runaway_recursion_is_an_error_not_a_crash(monkeypatch):
    monkeypatch.setattr(ft, "inner", ft.outer)
    with pytest.raises(RecursionError):
        ft.outer(1)


def test_errors_of_the_interpreter_pass_unchanged():
    with pytest.raises(TypeError) as info:
        ft.plus_one("a")
    try:
        "a" + 1
    except TypeError as expected:
        assert str(info.value) == str(expected)


def run_python(code):
    env = dict(os.environ, PYTHONPATH=os.pathsep.join(sys.path))
    return subprocess.run([sys.executable, "-c", textwrap.dedent(code)], env=env,
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                          universal_newlines=True, timeout=60)


def test_load_failure_leaves_nothing_behind_and_a_retry_succeeds():
    result = run_python("""
        import sys, traceback, types, warnings
        warnings.simplefilter("ignore")
        try:
            import tallowkit._selftest.frameversion
        except ImportError as e:
            names = [f.name for f in traceback.extract_tb(e.__traceback__)]
            print("failed", names[-1], "tallowkit._selftest.frameversion" in sys.modules)
        hook = types.ModuleType("tallowkit_selftest_hook")
        hook.ready = 42
        sys.modules[hook.__name__] = hook
        import tallowkit._selftest.frameversion as m
        print("loaded", m.answer())
    """)
    assert result.stdout.split("\n")[:2] == [
        "failed init tallowkit._selftest.frameversion False", "loaded 42"], result.stderr


def test_version_mismatch_warns_and_can_fail_the_import():
    # frameversion is built claiming "<major>.<minor>0": the first digits agree with the
    # running interpreter, the whole minor number does not.
    runtime = "%d.%d" % sys.version_info[:2]
    result = run_python("""
        import sys, types, warnings
        hook = types.ModuleType("tallowkit_selftest_hook"); hook.ready = 1
        sys.modules[hook.__name__] = hook
        with warnings.catch_warnings(record=True) as caught:
            warnings.simplefilter("always")
            import tallowkit._selftest.frameversion
        print([(w.category.__name__, str(w.message)) for w in caught])
    """)
    assert result.stdout.strip() == str([(
        "RuntimeWarning",
        "compiletime version %s0 of module 'tallowkit._selftest.frameversion' does not match "
        "runtime version %s" % (runtime, runtime))]), result.stderr
    result = run_python("""
        import sys, types, warnings
        hook = types.ModuleType("tallowkit_selftest_hook"); hook.ready = 1
        sys.modules[hook.__name__] = hook
        warnings.simplefilter("error")
        try:
            import tallowkit._selftest.frameversion
        except RuntimeWarning as e:
            print("refused", "tallowkit._selftest.frameversion" in sys.modules)
    """)
    assert result.stdout.strip() == "refused False", result.stderr


def test_functions_of_a_failed_load_stay_callable():
    # A failed load is reachable through its traceback; its functions must not crash.
    result = run_python("""
        import sys, types, warnings
        warnings.simplefilter("ignore")
        try:
            import tallowkit._selftest.frameversion
        except ImportError as e:
            tb = e.__traceback__
            while tb.tb_next:
                tb = tb.tb_next
            stale = tb.tb_frame.f_globals["answer"]
        try:
            stale()
        except NameError as e:
            print(e)
        hook = types.ModuleType("tallowkit_selftest_hook"); hook.ready = 7
        sys.modules[hook.__name__] = hook
        import tallowkit._selftest.frameversion as m
        print(m.answer())
    """)
    assert result.stdout.split("\n")[:2] == ["name 'ready' is not defined", "7"], result.stderr


def two(a, b):
    """The plain-Python twin of ft.two, for comparisons."""


DELETE = object()


def after_setting(f, attribute, value):
    """What setting (or deleting) one attribute does to f: the error, or the new value and repr
    (without the address); f is restored afterwards."""
    saved = getattr(f, attribute)
    try:
        if value is DELETE:
            delattr(f, attribute)
        else:
            setattr(f, attribute, value)
    except Exception as e:
        return type(e), str(e)
    try:
        return getattr(f, attribute), repr(f).split(" at ")[0]
    finally:
        setattr(f, attribute, saved)


@pytest.mark.parametrize("attribute, value", [
    ("__name__", "renamed"), ("__name__", 1), ("__name__", DELETE),
    ("__qualname__", "Outer.renamed"), ("__qualname__", None), ("__qualname__", DELETE),
    ("__doc__", "new doc"), ("__doc__", 3), ("__doc__", DELETE),
    ("__module__", "elsewhere"), ("__module__", DELETE),
    ("__annotations__", {"a": int}), ("__annotations__", None), ("__annotations__", 1),
    ("__annotations__", DELETE),
])
def test_attributes_set_as_on_python_functions(attribute, value):
    assert after_setting(ft.two, attribute, value) == after_setting(two, attribute, value)


@pytest.mark.parametrize("how, error, message", [
    ("null", SystemError, "NULL result without error in PyObject_Call"),
    ("silent", SystemError, "NULL result without error in PyObject_Call"),
    ("memory", MemoryError, ""),
    ("other", SystemError, "unexpected C++ exception in a tallowkit function"),
    ("baddef", SystemError, "bad definition of function bad"),
])
def test_failures_of_the_cpp_kind_become_exceptions(how, error, message):
    with pytest.raises(error) as info:
        ft.misbehave(how)
    assert str(info.value) == message
    assert entries(info) == [("tallowkit._selftest.frametest.misbehave", "frametest.cpp")]


def test_calls_with_many_keywords():
    assert ft.many_keywords(lambda **kw: kw) == {c: i for i, c in enumerate("abcdefghijklm")}


@pytest.mark.parametrize("a, b", [(3, 4), (-1, 70), (True, 2), (1, -1), ("a", 1), (1, 2.0)])
def test_shift_is_the_interpreters(a, b):
    def result(f):
        try:
            return f(a, b)
        except Exception as e:
            return type(e), str(e)
    assert result(ft.shift) == result(lambda a, b: a << b)


# room for as many items as come, for fewer (the list grows), for far more (it is cut to size)
@pytest.mark.parametrize("expected, count", [(0, 0), (40, 40), (0, 35), (25, 300), (1000, 30)])
def test_a_list_filled_in_pieces_comes_out_whole(expected, count):
    got = ft.filled(expected, count, -1)
    assert got == list(range(count)) and gc.is_tracked(got)
    if count:
        with pytest.raises(ValueError, match="no item"):
            ft.filled(expected, count, count // 2)


class Clash:
    """A dict key equal in hash to a name, whose comparison raises."""
    def __init__(self, name):
        self.name = name

    def __hash__(self):
        return hash(self.name)

    def __eq__(self, other):
        raise ZeroDivisionError("compared")


@pytest.mark.xfail(sys.version_info < (3, 8), strict=True,
                   reason="3.6 and 3.7 turn the error into AttributeError; the frame passes it on")
def test_a_module_attribute_lookup_that_raises_passes_the_error_on(monkeypatch):
    fake = types.ModuleType("fakeplatform")
    fake.__dict__[Clash("system")] = None
    monkeypatch.setattr(tkplatform, "platform", fake)
    for get in (lambda: fake.system, tkplatform.get_os_type):
        with pytest.raises(ZeroDivisionError, match="compared"):
            get()
