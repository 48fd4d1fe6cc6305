"""tallowkit.io.file on real files in a temporary directory."""
import os
import shutil
import sys
import traceback
import warnings

import pytest

from support import Recorder, entries

import tallowkit.io.file as tfile

# Before 3.11 the interpreter warns about mode "rU" on every read_all_text.
pytestmark = pytest.mark.filterwarnings("ignore:.U. mode is deprecated:DeprecationWarning")


def open_fds():
    return len(os.listdir("/proc/self/fd")) if os.path.isdir("/proc/self/fd") else 0


def raw(path):
    with open(str(path), "rb") as f:
        return f.read()


@pytest.mark.parametrize("encoding", ["utf-8", "gbk", "utf-16", "latin-1"])
def test_text_round_trip_in_each_encoding(tmp_path, encoding):
    p = str(tmp_path / "t.txt")
    text = {"latin-1": "caf\xe9\nzwei\n", "gbk": "表格 一\n二\n"}.get(encoding, "Zahl ß é 表格\nzwei\n")
    assert tfile.write_all_text(p, text, encoding) is None
    assert raw(p) == text.encode(encoding)
    assert tfile.read_all_text(p, encoding=encoding) == text
    assert tfile.read_all_lines(p, encoding) == text.split("\n")[:-1]


def test_read_all_text_gives_universal_newlines(tmp_path):
    # Mode "rU" is refused from 3.11 on; the text must come back all the same.
    p = tmp_path / "crlf.txt"
    p.write_bytes(b"a\r\nb\rc\n")
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", DeprecationWarning)  # "rU" before 3.11
        assert tfile.read_all_text(str(p)) == "a\nb\nc\n"


@pytest.mark.parametrize("content, lines", [
    (b"", []), (b"a\nb", ["a", "b"]), (b"a  \n\n  b\t\n", ["a  ", "", "  b\t"]),
    (b"x\r\ny\r\n", ["x", "y"]),
])
def test_read_all_lines(tmp_path, content, lines):
    p = tmp_path / "l.txt"
    p.write_bytes(content)
    assert tfile.read_all_lines(str(p)) == lines


@pytest.mark.parametrize("n, first", [(0, ""), (-1, "first line\n"), (5, "first"), (100, "first line\n")])
def test_read_one_line_limit(tmp_path, n, first):
    p = tmp_path / "o.txt"
    p.write_bytes(b"first line\nsecond\n")
    assert tfile.read_one_line(str(p), n) == first


@pytest.mark.parametrize("ss, content", [
    ([], b""), (["a", "b "], b"a\nb \n"), ("abc", b"a\nb\nc\n"), (("x" for _ in range(2)), b"x\nx\n"),
])
def test_write_all_lines_replaces_the_file(tmp_path, ss, content):
    p = tmp_path / "w.txt"
    p.write_bytes(b"old content that goes\n")
    assert tfile.write_all_lines(str(p), ss) is None
    assert raw(p) == content


def test_append(tmp_path):
    p = str(tmp_path / "a.txt")
    tfile.append_all_text(p, "start|")
    tfile.append_all_text(p, ["x", "y"])
    tfile.append_all_lines(p, ["1", "2"])
    tfile.append_all_lines(p, "ab")
    assert raw(p) == b"start|xy1\n2\na\nb\n"


@pytest.mark.parametrize("old", [None, b"old\n"])
def test_a_bad_item_leaves_the_file_as_it_was_and_no_file_open(tmp_path, old):
    p = tmp_path / "bad.txt"
    if old is not None:
        p.write_bytes(old)
    before = open_fds()
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", ResourceWarning)  # closed when dropped, as documented
        for writer in (tfile.write_all_lines, tfile.append_all_lines):
            with pytest.raises(TypeError) as info:
                writer(str(p), ["ok", 5, "never"])
            assert entries(info) == [("tallowkit.io.file." + writer.__name__, "file.cpp")]
            assert (raw(p) if p.exists() else None) == old
    assert os.listdir(str(tmp_path)) == (["bad.txt"] if old else [])
    assert open_fds() == before


def test_undecodable_content_raises_the_codec_error_and_closes(tmp_path):
    p = tmp_path / "bin.txt"
    p.write_bytes(b"ok\xff\xfe")
    before = open_fds()
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", ResourceWarning)
        for f in (tfile.read_all_text, tfile.read_all_lines):
            with pytest.raises(UnicodeDecodeError):
                f(str(p))
        with pytest.raises(LookupError):
            tfile.read_all_text(str(p), "no-such-codec")
    assert open_fds() == before


@pytest.mark.parametrize("name, args", [
    ("read_all_text", ()), ("read_all_lines", ()), ("read_one_line", (1,)), ("delete_file", ()),
    ("copy_file", ("copy",)), ("move_file", ("moved",)), ("rename_file", ("renamed",)),
])
def test_missing_file_errors_pass_through_with_the_function_entry(tmp_path, name, args):
    missing = str(tmp_path / "missing.txt")
    args = tuple(str(tmp_path / a) if isinstance(a, str) else a for a in args)
    with pytest.raises(FileNotFoundError) as info:
        getattr(tfile, name)(missing, *args)
    assert info.value.filename == missing
    assert entries(info) == [("tallowkit.io.file." + name, "file.cpp")]
    assert os.listdir(str(tmp_path)) == []


def test_create_file_truncates_and_can_hand_back_the_open_file(tmp_path):
    p = tmp_path / "c.txt"
    p.write_bytes(b"something")
    assert tfile.create_file(str(p)) is None
    assert raw(p) == b""
    f = tfile.create_file(str(p), ret=True)
    try:
        assert not f.closed and f.mode == "w"
        f.write("written")
    finally:
        f.close()
    assert raw(p) == b"written"


@pytest.mark.skipif(not hasattr(os, "mknod"), reason="host has no mknod")
def test_make_file(tmp_path):
    p = str(tmp_path / "m.txt")
    assert tfile.make_file(p) is None
    assert raw(p) == b""
    with pytest.raises(FileExistsError):
        tfile.make_file(p)


def test_copy_move_rename_return_none(tmp_path):
    src = tmp_path / "s.txt"
    src.write_bytes(b"data")
    sub = tmp_path / "sub"
    sub.mkdir()
    assert tfile.copy_file(str(src), str(sub)) is None
    assert raw(sub / "s.txt") == b"data"
    assert tfile.rename_file(str(sub / "s.txt"), str(sub / "r.txt")) is None
    assert tfile.move_file(str(sub / "r.txt"), str(tmp_path / "m.txt")) is None
    assert sorted(os.listdir(str(tmp_path))) == ["m.txt", "s.txt", "sub"]
    assert tfile.delete_file(str(src)) is None
    assert not src.exists()


def test_rebound_os_and_shutil_are_called(tmp_path, monkeypatch):
    fake_os, fake_shutil = Recorder(os), Recorder(shutil)
    monkeypatch.setattr(tfile, "os", fake_os)
    monkeypatch.setattr(tfile, "shutil", fake_shutil)
    a, b, c = (str(tmp_path / n) for n in "abc")
    tfile.write_all_text(a, "x")
    tfile.copy_file(a, b)
    tfile.move_file(b, c)
    tfile.rename_file(c, b)
    tfile.delete_file(b)
    # the copy is made beside its destination, then renamed over it; a move that has to copy
    # is handed a copy function that does the same
    (copy, (_, beside), _), (move, (_, _), kwargs) = fake_shutil.calls
    assert (copy, move) == ("copy", "move") and fake_shutil.calls[0][1][0] == a
    assert os.path.dirname(beside) == str(tmp_path) and beside.startswith(str(tmp_path / ".b."))
    assert fake_shutil.calls[1][1] == (b, c) and list(kwargs) == ["copy_function"]
    assert fake_os.calls == [("rename", (c, b), {}), ("remove", (b,), {})]
    monkeypatch.setattr(tfile, "os", None)
    with pytest.raises(AttributeError):
        tfile.delete_file(a)


def test_documentation_and_signatures():
    assert tfile.make_file.__doc__ == "创建空文件\n\n    :param file_path:文件路径\n    :return:\n    "
    assert tfile.read_all_text.__doc__ == (
        "读取文件全部内容\n\n    :param encoding:\n    :param file_path:\n    :return:文件全部内容\n\n    ")
    assert tfile.read_one_line.__doc__ == (
        "读取文件某一行\n\n    :param encoding:\n    :param file_path:\n    :param n:\n"
        "    :return:文件中的所有行\n    ")
    assert tfile.delete_file.__doc__ == "\n\n    :param file_path:\n    "
    assert tfile.move_file.__doc__ == "\n\n    :param new_file_path:\n    :param old_file_path:\n    "
    assert tfile.create_file.__defaults__ == (False,)
    assert tfile.read_one_line.__defaults__ == ("utf-8",)
    assert tfile.read_all_lines.__code__.co_varnames == (
        "file_path", "encoding", "f", "content", "ls", "l")
    with pytest.raises(TypeError, match=r"^delete_file\(\) takes no keyword arguments$"):
        tfile.delete_file(file_path="x")
    with pytest.raises(TypeError, match=r"^read_one_line\(\) takes at least 2 positional "
                                        r"arguments \(1 given\)$"):
        tfile.read_one_line("x")
    assert tfile.os is os and tfile.shutil is shutil
    assert sys.modules["tallowkit.io.file"] is tfile
