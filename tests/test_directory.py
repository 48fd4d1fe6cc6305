"""tallowkit.io.directory on real directories in a temporary directory."""
import os
import shutil
import traceback

import pytest

from support import Recorder, entries

import tallowkit.io.directory as tdir


def raw_tree_names(root):
    return sorted(os.listdir(str(root)))


def tree(root):
    """Every entry below root, with file contents."""
    out = []
    for d, dirs, files in os.walk(str(root)):
        for n in dirs:
            out.append((os.path.relpath(os.path.join(d, n), str(root)) + "/", None))
        for n in files:
            with open(os.path.join(d, n), "rb") as f:
                out.append((os.path.relpath(os.path.join(d, n), str(root)), f.read()))
    return sorted(out)


@pytest.fixture
def src(tmp_path):
    """A small directory: src/a.txt, src/sub/b.txt."""
    s = tmp_path / "src"
    (s / "sub").mkdir(parents=True)
    (s / "a.txt").write_bytes(b"A")
    (s / "sub" / "b.txt").write_bytes(b"B")
    return s


def test_list_and_exist(tmp_path, src):
    assert sorted(tdir.list_dir(str(src))) == ["a.txt", "sub"]
    assert tdir.exist_dir(str(src)) is True
    assert tdir.exist_dir(str(src / "a.txt")) is False
    assert tdir.exist_dir(str(tmp_path / "missing")) is False
    with pytest.raises(FileNotFoundError) as info:
        tdir.list_dir(str(tmp_path / "missing"))
    assert entries(info) == [("tallowkit.io.directory.list_dir", "directory.cpp")]


def test_get_dir(tmp_path, src):
    existing = str(src)
    assert tdir.get_dir(existing) is existing
    missing = str(tmp_path / "x" / "y")
    assert tdir.get_dir(missing, is_create=False) is None
    assert not (tmp_path / "x").exists()
    assert tdir.get_dir(missing) is missing
    assert os.path.isdir(missing)


def test_get_dir_goes_through_the_module_functions(tmp_path, monkeypatch):
    seen = []
    monkeypatch.setattr(tdir, "exist_dir", lambda p: seen.append(("exist", p)) or False)
    monkeypatch.setattr(tdir, "make_dir", lambda p: seen.append(("make", p)))
    assert tdir.get_dir("d") == "d"
    assert seen == [("exist", "d"), ("make", "d")]


def test_make_and_delete(tmp_path):
    deep = tmp_path / "p" / "q" / "r"
    assert tdir.make_dir(str(deep)) is None
    assert deep.is_dir()
    with pytest.raises(FileExistsError):
        tdir.make_dir(str(deep))
    (tmp_path / "keep").write_bytes(b"")
    # removedirs also removes the parents it leaves empty, up to the first that is not.
    assert tdir.delete_dir(str(deep)) is None
    assert sorted(os.listdir(str(tmp_path))) == ["keep"]


def test_delete_refuses_a_directory_with_content(src):
    with pytest.raises(OSError) as info:
        tdir.delete_dir(str(src))
    assert entries(info) == [("tallowkit.io.directory.delete_dir", "directory.cpp")]
    assert (src / "a.txt").exists()


def test_copy_of_a_file_is_the_single_file_copy(tmp_path, src):
    out = tmp_path / "out"
    out.mkdir()
    assert tdir.copy_dir(str(src / "a.txt"), str(out)) is None
    assert tdir.copy_dir(str(src / "a.txt"), str(out / "renamed.txt")) is None
    assert tree(out) == [("a.txt", b"A"), ("renamed.txt", b"A")]


@pytest.mark.parametrize("suffix", ["", "/"])
def test_copy_of_a_directory_to_a_new_path(tmp_path, src, suffix):
    # copy_dir used to hand a directory to the single-file copy, which always failed.
    assert tdir.copy_dir(str(src) + suffix, str(tmp_path / "new")) is None
    assert tree(tmp_path / "new") == tree(src)


@pytest.mark.parametrize("suffix", ["", "/"])
def test_copy_of_a_directory_into_an_existing_one(tmp_path, src, suffix):
    into = tmp_path / "into"
    into.mkdir()
    tdir.copy_dir(str(src) + suffix, str(into))
    assert tree(into / "src") == tree(src)
    assert os.listdir(str(into)) == ["src"]


def test_copy_never_merges_into_an_existing_destination(tmp_path, src):
    into = tmp_path / "into"
    (into / "src").mkdir(parents=True)
    (into / "src" / "mine.txt").write_bytes(b"M")
    with pytest.raises(FileExistsError) as info:
        tdir.copy_dir(str(src), str(into))
    assert entries(info) == [("tallowkit.io.directory.copy_dir", "directory.cpp")]
    assert tree(into) == [("src/", None), ("src/mine.txt", b"M")]


@pytest.mark.parametrize("destination", ["src", "src/sub", "src/sub/new", "link/new"])
def test_copy_never_goes_into_itself(tmp_path, src, destination):
    os.symlink(str(src), str(tmp_path / "link"))
    before = tree(tmp_path)
    with pytest.raises(shutil.Error) as info:
        tdir.copy_dir(str(src), str(tmp_path / destination))
    target = str(tmp_path / destination)
    if os.path.isdir(target):
        target = os.path.join(target, "src")
    assert str(info.value) == "Cannot copy a directory '%s' into itself '%s'." % (src, target)
    assert entries(info) == [("tallowkit.io.directory.copy_dir", "directory.cpp")]
    assert tree(tmp_path) == before


def test_the_error_raised_is_the_one_shutil_has_at_the_time(tmp_path, src, monkeypatch):
    monkeypatch.setattr(shutil, "Error", str)   # a raise of a non-exception fails as in Python
    with pytest.raises(TypeError, match="^exceptions must derive from BaseException$"):
        tdir.copy_dir(str(src), str(tmp_path / "src" / "new"))


def test_copy_missing_source_fails_like_the_file_copy(tmp_path):
    with pytest.raises(FileNotFoundError):
        tdir.copy_dir(str(tmp_path / "missing"), str(tmp_path / "x"))
    assert os.listdir(str(tmp_path)) == []


def test_copy_goes_through_the_module_shutil(tmp_path, src, monkeypatch):
    fake = Recorder(shutil)
    monkeypatch.setattr(tdir, "shutil", fake)
    into = tmp_path / "into"
    into.mkdir()
    tdir.copy_dir(str(src / "a.txt"), str(tmp_path / "c.txt"))
    tdir.copy_dir(str(src), str(into))
    tdir.copy_dir(str(src), str(tmp_path / "new"))
    # each is built beside its destination under a temporary name, then renamed into place
    calls = [(name, source, os.path.dirname(os.path.dirname(d)) if name == "copytree"
              else os.path.dirname(d), os.path.basename(d))
             for name, source, d in fake.positional_calls()]
    assert [c[:3] for c in calls] == [("copy", str(src / "a.txt"), str(tmp_path)),
                                      ("copytree", str(src), str(into)),
                                      ("copytree", str(src), str(tmp_path))]
    assert [c[3] for c in calls][1:] == ["src", "new"] and calls[0][3].startswith(".c.txt.")
    assert tree(tmp_path / "new") == tree(src) and raw_tree_names(tmp_path) == [
        "c.txt", "into", "new", "src"]
    monkeypatch.setattr(tdir, "shutil", None)
    with pytest.raises(AttributeError):
        tdir.copy_dir(str(src), str(tmp_path / "other"))


def test_move_and_rename_return_none(tmp_path, src):
    assert tdir.rename_dir(str(src), str(tmp_path / "renamed")) is None
    dest = tmp_path / "dest"
    dest.mkdir()
    assert tdir.move_dir(str(tmp_path / "renamed"), str(dest)) is None
    assert tree(tmp_path) == [("dest/", None), ("dest/renamed/", None), ("dest/renamed/a.txt", b"A"),
                              ("dest/renamed/sub/", None), ("dest/renamed/sub/b.txt", b"B")]


def test_move_and_rename_go_through_the_module_os_and_shutil(tmp_path, src, monkeypatch):
    fake_os, fake_shutil = Recorder(os), Recorder(shutil)
    monkeypatch.setattr(tdir, "os", fake_os)
    monkeypatch.setattr(tdir, "shutil", fake_shutil)
    a, b, c = str(src), str(tmp_path / "b"), str(tmp_path / "c")
    tdir.rename_dir(a, b)
    tdir.move_dir(b, c)   # a tree: renamed, or built beside its destination (see test_replace)
    tdir.move_dir(os.path.join(c, "a.txt"), b)
    tdir.make_dir(a)
    tdir.delete_dir(a)
    assert fake_os.positional_calls() == [("rename", a, b), ("makedirs", a), ("removedirs", a)]
    assert fake_shutil.positional_calls() == [("move", os.path.join(c, "a.txt"), b)]


def test_documentation_and_signatures():
    assert tdir.get_dir.__doc__ == "\n\n    :param dir_path:\n    :param isCreate:不存在是否创建\n    "
    assert tdir.copy_dir.__doc__ == "\n\n    :param new_dir_path:\n    :param old_dir_path:\n    "
    assert tdir.list_dir.__doc__ == "\n\n    :param dir_path:\n    "
    assert tdir.get_dir.__defaults__ == (True,)
    with pytest.raises(TypeError, match=r"^copy_dir\(\) takes exactly 2 positional arguments "
                                        r"\(1 given\)$"):
        tdir.copy_dir(old_dir_path="x")
    assert tdir.os is os and tdir.shutil is shutil
