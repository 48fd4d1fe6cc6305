"""The document wrapper on real .docx files made with python-docx."""
import os

import pytest

docx = pytest.importorskip("docx", reason="python-docx is not installed for this interpreter")

from oracles import scrivdocs
from tallowkit.office.word.pydocx import scrivbook
from tallowkit.office.word.pydocx.scrivbook import ScrivBook

NO_PATH = " save_scrivbook error,no path!\n"


def texts(blocks):
    return [b.para.text for b in blocks]


@pytest.mark.parametrize("odd_even, expected", [
    (True, ["S0 H first 0", "S0 H primary 0", "S0 H primary 1", "S0 H even 0",
            "S1 H primary 0", "S0 H even 0", "S2 H first 0", "S1 H primary 0", "S0 H even 0"]),
    (False, ["S0 H first 0", "S0 H primary 0", "S0 H primary 1",
             "S1 H primary 0", "S2 H first 0", "S1 H primary 0"]),
])
def test_header_paragraphs_across_sections(tmp_path, odd_even, expected):
    # Linked sections report the previous section's paragraphs, as python-docx does.
    path = scrivdocs.save(tmp_path / "d.docx", scrivdocs.MIXED, odd_even)
    book = ScrivBook.open_scrivbook(str(path))
    blocks = book.get_header_paragraphs()
    assert texts(blocks) == expected
    assert all(b.doce is book for b in blocks)
    both = texts(book.get_header_footer_paragraphs())
    first = 4 if odd_even else 3  # section 0's headers, then its footers
    assert both[:first] == expected[:first] and both[first] == "S0 F first 0"


def test_body_sections_tables_and_indexes(tmp_path):
    doc = scrivdocs.fill(docx.Document(), scrivdocs.MIXED, False)
    for rows, cols in [(1, 1), (2, 3), (0, 2)]:
        doc.add_table(rows=rows, cols=cols)
    doc.add_paragraph("last")
    doc.save(str(tmp_path / "b.docx"))
    book = ScrivBook(str(tmp_path / "b.docx"))
    d = book.doc
    assert texts(book.get_content_paragraphs()) == [p.text for p in d.paragraphs]
    for index in (0, 2, -1, -len(d.paragraphs)):
        block = book.get_content_paragraph(index)
        assert block.para._p is d.paragraphs[index]._p
        assert block.doce is book and block.parent is book
    assert book.get_content_paragraph().para.text == "body 0"
    assert [s.sect._sectPr for s in book.get_sections()] == [s._sectPr for s in d.sections]
    assert book.get_section(-1).sect._sectPr is d.sections[2]._sectPr
    assert book.get_section().doce is book
    tables = book.get_content_tables()
    assert [len(t.table.rows) for t in tables] == [1, 2, 0]
    assert all(t.doce is book and t.parent is book for t in tables)
    assert book.get_content_table(-1).table._tbl is d.tables[-1]._tbl
    assert book.get_content_table().table._tbl is d.tables[0]._tbl
    assert book.get_content_paragraph() is not book.get_content_paragraph()
    for method, index in [("get_content_paragraph", 99), ("get_content_paragraph", -99),
                          ("get_section", 3), ("get_section", -4), ("get_content_table", 3)]:
        with pytest.raises(IndexError):
            getattr(book, method)(index)


def test_edit_run_save_and_read_back(tmp_path):
    doc = docx.Document()
    doc.add_paragraph("one ").add_run("two ")
    doc.paragraphs[-1].add_run("three")
    doc.sections[0].header.paragraphs[0].text = "head"
    path = str(tmp_path / "e.docx")
    doc.save(path)

    book = ScrivBook.open_scrivbook(doc_file_path=path)
    block = book.get_content_paragraph(-1)
    assert book.get_header_paragraphs()[0].get_range(0).set_text("HEAD").get_text() == "HEAD"
    block.get_range(1).set_text("2 ")
    block.get_range(-1).set_text("")
    assert book.save_scrivbook() is book
    again = docx.Document(path)
    assert [r.text for r in again.paragraphs[-1].runs] == ["one ", "2 ", ""]
    assert again.sections[0].header.paragraphs[0].text == "HEAD"

    block.get_range(0).set_text("uno ")
    other = str(tmp_path / "other.docx")
    assert book.save_as_scrivbook(other) is book
    assert book.doc_file_path == path
    assert docx.Document(other).paragraphs[-1].runs[0].text == "uno "
    assert docx.Document(path).paragraphs[-1].runs[0].text == "one "


@pytest.mark.parametrize("title", [None, "Quarterly report"])
def test_save_without_path_prints_and_writes_nothing(tmp_path, monkeypatch, capsys, title):
    monkeypatch.chdir(tmp_path)
    book = ScrivBook()
    if title is not None:
        book.doc.core_properties.title = title
    assert book.doc_file_path is None and book.save_scrivbook() is book
    assert capsys.readouterr() == ((title or "") + NO_PATH, "")
    assert os.listdir(str(tmp_path)) == []


def test_close_save_without_path_keeps_the_document(tmp_path, capsys):
    book = ScrivBook.new_scrivbook()
    book.doc.add_paragraph("work in progress")
    assert book.close_scrivbook_save() is None
    assert capsys.readouterr().out == NO_PATH
    assert book.doc is not None  # nothing was saved, so nothing is dropped
    target = str(tmp_path / "rescued.docx")
    assert book.close_scrivbook_save_as(target) is None
    assert book.doc is None and book.doc_file_path is None
    assert docx.Document(target).paragraphs[-1].text == "work in progress"


def test_close_methods(tmp_path, capsys):
    path = str(scrivdocs.save(tmp_path / "c.docx", scrivdocs.MIXED, False))
    book = ScrivBook(path)
    book.doc.add_paragraph("added")
    book.close_scrivbook_save()
    assert book.doc is None and book.doc_file_path == path and capsys.readouterr().out == ""
    assert docx.Document(path).paragraphs[-1].text == "added"
    for method in ("get_content_paragraphs", "get_sections", "get_header_paragraphs",
                   "save_scrivbook", "get_content_table"):
        with pytest.raises(AttributeError):
            getattr(book, method)()
    book.close_scrivbook_not_save()
    book.close_scrivbook_not_save()
    closed = ScrivBook()
    closed.close_scrivbook_not_save()
    with pytest.raises(AttributeError):  # the branch without a path reads the document too
        closed.save_scrivbook()
    kept = ScrivBook(path)
    with pytest.raises(OSError):  # a failed save leaves the document in place
        kept.close_scrivbook_save_as(str(tmp_path / "missing-dir" / "x.docx"))
    assert kept.doc is not None


def test_class_methods_build_a_plain_scrivbook(tmp_path, monkeypatch):
    class Mine(ScrivBook):
        pass

    path = str(scrivdocs.save(tmp_path / "s.docx", [{}], False))
    for made in (Mine.new_scrivbook(), Mine.open_scrivbook(path), Mine(path).new_scrivbook(),
                 Mine.open_scrivbook(None)):
        assert type(made) is ScrivBook
    monkeypatch.setattr(scrivbook, "ScrivBook", Mine)  # the module global, at every call
    assert type(ScrivBook.new_scrivbook()) is Mine
