"""Threads: the pure functions give from several threads what they give serially, a module
global rebound by another thread during a call gives the old or the new behaviour, and other
threads run while a long call works."""
import collections
import gc
import importlib
import os
import subprocess
import sys
import threading
import time

import pytest

import fuzzkit

THREADS = 4


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

    def body(i):
        try:
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


@pytest.mark.parametrize("name", ["tallowkit.math.prime", "tallowkit.cvt.cellnote"])
def test_concurrent_calls_equal_serial_ones(name):
    module = module_or_skip(name)
    calls = pure_calls(module)
    assert calls
    serial = [rendered(n, *fuzzkit.outcome(f, a, {}, 5)) for n, f, a in calls]

    def work(i):
        order = list(range(len(calls)))[i::THREADS] + list(range(len(calls)))
        got = {}
        for k in order:
            n, f, a = calls[k]
            try:
                got[k] = rendered(n, "value", f(*a))
            except Exception as e:
                got[k] = rendered(n, "raise", e)
        return got
    for got in run_threads(work):
        assert [got[k] for k in range(len(calls))] == serial


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
