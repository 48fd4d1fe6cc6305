"""The document wrapper on real .docx files made with python-docx."""
import os
import traceback

import docx
import pytest

from oracles import scrivdocs
from tallowkit.office.word.pydocx import scrivbook
from tallowkit.office.word.pydocx.scrivbook import ScrivBook

NO_PATH = " save_scrivbook error,no path!\n"


@pytest.fixture(params=[True, False], ids=["odd-even", "no-odd-even"])
def mixed(request, tmp_path):
    """A three-section document on disk, with the odd-and-even setting on or off."""
    return scrivdocs.save(tmp_path / "mixed.docx", scrivdocs.MIXED, request.param), request.param


def texts(blocks):
    return [b.para.text for b in blocks]


def elements(paragraphs):
    return [p._p for p in paragraphs]


@pytest.mark.parametrize("method, oracle", [
    ("get_header_paragraphs", lambda d: scrivdocs.margin_paragraphs(d, "header")),
    ("get_footer_paragraphs", lambda d: scrivdocs.margin_paragraphs(d, "footer")),
    ("get_header_footer_paragraphs", scrivdocs.header_footer_paragraphs),
])
def test_margin_paragraphs_follow_python_docx_walk(mixed, method, oracle):
    path, _ = mixed
    book = ScrivBook(str(path))
    blocks = getattr(book, method)()
    # Same paragraph elements, in the same order, as python-docx's own walk of this document.
    assert [b.para._p for b in blocks] == elements(oracle(book.doc))
    assert all(b.doce is book for b in blocks)


@pytest.mark.parametrize("odd_even, expected", [
    (True, ["S0 H first 0", "S0 H primary 0", "S0 H primary 1", "S0 H even 0",
            "S1 H primary 0", "S0 H even 0",
            "S2 H first 0", "S1 H primary 0", "S0 H even 0"]),
    (False, ["S0 H first 0", "S0 H primary 0", "S0 H primary 1",
             "S1 H primary 0",
             "S2 H first 0", "S1 H primary 0"]),
])
def test_header_paragraph_texts_across_sections(tmp_path, odd_even, expected):
    # Linked sections report the previous section's paragraphs.
    path = scrivdocs.save(tmp_path / "d.docx", scrivdocs.MIXED, odd_even)
    assert texts(ScrivBook.open_scrivbook(str(path)).get_header_paragraphs()) == expected


def test_header_footer_paragraphs_grouped_by_section(mixed):
    path, odd_even = mixed
    book = ScrivBook(str(path))
    combined = texts(book.get_header_footer_paragraphs())
    by_section = []
    for s in book.get_sections():
        by_section += texts(s.get_header_paragraphs()) + texts(s.get_footer_paragraphs())
    assert combined == by_section
    assert combined[:4 if odd_even else 3] == texts(book.get_section(0).get_header_paragraphs())
    assert combined[4 if odd_even else 3].startswith("S0 F first")


def test_body_sections_tables_and_indexes(tmp_path):
    doc = scrivdocs.fill(docx.Document(), scrivdocs.MIXED, False)
    doc.add_paragraph("")
    for rows, cols in [(1, 1), (2, 3), (0, 2)]:
        doc.add_table(rows=rows, cols=cols)
    doc.add_paragraph("last")
    doc.save(str(tmp_path / "b.docx"))
    book = ScrivBook(str(tmp_path / "b.docx"))
    paragraphs = book.get_content_paragraphs()
    assert texts(paragraphs) == [p.text for p in book.doc.paragraphs]
    assert paragraphs[-1].para.text == "last"
    for index in (0, 2, -1, -len(paragraphs)):
        block = book.get_content_paragraph(index)
        assert block.para._p is book.doc.paragraphs[index]._p
        assert block.doce is book and block.parent is book
    assert book.get_content_paragraph().para.text == "body 0"
    sections = book.get_sections()
    assert [s.sect._sectPr for s in sections] == [s._sectPr for s in book.doc.sections]
    assert book.get_section(-1).sect._sectPr is book.doc.sections[2]._sectPr
    assert book.get_section().sect._sectPr is book.doc.sections[0]._sectPr
    assert all(s.doce is book for s in sections)
    tables = book.get_content_tables()
    assert [len(t.table.rows) for t in tables] == [1, 2, 0]
    assert all(t.doce is book and t.parent is book for t in tables)
    assert book.get_content_table(-1).table._tbl is book.doc.tables[-1]._tbl
    assert book.get_content_table().table._tbl is book.doc.tables[0]._tbl
    # New wrappers every call.
    assert book.get_content_paragraph() is not book.get_content_paragraph()


@pytest.mark.parametrize("method, index", [
    ("get_content_paragraph", 99), ("get_content_paragraph", -99),
    ("get_section", 3), ("get_section", -4), ("get_content_table", 0),
])
def test_index_out_of_range(tmp_path, method, index):
    book = ScrivBook(str(scrivdocs.save(tmp_path / "d.docx", scrivdocs.MIXED, False)))
    with pytest.raises(IndexError):
        getattr(book, method)(index)


def test_edit_run_save_and_read_back(tmp_path):
    doc = docx.Document()
    paragraph = doc.add_paragraph("one ")
    paragraph.add_run("two ")
    paragraph.add_run("three")
    doc.sections[0].header.paragraphs[0].text = "head"
    path = tmp_path / "e.docx"
    doc.save(str(path))

    book = ScrivBook.open_scrivbook(doc_file_path=str(path))
    block = book.get_content_paragraph(-1)
    assert book.get_header_paragraphs()[0].get_range(0).set_text("HEAD").get_text() == "HEAD"
    assert block.get_range(1).set_text("2 ").parae is block
    assert block.get_range(-1).set_text("").get_text() == ""
    assert book.save_scrivbook() is book

    again = docx.Document(str(path))
    assert [r.text for r in again.paragraphs[-1].runs] == ["one ", "2 ", ""]
    assert again.sections[0].header.paragraphs[0].text == "HEAD"

    # Save-as writes elsewhere and keeps the wrapper's own path.
    block.get_range(0).set_text("uno ")
    other = tmp_path / "other.docx"
    assert book.save_as_scrivbook(str(other)).get_content_paragraph(-1) is not None
    assert book.doc_file_path == str(path)
    assert docx.Document(str(other)).paragraphs[-1].runs[0].text == "uno "
    assert docx.Document(str(path)).paragraphs[-1].runs[0].text == "one "


@pytest.mark.parametrize("title", [None, "Quarterly report"])
def test_save_without_path_prints_and_writes_nothing(tmp_path, monkeypatch, capsys, title):
    monkeypatch.chdir(tmp_path)
    book = ScrivBook()
    assert book.doc_file_path is None
    if title is not None:
        book.doc.core_properties.title = title
    assert book.save_scrivbook() is book
    captured = capsys.readouterr()
    assert captured.out == (title or "") + NO_PATH
    assert captured.err == ""
    assert os.listdir(str(tmp_path)) == []


def test_close_save_without_path_keeps_the_document(tmp_path, capsys):
    book = ScrivBook.new_scrivbook()
    book.doc.add_paragraph("work in progress")
    assert book.close_scrivbook_save() is None
    assert capsys.readouterr().out == NO_PATH
    assert book.doc is not None  # nothing was saved, so nothing is dropped
    target = tmp_path / "rescued.docx"
    book.close_scrivbook_save_as(str(target))
    assert book.doc is None and book.doc_file_path is None
    assert docx.Document(str(target)).paragraphs[-1].text == "work in progress"


def test_close_methods(tmp_path, capsys):
    path = str(scrivdocs.save(tmp_path / "c.docx", scrivdocs.MIXED, False))
    book = ScrivBook(path)
    book.doc.add_paragraph("added")
    assert book.close_scrivbook_save() is None
    assert book.doc is None and book.doc_file_path == path
    assert docx.Document(path).paragraphs[-1].text == "added"
    assert capsys.readouterr().out == ""
    for method in ("get_content_paragraphs", "get_sections", "get_header_paragraphs",
                   "save_scrivbook", "get_content_table"):
        with pytest.raises(AttributeError):
            getattr(book, method)()
    book.close_scrivbook_not_save()
    book.close_scrivbook_not_save()
    # The save branch without a path fails on the dropped document too.
    closed = ScrivBook()
    closed.close_scrivbook_not_save()
    with pytest.raises(AttributeError):
        closed.save_scrivbook()
    # A failed save leaves the document in place.
    kept = ScrivBook(path)
    with pytest.raises(OSError):
        kept.close_scrivbook_save_as(str(tmp_path / "missing-dir" / "x.docx"))
    assert kept.doc is not None


def test_class_methods_build_a_plain_scrivbook(tmp_path):
    class Mine(ScrivBook):
        pass

    path = str(scrivdocs.save(tmp_path / "s.docx", [{}], False))
    for made in (Mine.new_scrivbook(), Mine.open_scrivbook(path), Mine(path).new_scrivbook(),
                 Mine.open_scrivbook(None)):
        assert type(made) is ScrivBook
    assert Mine.open_scrivbook(path).doc_file_path == path
    # The class methods look the class up among the module globals at every call.
    scrivbook.ScrivBook = Mine
    try:
        assert type(ScrivBook.new_scrivbook()) is Mine
    finally:
        scrivbook.ScrivBook = ScrivBook


def test_open_missing_file_propagates_library_error(tmp_path):
    with pytest.raises(Exception) as info:
        ScrivBook.open_scrivbook(str(tmp_path / "nowhere.docx"))
    assert type(info.value).__module__.startswith("docx")
    entries = [(f.name, os.path.basename(f.filename)) for f in traceback.extract_tb(info.tb)]
    assert ("tallowkit.office.word.pydocx.scrivbook.ScrivBook.open_scrivbook", "scrivbook.cpp") in entries
    assert ("tallowkit.office.word.pydocx.scrivbook.ScrivBook.__init__", "scrivbook.cpp") in entries
