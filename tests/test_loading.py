"""Loading: an import that fails part-way leaves no half-initialised module behind, and the
next import, once the cause is gone, runs the body afresh and succeeds. Each case runs in a
fresh interpreter."""
import importlib.util
import os
import subprocess
import sys
import textwrap

import pytest

# The child's prelude: `attempt` imports a module and returns the exception it raised.
PRELUDE = """
import builtins, importlib, sys, traceback

def attempt(name):
    try:
        importlib.import_module(name)
    except BaseException as e:
        return e
    raise AssertionError(name + " imported although its cause of failure was in place")

def nothing_left(name):
    assert name not in sys.modules, name + " stayed in sys.modules"
    parent, _, short = name.rpartition(".")
    assert not hasattr(sys.modules.get(parent), short), name + " stayed on its package"

def init_entry(error, name):
    names = [f.name for f in traceback.extract_tb(error.__traceback__)]
    assert "init " + name in names, names
"""


def run_child(code, needs=()):
    for module in needs:
        pytest.importorskip(module)
    env = dict(os.environ, PYTHONPATH=os.pathsep.join(p for p in sys.path if p))
    proc = subprocess.run([sys.executable, "-c", PRELUDE + textwrap.dedent(code) + "\nprint('ok')"],
                          env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                          universal_newlines=True)
    assert proc.returncode == 0 and proc.stdout.strip().endswith("ok"), proc.stdout + proc.stderr


# Tests that load the test-only modules, which release wheels do not carry.
needs_selftest = pytest.mark.skipif(
    importlib.util.find_spec("tallowkit._selftest") is None,
    reason="tallowkit._selftest is not installed (a release build)")


def test_a_missing_library_then_present():
    run_child("""
        name = "tallowkit.office.word.pydocx.scrivbook"
        sys.modules["docx"] = None                 # python-docx missing
        error = attempt(name)
        assert isinstance(error, ImportError), repr(error)
        init_entry(error, name)
        nothing_left(name)
        assert isinstance(attempt(name), ImportError)   # and again, the same way
        del sys.modules["docx"]
        from tallowkit.office.word.pydocx.scrivbook import ScrivBook
        import docx
        book = ScrivBook()
        assert isinstance(book.doc, docx.document.Document)
        assert sys.modules[name].docx is docx
    """, needs=["docx"])


def test_a_body_step_raising_part_way():
    # io.file imports os, then shutil: the second import fails after the first has bound.
    run_child("""
        class Refuse:
            def find_spec(self, fullname, path=None, target=None):
                if fullname == "shutil":
                    raise RuntimeError("no shutil today")
        sys.modules.pop("shutil", None)
        refuse = Refuse()
        sys.meta_path.insert(0, refuse)
        name = "tallowkit.io.file"
        error = attempt(name)
        assert type(error) is RuntimeError and str(error) == "no shutil today", repr(error)
        init_entry(error, name)
        nothing_left(name)
        sys.meta_path.remove(refuse)
        import tallowkit.io.file as f
        import os, shutil
        assert f.os is os and f.shutil is shutil
        f.write_all_text("loading.txt", "é")
        assert f.read_all_text("loading.txt") == "é"
        f.delete_file("loading.txt")
    """)


def test_a_missing_builtin_then_restored():
    run_child("""
        name = "tallowkit.cvt.cellnote"
        saved = builtins.chr
        del builtins.chr
        error = attempt(name)
        assert type(error) is NameError and str(error) == "name 'chr' is not defined", repr(error)
        nothing_left(name)
        builtins.chr = saved
        import tallowkit.cvt.cellnote as c
        assert c.cvt_one_to_a(28) == "AB" and c.cvt_a1_to_r1c1("ab7") == (7, 28)
        # the fast paths stand in for the functions of this load, not of the failed one
        c.cvt_a_to_one = lambda s: -1
        assert c.cvt_a1_to_r1c1("ab7") == (7, -1)
    """)


def test_a_failing_sibling_at_load():
    run_child("""
        name = "tallowkit.office.excel.openpyxl.abacleaf"
        sibling = "tallowkit.office.excel.openpyxl.abacpatch"
        sys.modules[sibling] = None
        error = attempt(name)
        assert isinstance(error, ImportError), repr(error)
        nothing_left(name)
        del sys.modules[sibling]
        from tallowkit.office.excel.openpyxl.abacleaf import AbacLeaf
        from tallowkit.office.excel.openpyxl.abacpatch import AbacPatch
        assert sys.modules[name].AbacPatch is AbacPatch
    """)


def test_a_library_raising_anything_while_imported():
    run_child("""
        class Broken:
            def find_spec(self, fullname, path=None, target=None):
                if fullname == "xlwt":
                    raise ValueError("broken install")
        sys.modules.pop("xlwt", None)
        broken = Broken()
        sys.meta_path.insert(0, broken)
        name = "tallowkit.office.excel.xlrwu.abacvault"
        error = attempt(name)
        assert type(error) is ValueError, repr(error)
        init_entry(error, name)
        nothing_left(name)
        sys.meta_path.remove(broken)
        from tallowkit.office.excel.xlrwu.abacvault import AbacVault
        assert AbacVault().wbwt is not None
    """, needs=["xlrd", "xlwt"])


def test_number_theory_failing_after_its_first_functions():
    # random is imported after the first functions are defined.
    run_child("""
        import importlib.util
        name = "tallowkit.math.prime"
        if importlib.util.find_spec(name) is None:
            print("ok"); sys.exit(0)
        sys.modules["random"] = None
        error = attempt(name)
        assert isinstance(error, ImportError), repr(error)
        nothing_left(name)
        del sys.modules["random"]
        import tallowkit.math.prime as p
        assert p.is_prime(97) and p.get_all_primes(0, 10) == [2, 3, 5, 7]
        p.is_prime = lambda n: False
        assert p.get_all_primes(0, 10) == []
    """)


def test_reload_and_a_second_import_keep_the_module():
    run_child("""
        import tallowkit.cvt.cellnote as c
        f = c.cvt_one_to_a
        assert importlib.reload(c) is c and c.cvt_one_to_a is f
        del sys.modules["tallowkit.cvt.cellnote"]
        import tallowkit.cvt.cellnote as again
        assert again is c and again.cvt_one_to_a is f
    """)


@needs_selftest
def test_create_copies_what_the_spec_has_and_exec_refuses_a_second_module():
    run_child("""
        import _imp, importlib.util
        spec = importlib.util.find_spec("tallowkit._selftest.frametest")
        class Bare:                       # no loader, parent or search locations
            name, origin = spec.name, spec.origin
        class Broken(Bare):
            @property
            def parent(self):
                raise LookupError("no parent")
        try:
            _imp.create_dynamic(Broken())
            raise AssertionError("created from a spec that fails")
        except LookupError:
            pass
        first, second = _imp.create_dynamic(Bare()), _imp.create_dynamic(spec)
        assert first is not second and first.__file__ == spec.origin
        assert first.__loader__ is None and not hasattr(first, "__path__")
        _imp.exec_dynamic(first)
        assert _imp.create_dynamic(spec) is first and _imp.exec_dynamic(first) == 0
        try:
            _imp.exec_dynamic(second)
            raise AssertionError("a second module object ran the body")
        except RuntimeError as e:
            assert str(e) == ("Module 'frametest' has already been imported. "
                              "Re-initialisation is not supported."), e
    """)


@needs_selftest
def test_a_second_interpreter_is_refused():
    run_child("""
        try:
            import _xxsubinterpreters as interpreters
        except ImportError:
            print("ok"); sys.exit(0)
        import tallowkit._selftest.frametest
        sub = interpreters.create()
        try:
            interpreters.run_string(sub, "import tallowkit._selftest.frametest")
            raise AssertionError("loaded into a second interpreter")
        except interpreters.RunFailedError as e:
            assert "ImportError" in str(e), e
            assert sys.version_info >= (3, 12) or "Interpreter change detected" in str(e), e
    """)


# The self-test module frameversion loads what its hook module's `ready` asks for.
HOOKED = """
import types, warnings
warnings.simplefilter("ignore")              # the module claims another interpreter version
name = "tallowkit._selftest.frameversion"

def load(ready):
    hook = types.ModuleType("tallowkit_selftest_hook")
    hook.ready = ready
    sys.modules[hook.__name__] = hook
    return importlib.import_module(name)
"""


@needs_selftest
@pytest.mark.parametrize("ready, error, message", [
    ("silent", ImportError, "init tallowkit._selftest.frameversion"),
    ("memory", MemoryError, ""),
    ("other", SystemError, "unexpected C++ exception while loading the module"),
])
def test_a_body_failing_the_cpp_way_fails_the_import_and_a_retry_loads(ready, error, message):
    run_child(HOOKED + textwrap.dedent("""
        try:
            load(%r)
            raise AssertionError("loaded")
        except %s as e:
            assert str(e) == %r, e
        nothing_left(name)
        assert load(1).answer() == 1
    """) % (ready, error.__name__, message))


# Metaclasses for the class statement of a module body, compared with Python's own.
METACLASSES = """
class Meta(type): pass
class Other(type): pass
class Hide(type):
    # its classes' metaclasses have no __prepare__, or one whose lookup fails
    def __getattribute__(cls, attr):
        if attr == "__prepare__":
            raise (AttributeError if cls.__name__ == "NoPrepare" else LookupError)(attr)
        return type.__getattribute__(cls, attr)
class NoPrepare(type, metaclass=Hide): pass
class BadPrepare(type, metaclass=Hide): pass
Plain = type("Plain", (), {})
OfMeta, OfOther = Meta("OfMeta", (), {}), Other("OfOther", (), {})
OfNoPrepare, OfBadPrepare = NoPrepare("OfNoPrepare", (), {}), BadPrepare("OfBadPrepare", (), {})
"""


@needs_selftest
@pytest.mark.parametrize("bases", ["Plain, OfMeta", "OfMeta, Plain", "OfMeta, OfOther",
                                   "object, Plain", "Plain, OfNoPrepare", "OfBadPrepare, Plain"])
def test_class_statements_choose_the_metaclass_as_python_does(bases):
    run_child(HOOKED + METACLASSES + textwrap.dedent("""
        def outcome(make):
            try:
                cls = make()
            except Exception as e:
                return type(e), str(e)
            return type(cls), [c.__name__ for c in cls.__mro__], cls.__qualname__
        def in_python():
            exec("class Hooked(%s): pass", globals())
            return Hooked
        expected = outcome(in_python)
        assert outcome(lambda: load((%s)).Hooked) == expected, expected
    """) % (bases, bases))


def test_a_submodule_missing_from_its_package_is_found_in_sys_modules():
    # as `import a.b as c` does: the package may not have the submodule as an attribute yet
    run_child("""
        import tallowkit.ui.tkinter.slatekit as slatekit, tallowkit.ui.tkinter as package
        del package.slatekit
        import tallowkit.ui.tkinter.slatepane as pane
        assert pane.tkhlp is slatekit
    """, needs=["tkinter"])
