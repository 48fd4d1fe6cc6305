"""AbacVault over real .xls files: xlwt writes them, xlrd reads them, xlutils copies them."""
import datetime
import sys
import traceback
import types

import pytest

xlrd = pytest.importorskip("xlrd", reason="xlrd is not installed for this interpreter")
xlwt = pytest.importorskip("xlwt", reason="xlwt is not installed for this interpreter")

from tallowkit.office.excel.xlrwu import abacvault
from tallowkit.office.excel.xlrwu.abacvault import AbacVault

SHEETS = ["north", "south", "west"]


def grid_value(s, r, c):
    return "%s:%d:%d" % (SHEETS[s], r, c) if (r + c) % 2 else float(100 * s + 10 * r + c)


@pytest.fixture
def book_path(tmp_path):
    """Three sheets of 3x3 cells, written through the wrapper (1-based indexes)."""
    vault = AbacVault()
    for name in SHEETS:
        vault.add_worksheet(name)
    for s in range(3):
        for r in range(3):
            for c in range(3):
                vault.set_sheet_cell_value(grid_value(s, r, c), s + 1, r + 1, c + 1)
    path = str(tmp_path / "book.xls")
    assert vault.save_as(path) is None
    return path


def entries(exc_info):
    return [(f.name, f.filename) for f in traceback.extract_tb(exc_info.tb)]


def test_new_workbook_state():
    vault = AbacVault()
    assert (vault.wbrd, vault.xl_file_path) == (None, None)
    assert type(vault.wbwt) is xlwt.Workbook and vault.wbwt.encoding == "ascii"
    assert list(vars(vault)) == ["wbrd", "wbwt", "xl_file_path"]


def test_reads_match_the_library_with_one_based_indexes(book_path):
    vault = AbacVault(book_path)
    book = xlrd.open_workbook(book_path)
    assert vault.xl_file_path == book_path and vault.wbwt.get_sheet(2).name == "west"
    assert vault.get_sheet_cell_value() == grid_value(0, 0, 0)
    # 0 reaches the library as -1: the last sheet, row or column.
    for s in range(4):
        for r in range(4):
            for c in range(4):
                expected = book.sheet_by_index(s - 1).cell(r - 1, c - 1).value
                assert vault.get_sheet_cell_value(s, r, c) == expected
                assert vault.get_sheet_cell_value(sheet=SHEETS[s - 1], row=r, col=c) == expected


def test_writes_are_chained_unseen_until_saved_and_saved_back(book_path):
    vault = AbacVault(book_path)
    result = vault.set_sheet_cell_value("A", "south", 1, 1).set_sheet_cell_value(7, 3, 3, 3)
    assert result is vault
    vault.set_sheet_cell_value("last", 0, 2, 2)  # sheet 0 is the last sheet
    assert vault.get_sheet_cell_value("south") == grid_value(1, 0, 0)  # the file as opened
    assert vault.save_as(None) is None and vault.xl_file_path == book_path
    again = AbacVault(book_path)
    assert [again.get_sheet_cell_value(*a) for a in [(2,), (3, 3, 3), ("west", 2, 2)]] == [
        "A", 7.0, "last"]
    assert again.get_sheet_cell_value(1, 2, 3) == grid_value(0, 1, 2)  # untouched cells kept


def test_saving_back_keeps_the_formatting(tmp_path):
    path = str(tmp_path / "styled.xls")
    wb = xlwt.Workbook()
    ws = wb.add_sheet("s")
    ws.write(0, 0, datetime.date(2024, 5, 1), xlwt.easyxf(num_format_str="YYYY-MM-DD"))
    ws.write(0, 1, "bold", xlwt.easyxf("font: bold on"))
    wb.save(path)
    AbacVault(path).set_sheet_cell_value("new", 1, 2, 1).save_as(None)
    book = xlrd.open_workbook(path, formatting_info=True)
    date_xf, bold_xf = (book.xf_list[book.sheet_by_index(0).cell_xf_index(0, c)] for c in (0, 1))
    assert book.format_map[date_xf.format_key].format_str == "YYYY-MM-DD"
    assert book.font_list[bold_xf.font_index].bold == 1


def test_add_worksheet_passes_the_flag(book_path, tmp_path):
    vault = AbacVault(book_path)
    assert vault.add_worksheet("guarded", False) is vault.wbwt.get_sheet("guarded")
    with pytest.raises(Exception, match="Attempt to overwrite cell"):
        vault.set_sheet_cell_value(1, "guarded").set_sheet_cell_value(2, "guarded")
    with pytest.raises(Exception, match="duplicate worksheet name 'north'"):
        vault.add_worksheet("north")
    vault.save_as(str(tmp_path / "copy.xls"))
    assert xlrd.open_workbook(str(tmp_path / "copy.xls")).sheet_names() == SHEETS + ["guarded"]
    assert AbacVault(book_path).wbrd.sheet_names() == SHEETS  # the source is unchanged


class SheetName(str):
    pass


class NumberedName(str):
    def __sub__(self, k):
        return int(self) - k


def test_a_str_subclass_is_an_index(book_path):
    vault = AbacVault(book_path)
    for method, args in [(vault.get_sheet_cell_value, ()), (vault.set_sheet_cell_value, (0,))]:
        with pytest.raises(TypeError, match="unsupported operand type.*'SheetName' and 'int'"):
            method(*args, sheet=SheetName("north"))
    assert vault.get_sheet_cell_value(NumberedName("2"), 2, 1) == grid_value(1, 1, 0)
    vault.set_sheet_cell_value("via index", NumberedName("3")).save_as(None)
    assert AbacVault(book_path).get_sheet_cell_value(3) == "via index"


def recording(calls, real):
    def record(*args, **kwargs):
        calls.append((args, kwargs))
        return real(*args, **kwargs)
    return record


@pytest.mark.parametrize("with_path, encoding, expected_kwargs, expected_encoding", [
    (False, None, {}, "ascii"),
    (False, "utf-8", {"encoding": "utf-8"}, "utf-8"),
    (True, None, {"formatting_info": True}, "utf_16_le"),  # the code page that xlwt wrote
    (True, "cp1252", {"encoding_override": "cp1252", "formatting_info": True}, "cp1252"),
])
def test_encodings_reach_the_libraries(monkeypatch, book_path, with_path, encoding,
                                       expected_kwargs, expected_encoding):
    calls = []
    monkeypatch.setattr(xlrd, "open_workbook", recording(calls, xlrd.open_workbook))
    monkeypatch.setattr(xlwt, "Workbook", recording(calls, xlwt.Workbook))
    vault = AbacVault(book_path if with_path else None, encoding)
    # (xlutils' copy makes its own xlwt.Workbook afterwards)
    assert calls[0] == ((book_path,) if with_path else (), expected_kwargs)
    assert (vault.wbrd if with_path else vault.wbwt).encoding == expected_encoding


def test_library_errors_pass_through(book_path, tmp_path):
    vault = AbacVault(book_path)
    cases = [
        (lambda: vault.get_sheet_cell_value("nope"), xlrd.XLRDError, "No sheet named <'nope'>",
         "get_sheet_cell_value"),
        (lambda: vault.get_sheet_cell_value(9), IndexError, "list index out of range",
         "get_sheet_cell_value"),
        (lambda: vault.set_sheet_cell_value(1, row=0), ValueError,
         "row index was -1, not allowed by .xls format", "set_sheet_cell_value"),
        (lambda: AbacVault().get_sheet_cell_value(), AttributeError,
         "'NoneType' object has no attribute 'sheet_by_index'", "get_sheet_cell_value"),
        (lambda: AbacVault(str(tmp_path / "missing.xls")), FileNotFoundError,
         "No such file or directory", "__init__"),
        (lambda: vault.save_as(str(tmp_path / "no" / "dir.xls")), FileNotFoundError,
         "No such file or directory", "save_as"),
    ]
    for action, exc_type, message, method in cases:
        with pytest.raises(exc_type, match=message) as info:
            action()
        assert type(info.value) is exc_type
        assert ("tallowkit.office.excel.xlrwu.abacvault.AbacVault." + method,
                "abacvault.cpp") in entries(info)


def test_xlutils_is_imported_on_each_open(monkeypatch, book_path):
    monkeypatch.setitem(sys.modules, "xlutils.copy", types.ModuleType("xlutils.copy"))
    with pytest.raises(ImportError) as info:
        AbacVault(book_path)
    assert str(info.value) == "cannot import name copy"  # the frame's own message
    monkeypatch.setitem(sys.modules, "xlutils.copy", None)
    with pytest.raises(ImportError):
        AbacVault(book_path)
    assert AbacVault().wbrd is None  # a new workbook needs no xlutils
    monkeypatch.undo()
    assert AbacVault(book_path).wbwt is not None


@pytest.mark.parametrize("method, varnames, defaults, bad_call, message", [
    ("__init__", ("self", "xl_file_path", "encoding", "copy"), (None, None),
     lambda v: v.__init__(path="x"), "__init__() got an unexpected keyword argument 'path'"),
    ("add_worksheet", ("self", "ws_name", "cell_overwrite_ok"), (True,),
     lambda v: v.add_worksheet(), "add_worksheet() takes at least 2 positional arguments (1 given)"),
    ("get_sheet_cell_value", ("self", "sheet", "row", "col"), (1, 1, 1),
     lambda v: v.get_sheet_cell_value(1, 1, 1, 1),
     "get_sheet_cell_value() takes at most 4 positional arguments (5 given)"),
    ("set_sheet_cell_value", ("self", "value", "sheet", "row", "col"), (1, 1, 1),
     lambda v: v.set_sheet_cell_value(1, value=2),
     "set_sheet_cell_value() got multiple values for keyword argument 'value'"),
    ("save_as", ("self", "xl_file_path"), None,
     lambda v: v.save_as(), "save_as() takes exactly 2 positional arguments (1 given)"),
])
def test_method_frames(method, varnames, defaults, bad_call, message):
    f = AbacVault.__dict__[method]
    assert (f.__qualname__, f.__module__) == ("AbacVault." + method, abacvault.__name__)
    assert f.__code__.co_varnames == varnames and f.__defaults__ == defaults
    assert f.__code__.co_filename == "abacvault.cpp"
    assert (f.__doc__ is not None) == ("cell_value" in method)
    if f.__doc__:
        assert "1开始索引 或 名称" in f.__doc__ and ":param row: 1开始索引" in f.__doc__
    with pytest.raises(TypeError) as info:
        bad_call(AbacVault())  # self counts as a parameter
    assert str(info.value) == message
