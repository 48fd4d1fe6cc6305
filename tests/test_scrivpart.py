"""The section wrapper: headers and footers in force, their order, and the settings read anew."""
import os
import traceback

import pytest
from hypothesis import given, settings, strategies as st

pytest.importorskip("docx", reason="python-docx is not installed for this interpreter")
from oracles import scrivdocs
from tallowkit.office.word.pydocx import scrivcodes, scrivpart
from tallowkit.office.word.pydocx.scrivbook import ScrivBook
from tallowkit.office.word.pydocx.scrivmargin import ScrivMargin

PRIMARY, FIRST, EVEN = ("wdconst_scrivmargin_type_" + k for k in ("primary", "firstpage", "evenpages"))
# getter, setting that puts it in force, side, section attribute, kind constant
GETTERS = [
    ("get_primary_page_header", None, "header", "header", PRIMARY),
    ("get_primary_page_footer", None, "footer", "footer", PRIMARY),
    ("get_first_page_header", "first_page", "header", "first_page_header", FIRST),
    ("get_first_page_footer", "first_page", "footer", "first_page_footer", FIRST),
    ("get_even_page_header", "odd_even", "header", "even_page_header", EVEN),
    ("get_even_page_footer", "odd_even", "footer", "even_page_footer", EVEN),
]


def book_of(layout, odd_even):
    book = ScrivBook()
    scrivdocs.fill(book.doc, layout, odd_even)
    return book


def texts(blocks):
    return [b.para.text for b in blocks]


def test_kind_constants():
    values = [getattr(scrivcodes, k) for k in (PRIMARY, FIRST, EVEN)]
    assert len(set(values)) == 3
    assert [getattr(scrivpart, k) for k in (PRIMARY, FIRST, EVEN)] == values


@pytest.mark.parametrize("first_page", [True, False])
@pytest.mark.parametrize("odd_even", [True, False])
def test_getters_honour_settings(first_page, odd_even):
    book = book_of([{"first_page": first_page, "defined": {"primary": 1, "first": 1, "even": 1}}],
                   odd_even)
    part, sect = book.get_section(), book.doc.sections[0]
    in_force = {None: True, "first_page": first_page, "odd_even": odd_even}
    for getter, setting, side, attribute, kind in GETTERS:
        margin = getattr(part, getter)()
        if not in_force[setting]:
            assert margin is None
            continue
        assert margin.headerfooter_type is getattr(scrivpart, kind)
        assert margin.secte is part and margin.doce is book
        assert getattr(margin, "footer" if side == "header" else "header") is None
        assert [p._p for p in getattr(margin, side).paragraphs] == \
            [p._p for p in getattr(sect, attribute).paragraphs]
    assert part.is_different_first_page_header_footer() is first_page
    assert part.is_odd_and_even_pages_header_footer() is odd_even


def test_settings_read_anew_and_parents():
    book = book_of(scrivdocs.MIXED, False)
    parts = book.get_sections()
    before = [len(p.get_header_paragraphs()) for p in parts]
    book.doc.settings.odd_and_even_pages_header_footer = True
    assert [len(p.get_header_paragraphs()) for p in parts] == [n + 1 for n in before]
    blocks = parts[0].get_footer_paragraphs()
    parents = [b.parent for b in blocks]
    assert texts(blocks) == ["S0 F first 0", "S0 F primary 0", "S0 F primary 1", "S0 F even 0"]
    assert all(type(p) is ScrivMargin for p in parents) and parents[1] is parents[2]
    assert len({id(p) for p in parents}) == 3
    assert [p.headerfooter_type for p in parents] == [getattr(scrivcodes, k) for k in (FIRST, PRIMARY, PRIMARY, EVEN)]
    book.doc.sections[0].different_first_page_header_footer = False
    assert parts[0].get_first_page_header() is None
    assert texts(parts[0].get_header_paragraphs()) == ["S0 H primary 0", "S0 H primary 1", "S0 H even 0"]
    both = parts[0].get_header_footer_paragraphs()
    headers = parts[0].get_header_paragraphs()
    assert both is not headers and texts(both) == texts(headers) + texts(parts[0].get_footer_paragraphs())


def test_kind_constant_is_looked_up_at_call_time(monkeypatch):
    part = book_of([{}], False).get_section()
    marker = object()
    monkeypatch.setattr(scrivpart, PRIMARY, marker)
    assert part.get_primary_page_footer().headerfooter_type is marker
    monkeypatch.delattr(scrivpart, PRIMARY)
    with pytest.raises(NameError, match="^name '%s' is not defined$" % PRIMARY):
        part.get_primary_page_header()


def test_closed_document_fails_through_each_method():
    book = book_of(scrivdocs.MIXED, True)
    part = book.get_section()
    book.close_scrivbook_not_save()
    assert part.get_primary_page_header() is not None  # the section itself is still alive
    with pytest.raises(AttributeError) as info:
        part.get_header_paragraphs()
    entries = [(f.name, os.path.basename(f.filename)) for f in traceback.extract_tb(info.tb)][1:]
    assert entries == [("tallowkit.office.word.pydocx.scrivpart.ScrivPart." + m, "scrivpart.cpp") for m in (
        "get_header_paragraphs", "get_even_page_header", "is_odd_and_even_pages_header_footer")]


layouts = st.lists(st.fixed_dictionaries({
    "first_page": st.booleans(),
    "defined": st.dictionaries(st.sampled_from(["primary", "first", "even"]), st.integers(1, 3)),
}), min_size=1, max_size=3)


@settings(max_examples=30, deadline=None)
@given(layout=layouts, odd_even=st.booleans())
def test_any_layout_matches_python_docx_walk(layout, odd_even):
    book = book_of(layout, odd_even)
    for found, expected in [
            (book.get_header_paragraphs(), scrivdocs.margin_paragraphs(book.doc, "header")),
            (book.get_footer_paragraphs(), scrivdocs.margin_paragraphs(book.doc, "footer")),
            (book.get_header_footer_paragraphs(), scrivdocs.header_footer_paragraphs(book.doc))]:
        assert [b.para._p for b in found] == [p._p for p in expected]
