"""Threads: the functions give from eight threads at once what they give serially, while
another thread rebinds module globals and voids the lookup caches; a module global rebound by
another thread during a call gives the old or the new behaviour; and other threads run while a
long call works. On interpreters without the GIL the threads really run at once, and importing
the package leaves the GIL off.

TALLOWKIT_STRESS=<passes> makes each thread go over its calls that many times (default 1)."""
import builtins
import collections
import gc
import importlib
import os
import subprocess
import sys
import sysconfig
import tempfile
import threading
import time
import types

import pytest

import fuzzkit

THREADS = 8
PASSES = int(os.environ.get("TALLOWKIT_STRESS", "1"))
FREE_THREADED = bool(sysconfig.get_config_var("Py_GIL_DISABLED"))


def module_or_skip(name):
    try:
        return importlib.import_module(name)
    except ImportError:
        pytest.skip(name + " is not built here")


@pytest.fixture(autouse=True)
def frequent_switches():
    # The interpreter hands the lock over at every chance, so calls interleave as much as
    # they can.
    old = sys.getswitchinterval()
    sys.setswitchinterval(1e-6)
    yield
    sys.setswitchinterval(old)


def run_threads(work, n=THREADS):
    results, errors = [None] * n, []
    # every thread starts its work together: started one by one (slowly, under a sanitizer),
    # the first could be done before the last begins
    start = threading.Barrier(n)

    def body(i):
        try:
            start.wait(60)
            results[i] = work(i)
        except BaseException as e:  # reported below, with its thread
            errors.append((i, e))
    # Garbage left by earlier tests dies here, on the main thread: a toolkit window (a Tk root
    # is a reference cycle) must not be torn down by a collection on a worker thread.
    gc.collect()
    threads = [threading.Thread(target=body, args=(i,)) for i in range(n)]
    for t in threads:
        t.start()
    for t in threads:
        t.join(60)
    assert not any(t.is_alive() for t in threads)
    assert not errors, errors
    return results


# Calls whose result depends on nothing but their arguments. The factorisations draw from the
# shared random generator, which the other threads move: their factors may come in another
# order (and a Counter's keys with them), so they are compared as multisets; pollard_rho
# returns whichever factor its draws find and is left out.
UNORDERED = ("prime_factors_list_generator", "prime_factors_list_cleaner")
LEFT_OUT = ("pollard_rho",)


def pure_calls(module):
    """Every public function on a fixed set of small arguments, kept where the call returns
    quickly when made alone."""
    values = [0, 1, 2, 3, 7, 12, 28, 97, 360, 703, 1000, -5, 2.0, "B7", "zz12", "AB", "a"]
    calls = []
    for t in fuzzkit.targets_of(module):
        if t.kind != "function" or t.name in LEFT_OUT:
            continue
        func = getattr(module, t.name)
        for k in range(0, len(values), max(1, len(t.params))):
            args = [values[(k + j) % len(values)] for j in range(len(t.params))]
            kind, value = fuzzkit.outcome(func, args, {}, 0.2)
            if kind != "timeout":
                calls.append((t.name, func, args))
    return calls


def rendered(name, kind, value):
    if kind == "value" and name in UNORDERED and isinstance(value, (list, dict)):
        return kind, type(value).__name__, sorted(map(repr, value.items() if isinstance(value, dict) else value))
    return kind, fuzzkit.canon(value)


def io_calls(base):
    """Every function of the file, path and directory modules, in an order that uses what the
    earlier ones made, on paths below `base` (one thread's own directory)."""
    f = module_or_skip("tallowkit.io.file")
    d = module_or_skip("tallowkit.io.directory")
    p = module_or_skip("tallowkit.io.path")
    j = os.path.join
    a, b, c = j(base, "a.txt"), j(base, "b.txt"), j(base, "c.txt")
    sub, copy, moved = j(base, "sub"), j(base, "copy"), j(base, "moved")
    return [
        ("make_dir", d.make_dir, [sub]), ("exist_dir", d.exist_dir, [sub]),
        ("get_dir", d.get_dir, [j(base, "got")]), ("make_file", f.make_file, [a]),
        ("create_file", f.create_file, [j(sub, "new.txt")]),
        ("write_all_text", f.write_all_text, [a, "one\ntwo\n"]),
        ("append_all_text", f.append_all_text, [a, "three\n"]),
        ("read_all_text", f.read_all_text, [a]), ("read_all_lines", f.read_all_lines, [a]),
        ("read_one_line", f.read_one_line, [a, 1]),
        ("write_all_lines", f.write_all_lines, [b, ["x", "y"]]),
        ("append_all_lines", f.append_all_lines, [b, ["z"]]),
        ("read_all_lines", f.read_all_lines, [b]), ("copy_file", f.copy_file, [a, c]),
        ("rename_file", f.rename_file, [c, j(sub, "c.txt")]),
        ("move_file", f.move_file, [b, j(sub, "b.txt")]),
        ("list_dir", d.list_dir, [sub]), ("copy_dir", d.copy_dir, [sub, copy]),
        ("copy_dir", d.copy_dir, [sub, sub]), ("move_dir", d.move_dir, [copy, moved]),
        ("rename_dir", d.rename_dir, [moved, copy]), ("list_dir", d.list_dir, [copy]),
        ("path_add_endsep", p.path_add_endsep, [base]),
        ("path_remove_endsep", p.path_remove_endsep, [base + os.sep]),
        ("get_path_parent_path", p.get_path_parent_path, [j(sub, "b.txt"), "sub"]),
        ("get_sub_path_file", p.get_sub_path_file, [base, "deep/x.txt"]),
        ("get_sub_path_dir", p.get_sub_path_dir, [base, "deeper"]),
        ("get_home", p.get_home, []), ("get_home_desktop", p.get_home_desktop, []),
        ("delete_file", f.delete_file, [a]), ("read_all_text", f.read_all_text, [a]),
        ("delete_dir", d.delete_dir, [j(base, "deeper")]),
        ("exist_dir", d.exist_dir, [j(base, "deeper")]),
    ]


def io_outcomes(base):
    """The outcomes of io_calls(base), with `base` written as <base> and listings sorted."""
    got = []
    for n, f, a in io_calls(base):
        try:
            kind, value = "value", f(*a)
            if n == "list_dir":
                value = sorted(value)
        except Exception as e:
            kind, value = "raise", e
        got.append(repr(rendered(n, kind, value)).replace(base, "<base>"))
    return got


def stand_in(function):
    """A Python function that calls `function`: its results, and fast paths step aside."""
    return lambda *args: function(*args)


class Churn(threading.Thread):
    """Until stopped: rebinds each package function among the modules' globals to a stand-in
    and back, and sets and deletes a name in each module, in builtins and in each module they
    import, which voids every lookup cache of every thread."""

    def __init__(self, modules):
        super().__init__()
        self.stop = threading.Event()
        self.functions = [(m, n, v) for m in modules for n, v in sorted(vars(m).items())
                          if fuzzkit.is_package_function(v)]
        self.spaces = list(modules) + [builtins] + [v for m in modules for v in vars(m).values()
                                                    if isinstance(v, types.ModuleType)]
        self.rounds = 0

    def run(self):
        while not self.stop.is_set():
            for m, n, v in self.functions:
                setattr(m, n, stand_in(v))
                for space in self.spaces:
                    setattr(space, "_tallowkit_churn", n)
                    delattr(space, "_tallowkit_churn")
                setattr(m, n, v)
            self.rounds += 1

    def __enter__(self):
        self.start()
        return self

    def __exit__(self, *exc):
        self.stop.set()
        self.join()
        for m, n, v in self.functions:  # (a failure above may have left a stand-in)
            setattr(m, n, v)


@pytest.mark.parametrize("name", ["tallowkit.base.platform", "tallowkit.math.prime",
                                  "tallowkit.cvt.cellnote", "io"])
def test_concurrent_calls_equal_serial_ones(name, tmp_path):
    """Each of eight threads makes every call, starting at its own place in the list, and
    gets exactly what one thread alone got; files and directories each in a directory of
    its own."""
    if name == "io":
        modules = [module_or_skip("tallowkit.io." + m) for m in ("file", "directory", "path")]
        # a file in every directory: delete_dir's removedirs never climbs above its own
        (tmp_path / "keep").write_text("")
        bases = []
        for i in range(THREADS + 1):
            bases.append(str(tmp_path / ("thread%d" % i)))
            os.mkdir(bases[-1])
            open(os.path.join(bases[-1], "keep"), "w").close()
        serial = io_outcomes(bases[THREADS])

        def passes(i):
            for k in range(PASSES):
                base = os.path.join(bases[i], "pass%d" % k)
                os.mkdir(base)
                open(os.path.join(base, "keep"), "w").close()
                yield io_outcomes(base)
    else:
        modules = [module_or_skip(name)]
        calls = pure_calls(modules[0])
        assert calls
        serial = [rendered(n, *fuzzkit.outcome(f, a, {}, 5)) for n, f, a in calls]

        def passes(i):
            for _ in range(PASSES):
                start = i * len(calls) // THREADS
                order = list(range(start, len(calls))) + list(range(start))
                got = {}
                for k in order:
                    n, f, a = calls[k]
                    try:
                        got[k] = rendered(n, "value", f(*a))
                    except Exception as e:
                        got[k] = rendered(n, "raise", e)
                yield [got[k] for k in range(len(calls))]

    with Churn(modules) as churn:
        results = run_threads(lambda i: list(passes(i)))
    for got in results:
        assert got == [serial] * PASSES
    assert churn.rounds or not churn.functions


@pytest.mark.skipif(not FREE_THREADED, reason="this interpreter has the GIL")
def test_the_gil_stays_off():
    """Every module declares that it runs without the GIL: importing them all (in a process
    of their own, where nothing else has turned it on) leaves it off."""
    script = ("import importlib, pkgutil, sys, tallowkit\n"
              "for m in pkgutil.walk_packages(tallowkit.__path__, 'tallowkit.'):\n"
              "    try:\n"
              "        importlib.import_module(m.name)\n"
              "    except ImportError:\n"
              "        pass\n"
              "print(len(sys.modules), sys._is_gil_enabled())\n")
    done = subprocess.run([sys.executable, "-c", script], stdout=subprocess.PIPE,
                          universal_newlines=True,
                          env=dict(os.environ, PYTHONPATH=os.pathsep.join(sys.path)))
    assert done.returncode == 0 and done.stdout.split()[1:] == ["False"], done.stdout


@pytest.mark.parametrize("name", ["tallowkit.math.prime", "tallowkit.cvt.cellnote"])
def test_globals_rebound_from_another_thread_mid_call(name):
    module = module_or_skip(name)
    saved = dict(vars(module))
    if name.endswith("prime"):
        original = module.is_prime
        old = lambda n: original(n)  # noqa: E731 - a Python function, so calls hand the lock over
        new = lambda n: n % 2 == 1  # noqa: E731
        global_name = "is_prime"

        def long_call():
            return module.get_all_primes(0, 3000)

        def check(result):
            assert all(original(n) or n % 2 == 1 for n in result)
    else:
        original = module.cvt_a_to_one
        old = lambda s: original(s)  # noqa: E731
        new = lambda s: -1  # noqa: E731
        global_name = "cvt_a_to_one"

        def long_call():
            return [module.cvt_a1_to_r1c1(a1) for a1 in ["ab%d" % i for i in range(1, 400)]]

        def check(result):
            assert all(col in (28, -1) and row == i for i, (row, col) in enumerate(result, 1))
    stop = threading.Event()
    outcomes = collections.Counter()

    def rebinder():
        k = 0
        while not stop.is_set():
            k += 1
            if k % 7 == 0:
                vars(module).pop(global_name, None)  # a missing name is a NameError, no crash
            else:
                setattr(module, global_name, new if k % 2 else old)

    counting = threading.Lock()  # `+=` on a shared Counter is not atomic across threads

    def caller(i):
        for _ in range(15):
            try:
                check(long_call())
                outcome = "value"
            except NameError:
                outcome = "NameError"
            with counting:
                outcomes[outcome] += 1
        return True

    flipper = threading.Thread(target=rebinder)
    flipper.start()
    try:
        run_threads(caller, 3)
    finally:
        stop.set()
        flipper.join()
        vars(module).clear()
        vars(module).update(saved)
    # every call ended in a value or a NameError (how many of each depends on the thread
    # switches: on a slow interpreter a deletion may meet every call)
    assert sum(outcomes.values()) == 3 * 15
    check(long_call())


@pytest.mark.parametrize("call", [
    lambda prime: prime.get_all_primes(0, 3 * 10 ** 7),        # sieved without the lock
    lambda prime: prime.get_prime_position(10 ** 10 + 19),     # counted without the lock
    lambda prime: prime.get_all_evens(0, 10 ** 7)])            # built with it, let go now and then
def test_other_threads_run_during_a_long_call(call):
    prime = module_or_skip("tallowkit.math.prime")
    ticks, running = [], threading.Event()
    running.set()

    def ticker():
        while running.is_set():
            ticks.append(None)
            time.sleep(0.001)
    thread = threading.Thread(target=ticker)
    thread.start()
    while not ticks:
        time.sleep(0.001)
    try:
        before = len(ticks)
        call(prime)
        during = len(ticks) - before
    finally:
        running.clear()
        thread.join()
    # held for the whole call, the lock would have let the ticker in once at most
    assert during >= 3


def test_objects_are_made_only_with_the_lock_held():
    """The interpreter's debug allocator stops the process when an object is allocated by a
    thread that does not hold the lock: every call here lets it go around its native work."""
    module_or_skip("tallowkit.math.prime")
    code = "\n".join([
        "import tallowkit.math.prime as p",
        "p.get_all_primes(10 ** 6, 2 * 10 ** 6)",
        "p.get_all_composites(0, 300000)",
        "p.get_next_primes(1, 40000)",
        "p.get_left_ed_prime(300007)",
        "p.get_prime_position(10 ** 9 + 7)",
        "p.pollard_rho(1073741827 * 1073741831, 1)"])   # a walk of many thousand steps
    done = subprocess.run([sys.executable, "-c", code], env=dict(os.environ, PYTHONMALLOC="debug"),
                          stderr=subprocess.PIPE, universal_newlines=True)
    assert done.returncode == 0, done.stderr[-2000:]
