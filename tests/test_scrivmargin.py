"""The header/footer wrapper: which of header and footer it stands for, indexes, identities."""
import pytest

docx = pytest.importorskip("docx", reason="python-docx is not installed for this interpreter")

from tallowkit.office.word.pydocx import scrivblock
from tallowkit.office.word.pydocx.scrivmargin import ScrivMargin


class Section:
    doce = "the book"


@pytest.fixture
def section():
    s = docx.Document().sections[0]
    s.header.paragraphs[0].text = "h0"
    s.header.add_paragraph("h1")
    s.header.add_paragraph("")
    s.footer.paragraphs[0].text = "f0"
    return s


def texts(blocks):
    return [b.para.text for b in blocks]


@pytest.mark.parametrize("sides, expected", [
    (["header"], ["h0", "h1", ""]), (["footer"], ["f0"]), (["header", "footer"], ["h0", "h1", ""]),
])
def test_header_wins_over_footer(section, sides, expected):
    margin = ScrivMargin(Section(), **{side: getattr(section, side) for side in sides})
    blocks = margin.get_headerfooter_paragraphs()
    assert texts(blocks) == expected
    assert all(b.parent is margin and b.doce == "the book" for b in blocks)
    assert margin.get_headerfooter_paragraph(-1).para.text == expected[-1]
    assert margin.get_headerfooter_paragraph().para.text == expected[0]
    with pytest.raises(IndexError):
        margin.get_headerfooter_paragraph(len(expected))


def test_choice_follows_reassigned_attributes_and_ignores_kind(section):
    margin = ScrivMargin(Section(), section.header, None, "one kind")
    other = ScrivMargin(secte=Section(), header=section.header, headerfooter_type="another")
    assert [b.para._p for b in margin.get_headerfooter_paragraphs()] == \
        [b.para._p for b in other.get_headerfooter_paragraphs()]
    margin.header, margin.footer, margin.doce = None, section.footer, "replaced"
    assert texts(margin.get_headerfooter_paragraphs()) == ["f0"]
    assert margin.get_headerfooter_paragraph(0).doce == "replaced"


def test_failures(section, monkeypatch):
    neither = ScrivMargin(Section())
    for call in (neither.get_headerfooter_paragraph, neither.get_headerfooter_paragraphs):
        with pytest.raises(AttributeError, match="paragraphs"):
            call()
    with pytest.raises(AttributeError):
        ScrivMargin(object(), header=section.header)
    monkeypatch.delattr(scrivblock, "ScrivBlock")
    with pytest.raises(ImportError, match="^cannot import name ScrivBlock$"):
        ScrivMargin(Section(), header=section.header).get_headerfooter_paragraphs()
