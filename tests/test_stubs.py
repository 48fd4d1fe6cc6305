"""The typed stubs: one beside every extension module, positional-only exactly where the binding
refuses keywords, and the English reference in docs/ generated from them and up to date.
(stubtest and mypy --strict run in `./dev stubs`.)"""
import ast
import importlib
import importlib.machinery
import os
import sys

import pytest

import tallowkit

PACKAGE = os.path.dirname(tallowkit.__file__)
REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def package_files(suffixes):
    for d, dirs, files in os.walk(PACKAGE):
        dirs[:] = [x for x in dirs if x != "_selftest" and x != "__pycache__"]
        for f in files:
            if f.endswith(tuple(suffixes)):
                yield os.path.join(d, f)


def module_name(path, suffix):
    rel = os.path.relpath(path, os.path.dirname(PACKAGE))[:-len(suffix)]
    return rel.replace(os.sep, ".")


STUBS = sorted(module_name(p, ".pyi") for p in package_files([".pyi"]))


def test_every_extension_module_has_a_stub_and_the_package_is_marked_typed():
    suffixes = importlib.machinery.EXTENSION_SUFFIXES
    extensions = {module_name(p, next(s for s in suffixes if p.endswith(s)))
                  for p in package_files(suffixes)}
    assert extensions and extensions == set(STUBS)
    assert os.path.isfile(os.path.join(PACKAGE, "py.typed"))


def stub_functions(tree):
    """(owner class name or None, function node) of every def in a stub."""
    for node in tree.body:
        if isinstance(node, ast.FunctionDef):
            yield None, node
        elif isinstance(node, ast.ClassDef):
            for item in node.body:
                if isinstance(item, ast.FunctionDef):
                    yield node.name, item


def refuses_keywords(function):
    """The frame's one-parameter convention: one parameter, no default, no keywords at all."""
    return function.__code__.co_argcount == 1 and not function.__defaults__


@pytest.mark.skipif(sys.version_info < (3, 8), reason="stubs use the 3.8 syntax for positional-only")
@pytest.mark.parametrize("name", STUBS)
def test_positional_only_exactly_where_keywords_are_refused(name):
    try:
        module = importlib.import_module(name)
    except ImportError as e:  # a library this interpreter lacks (wx, python-docx, ...)
        pytest.skip(str(e))
    path = os.path.join(os.path.dirname(PACKAGE), *name.split(".")) + ".pyi"
    with open(path, encoding="utf-8") as f:
        tree = ast.parse(f.read())
    wrong = []
    for owner, node in stub_functions(tree):
        runtime = getattr(getattr(module, owner) if owner else module, node.name)
        runtime = getattr(runtime, "__func__", runtime)  # a class method's function
        first = (node.args.posonlyargs + node.args.args)[0].arg if node.args.args or node.args.posonlyargs else None
        if first in ("self", "cls"):  # never passed by keyword through an instance or class
            continue
        marked = [a.arg for a in node.args.posonlyargs]
        expected = [runtime.__code__.co_varnames[0]] if refuses_keywords(runtime) else []
        if marked != expected:
            wrong.append("%s.%s: stub marks %s, binding refuses keywords for %s"
                         % (owner or name, node.name, marked, expected))
    assert not wrong


@pytest.mark.skipif(sys.version_info < (3, 9), reason="the generator uses ast.unparse")
@pytest.mark.skipif(not os.path.isfile(os.path.join(REPO, "docs", "make_reference.py")),
                    reason="the repository's docs are not here")
def test_the_reference_is_generated_from_the_current_stubs():
    sys.path.insert(0, os.path.join(REPO, "docs"))
    try:
        import make_reference
    finally:
        sys.path.pop(0)
    stale = [name for name, content in make_reference.pages().items()
             if not os.path.isfile(os.path.join(REPO, "docs", name))
             or open(os.path.join(REPO, "docs", name), encoding="utf-8").read() != content]
    assert not stale, "run: python docs/make_reference.py"
