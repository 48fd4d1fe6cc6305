"""Paragraph and run wrappers, the call-time sibling imports, and the frame's behaviour for
methods: argument errors, names and traceback entries."""
import os
import subprocess
import sys
import traceback

import pytest

docx = pytest.importorskip("docx", reason="python-docx is not installed for this interpreter")

from tallowkit.office.word.pydocx import scrivblock, scrivspan
from tallowkit.office.word.pydocx.scrivblock import ScrivBlock
from tallowkit.office.word.pydocx.scrivbook import ScrivBook
from tallowkit.office.word.pydocx.scrivspan import ScrivSpan

PACKAGE = "tallowkit.office.word.pydocx."


@pytest.fixture
def book():
    book = ScrivBook()
    paragraph = book.doc.add_paragraph("alpha ")
    paragraph.add_run("beta ")
    paragraph.add_run("gamma")
    book.doc.add_paragraph()
    return book


def test_runs_and_their_text(book):
    block = book.get_content_paragraph(-2)
    spans = block.get_ranges()
    assert [s.get_text() for s in spans] == ["alpha ", "beta ", "gamma"]
    assert [s.rng._r for s in spans] == [r._r for r in block.para.runs]
    assert all(type(s) is ScrivSpan and s.parae is block and s.doce is book for s in spans)
    assert block.get_range(-1).get_text() == "gamma" and block.get_range().get_text() == "alpha "
    for index in (3, -4):
        with pytest.raises(IndexError):
            block.get_range(index)
    empty = book.get_content_paragraph(-1)
    assert empty.get_ranges() == []
    with pytest.raises(IndexError):
        empty.get_range()
    # Two wrappers of one run see each other's changes: neither caches the text.
    first, second = block.get_range(1), block.get_range(index=1)
    assert first is not second and first.set_text("BETA ") is first
    assert second.get_text() == "BETA " == block.para.runs[1].text
    assert second.set_text(text="").get_text() == first.get_text() == ""
    assert block.para.text == "alpha gamma"


def test_doce_is_copied_once_and_may_be_none():
    class Holder:
        doce = None

    run = docx.Document().add_paragraph("x").runs[0]
    holder = Holder()
    span = ScrivSpan(holder, run)
    holder.doce = "later"
    assert (span.doce, span.parae, span.rng) == (None, holder, run)
    assert span.set_text("y").get_text() == "y"
    assert ScrivBlock(None, run._parent, None).get_range().doce is None
    with pytest.raises(AttributeError):
        ScrivSpan(object(), run)


def test_missing_sibling_class_fails_before_runs_are_read(monkeypatch):
    monkeypatch.delattr(scrivspan, "ScrivSpan")
    block = ScrivBlock(None, None, None)  # a para without runs would raise AttributeError
    for call in (block.get_range, block.get_ranges):
        with pytest.raises(ImportError, match=r"^cannot import name ScrivSpan$"):
            call()


@pytest.mark.parametrize("short, loads", [
    ("scrivcodes", []),
    ("scrivspan", ["docx"]),
    ("scrivblock", ["docx"]),
    ("scrivmargin", []),
    ("scrivgrid", []),
    ("scrivpart", ["docx", "scrivcodes"]),
    ("scrivbook", ["docx"]),
])
def test_no_wrapper_module_loads_a_sibling_wrapper(short, loads):
    code = ("import sys; import %s%s; "
            "print(sorted(m.rsplit('.', 1)[1] for m in sys.modules if m.startswith(%r)), "
            "'docx' in sys.modules)" % (PACKAGE, short, PACKAGE))
    out = subprocess.run([sys.executable, "-c", code], stdout=subprocess.PIPE,
                         universal_newlines=True, check=True, env=dict(os.environ)).stdout
    siblings = sorted([short] + [m for m in loads if m != "docx"])
    assert out.split("\n")[0] == "%s %s" % (siblings, "docx" in loads)


@pytest.mark.parametrize("call, message", [
    (lambda b: b.get_range(1, 2), "get_range() takes at most 2 positional arguments (3 given)"),
    (lambda b: b.get_range(idx=1), "get_range() got an unexpected keyword argument 'idx'"),
    (lambda b: b.get_range(0, index=0), "get_range() got multiple values for keyword argument 'index'"),
    (lambda b: b.get_ranges(1), "get_ranges() takes exactly one argument (2 given)"),
    (lambda b: b.get_ranges(self=b), "get_ranges() takes no keyword arguments"),
    (lambda b: ScrivBlock.get_ranges(), "get_ranges() takes exactly one argument (0 given)"),
    (lambda b: ScrivBlock(doce=1, para=2), "__init__() takes exactly 4 positional arguments (3 given)"),
    (lambda b: ScrivSpan(b), "__init__() takes exactly 3 positional arguments (2 given)"),
    (lambda b: ScrivBook.new_scrivbook(1), "new_scrivbook() takes exactly one argument (2 given)"),
    (lambda b: ScrivBook.open_scrivbook(), "open_scrivbook() takes exactly 2 positional arguments (1 given)"),
    (lambda b: ScrivBook().save_as_scrivbook(), "save_as_scrivbook() takes exactly 2 positional arguments (1 given)"),
])
def test_argument_errors(book, call, message):
    block = book.get_content_paragraph(-2)
    with pytest.raises(TypeError) as info:
        call(block)
    assert str(info.value) == message


@pytest.mark.parametrize("cls, method, params", [
    (ScrivBlock, "get_range", ("self", "index")),
    (ScrivBlock, "__init__", ("self", "doce", "para", "parent")),
    (ScrivSpan, "set_text", ("self", "text")),
    (ScrivBook, "get_section", ("self", "index")),
])
def test_method_names_and_code(cls, method, params):
    function = cls.__dict__[method]
    assert function.__qualname__ == "%s.%s" % (cls.__name__, method)
    assert function.__module__ == cls.__module__ == PACKAGE + cls.__name__.lower()
    assert function.__code__.co_varnames[:len(params)] == params
    assert function.__code__.co_argcount == len(params)
    assert function.__doc__ is None and cls.__doc__ is None


def test_traceback_entry_names_the_method(book):
    block = book.get_content_paragraph(-1)
    with pytest.raises(IndexError) as info:
        block.get_range(0)
    last = traceback.extract_tb(info.tb)[-1]
    assert last.name == PACKAGE + "scrivblock.ScrivBlock.get_range"
    assert os.path.basename(last.filename) == "scrivblock.cpp"
    with pytest.raises(AttributeError) as info:
        ScrivSpan(ScrivBlock(None, None, None), None).get_text()
    last = traceback.extract_tb(info.tb)[-1]
    assert (last.name, os.path.basename(last.filename)) == (
        PACKAGE + "scrivspan.ScrivSpan.get_text", "scrivspan.cpp")
