"""The table wrapper over tables of several shapes."""
import types

import pytest

docx = pytest.importorskip("docx", reason="python-docx is not installed for this interpreter")

from tallowkit.office.word.pydocx import scrivblock
from tallowkit.office.word.pydocx.scrivbook import ScrivBook


def texts(blocks):
    return [b.para.text for b in blocks]


@pytest.fixture
def book(tmp_path):
    doc = docx.Document()
    square = doc.add_table(rows=2, cols=2)
    for r in range(2):
        for c in range(2):
            square.cell(r, c).text = "r%dc%d" % (r, c)
    wide = doc.add_table(rows=1, cols=3)
    wide.cell(0, 1).text = "first"
    wide.cell(0, 1).add_paragraph("second")
    wide.cell(0, 1).add_paragraph("")
    merged = doc.add_table(rows=2, cols=2)
    merged.cell(0, 0).merge(merged.cell(0, 1)).text = "spans two"
    doc.add_table(rows=0, cols=2)
    doc.save(str(tmp_path / "t.docx"))
    return ScrivBook(str(tmp_path / "t.docx"))


def test_cells_paragraphs_row_by_row(book):
    grids = book.get_content_tables()
    assert texts(grids[0].get_cells_paragraphs()) == ["r0c0", "r0c1", "r1c0", "r1c1"]
    assert texts(grids[1].get_cells_paragraphs()) == ["", "first", "second", "", ""]
    assert texts(grids[2].get_cells_paragraphs())[:2] == ["spans two"] * 2  # as its row yields it
    assert grids[3].get_cells_paragraphs() == []
    for grid in grids:
        blocks = grid.get_cells_paragraphs()
        assert [b.para._p for b in blocks] == \
            [p._p for row in grid.table.rows for cell in row.cells for p in cell.paragraphs]
        assert all(b.parent is grid and b.doce is book for b in blocks)


def test_one_cell(book, monkeypatch):
    square, wide = book.get_content_table(0), book.get_content_table(1)
    assert texts(square.get_cell_paragraphs()) == ["r0c0"]
    assert texts(square.get_cell_paragraphs(1, 0)) == ["r1c0"]
    assert texts(square.get_cell_paragraphs(col=1)) == ["r0c1"]
    assert texts(wide.get_cell_paragraphs(row=0, col=2)) == [""]
    blocks = wide.get_cell_paragraphs(0, 1)
    assert texts(blocks) == ["first", "second", ""]
    assert all(b.parent is wide and b.doce is book for b in blocks)
    assert blocks[1].get_range().set_text("SECOND").get_text() == "SECOND"
    assert book.doc.tables[1].cell(0, 1).paragraphs[1].text == "SECOND"
    monkeypatch.delattr(scrivblock, "ScrivBlock")
    with pytest.raises(IndexError):  # the cell is looked up before the import
        square.get_cell_paragraphs(5, 5)
    with pytest.raises(ImportError, match="^cannot import name ScrivBlock$"):
        square.get_cell_paragraphs()


def test_a_failure_part_way_through_a_cell_passes_unchanged(book):
    grid = book.get_content_table(0)

    def paragraphs():
        yield book.doc.tables[0].cell(0, 0).paragraphs[0]
        raise KeyError("torn")
    cell = types.SimpleNamespace(paragraphs=paragraphs())
    grid.table = types.SimpleNamespace(cell=lambda row, col: cell)
    with pytest.raises(KeyError, match="torn"):
        grid.get_cell_paragraphs()
