"""AbacBook, the workbook-level entry point of the openpyxl wrappers, over real .xlsx files."""
import os
import subprocess
import sys

import pytest

openpyxl = pytest.importorskip("openpyxl", reason="openpyxl is not installed for this interpreter")

import tallowkit

from tallowkit.office.excel.openpyxl import abacbook
from tallowkit.office.excel.openpyxl.abacbook import AbacBook
from tallowkit.office.excel.openpyxl.abacleaf import AbacLeaf


@pytest.fixture
def saved(tmp_path):
    book = AbacBook.new_abacbook()
    book.get_worksheet().ws.title = "first"
    for name in ["second", "third"]:
        book.add_worksheet(name)
    for i, leaf in enumerate(book.get_worksheets()):
        leaf.cells(2, 3).rng.value = "cell of %s" % leaf.ws.title
        leaf.ws.cell(1, 1, i)
    path = str(tmp_path / "book.xlsx")
    assert book.save_as(path) is book
    return path


def test_new_book():
    book = AbacBook()
    assert vars(book) == {"xl_file_path": None, "wb": book.wb}
    assert type(book.wb) is openpyxl.Workbook and book.wb.sheetnames == ["Sheet"]
    leaf = book.add_worksheet()
    assert type(leaf) is AbacLeaf and leaf.wbe is book and leaf.ws.title == "Sheet1"


def test_worksheets_by_index_and_name(saved):
    book = AbacBook.open_abacbook(saved)
    assert book.xl_file_path == saved
    leaves = book.get_worksheets()
    assert [leaf.ws.title for leaf in leaves] == ["first", "second", "third"]
    for index, title in [(0, "first"), (2, "third"), (-1, "third"), (-3, "first")]:
        leaf = book.get_worksheet(index)
        assert (leaf.wbe, leaf.wb, leaf.ws) == (book, book.wb, book.wb[title])
        assert book.get_worksheet_by_name(title).cells(2, 3).value == "cell of " + title
    assert [leaf.cells().value for leaf in leaves] == [0, 1, 2]
    with pytest.raises(IndexError):
        book.get_worksheet(3)
    with pytest.raises(KeyError, match="Worksheet fourth does not exist."):
        book.get_worksheet_by_name("fourth")


def test_save_back_and_elsewhere(saved, tmp_path):
    book = AbacBook(saved)
    book.get_worksheet_by_name("second").cells().rng.value = "edited"
    book.save_as()
    other = str(tmp_path / "other.xlsx")
    book.get_worksheet().cells().rng.value = "only in other"
    book.save_as(other)
    assert book.xl_file_path == saved
    reread = openpyxl.load_workbook(saved)
    assert (reread["second"]["A1"].value, reread["first"]["A1"].value) == ("edited", 0)
    assert openpyxl.load_workbook(other)["first"]["A1"].value == "only in other"


def test_new_book_without_a_path_is_not_saved(tmp_path):
    with pytest.raises(ValueError, match="no path given"):
        AbacBook().save_as()
    with pytest.raises(FileNotFoundError):
        AbacBook(str(tmp_path / "missing.xlsx"))
    assert os.listdir(str(tmp_path)) == []


def test_frames_of_the_book():
    assert AbacBook.new_abacbook.__func__.__qualname__ == "AbacBook.new_abacbook"
    with pytest.raises(TypeError, match=r"^new_abacbook\(\) takes exactly one argument \(2 given\)$"):
        AbacBook.new_abacbook(1)
    with pytest.raises(TypeError, match=r"^new_abacbook\(\) takes no keyword arguments$"):
        AbacBook.new_abacbook(cls=AbacBook)
    assert AbacBook.get_worksheet.__defaults__ == (0,)
    assert AbacBook.get_worksheets.__code__.co_varnames == ("self", "leaves", "ws")


def test_the_real_openpyxl_is_never_shadowed(tmp_path):
    assert abacbook.openpyxl is openpyxl is sys.modules["openpyxl"]
    assert hasattr(openpyxl, "load_workbook")
    # A fresh interpreter that loads every module of the subpackage before any openpyxl.
    script = (
        "import sys\n"
        "import tallowkit.office.excel.openpyxl as ours\n"
        "import tallowkit.office.excel.openpyxl.abacpatch, tallowkit.office.excel.openpyxl.abacleaf\n"
        "assert 'openpyxl' not in sys.modules\n"
        "import tallowkit.office.excel.openpyxl.abacbook as abacbook\n"
        "import openpyxl\n"
        "assert openpyxl is not ours and openpyxl is abacbook.openpyxl\n"
        "assert openpyxl.__name__ == 'openpyxl' and hasattr(openpyxl, 'Workbook')\n"
        "print(sorted(m for m in sys.modules if m.startswith('tallowkit')))\n")
    env = dict(os.environ, PYTHONPATH=os.path.dirname(os.path.dirname(tallowkit.__file__)))
    out = subprocess.run([sys.executable, "-c", script], cwd=str(tmp_path), env=env, check=True,
                         stdout=subprocess.PIPE, universal_newlines=True).stdout
    assert "tallowkit.office.excel.openpyxl.abacleaf" in out
