"""tallowkit.base.platform: the host's operating system."""
import platform as stdlib_platform
import traceback

import pytest

import tallowkit.base.platform as tp

PREDICATES = {"is_windows": "Windows", "is_linux": "Linux", "is_mac": "Darwin"}


class FakePlatform:
    """Stands in for the standard module: reports a chosen system name and counts the calls."""

    def __init__(self, name):
        self.name, self.calls = name, 0

    def system(self):
        self.calls += 1
        return self.name


def test_constants_and_imported_module():
    assert (tp.Windows, tp.Linux, tp.Mac, tp.Java, tp.OtherOS) == (
        "Windows", "Linux", "Darwin", "Java", "Other OS")
    assert tp.platform is stdlib_platform
    assert tp.__doc__ is None


def test_answers_on_this_host():
    system = stdlib_platform.system()
    assert tp.get_os_type() == system
    for name, value in PREDICATES.items():
        assert getattr(tp, name)() is (system == value)


@pytest.mark.parametrize("system", ["Windows", "Linux", "Darwin", "Java", "", "FreeBSD"])
def test_each_host(monkeypatch, system):
    fake = FakePlatform(system)
    monkeypatch.setattr(tp, "platform", fake)
    assert tp.get_os_type() == system  # never mapped, never "Other OS"
    for name, value in PREDICATES.items():
        assert getattr(tp, name)() is (system == value)
    assert fake.calls == 4  # asked anew on every call


def test_rebinding_a_constant_changes_the_predicate(monkeypatch):
    monkeypatch.setattr(tp, "platform", FakePlatform("Windows"))
    monkeypatch.setattr(tp, "Linux", "Windows")
    assert tp.is_linux() is True


def test_comparison_is_the_interpreters_with_the_system_name_on_the_left(monkeypatch):
    class Name(str):
        def __eq__(self, other):
            return "compared with %s" % other
    monkeypatch.setattr(tp, "platform", FakePlatform(Name("Linux")))
    assert tp.is_linux() == "compared with Linux"


@pytest.mark.parametrize("name, doc", [
    ("get_os_type", "获取操作系统名称\n\n    :return:\n    "),
    ("is_windows", "判断是否是Windows操作系统\n\n    :return:\n    "),
    ("is_linux", "判断是否是Linux操作系统\n\n    :return:\n    "),
    ("is_mac", "判断是否是Mac操作系统\n\n    :return:\n    "),
])
def test_functions(name, doc):
    f = getattr(tp, name)
    assert f.__doc__ == doc
    assert (f.__name__, f.__qualname__, f.__module__) == (name, name, "tallowkit.base.platform")
    assert f.__code__.co_varnames == () and f.__code__.co_argcount == 0
    with pytest.raises(TypeError, match=r"^%s\(\) takes no arguments \(1 given\)$" % name):
        f(1)


def test_failures_propagate_with_the_functions_entry(monkeypatch):
    class Broken:
        def system(self):
            raise OSError("no uname")
    monkeypatch.setattr(tp, "platform", Broken())
    with pytest.raises(OSError, match="no uname") as info:
        tp.is_mac()
    assert traceback.extract_tb(info.tb)[1].name == "tallowkit.base.platform.is_mac"
    assert traceback.extract_tb(info.tb)[1].filename == "platform.cpp"


@pytest.mark.parametrize("name, func", [("platform", "get_os_type"), ("Mac", "is_mac"),
                                        ("Windows", "is_windows")])
def test_deleted_globals_raise_name_error(monkeypatch, name, func):
    monkeypatch.delattr(tp, name)
    with pytest.raises(NameError, match=r"^name '%s' is not defined$" % name):
        getattr(tp, func)()
