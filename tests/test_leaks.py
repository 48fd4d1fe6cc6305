"""Reference and memory leaks: every public callable, on a call that succeeds and on one that
raises, run many times, leaves the traced memory, the interpreter's block count and the
reference counts of its arguments where they were."""
import gc
import random
import sys
import time
import tracemalloc
import warnings

import pytest

import fuzzkit
import support

ROUNDS, WARM_UP = 3, 20
# Calls per round: as many as fit in a fraction of a second, at least 30 (a document opened
# and saved costs milliseconds, a cell conversion microseconds); a quick run makes a third of
# two thirds of that, which still outgrows the constant cost of a round (some 4 blocks).
FULL_ROUNDS = (30, 300, 0.05)
MIN_CALLS, MAX_CALLS, ROUND_SECONDS = (20, 100, 0.02) if support.QUICK else FULL_ROUNDS
# A leaked object grows every round by one block a call (or, for a large one, by its bytes);
# the libraries' caches (lxml keeps the tag names it has seen) and free lists fill up by less
# and shrink from round to round.
BLOCKS_A_CALL, BYTES_A_CALL = 1 / 3, 128
# What a library keeps of each call by itself, measured on the library alone: openpyxl's
# Workbook() leaves about 1.5 objects behind (copies of its default font parse XML, and the tag
# texts stay), so every call that makes a workbook grows by that much with or without us
# (some 100 bytes a call, 450 under the sanitizers' plain malloc).
LIBRARY_KEEPS = {"tallowkit.office.excel.openpyxl.abacbook": (2, 600)}
# Before that the parser's cache of tag texts is still filling: on 32-bit builds it kept 4 to 7
# blocks a workbook over the first hundred calls and fell below one after some 300, so making
# their instances warms up for longer.
LIBRARY_WARM_UP = {"tallowkit.office.excel.openpyxl.abacbook": 300}

TARGETS = fuzzkit.all_targets()


def fresh_text(s):
    return "".join(list(s))  # a new, uninterned object whose count only the call can change


def candidates(name):
    if fuzzkit.is_path_param(name):
        return [fresh_text(p) for p in ("t.txt", "d", "w.docx", "x.xls", "x.xlsx", "new.txt")] + [None]
    return [1, fresh_text("AB12"), 2, 28, fresh_text("Sheet"), 10 ** 20 + 1, None, True, 0.5,
            [1, 2], fresh_text("x"), b"a1", -3]


def callable_of(target, pool):
    """What the target is called through; for a method, bound to the first real instance."""
    if target.kind == "method":
        instances = pool.get(target.cls, [])
        return getattr(instances[0], target.name) if instances else None
    if target.kind == "classmethod":
        return getattr(target.cls, target.name)
    if target.kind == "class":
        return target.cls
    return getattr(target.module, target.name)


def find_cases(target, func):
    """The first argument tuple that returns and the first that raises inside the body,
    among tuples tried in a fixed order; a wrong argument count stands in for the error if
    none raises."""
    lists = [candidates(p) for p in target.params]
    rng = random.Random(0)
    tries = [tuple(c[0] for c in lists[:target.required])]
    tries += [tuple(rng.choice(c) for c in lists[:rng.randint(target.required, len(lists))])
              for _ in range(250)]
    cases, seen = {}, set()
    for args in tries:
        if tuple(map(id, args)) in seen:
            continue
        seen.add(tuple(map(id, args)))
        kind, value = fuzzkit.outcome(func, list(args), {}, 1.0)
        if kind == "raise" and isinstance(value, TypeError) and "positional argument" in str(value):
            continue
        if kind in ("value", "raise") and kind not in cases:
            cases[kind] = args
        if len(cases) == 2:
            break
    cases.setdefault("raise", (None,) * (len(target.params) + 1))
    return cases


def growth(make_callable, args, control=False, warm_up=WARM_UP,
           sizes=(MIN_CALLS, MAX_CALLS, ROUND_SECONDS)):
    """Growth of traced bytes, blocks and each argument's reference count, round by round.
    A method runs on a fresh instance each round, dropped before counting: what a library
    object rightly keeps (a sheet added to its workbook) goes with it, a leak stays."""
    def run(n):
        func = make_callable()
        start = time.perf_counter()
        for _ in range(n):
            try:
                func(*args)
            except Exception:
                pass
        return (time.perf_counter() - start) / max(n, 1)
    per_call = run(warm_up)
    least, most, seconds = sizes
    calls = max(least, min(most, int(seconds / max(per_call, 1e-9))))
    def grown(n):
        refs = [sys.getrefcount(a) for a in args]
        settle()
        traced, blocks = tracemalloc.get_traced_memory()[0], sys.getallocatedblocks()
        run(n)
        settle()
        after = [sys.getrefcount(a) for a in args]
        return (tracemalloc.get_traced_memory()[0] - traced, sys.getallocatedblocks() - blocks,
                [a - r for a, r in zip(after, refs)])

    rounds = []
    for _ in range(ROUNDS):
        # the same round without calls: what making the instance costs is not a leak
        base = grown(0) if control else (0, 0, [])
        t, b, refs = grown(calls)
        rounds.append((t - base[0], b - base[1], refs))
    return calls, rounds


# The interpreter's attribute cache keeps a reference to each name it was last asked for, in
# up to 4,096 slots chosen (before 3.12) by the name's address: a library that looks names up
# from texts made for the call (exceptions' attributes, PyObject_GetAttrString) fills it over
# thousands of calls, a bounded growth that a slow round of few calls takes for a leak.
clear_caches = getattr(sys, "_clear_internal_caches", None) or sys._clear_type_cache


def settle():
    clear_caches()
    gc.collect()


def steady(per_round, limit):
    """A leak grows by the same amount every round; a cache filling up grows by less and less
    (openpyxl's parser keeps each new tag name it meets, round after round)."""
    return all(g > limit for g in per_round) and per_round[-1] >= 0.75 * per_round[0]


@pytest.fixture(scope="module")
def workdir():
    with fuzzkit.working_directory() as d:
        documents = fuzzkit.make_documents(d)
        yield d, documents, fuzzkit.snapshot_tree(d)


@pytest.fixture
def quiet_unraisable():
    # Libraries' __del__ errors (a ZipFile left open by a failed save) and warnings (3.6 warns
    # of the "rU" mode on every read) would be kept by pytest's hooks and counted as growth;
    # the interpreter's own hook and an ignored warning keep nothing.
    hook = getattr(sys, "unraisablehook", None)
    if hook:
        sys.unraisablehook = lambda unraisable: None
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")
        yield
    if hook:
        sys.unraisablehook = hook


@pytest.mark.parametrize("target", TARGETS, ids=lambda t: t.qualname[len("tallowkit."):])
def test_no_leak_on_success_or_error(target, workdir, quiet_unraisable):
    # io and window modules act on stand-ins that keep no log, so nothing grows but leaks.
    nolog = fuzzkit.Recorder.NoLog()
    root, documents, files = workdir
    fuzzkit.restore_tree(root, files)
    with fuzzkit.standins(target.module, log=nolog):
        pool = fuzzkit.pool_with_standins(documents, log=nolog, want=target.cls)
        func = callable_of(target, pool)
        if func is None:
            pytest.skip("no instance of %s could be made here" % target.cls.__name__)
        if target.kind == "method":
            def make_callable():
                return callable_of(target, fuzzkit.pool_with_standins(
                    documents, log=nolog, want=target.cls))
        else:
            def make_callable():
                return func
        cases = find_cases(target, func)
        warm_up = WARM_UP if target.kind == "method" else \
            LIBRARY_WARM_UP.get(target.module.__name__, WARM_UP)
        # What lives now is left out of every collection, which then only walks the calls'
        # own garbage (a full collection of the test session's heap costs far more).
        gc.collect()
        if hasattr(gc, "freeze"):
            gc.freeze()
        tracemalloc.start()
        try:
            blocks, bytes_ = LIBRARY_KEEPS.get(target.module.__name__, (0, 0))

            def measure(args, *sizes):
                calls, rounds = growth(make_callable, list(args), target.kind == "method",
                                       warm_up, *sizes)
                leaked = steady([t for t, _, _ in rounds], calls * (BYTES_A_CALL + bytes_)) or \
                    steady([b for _, b, _ in rounds], calls * (BLOCKS_A_CALL + blocks))
                return leaked, rounds

            for kind, args in sorted(cases.items()):
                leaked, rounds = measure(args)
                if leaked:
                    # a leak grows again on a second look, of full-sized rounds; a busy
                    # machine's one-off growth (a cache refilled after a pause) does not, nor
                    # does a cache that fills over many calls, which the short rounds of a
                    # quick run would take for one
                    leaked, rounds = measure(args, FULL_ROUNDS)
                assert not leaked, "%s case %r leaks: %r" % (kind, args, rounds)
                for i, a in enumerate(args):
                    if a is None or type(a) is bool or type(a) is int and -5 <= a <= 256:
                        continue  # shared by everything: its count moves with the whole process
                    assert all(r[2][i] == 0 for r in rounds[1:]), (
                        "%s case: argument %d (%r) gains references: %r" % (kind, i, a, rounds))
        finally:
            tracemalloc.stop()
            if hasattr(gc, "unfreeze"):
                gc.unfreeze()


def test_the_check_sees_leaks():
    kept = []

    def leaks_an_object(x):
        kept.append(object())

    def keeps_its_argument(x):
        kept.append(x)

    argument = fresh_text("arg")
    tracemalloc.start()
    try:
        calls, rounds = growth(lambda: leaks_an_object, [argument])
        # each call keeps one bare object (16 bytes on 64-bit builds, 8 on 32-bit) and a list slot
        assert steady([t for t, _, _ in rounds], calls * sys.getsizeof(object()))
        calls, rounds = growth(lambda: keeps_its_argument, [argument])
        assert all(r == [calls] for _, _, r in rounds)
    finally:
        tracemalloc.stop()
