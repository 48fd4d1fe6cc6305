"""The robustness harness shared by the fuzz, leak and thread tests and by fuzz_long.py.

It finds every public callable of every tallowkit module that imports, draws arguments for it
with hypothesis (plain values of every kind and hostile objects), and runs one call at a time
under a watchdog. A call may return a value or raise a Python exception, nothing else: never a
crash, never SystemError. Where tests/oracles/<short>_oracle.py renders a module in plain
Python, the same call made there must give the same value or the same exception type and
message, the same state of the shared random generator, and the same effect of any module
global a hostile argument rebinds mid-call.

Nothing touches the real file system outside a temporary working directory: path parameters
only ever get relative names below it, the io and window modules' os, shutil, wx, tk and tkhlp
are swapped for recording stand-ins (or, for os and shutil, kept real inside the directory),
and on interpreters with audit hooks any file event outside it fails the run.
"""
import collections
import contextlib
import functools
import gc
import importlib
import math
import os
import pkgutil
import random
import shutil
import signal
import sys
import tempfile

from hypothesis import HealthCheck, settings, strategies as st

ORACLES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "oracles")
# Module globals that reach the outside world: replaced by recording stand-ins while fuzzing.
STANDIN_GLOBALS = ("os", "shutil", "wx", "tk", "tkhlp")
# os and shutil may stay real inside the working directory; the window toolkits never do.
REAL_ALLOWED = ("os", "shutil")
# Parameters whose names say they are paths get relative paths (and non-path junk) only.
PATH_WORDS = ("path", "dir", "file")
PATH_NAMES = ("fp",)


# ---- discovery -------------------------------------------------------------------------------
class Target:
    """One public callable: a module function, a class (its __init__), a class method, or a
    method (called on a real instance, or unbound with any object as self)."""

    def __init__(self, kind, module, name, cls=None):
        self.kind, self.module, self.name, self.cls = kind, module, name, cls
        if kind == "class":
            self.function = cls.__dict__.get("__init__")
        elif kind in ("method", "classmethod"):
            raw = cls.__dict__[name]
            self.function = raw.__func__ if kind == "classmethod" else raw
        else:
            self.function = getattr(module, name)
        code = getattr(self.function, "__code__", None)
        names = code.co_varnames[:code.co_argcount] if code else ()
        ndefaults = len(self.function.__defaults__ or ()) if code else 0
        # Parameters the caller supplies: self or cls come from the binding (an unbound
        # method gets its self drawn separately).
        self.implicit = 1 if names and kind != "function" else 0
        self.params = list(names[self.implicit:])
        self.required = len(names) - ndefaults - self.implicit
        # The frame's one-parameter convention refuses keywords.
        self.keywords_ok = code is not None and not (len(names) == 1 and ndefaults == 0)

    @property
    def qualname(self):
        inner = self.name if self.cls is None else self.cls.__name__ + "." + self.name
        return self.module.__name__ + "." + inner

    def __repr__(self):
        return self.qualname


@functools.lru_cache(maxsize=None)
def public_modules_cached():
    return tuple(public_modules())


def public_modules():
    """Every module of the package that imports here, private ones (_selftest) left out."""
    import tallowkit
    found = []
    for info in pkgutil.walk_packages(tallowkit.__path__, "tallowkit."):
        if info.ispkg or any(p.startswith("_") for p in info.name.split(".")):
            continue
        try:
            found.append(importlib.import_module(info.name))
        except ImportError:
            continue  # its library (python-docx, wx, ...) is missing on this interpreter
    return found


def is_package_function(obj):
    return type(obj).__name__ == "function" and type(obj).__module__ == "tallowkit"


def targets_of(module):
    out = []
    for name, obj in sorted(vars(module).items()):
        if name.startswith("_") or getattr(obj, "__module__", None) != module.__name__:
            continue
        if isinstance(obj, type):
            out.append(Target("class", module, obj.__name__, obj))
            for attr, raw in obj.__dict__.items():
                if attr.startswith("_"):
                    continue
                if isinstance(raw, classmethod) and is_package_function(raw.__func__):
                    out.append(Target("classmethod", module, attr, obj))
                elif is_package_function(raw):
                    out.append(Target("method", module, attr, obj))
        elif is_package_function(obj):
            out.append(Target("function", module, name))
    return out


def all_targets():
    return [t for m in public_modules_cached() for t in targets_of(m)]


def oracle_for(module):
    short = module.__name__.rsplit(".", 1)[1]
    if not os.path.exists(os.path.join(ORACLES, short + "_oracle.py")):
        return None
    if ORACLES not in sys.path:
        sys.path.insert(0, ORACLES)
    return importlib.import_module(short + "_oracle")


def is_path_param(name):
    return name in PATH_NAMES or any(w in name for w in PATH_WORDS)


# ---- stand-ins -------------------------------------------------------------------------------
class Recorder:
    """A permissive stand-in: every attribute is another recorder, every call is logged and
    returns a recorder; it is false, empty, hashable and equal only to itself."""

    def __init__(self, name="standin", log=None):
        self._name, self._log = name, log if log is not None else []

    class NoLog(list):
        """For leak checks: a log that keeps nothing, so nothing grows but leaks."""

        def append(self, item):
            pass

    def __getattr__(self, attr):
        if attr.startswith("__"):
            raise AttributeError(attr)
        return Recorder(self._name + "." + attr, self._log)

    def __call__(self, *args, **kwargs):
        if len(self._log) < 1000:
            self._log.append((self._name, len(args), tuple(sorted(kwargs))))
        return Recorder(self._name + "()", self._log)

    def __bool__(self):
        return False

    def __iter__(self):
        return iter(())

    def __len__(self):
        return 0

    def __repr__(self):
        return "<%s>" % self._name

    __str__ = __repr__
    __fspath__ = None  # not a path: a stand-in never reaches the file system


# ---- hostile objects -------------------------------------------------------------------------
class HostileError(Exception):
    """Raised by a poisoned operation of a hostile argument."""


class Bomb:
    """A non-bool answer whose truth test raises."""

    def __bool__(self):
        raise HostileError("__bool__ of a comparison result")

    def __repr__(self):
        return "Bomb()"


# What a poisoned operation may return instead of raising.
WEIRD = [lambda: NotImplemented, lambda: None, lambda: 2, lambda: "x", lambda: [],
         lambda: Bomb(), lambda: 2 ** 70, lambda: -1, lambda: 2.5, lambda: True]

DUNDERS = ["__eq__", "__ne__", "__lt__", "__le__", "__gt__", "__ge__", "__hash__", "__index__",
           "__int__", "__float__", "__str__", "__repr__", "__bool__", "__len__", "__iter__",
           "__getitem__", "__contains__", "__add__", "__radd__", "__sub__", "__rsub__",
           "__mul__", "__rmul__", "__mod__", "__rmod__", "__floordiv__", "__rfloordiv__",
           "__truediv__", "__rtruediv__", "__pow__", "__rpow__", "__neg__", "__fspath__"]
METHODS = ["upper", "strip", "rstrip", "replace", "isalpha", "isdigit", "startswith"]
POISONABLE = DUNDERS + METHODS

HostileRecipe = collections.namedtuple("HostileRecipe", "base subclass poisons")
# act: ("raise",) | ("nth", k) | ("weird", i) | ("rebind", name_index, replacement)


def unwrap(x):
    return x._base if isinstance(x, HostileBase) else x


class HostileBase:
    """Stands for `_base` in every operation except the poisoned ones."""
    _poisons = {}

    def __init__(self, base, env):
        self._base, self._env, self._uses = base, env, collections.Counter()

    def __getattr__(self, attr):
        if attr.startswith("_"):
            raise AttributeError(attr)
        return getattr(self._base, attr)


def _poisoned(name, act, delegate):
    def method(self, *args):
        self_uses = self.__dict__.setdefault("_uses", collections.Counter())
        self_uses[name] += 1
        kind = act[0]
        if kind == "raise":
            raise HostileError(name)
        if kind == "nth" and self_uses[name] == act[1]:
            raise HostileError("%s #%d" % (name, act[1]))
        if kind == "weird":
            return WEIRD[act[1] % len(WEIRD)]()
        if kind == "rebind":
            self.__dict__["_env"].rebind(act[1], act[2])
        return delegate(self, *args)
    method.__name__ = name
    return method


def _delegating(name):
    def method(self, *args):
        return getattr(self._base, name)(*[unwrap(a) for a in args])
    method.__name__ = name
    return method


def _super_delegating(cls_base, name):
    def method(self, *args):
        return getattr(cls_base, name)(self, *args)
    return method


SUBCLASSABLE = (int, float, str, bytes, tuple, list, dict)
_class_cache = {}


def hostile_class(base_type, subclass, poisons):
    key = (base_type, subclass, poisons)
    if key in _class_cache:
        return _class_cache[key]
    ns = {}
    if subclass:
        bases = (base_type,)
        for name, act in poisons:
            if hasattr(base_type, name):
                ns[name] = _poisoned(name, act, _super_delegating(base_type, name))
        if "__eq__" in ns and "__hash__" not in ns:
            ns["__hash__"] = base_type.__hash__
        ns["_env"] = None
        cls = type("Hostile" + base_type.__name__.capitalize(), bases, ns)
    else:
        for name in DUNDERS:
            if hasattr(base_type, name) and getattr(base_type, name) is not None:
                ns[name] = _delegating(name)
        for name, act in poisons:
            if name in DUNDERS or name in METHODS:
                ns[name] = _poisoned(name, act, _delegating(name))
        cls = type("Hostile", (HostileBase,), ns)
    _class_cache[key] = cls
    return cls


def make_hostile(recipe, env):
    base = materialize(recipe.base, env)
    subclass = recipe.subclass and type(base) in SUBCLASSABLE
    if recipe.subclass and type(base) is bool:
        base, subclass = int(base), True
    cls = hostile_class(type(base), subclass, recipe.poisons)
    if subclass:
        obj = cls(base)
        obj._env = env
        return obj
    return cls(base, env)


def materialize(value, env):
    """A fresh object from a drawn value: hostile recipes become hostile objects bound to the
    module under test, containers are rebuilt so no call sees another call's mutations."""
    if isinstance(value, HostileRecipe):
        return make_hostile(value, env)
    if type(value) in (list, tuple, set, frozenset):
        return type(value)(materialize(v, env) for v in value)
    if type(value) is dict:
        return {materialize(k, env): materialize(v, env) for k, v in value.items()}
    if type(value) is bytearray:
        return bytearray(value)
    return value


class Env:
    """The module a call runs against (the compiled one or its oracle) and the rebinding of
    its globals that hostile arguments perform: resolved by name in that module, so both
    sides of a differential call see the same change."""

    def __init__(self, module, names, originals):
        self.module, self.names, self.originals = module, names, originals

    def rebind(self, index, replacement):
        if not self.names:
            return
        name = self.names[index % len(self.names)]
        d = self.module.__dict__
        kind = replacement[0]
        if kind == "delete":
            d.pop(name, None)
        elif kind == "none":
            d[name] = None
        elif kind == "int":
            d[name] = 7
        elif kind == "raiser":
            def raiser(*args, **kwargs):
                raise HostileError("rebound " + name)
            d[name] = raiser
        elif kind == "other":
            other = self.names[replacement[1] % len(self.names)]
            if other in self.originals:
                d[name] = self.originals[other]
        elif kind == "wrapper" and name in self.originals:
            original = self.originals[name]
            if callable(original):
                d[name] = lambda *a, **k: original(*a, **k)


# ---- strategies ------------------------------------------------------------------------------
EDGE_INTS = [0, 1, -1, 2, 3, 4, 7, 25, 26, 27, 52, 701, 702, 703, 18278, 18279, 1114047, 1114048,
             2 ** 31 - 1, 2 ** 31, -2 ** 31 - 1, 2 ** 53 + 1, 2 ** 63 - 1, 2 ** 63, -2 ** 63,
             -2 ** 63 - 1, 2 ** 64 - 1, 2 ** 64, 18446744073709551557, 10 ** 30, -(10 ** 30),
             2 ** 200 + 1, -(2 ** 1000), 26 ** 40]
EDGE_FLOATS = [0.0, -0.0, 0.5, 1.0, 7.0, 26.0, 27.5, -3.5, 1e300, 2.0 ** 64, float("nan"),
               float("inf"), float("-inf"), 5e-324]
EDGE_TEXTS = ["", "A", "a", "Z", "z", "@", "[", "AZ", "zz", "A1", "b7", "zz99", " c12 ", "AA0",
              "1A", "A-1", "XFD1048576", "ß1", "ﬀ3", "Ａ１", "١٢", "ǅ5", "\ud800", "a\udfff1",
              "\x00", "😀9", "İ2", "ABCDEFGHIJKLMN1", "A" + "9" * 25, "é" * 14]

ints = st.one_of(st.integers(-30, 30), st.integers(-30, 30), st.sampled_from(EDGE_INTS),
                 st.integers(-2 ** 70, 2 ** 70), st.integers())
floats = st.one_of(st.sampled_from(EDGE_FLOATS), st.floats())
surrogate_text = st.text(st.characters(blacklist_categories=()), max_size=10)
texts = st.one_of(st.sampled_from(EDGE_TEXTS), st.from_regex(r"[A-Za-z]{0,4}[0-9]{0,5}", fullmatch=True),
                  surrogate_text, st.text(max_size=6))
scalars = st.one_of(ints, st.booleans(), floats, texts, st.binary(max_size=6), st.none(),
                    st.sampled_from([NotImplemented, Ellipsis, 1j, bytearray(b"a1"), int, len]))


def containers(inner):
    return st.one_of(st.lists(inner, max_size=4), st.lists(inner, max_size=3).map(tuple),
                     st.dictionaries(st.one_of(ints, texts), inner, max_size=3),
                     st.frozensets(st.one_of(ints, texts), max_size=3))


@functools.lru_cache(maxsize=None)
def acts(nglobals):
    return st.one_of(st.just(("raise",)), st.tuples(st.just("nth"), st.integers(1, 4)),
                     st.tuples(st.just("weird"), st.integers(0, len(WEIRD) - 1)),
                     st.tuples(st.just("rebind"), st.integers(0, max(nglobals - 1, 0)),
                               st.one_of(st.sampled_from([("delete",), ("none",), ("int",),
                                                          ("raiser",), ("wrapper",)]),
                                         st.tuples(st.just("other"), st.integers(0, 50)))))


def hostiles(base, nglobals):
    poisons = st.lists(st.tuples(st.sampled_from(POISONABLE), acts(nglobals)), min_size=1,
                       max_size=3, unique_by=lambda p: p[0]).map(tuple)
    return st.builds(HostileRecipe, base, st.booleans(), poisons)


@functools.lru_cache(maxsize=None)
def values(nglobals):
    plain = st.one_of(scalars, containers(scalars))
    return st.one_of(plain, plain, hostiles(st.one_of(ints, texts, floats), nglobals),
                     containers(st.one_of(scalars, hostiles(scalars, nglobals))))


# Paths below the working directory: no absolute path, no "..", no descriptor number.
path_component = st.text(st.sampled_from("abcXYZ019_-. äß中\udc80"), min_size=1, max_size=6).filter(
    lambda c: c not in (".", ".."))
relative_paths = st.one_of(
    st.sampled_from(["w.docx", "x.xls", "x.xlsx", "t.txt", "d", "d/sub", "d/t.txt", "new.docx",
                     "new.xls", "nö.txt", "", ".", "d/", "missing/x.txt", "t.txt/x"]),
    st.lists(path_component, min_size=1, max_size=3).map("/".join))


@functools.lru_cache(maxsize=None)
def path_values(nglobals):
    # No bool and no small int: open() takes those as file descriptors.
    junk = st.one_of(st.none(), st.integers(2 ** 31, 2 ** 80), st.integers(-2 ** 80, -2 ** 31 - 1),
                     floats, st.lists(relative_paths, max_size=2))
    as_bytes = relative_paths.map(lambda p: p.encode("utf-8", "surrogateescape"))
    return st.one_of(relative_paths, relative_paths, as_bytes, junk,
                     hostiles(relative_paths, nglobals))


# ---- one call under watch ----------------------------------------------------------------------
class Timeout(BaseException):
    """The watchdog's interruption of a call that runs too long (a value, not a fault)."""


def _on_alarm(signum, frame):
    raise Timeout()


@contextlib.contextmanager
def watchdog(seconds):
    """Interrupts the body after `seconds` (again every 50 ms should a handler swallow it)."""
    if not hasattr(signal, "setitimer"):
        yield
        return
    old = signal.signal(signal.SIGALRM, _on_alarm)
    signal.setitimer(signal.ITIMER_REAL, seconds, 0.05)
    try:
        yield
    finally:
        signal.setitimer(signal.ITIMER_REAL, 0)
        signal.signal(signal.SIGALRM, old)


def outcome(func, args, kwargs, seconds):
    """("value", v) | ("raise", exception) | ("timeout", None)."""
    try:
        with watchdog(seconds):
            return ("value", func(*args, **kwargs))
    except Timeout:
        return ("timeout", None)
    except RecursionError as e:  # deep rebinding loops: a Python error like any other
        return ("raise", e)
    except Exception as e:
        return ("raise", e)


def canon(x, depth=0):
    """A comparable rendering of a result: exact types, NaN equal to NaN, dict order kept."""
    if depth > 20:
        return "..."
    t = type(x)
    if t is float:
        return ("float", "nan" if math.isnan(x) else repr(x))
    if t in (int, bool, str, bytes, type(None)):
        return (t.__name__, x)
    if t in (list, tuple):
        return (t.__name__, [canon(v, depth + 1) for v in x])
    if isinstance(x, dict):
        return (t.__name__, [(canon(k, depth + 1), canon(v, depth + 1)) for k, v in x.items()])
    if isinstance(x, BaseException):
        return (t.__name__, str(x))
    return (t.__name__,)


# ---- the working directory and real instances ------------------------------------------------
def make_documents(workdir):
    """Small real documents for the office wrappers: a Word file, an .xls and an .xlsx."""
    made = {}
    with contextlib.suppress(ImportError):
        import docx
        d = docx.Document()
        d.add_paragraph("body 0").add_run(" run")
        d.add_paragraph("body 1")
        t = d.add_table(rows=2, cols=2)
        t.cell(0, 0).text = "c00"
        section = d.sections[0]
        section.header.paragraphs[0].text = "head"
        section.footer.paragraphs[0].text = "foot"
        section.different_first_page_header_footer = True
        section.first_page_header.paragraphs[0].text = "first head"
        d.save(os.path.join(workdir, "w.docx"))
        made["docx"] = "w.docx"
    with contextlib.suppress(ImportError):
        import xlwt
        wb = xlwt.Workbook()
        ws = wb.add_sheet("S1")
        ws.write(0, 0, "a")
        ws.write(1, 1, 2.5)
        wb.add_sheet("S2").write(0, 0, 1)
        wb.save(os.path.join(workdir, "x.xls"))
        made["xls"] = "x.xls"
    with contextlib.suppress(ImportError):
        import openpyxl
        wb = openpyxl.Workbook()
        wb.active["A1"] = "v"
        wb.create_sheet("Two")["B2"] = 3
        wb.save(os.path.join(workdir, "x.xlsx"))
        made["xlsx"] = "x.xlsx"
    os.makedirs(os.path.join(workdir, "d", "sub"), exist_ok=True)
    with open(os.path.join(workdir, "t.txt"), "w", encoding="utf-8") as f:
        f.write("one\ntwo\n")
    with open(os.path.join(workdir, "d", "t.txt"), "w", encoding="utf-8") as f:
        f.write("x")
    return made


def instance_pool(documents, want=None):
    """Real instances of the package's classes: each class built with no arguments or over
    the real documents, then every getter (get_*, cells) of each instance walked, so the
    wrappers that only other wrappers make are reached too."""
    classes = {t.cls for t in all_targets() if t.cls is not None}
    pool = collections.defaultdict(list)

    def add(obj):
        if type(obj) in classes and len(pool[type(obj)]) < 8:
            pool[type(obj)].append(obj)
            return True
        return False

    opener_args = {"open_scrivbook": documents.get("docx"), "open_abacbook": documents.get("xlsx")}

    def build(cls):
        # over the real documents first, so the walk reaches their paragraphs, runs and cells
        for name, path in opener_args.items():
            if path and name in cls.__dict__:
                with contextlib.suppress(Exception):
                    add(getattr(cls, name)(path))
        if documents.get("xls") and cls.__name__ == "AbacVault":
            with contextlib.suppress(Exception):
                add(cls(documents["xls"]))
        with contextlib.suppress(Exception):
            add(cls())

    if want in classes:
        # a class that can be built directly needs no other (opening every document costs)
        build(want)
        if pool.get(want):
            return pool
    for cls in sorted(classes, key=lambda c: c.__name__):
        if cls is not want:
            build(cls)
    frontier = [o for objs in list(pool.values()) for o in objs]
    while frontier and not (want and pool.get(want)):
        obj = frontier.pop(0)
        for name, raw in type(obj).__dict__.items():
            if not is_package_function(raw) or not (name.startswith("get") or name == "cells"):
                continue
            code = raw.__code__
            if code.co_argcount - len(raw.__defaults__ or ()) != 1:
                continue
            try:
                got = getattr(obj, name)()
            except Exception:
                continue
            for item in got if isinstance(got, list) else [got]:
                if add(item):
                    frontier.append(item)
    return pool


def snapshot_tree(root):
    files = {}
    for folder, dirs, names in os.walk(root):
        for n in names:
            with open(os.path.join(folder, n), "rb") as f:
                files[os.path.relpath(os.path.join(folder, n), root)] = f.read()
        for n in dirs:
            files.setdefault(os.path.relpath(os.path.join(folder, n), root) + os.sep, None)
    return files


def restore_tree(root, files):
    for n in os.listdir(root):
        full = os.path.join(root, n)
        if os.path.isdir(full) and not os.path.islink(full):
            shutil.rmtree(full)
        else:
            os.remove(full)
    for rel, content in sorted(files.items()):
        full = os.path.join(root, rel)
        if content is None:
            os.makedirs(full, exist_ok=True)
        else:
            os.makedirs(os.path.dirname(full), exist_ok=True)
            with open(full, "wb") as f:
                f.write(content)


@contextlib.contextmanager
def working_directory():
    """A temporary directory made the working directory, and the directory of the libraries'
    own temporary files too."""
    old, old_temp = os.getcwd(), tempfile.tempdir
    with tempfile.TemporaryDirectory(prefix="tkfuzz") as d:
        d = os.path.realpath(d)
        os.chdir(d)
        tempfile.tempdir = d
        try:
            yield d
        finally:
            os.chdir(old)
            tempfile.tempdir = old_temp


# ---- the file-system guard (interpreters with audit hooks) -----------------------------------
class FsGuard:
    """Fails any file event outside the working directory while armed; reads are also allowed
    below the interpreter's own installation (libraries read their templates there)."""
    FILE_EVENTS = {"open", "os.remove", "os.rename", "os.mkdir", "os.rmdir", "os.listdir",
                   "os.scandir", "os.chmod", "os.chown", "os.symlink", "os.link", "os.truncate",
                   "os.utime", "shutil.copyfile", "shutil.copymode", "shutil.copystat",
                   "shutil.copytree", "shutil.move", "shutil.rmtree", "os.mknod"}
    WRITE_EVENTS = FILE_EVENTS - {"open", "os.listdir", "os.scandir"}
    TWO_PATH_EVENTS = {"os.rename", "os.link", "os.symlink", "shutil.copyfile", "shutil.copymode",
                       "shutil.copystat", "shutil.copytree", "shutil.move"}

    def __init__(self):
        self.root = None
        self.violations = []
        self.read_roots = sorted({os.path.realpath(p) for p in
                                  [sys.prefix, sys.base_prefix, sys.exec_prefix, "/usr/lib",
                                   "/usr/share", "/usr/local/lib"] + sys.path if p and os.path.isabs(p)})
        if hasattr(sys, "addaudithook"):
            sys.addaudithook(self._hook)

    def _hook(self, event, args):
        if self.root is None or event not in self.FILE_EVENTS:
            return
        writing = event in self.WRITE_EVENTS
        if event == "open":
            mode = args[1] if len(args) > 1 and isinstance(args[1], str) else "r"
            flags = args[2] if len(args) > 2 and isinstance(args[2], int) else 0
            writing = any(c in mode for c in "wax+") or bool(flags & (os.O_WRONLY | os.O_RDWR))
        for p in args[:2] if event in self.TWO_PATH_EVENTS else args[:1]:
            if p is None:
                continue
            if isinstance(p, int) and -1 < p < 3:
                # stdin, stdout, stderr; a higher descriptor was opened by name first (libraries
                # wrap the descriptors of their temporary files), and that open was checked
                self._refuse(event, p)
            if isinstance(p, (str, bytes, os.PathLike)):
                try:
                    # the text the callee sees: a subclass's own methods play no part
                    p = "".join([p]) if isinstance(p, str) else b"".join([p]) \
                        if isinstance(p, bytes) else os.fspath(p)
                    full = os.path.realpath(os.fsdecode(p))
                except Exception:
                    continue  # the call itself refuses this name
                if self._below(full, [self.root]):
                    continue
                if not writing and self._below(full, self.read_roots):
                    continue
                self._refuse(event, p)

    @staticmethod
    def _below(full, roots):
        return any(full == r or full.startswith(r.rstrip(os.sep) + os.sep) for r in roots)

    def _refuse(self, event, p):
        self.violations.append((event, p))
        raise PermissionError("fuzz guard: %s %r is outside the working directory" % (event, p))

    @contextlib.contextmanager
    def armed(self, root):
        self.root = root
        try:
            yield
        finally:
            self.root = None


_guard = None


def guard():
    global _guard
    if _guard is None:
        _guard = FsGuard()
    return _guard


# ---- stand-ins in place ----------------------------------------------------------------------
@contextlib.contextmanager
def standins(module, use_real=False, log=None):
    """The module's os, shutil, wx, tk and tkhlp replaced by recorders (os and shutil kept
    real on request); every global, whatever a call rebinds, restored afterwards."""
    saved = dict(module.__dict__)
    for n in STANDIN_GLOBALS:
        if n in module.__dict__ and not (use_real and n in REAL_ALLOWED):
            module.__dict__[n] = Recorder(n, log)
    try:
        yield dict(module.__dict__)
    finally:
        module.__dict__.clear()
        module.__dict__.update(saved)


def pool_with_standins(documents, log=None, want=None):
    """The instance pool, with every module's stand-ins in place while it is built (no real
    window is ever made); with `want`, only until it holds an instance of that class."""
    with contextlib.ExitStack() as stack:
        for m in public_modules_cached():
            stack.enter_context(standins(m, log=log))
        return instance_pool(documents, want)


# ---- the fuzzing session ---------------------------------------------------------------------
SETTINGS = dict(deadline=None, database=None, derandomize=True, print_blob=False,
                suppress_health_check=list(HealthCheck))


class Fault(AssertionError):
    pass


class Session:
    """Fuzzes the targets of one module; counts calls and outcomes."""
    TIMEOUT = 0.25
    ORACLE_TIMEOUT = 1.0

    def __init__(self, module, workdir):
        self.module = module
        self.workdir = workdir
        self.targets = targets_of(module)
        self.oracle = oracle_for(module)
        self.globals_names = sorted(n for n in vars(module) if not n.startswith("__"))
        self.standin_names = [n for n in STANDIN_GLOBALS if n in vars(module)]
        self.documents = make_documents(workdir)
        self.tree = snapshot_tree(workdir)
        self.counts = collections.Counter()
        self.errors = collections.Counter()
        self.faults = []

    # A call runs with the module's globals as they were, the stand-ins swapped in, and
    # everything restored afterwards whatever the call rebound.
    standins = staticmethod(lambda module, use_real=False: standins(module, use_real))

    def pool(self):
        if not hasattr(self, "_pool"):
            self._pool = pool_with_standins(self.documents)
        return self._pool

    def draw_call(self, target, data):
        """Positional and keyword arguments: mostly a valid shape, sometimes any shape."""
        n = len(target.params)
        nglobals = len(self.globals_names)

        def arg(name):
            strategy = path_values(nglobals) if is_path_param(name) else values(nglobals)
            return data.draw(strategy, label=name)

        valid = data.draw(st.sampled_from([True] * 9 + [False]), label="valid shape")
        if valid:
            npos = data.draw(st.integers(target.required, n), label="npos") if n else 0
            args = [arg(p) for p in target.params[:npos]]
            kwargs = {}
            if target.keywords_ok:
                for p in target.params[npos:]:
                    if data.draw(st.booleans(), label="kw " + p):
                        kwargs[p] = arg(p)
                # a required parameter left out is not a valid shape any more
                valid = all(p in kwargs for p in target.params[npos:target.required])
        else:
            npos = data.draw(st.integers(0, n + 2), label="npos")
            args = [arg("x%d" % i) if i >= n else arg(target.params[i]) for i in range(npos)]
            names = data.draw(st.lists(st.sampled_from(target.params + ["bogus", "self", "cls"]),
                                       max_size=3, unique=True), label="keywords")
            kwargs = {k: arg(k) for k in names}
        return args, kwargs, valid

    def bound_callable(self, target, data, module):
        """What to call: the function, class or class method itself, or a method bound to a
        real instance (or, sometimes, unbound with any object as self)."""
        if target.kind == "function":
            return getattr(module, target.name), []
        if target.kind == "class":
            return target.cls, []
        if target.kind == "classmethod":
            on = data.draw(st.sampled_from(["class", "instance"]), label="via")
            instances = self.pool().get(target.cls, [])
            if on == "instance" and instances:
                return getattr(instances[0], target.name), []
            return getattr(target.cls, target.name), []
        instances = self.pool().get(target.cls, [])
        if instances and data.draw(st.integers(0, 4), label="self kind") > 0:
            obj = data.draw(st.sampled_from(instances), label="self")
            return getattr(obj, target.name), []
        pool_all = [o for objs in self.pool().values() for o in objs]
        self_value = data.draw(st.one_of(values(0), st.sampled_from(pool_all or [None])), label="self")
        return target.function, [self_value]

    def run_one(self, target, data):
        restore_tree(self.workdir, self.tree)  # every call starts from the same files
        use_real = bool(self.standin_names) and all(n in REAL_ALLOWED for n in self.standin_names) \
            and data.draw(st.booleans(), label="real os")
        func, leading = self.bound_callable(target, data, self.module)
        args, kwargs, valid = self.draw_call(target, data)
        compare = self.oracle is not None and valid and target.kind == "function" \
            and hasattr(self.oracle, target.name)
        env = Env(self.module, self.globals_names, dict(vars(self.module)))
        with self.standins(self.module, use_real) as originals:
            env.originals = originals
            call_args = [materialize(a, env) for a in leading + args]
            call_kwargs = {k: materialize(v, env) for k, v in kwargs.items()}
            random.seed(1234)
            guard().violations.clear()
            with guard().armed(self.workdir):
                got = outcome(func, call_args, call_kwargs, self.TIMEOUT)
            state = random.getstate()
            rebound = self.snapshot_globals(self.module)
        self.counts["calls"] += 1
        self.counts[got[0]] += 1
        if got[0] == "raise":
            self.errors[type(got[1]).__name__] += 1
        if got[0] == "raise" and isinstance(got[1], SystemError):
            self.fault(target, args, kwargs, "SystemError: %s" % got[1])
        if guard().violations:
            self.fault(target, args, kwargs, "file system touched: %r" % guard().violations)
        if compare and got[0] != "timeout":
            self.compare(target, args, kwargs, got, state, rebound)

    def snapshot_globals(self, module):
        return {n: type(v).__name__ for n, v in vars(module).items()
                if not n.startswith("__") and n in self.globals_names}

    def compare(self, target, args, kwargs, got, state, rebound):
        oracle = self.oracle
        env = Env(oracle, self.globals_names, dict(vars(oracle)))
        saved = dict(oracle.__dict__)
        try:
            call_args = [materialize(a, env) for a in args]
            call_kwargs = {k: materialize(v, env) for k, v in kwargs.items()}
            random.seed(1234)
            want = outcome(getattr(oracle, target.name), call_args, call_kwargs, self.ORACLE_TIMEOUT)
            want_state = random.getstate()
            want_rebound = self.snapshot_globals(oracle)
        finally:
            oracle.__dict__.clear()
            oracle.__dict__.update(saved)
        if want[0] == "timeout":
            self.counts["oracle timeout"] += 1
            return
        self.counts["compared"] += 1
        if got[0] != want[0] or canon(got[1]) != canon(want[1]):
            self.fault(target, args, kwargs, "compiled %s %r, plain Python %s %r" % (
                got[0], canon(got[1]), want[0], canon(want[1])))
        elif state != want_state:
            self.fault(target, args, kwargs, "the shared random generator differs")
        elif {n: rebound.get(n) for n in want_rebound} != want_rebound:
            self.fault(target, args, kwargs, "hostile arguments rebound globals differently")

    def fault(self, target, args, kwargs, what):
        self.faults.append("%s(*%r, **%r): %s" % (target.qualname, args, kwargs, what))
        raise Fault(self.faults[-1])

    def fuzz(self, target, examples, seed=0):
        """Runs `examples` drawn calls of one target (derandomized: the same calls each run)."""
        from hypothesis import given, seed as hseed

        @settings(max_examples=examples, **SETTINGS)
        @hseed(seed)
        @given(st.data())
        def run(data):
            self.run_one(target, data)

        # The watchdog may interrupt a library's finaliser (a ZipFile closed by the collector),
        # and a library object left half-made by drawn arguments may fail in its finaliser (a
        # ZipFile over bytes): the interpreter reports that as unraisable, which is no outcome
        # of the call. Such objects sit in cycles with their exception: collect them here.
        hook = getattr(sys, "unraisablehook", None)
        if hook:
            sys.unraisablehook = lambda unraisable: None
        try:
            run()
        finally:
            if hook:
                gc.collect()
                sys.unraisablehook = hook


def fuzz_module(module, examples, seed=0, keep_going=False):
    """Fuzzes every target of `module`; returns the session. The first fault stops the run
    unless `keep_going`, which notes it in session.faults and moves on to the next target."""
    with working_directory() as workdir:
        session = Session(module, workdir)
        for target in session.targets:
            session.counts["callables"] += 1
            try:
                session.fuzz(target, examples, seed)
            except Exception as e:
                if not keep_going:
                    raise
                if not session.faults or not session.faults[-1].startswith(target.qualname):
                    session.faults.append("%s: %s: %s" % (target.qualname, type(e).__name__, e))
        return session
