"""The section wrapper: headers and footers in force, their order, and the settings read anew."""
import os
import traceback

import docx
import pytest
from hypothesis import given, settings, strategies as st

from oracles import scrivdocs
from tallowkit.office.word.pydocx import scrivcodes, scrivpart
from tallowkit.office.word.pydocx.scrivbook import ScrivBook
from tallowkit.office.word.pydocx.scrivmargin import ScrivMargin
from tallowkit.office.word.pydocx.scrivpart import ScrivPart

KINDS = ["wdconst_scrivmargin_type_primary", "wdconst_scrivmargin_type_firstpage",
         "wdconst_scrivmargin_type_evenpages"]
# getter, setting that puts it in force, side, section attribute, kind constant
GETTERS = [
    ("get_primary_page_header", None, "header", "header", KINDS[0]),
    ("get_primary_page_footer", None, "footer", "footer", KINDS[0]),
    ("get_first_page_header", "first_page", "header", "first_page_header", KINDS[1]),
    ("get_first_page_footer", "first_page", "footer", "first_page_footer", KINDS[1]),
    ("get_even_page_header", "odd_even", "header", "even_page_header", KINDS[2]),
    ("get_even_page_footer", "odd_even", "footer", "even_page_footer", KINDS[2]),
]


def book_of(layout, odd_even):
    book = ScrivBook()
    scrivdocs.fill(book.doc, layout, odd_even)
    return book


def texts(blocks):
    return [b.para.text for b in blocks]


def test_kind_constants_are_distinct_and_star_imported():
    values = [getattr(scrivcodes, k) for k in KINDS]
    assert len(set(values)) == 3
    assert [getattr(scrivpart, k) for k in KINDS] == values
    assert all(k in scrivcodes.__doc__ for k in KINDS)


@pytest.mark.parametrize("first_page", [True, False])
@pytest.mark.parametrize("odd_even", [True, False])
def test_getters_honour_settings(first_page, odd_even):
    book = book_of([{"first_page": first_page, "defined": {"primary": 1, "first": 1, "even": 1}}],
                   odd_even)
    part = book.get_section()
    in_force = {None: True, "first_page": first_page, "odd_even": odd_even}
    sect = book.doc.sections[0]
    for getter, setting, side, attribute, kind in GETTERS:
        margin = getattr(part, getter)()
        if not in_force[setting]:
            assert margin is None
            continue
        assert type(margin) is ScrivMargin
        assert margin.headerfooter_type is getattr(scrivpart, kind)
        assert margin.secte is part and margin.doce is book
        assert getattr(margin, "footer" if side == "header" else "header") is None
        assert [p._p for p in getattr(margin, side).paragraphs] == \
            [p._p for p in getattr(sect, attribute).paragraphs]
    assert part.is_different_first_page_header_footer() is first_page
    assert part.is_odd_and_even_pages_header_footer() is odd_even


def test_settings_read_anew_at_every_call():
    book = book_of(scrivdocs.MIXED, False)
    parts = book.get_sections()
    before = [len(p.get_header_paragraphs()) for p in parts]
    book.doc.settings.odd_and_even_pages_header_footer = True
    assert all(p.get_even_page_footer() is not None for p in parts)
    assert [len(p.get_header_paragraphs()) for p in parts] == [n + 1 for n in before]
    book.doc.sections[0].different_first_page_header_footer = False
    assert parts[0].get_first_page_header() is None
    assert texts(parts[0].get_header_paragraphs()) == ["S0 H primary 0", "S0 H primary 1",
                                                       "S0 H even 0"]


def test_each_paragraph_has_its_own_margin_as_parent():
    book = book_of(scrivdocs.MIXED, True)
    part = book.get_section(0)
    for collector, side in [("get_header_paragraphs", "header"), ("get_footer_paragraphs", "footer")]:
        blocks = getattr(part, collector)()
        parents = [b.parent for b in blocks]
        assert [type(p) for p in parents] == [ScrivMargin] * 4
        # first page, primary (two paragraphs, one wrapper), even pages
        assert parents[1] is parents[2]
        assert len({id(p) for p in parents}) == 3
        assert [p.headerfooter_type for p in parents] == [
            scrivcodes.wdconst_scrivmargin_type_firstpage,
            scrivcodes.wdconst_scrivmargin_type_primary,
            scrivcodes.wdconst_scrivmargin_type_primary,
            scrivcodes.wdconst_scrivmargin_type_evenpages]
        for b in blocks:
            assert b.doce is book
            assert b.para._p in [p._p for p in getattr(b.parent, side).paragraphs]
    both = part.get_header_footer_paragraphs()
    headers, footers = part.get_header_paragraphs(), part.get_footer_paragraphs()
    assert both is not headers and both is not footers
    assert texts(both) == texts(headers) + texts(footers)


def test_kind_constant_is_looked_up_at_call_time(monkeypatch):
    part = book_of([{}], False).get_section()
    marker = object()
    monkeypatch.setattr(scrivpart, "wdconst_scrivmargin_type_primary", marker)
    assert part.get_primary_page_footer().headerfooter_type is marker
    monkeypatch.delattr(scrivpart, "wdconst_scrivmargin_type_primary")
    with pytest.raises(NameError, match="^name 'wdconst_scrivmargin_type_primary' is not defined$"):
        part.get_primary_page_header()


def test_overridden_setting_is_used():
    class AlwaysFirst(ScrivPart):
        def is_different_first_page_header_footer(self):
            return True

    book = book_of([{"first_page": False, "defined": {"first": 1}}], False)
    part = AlwaysFirst(book, book.doc.sections[0])
    assert texts(part.get_header_paragraphs())[0] == "S0 H first 0"


def test_closed_document_fails_with_traceback_through_each_method():
    book = book_of(scrivdocs.MIXED, True)
    part = book.get_section()
    book.close_scrivbook_not_save()
    assert part.get_primary_page_header() is not None  # the section itself is still alive
    with pytest.raises(AttributeError) as info:
        part.get_header_paragraphs()
    entries = [(f.name, os.path.basename(f.filename)) for f in traceback.extract_tb(info.tb)][1:]
    prefix = "tallowkit.office.word.pydocx.scrivpart.ScrivPart."
    assert entries == [(prefix + m, "scrivpart.cpp") for m in (
        "get_header_paragraphs", "get_even_page_header", "is_odd_and_even_pages_header_footer")]


layouts = st.lists(
    st.fixed_dictionaries({
        "first_page": st.booleans(),
        "defined": st.dictionaries(st.sampled_from(["primary", "first", "even"]),
                                   st.integers(1, 3)),
    }),
    min_size=1, max_size=3)


@settings(max_examples=30, deadline=None)
@given(layout=layouts, odd_even=st.booleans())
def test_any_layout_matches_python_docx_walk(layout, odd_even):
    book = book_of(layout, odd_even)
    headers = book.get_header_paragraphs()
    footers = book.get_footer_paragraphs()
    both = book.get_header_footer_paragraphs()
    assert [b.para._p for b in headers] == [p._p for p in scrivdocs.margin_paragraphs(book.doc, "header")]
    assert [b.para._p for b in footers] == [p._p for p in scrivdocs.margin_paragraphs(book.doc, "footer")]
    assert [b.para._p for b in both] == [p._p for p in scrivdocs.header_footer_paragraphs(book.doc)]
