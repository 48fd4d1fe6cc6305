"""AbacLeaf and AbacPatch over real openpyxl worksheets."""
import traceback
from types import SimpleNamespace

import pytest

openpyxl = pytest.importorskip("openpyxl", reason="openpyxl is not installed for this interpreter")

from tallowkit.office.excel.openpyxl import abacleaf, abacpatch
from tallowkit.office.excel.openpyxl.abacleaf import AbacLeaf
from tallowkit.office.excel.openpyxl.abacpatch import AbacPatch


@pytest.fixture
def book(tmp_path):
    """Any object with `wb` serves as the workbook-level wrapper; this one is loaded from disk."""
    wb = openpyxl.Workbook()
    ws = wb.active
    for r in range(1, 4):
        ws.append(["r%dc%d" % (r, c) if c != 2 else r * 10 for c in range(1, 4)])
    wb.save(str(tmp_path / "grid.xlsx"))
    return SimpleNamespace(wb=openpyxl.load_workbook(str(tmp_path / "grid.xlsx")))


def test_leaf_and_patch_attributes_and_parents(book):
    ws = book.wb.active
    leaf = AbacLeaf(book, ws)
    assert vars(leaf) == {"wbe": book, "wb": book.wb, "ws": ws}
    patch = leaf.cells()
    assert list(vars(patch)) == ["wbe", "wb", "wse", "ws", "rng", "value"]
    assert (patch.wbe, patch.wb, patch.wse, patch.ws) == (book, book.wb, leaf, ws)
    assert patch.rng is ws["A1"] and patch.value == "r1c1"
    assert type(patch) is AbacPatch is abacleaf.AbacPatch  # the sibling module's class


def test_cells_use_the_library_numbering(book):
    leaf = AbacLeaf(book, book.wb.active)
    for r in range(1, 5):
        for c in range(1, 5):
            assert leaf.cells(r, c).value == leaf.ws.cell(r, c).value
            assert leaf.cells(col=c, row=r).rng is leaf.ws.cell(row=r, column=c)
    first, second = leaf.cells(2, 2), leaf.cells(2, 2)
    assert first is not second and first.rng is second.rng and first.value == 20


def test_value_is_a_snapshot(book):
    patch = AbacLeaf(book, book.wb.active).cells(3, 1)
    patch.rng.value = "changed"
    assert patch.value == "r3c1"
    patch.value = "wrapper only"
    assert book.wb.active["A3"].value == "changed"


def test_class_methods_build_the_plain_classes(book):
    class Leaf(AbacLeaf):
        pass

    class Patch(AbacPatch):
        pass

    ws = book.wb.active
    leaves = [Leaf.init_abacleaf(book, ws), Leaf(book, ws).init_abacleaf(wbe=book, ws=ws)]
    for leaf in leaves:
        assert type(leaf) is AbacLeaf and vars(leaf) == vars(AbacLeaf(book, ws))
    leaf = leaves[0]
    cell = ws["B3"]
    for patch in [Patch.init_abacpatch(leaf, cell), AbacPatch.init_abacpatch(wse=leaf, rng=cell)]:
        assert type(patch) is AbacPatch and vars(patch) == vars(AbacPatch(leaf, cell))


def test_calls_go_through_the_module_globals(monkeypatch, book):
    calls = []

    def recorder(*args, **kwargs):
        calls.append((args, kwargs))
        return "built"

    leaf = AbacLeaf(book, book.wb.active)
    monkeypatch.setattr(abacleaf, "AbacPatch", recorder)
    monkeypatch.setattr(abacleaf, "AbacLeaf", recorder)
    monkeypatch.setattr(abacpatch, "AbacPatch", recorder)
    assert leaf.cells(2, 3) == "built"
    assert AbacLeaf.init_abacleaf(book, leaf.ws) == "built"
    assert AbacPatch.init_abacpatch(leaf, "cell") == "built"
    assert calls == [((leaf, leaf.ws["C2"]), {}), ((), {"wbe": book, "ws": leaf.ws}),
                     ((), {"wse": leaf, "rng": "cell"})]


def test_failures_pass_through_with_method_entries(book):
    ws = book.wb.active
    leaf, no_wb = AbacLeaf(book, ws), SimpleNamespace()
    for action, exc_type, message, entries in [
        (lambda: AbacLeaf(no_wb, ws), AttributeError, "no attribute 'wb'", ["leaf.__init__"]),
        (lambda: AbacLeaf.init_abacleaf(object(), ws), AttributeError, "no attribute 'wb'",
         ["leaf.init_abacleaf", "leaf.__init__"]),
        (lambda: AbacPatch(SimpleNamespace(ws=ws), 0), AttributeError, "no attribute 'wbe'",
         ["patch.__init__"]),
        (lambda: AbacPatch(SimpleNamespace(wbe=no_wb), 0), AttributeError, "no attribute 'wb'",
         ["patch.__init__"]),
        (lambda: AbacPatch(SimpleNamespace(wbe=book), 0), AttributeError, "no attribute 'ws'",
         ["patch.__init__"]),
        (lambda: AbacPatch.init_abacpatch(leaf, 0), AttributeError, "no attribute 'value'",
         ["patch.init_abacpatch", "patch.__init__"]),
        (lambda: leaf.cells(0), ValueError, "^Row or column values must be at least 1$",
         ["leaf.cells"]),  # openpyxl's own refusal
    ]:
        with pytest.raises(exc_type, match=message) as info:
            action()
        ours = [(f.name, f.filename) for f in traceback.extract_tb(info.tb)
                if f.name.startswith("tallowkit.")]
        assert ours == [("tallowkit.office.excel.openpyxl.abac%s.Abac%s" % (e.split(".")[0], e.capitalize()),
                         "abac%s.cpp" % e.split(".")[0]) for e in entries]


@pytest.mark.parametrize("cls, method, varnames, defaults", [
    (AbacLeaf, "__init__", ("self", "wbe", "ws"), None),
    (AbacLeaf, "init_abacleaf", ("cls", "wbe", "ws"), None),
    (AbacLeaf, "cells", ("self", "row", "col"), (1, 1)),
    (AbacPatch, "__init__", ("self", "wse", "rng"), None),
    (AbacPatch, "init_abacpatch", ("cls", "wse", "rng"), None),
])
def test_method_frames(cls, method, varnames, defaults):
    raw = cls.__dict__[method]
    is_classmethod = isinstance(raw, classmethod)
    assert is_classmethod == method.startswith("init_")
    f = raw.__func__ if is_classmethod else raw
    assert (f.__qualname__, f.__module__, f.__doc__) == (
        cls.__name__ + "." + method, "tallowkit.office.excel.openpyxl." + cls.__name__.lower(), None)
    assert (f.__code__.co_argcount, f.__code__.co_varnames, f.__defaults__) == (
        len(varnames), varnames, defaults)
    if is_classmethod:
        assert getattr(cls, method).__self__ is cls
        with pytest.raises(TypeError) as info:
            getattr(cls, method)(1)  # cls counts: two of three given
        assert str(info.value) == "%s() takes exactly 3 positional arguments (2 given)" % method
