"""tallowkit.io.path on real directories in a temporary directory."""
import os
import posixpath
import signal
import traceback

import pytest

from support import entries

import tallowkit.io.path as tpath

pytestmark = pytest.mark.skipif(os.sep != "/", reason="written for a POSIX host")


def tree(root):
    return sorted(os.path.relpath(os.path.join(d, n), str(root))
                  for d, dirs, files in os.walk(str(root)) for n in dirs + files)


@pytest.fixture
def real(tmp_path):
    return os.path.realpath(str(tmp_path))


@pytest.mark.parametrize("tail, expected", [
    ("a\\b//c/", "a/b/c"), ("a/b\\\\", "a/b"), ("a", "a"), ("./x/../y/", "y"),
])
def test_canonical_forms(real, monkeypatch, tail, expected):
    monkeypatch.chdir(real)
    assert tpath.path_remove_endsep(tail) == real + "/" + expected
    assert tpath.path_add_endsep(tail) == real + "/" + expected + "/"
    assert tpath.path_remove_endsep(real + "/" + tail) == real + "/" + expected


def test_root_has_no_name_left():
    assert tpath.path_remove_endsep("/") == ""
    assert tpath.path_add_endsep("//") == "/"


def test_links_are_resolved(real):
    os.mkdir(os.path.join(real, "target"))
    os.symlink(os.path.join(real, "target"), os.path.join(real, "link"))
    assert tpath.path_remove_endsep(os.path.join(real, "link") + "/") == os.path.join(real, "target")


def test_bytes_path_fails_at_replace():
    with pytest.raises(TypeError) as info:
        tpath.path_remove_endsep(b"/tmp/x")
    assert entries(info) == [("tallowkit.io.path.path_remove_endsep", "path.cpp")]


def test_separator_is_read_from_the_module_os_at_each_call(monkeypatch):
    class WindowsSep:
        path = posixpath
        sep = "\\"
    monkeypatch.setattr(tpath, "os", WindowsSep)
    assert tpath.path_remove_endsep("/a/b//") == "\\a\\b"
    assert tpath.path_add_endsep("/a/b") == "\\a\\b\\"


@pytest.mark.parametrize("name, expected", [
    ("c", "/a/b/c"), ("b", "/a/b"), ("a", "/a"), ("d", ""), ("nowhere", ""), ("", ""), ("A", ""),
])
def test_parent_by_name(real, name, expected):
    path = real + "/a/b/c/d"  # need not exist; its own last component is never compared
    result = tpath.get_path_parent_path(path, name)
    assert result == (real + expected if expected else "")


def test_parent_at_the_root():
    assert tpath.get_path_parent_path("/", "x") == ""
    assert tpath.get_path_parent_path("/top", "x") == ""


def test_bytes_path_ends_at_the_top(real):
    # The walk used to run forever for bytes: the top's empty name is b'', never ''.
    path = os.fsencode(real + "/a/b/f")
    assert tpath.get_path_parent_path(path, "a") == b""
    assert tpath.get_path_parent_path(path, "zz") == b""
    assert tpath.get_path_parent_path(path, b"a") == os.fsencode(real + "/a")
    assert tpath.get_path_parent_path(b"/", b"") == b"/"


def test_an_endless_walk_stops_on_ctrl_c(monkeypatch):
    class Stuck:
        class path:
            realpath = staticmethod(lambda p: p)
            dirname = staticmethod(lambda p: p)
            split = staticmethod(lambda p: (p, "same"))
    monkeypatch.setattr(tpath, "os", Stuck)

    def interrupt(signum, frame):
        raise KeyboardInterrupt
    old = signal.signal(signal.SIGALRM, interrupt)
    try:
        signal.setitimer(signal.ITIMER_REAL, 0.2)
        with pytest.raises(KeyboardInterrupt):
            tpath.get_path_parent_path("x", "other")
    finally:
        signal.setitimer(signal.ITIMER_REAL, 0)
        signal.signal(signal.SIGALRM, old)


def test_sub_file_creates_missing_parents_once(real):
    p = tpath.get_sub_path_file(real, "x/y/z/f.txt")
    assert p == real + "/x/y/z/f.txt"
    assert tree(real) == ["x", "x/y", "x/y/z"]  # the file itself is not created
    assert tpath.get_sub_path_file(real + "/", "x//y/z/f.txt/") == p
    assert tree(real) == ["x", "x/y", "x/y/z"]


def test_sub_dir_creates_the_chain(real):
    p = tpath.get_sub_path_dir(real, "m/n/")
    assert p == real + "/m/n" and os.path.isdir(p)
    assert tpath.get_sub_path_dir(real, "m/n", True) == p


@pytest.mark.parametrize("function, flag", [("get_sub_path_file", "pdir_create"),
                                            ("get_sub_path_dir", "dir_create")])
def test_sub_paths_without_creation_touch_nothing(real, function, flag):
    p = getattr(tpath, function)(real, "q/r/s", **{flag: 0})
    assert p == real + "/q/r/s"
    assert tree(real) == []


def test_creation_failure_passes_through(real):
    open(os.path.join(real, "file"), "w").close()
    with pytest.raises(OSError) as info:
        tpath.get_sub_path_dir(real, "file/below")
    assert entries(info) == [("tallowkit.io.path.get_sub_path_dir", "path.cpp")]


def test_sub_paths_use_the_module_path_remove_endsep(real, monkeypatch):
    monkeypatch.setattr(tpath, "path_remove_endsep", lambda p: p + "!")
    assert tpath.get_sub_path_file(real, "f", False) == real + "/f!"
    assert tpath.get_sub_path_dir(real, "d", dir_create=False) == real + "/d!"


def test_home_and_desktop(real, monkeypatch):
    monkeypatch.setenv("HOME", real)
    assert tpath.get_home() == real
    assert tpath.get_home_desktop() == real + "/桌面"
    assert tree(real) == []
    os.mkdir(real + "/Desktop")
    assert tpath.get_home_desktop() == real + "/Desktop"


def test_desktop_asks_get_home_again_for_the_fallback(monkeypatch, real):
    homes = iter([real + "/first", real + "/second"])
    monkeypatch.setattr(tpath, "get_home", lambda: next(homes))
    assert tpath.get_home_desktop() == real + "/second/桌面"


def test_documentation_and_signatures():
    assert tpath.get_home.__doc__ == "Get home path,not end with '' or '/'"
    assert tpath.get_home_desktop.__doc__ == "Get Desktop path,not end with '' or '/'"
    assert tpath.get_sub_path_dir.__doc__ == (
        "Get dir sub dir path,not end with '' or '/'\n\n    :param parent_dir: 父路径\n"
        "    :param sub_path_dir: 子文件夹路径\n    :param dir_create: 是否创建文件夹\n    :return:\n    ")
    assert tpath.path_remove_endsep.__doc__ is None
    assert tpath.get_sub_path_file.__defaults__ == (True,)
    assert tpath.get_path_parent_path.__code__.co_varnames == ("path", "parent_dir_name", "d", "ds")
    with pytest.raises(TypeError, match=r"^get_home\(\) takes no arguments \(1 given\)$"):
        tpath.get_home(1)
