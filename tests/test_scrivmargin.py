"""The header/footer wrapper: which of header and footer it stands for, indexes, identities."""
import docx
import pytest

from tallowkit.office.word.pydocx import scrivblock
from tallowkit.office.word.pydocx.scrivblock import ScrivBlock
from tallowkit.office.word.pydocx.scrivmargin import ScrivMargin


class Section:
    doce = "the book"


@pytest.fixture
def section():
    doc = docx.Document()
    s = doc.sections[0]
    s.header.paragraphs[0].text = "h0"
    s.header.add_paragraph("h1")
    s.header.add_paragraph("")
    s.footer.paragraphs[0].text = "f0"
    return s


def texts(blocks):
    return [b.para.text for b in blocks]


@pytest.mark.parametrize("kwargs, expected", [
    ({"header": "header"}, ["h0", "h1", ""]),
    ({"footer": "footer"}, ["f0"]),
    ({"header": "header", "footer": "footer"}, ["h0", "h1", ""]),
])
def test_header_wins_over_footer(section, kwargs, expected):
    kwargs = {k: getattr(section, v) for k, v in kwargs.items()}
    margin = ScrivMargin(Section(), **kwargs)
    blocks = margin.get_headerfooter_paragraphs()
    assert texts(blocks) == expected
    assert all(type(b) is ScrivBlock and b.parent is margin and b.doce == "the book" for b in blocks)
    assert margin.get_headerfooter_paragraph(-1).para.text == expected[-1]
    assert margin.get_headerfooter_paragraph().para.text == expected[0]


def test_choice_follows_reassigned_attributes_and_ignores_kind(section):
    margin = ScrivMargin(Section(), section.header, None, "one kind")
    other = ScrivMargin(secte=Section(), header=section.header, headerfooter_type="another")
    assert [b.para._p for b in margin.get_headerfooter_paragraphs()] == \
        [b.para._p for b in other.get_headerfooter_paragraphs()]
    margin.header, margin.footer = None, section.footer
    assert texts(margin.get_headerfooter_paragraphs()) == ["f0"]
    margin.doce = "replaced"
    assert margin.get_headerfooter_paragraph(0).doce == "replaced"


def test_failures(section):
    neither = ScrivMargin(Section())
    assert (neither.doce, neither.header, neither.footer, neither.headerfooter_type) == \
        ("the book", None, None, None)
    for call in (neither.get_headerfooter_paragraph, neither.get_headerfooter_paragraphs):
        with pytest.raises(AttributeError, match="paragraphs"):
            call()
    with pytest.raises(IndexError):
        ScrivMargin(Section(), footer=section.footer).get_headerfooter_paragraph(1)
    with pytest.raises(AttributeError):
        ScrivMargin(object(), header=section.header)


def test_missing_sibling_module_class(monkeypatch, section):
    monkeypatch.delattr(scrivblock, "ScrivBlock")
    with pytest.raises(ImportError, match="^cannot import name ScrivBlock$"):
        ScrivMargin(Section(), header=section.header).get_headerfooter_paragraphs()
