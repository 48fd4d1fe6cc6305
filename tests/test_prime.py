"""tallowkit.math.prime against a plain-Python rendering of the same algorithms (tests/oracles):
results, result types, exceptions, dict order and the shared random generator's state."""
import itertools
import math
import random
import signal
import sys
import traceback

import pytest
from hypothesis import given, settings, strategies as st

import tallowkit.math.prime as prime
from oracles import prime_oracle as oracle
from oracles.reference_primes import (is_probable_prime, next_probable_prime,
                                      products_near_the_roots_of, rho_walk)

# Floats reach random.randint and math.factorial exactly as in the rendering; newer interpreters
# warn about that, and the warning is theirs.
pytestmark = pytest.mark.filterwarnings("ignore::DeprecationWarning")

NAMES = [n for n in dir(oracle) if callable(getattr(oracle, n)) and not n.startswith("_")
         and getattr(oracle, n).__module__ == oracle.__name__]


def shape(x):
    """A value with its exact type, container order and float spelling made comparable."""
    if isinstance(x, dict):
        return type(x), [(shape(k), shape(v)) for k, v in x.items()]
    if isinstance(x, (list, tuple)):
        return type(x), [shape(v) for v in x]
    if isinstance(x, float):
        return float, repr(x)
    return type(x), x


def generator_state(seed):
    random.seed(seed)
    return random.getstate()


STATES = [generator_state(seed) for seed in range(6)]


def outcome(fn, args, seed):
    random.setstate(STATES[seed])
    try:
        result = ("returned", shape(fn(*args)))
    except Exception as e:  # every failure is compared, type and message
        result = ("raised", type(e), str(e))
    return result, random.getstate()


def same(name, *args, **kw):
    seed = kw.get("seed", 0)
    got = outcome(getattr(prime, name), args, seed)
    want = outcome(getattr(oracle, name), args, seed)
    assert got == want, (name, args)
    return got[0]


# ---- inputs the rendering finishes quickly on ------------------------------------------------
# Bounds and counts that end the loops quickly; then a few more for single calls.
odd_small = st.sampled_from([None, "7", [7], 7.0, 7.5, -3.0, 0.0, float("nan"), True, False])
odd_values = st.one_of(odd_small, st.sampled_from([b"7", float("inf"), 2 ** 1030]))
small = st.integers(-30, 3000)
# Large ints with a small factor (trial division stops early) or too large for a float.
large = st.one_of(st.builds(lambda f, m: f * m, st.integers(2, 60), st.integers(2 ** 50, 2 ** 90)),
                  st.integers(2 ** 1024, 2 ** 1030), st.integers(-2 ** 90, -1))
quick_n = st.one_of(small, st.integers(3000, 10 ** 7), large, odd_values)
any_int = st.one_of(st.integers(-2 ** 70, 2 ** 70), st.integers(-3, 3), st.integers(-2 ** 200, 2 ** 200))


# How large an int each function gets before the rendering would take too long.
CAPS = {"factorial": 400, "wilson_top": 400, "wilson": 400, "get_max_prime": 2 ** 36,
        "get_next_prime": 10 ** 9, "get_pre_prime": 10 ** 9,
        "prime_factors_list_cleaner_sorted": 10 ** 7}


# Where the native fast paths end: each side of the 32-, 60-, 62-, 63- and 64-bit limits, both
# signs (all of these have a small factor or are small, so the rendering answers quickly).
BOUNDARIES = sorted({sign * (2 ** bits + step) for bits in (31, 32, 60, 62, 63, 64)
                     for step in (-1, 0, 1) for sign in (1, -1)} | set(range(-2, 6)))


@pytest.mark.parametrize("name", ["is_prime", "is_composite", "is_odd", "is_even",
                                  "get_max_even", "get_max_odd", "miller_rabin_prime_check"])
def test_native_range_boundaries(name):
    for n in BOUNDARIES:
        same(name, n)


# The factorial table ends at 20! and the gathered enumeration at 2**32: both sides of each.
@pytest.mark.parametrize("call", [(name, n) for name in ("factorial", "wilson_top", "wilson")
                                  for n in list(range(-3, 25)) + [True, False]] +
                         [("get_all_primes", 2 ** 32 - 80, 2 ** 32 + 80),
                          ("get_all_primes", 2 ** 32 - 80, 2 ** 32 - 1)])
def test_native_table_edges(call):
    same(*call)


@settings(max_examples=400, deadline=None)
@given(st.sampled_from(["is_prime", "is_composite", "is_odd", "is_even", "get_max_prime",
                        "get_max_even", "get_max_odd", "get_next_prime", "get_pre_prime",
                        "miller_rabin_prime_check", "wilson", "factorial", "wilson_top",
                        "prime_factors_list_cleaner_sorted"]),
       quick_n, st.integers(0, 3))
def test_one_argument_functions(name, n, seed):
    if name in CAPS and type(n) is int and abs(n) > CAPS[name]:
        n = n % CAPS[name]
    same(name, n, seed=seed)


@settings(max_examples=150, deadline=None)
@given(st.one_of(st.integers(-5, 3000), st.sampled_from([4.0, 9.0, 17.0, None, "x", True])))
def test_max_composite_and_position(n):
    same("get_max_composite", n)
    same("get_prime_position", n)
    same("get_left_ed_prime", n)


@settings(max_examples=300, deadline=None)
@given(st.sampled_from(["get_all_primes", "get_all_composites", "get_all_evens", "get_all_odds"]),
       st.one_of(st.integers(-40, 3000), st.integers(10 ** 9, 10 ** 12), odd_values),
       st.one_of(st.integers(-5, 400), odd_small))
def test_range_enumerations(name, minn, width):
    maxn = minn + width if isinstance(minn, int) and isinstance(width, int) else width
    if type(minn) is int and type(width) is int and minn > 10 ** 8 and name in ("get_all_primes", "get_all_composites"):
        maxn = minn + width % 12
    same(name, minn, maxn)


@settings(max_examples=200, deadline=None)
@given(st.one_of(st.integers(-5, 10 ** 6), odd_values), st.one_of(st.integers(-3, 25), odd_small))
def test_next_primes(start, count):
    same("get_next_primes", start, count)


@settings(max_examples=200, deadline=None)
@given(st.one_of(st.integers(-5, 3000), st.integers(10 ** 6, 10 ** 7), odd_small),
       st.one_of(st.integers(-2, 40), st.sampled_from([2.5, None, "3"])))
def test_ed_primes(n, nmax):
    same("get_ed_primes", n, nmax)
    same("get_ed_primes", n) if isinstance(n, int) and n < 5000 else None


@settings(max_examples=200, deadline=None)
@given(st.one_of(st.integers(-60, 3000), odd_small), st.integers(-10, 400),
       st.one_of(st.integers(-2, 60), st.sampled_from([2.5, None])))
def test_right_ed_prime(p, width, countmax):
    nmax = p + width if isinstance(p, int) else width
    same("get_right_ed_prime", p, nmax, countmax)


@settings(max_examples=200, deadline=None)
@given(st.one_of(st.integers(-20, 10 ** 5), odd_small),
       st.one_of(st.integers(-12, 40), st.sampled_from([2.0, 3.0, None])),
       st.one_of(st.integers(-2, 8), st.sampled_from([1.5, None])))
def test_near_primes(p, even_span, count):
    same("get_near_primes", p, even_span, count)


@settings(max_examples=60, deadline=None)
@given(st.one_of(st.integers(-3, 150), st.sampled_from([2.0, None, "3", True])))
def test_products_of_primes(length):
    same("get_mul_prime", length)
    same("get_all_mul_primes", length)


@settings(max_examples=500, deadline=None)
@given(st.one_of(any_int, odd_values), st.one_of(any_int, odd_values),
       st.one_of(any_int, st.integers(1, 2 ** 64), odd_values))
def test_modular_arithmetic(a, b, n):
    same("gcd", a, b)
    if isinstance(b, int) and b > 2 ** 80:
        b = b % 2 ** 80  # one round per bit in the rendering
    same("mod_mul", a, b, n)
    same("mod_exp", a, b, n)


@settings(max_examples=300, deadline=None)
@given(st.one_of(st.integers(-20, 10 ** 6), st.integers(2 ** 60, 2 ** 130), odd_values),
       st.integers(0, 5))
def test_miller_rabin(n, seed):
    same("miller_rabin_prime_check", n, seed=seed)


@settings(max_examples=200, deadline=None)
@given(st.one_of(st.integers(-3, 5000), st.sampled_from([None, 6.0, "9"])),
       st.one_of(st.integers(-2 ** 70, 2 ** 70), st.sampled_from([1.5, None])), st.integers(0, 5))
def test_pollard_rho(x, c, seed):
    same("pollard_rho", x, c, seed=seed)


small_primes = st.sampled_from([p for p in range(2, 3000) if oracle.is_prime(p)])


@settings(max_examples=150, deadline=None)
@given(st.lists(small_primes, min_size=0, max_size=6), st.integers(0, 5))
def test_factorisation(factors, seed):
    n = 1
    for f in factors:
        n *= f
    for name in ("prime_factors_list_generator", "prime_factors_list_cleaner",
                 "prime_factors_list_cleaner_sorted"):
        same(name, n, seed=seed)


@settings(max_examples=25, deadline=None)
@given(st.integers(2 ** 17, 2 ** 20), st.integers(2 ** 17, 2 ** 20), st.integers(2, 1000),
       st.integers(0, 5))
def test_factorisation_of_wider_numbers(a, b, small, seed):
    """Walks of a thousand steps and more, on numbers of 40 and 64 bits; and walks of many
    thousand steps, which go on in pieces with other threads let in, against the same walk in
    plain Python (the rendering's would take seconds)."""
    p, q = oracle.get_next_prime(a), oracle.get_next_prime(b)
    same("prime_factors_list_cleaner_sorted", p * q, seed=seed)
    same("pollard_rho", small * (2 ** 63 + 2 * a + 1), b, seed=seed)
    same("pollard_rho", p * q, small, seed=seed)
    x = next_probable_prime(a << 7) * next_probable_prime(b << 7)
    random.setstate(STATES[seed])
    walked = rho_walk(x, small, random.randint(0, x))[0], random.getstate()
    random.setstate(STATES[seed])
    assert (prime.pollard_rho(x, small), random.getstate()) == walked


# ---- large inputs: the answers that trial division would give, without running it ----------
@settings(max_examples=300, deadline=None)
@given(st.integers(2 ** 26, 2 ** 40), st.integers(0, 3000), st.integers(-1, 2))
def test_is_prime_of_large_products(base, gap, shape_kind):
    """Trial division stops at floor(sqrt(float(n))), which is below isqrt(n) for some n above
    2**53: then a product of two primes above that bound counts as prime."""
    p = next_probable_prime(base)
    q = next_probable_prime(p + gap) if shape_kind >= 0 else p
    n = p * q if shape_kind != 2 else p
    bound = math.floor(math.sqrt(n))
    smallest = min(p, q) if n != p else n
    assert prime.is_prime(n) is (smallest > bound)
    assert prime.is_composite(n) is not (smallest > bound)


def test_is_prime_near_the_float_precision_limit():
    """The bound is the interpreter's floor(sqrt(n)) on a float rounded to double: extended
    precision kept sqrt(float(p * p)) below p and called such squares prime."""
    wrong = []
    for p, n in products_near_the_roots_of([2 ** 53, 2 ** 62, 2 ** 63]):
        passes = p > math.floor(math.sqrt(n))
        if (prime.is_prime(n), prime.is_composite(n)) != (passes, not passes):
            wrong.append(n)
    assert wrong == []


@pytest.mark.parametrize("n", [2 ** 61 - 1, 10 ** 12 + 39, 3 * 10 ** 24 + 1, 3 * 10 ** 24 + 7,
                               (2 ** 31 - 1) * (2 ** 47 - 115), 18446744073709551557,
                               18446744073709551557 * 1000003, 2 ** 64 + 13])
def test_is_prime_of_large_values(n):
    assert prime.is_prime(n) is is_probable_prime(n)


@pytest.mark.parametrize("n", [2 ** 52 + 1, 2 ** 53 + 5, 2 ** 60, 2 ** 62 - 3, 2 ** 62 + 5,
                               2 ** 64 - 100])
def test_neighbouring_primes_where_float_roots_are_inexact(n):
    assert prime.get_next_prime(n) == next_probable_prime(n + 1)
    assert prime.get_pre_prime(n) == next(m for m in range(n - 1, 1, -1) if is_probable_prime(m))
    if not is_probable_prime(n):
        assert prime.get_prime_position(n) is None


def test_enumerations_go_on_past_the_native_range():
    def primes_from(n, count):
        found = []
        while len(found) < count:
            n = next_probable_prime(n + 1)
            found.append(n)
        return found
    start = 2 ** 62 - 100
    assert prime.get_next_primes(start, 4) == primes_from(start, 4)
    below = 2 ** 60 - 93     # a prime; its neighbours lie beyond 2**60
    assert prime.get_near_primes(below, 0, 3) == [[p, p] for p in [below] + primes_from(below, 2)]


def prime_counts_upto(limit):
    """pi(v) for every v <= limit, by a plain sieve (the rendering would take hours here)."""
    sieve = bytearray([1]) * (limit + 1)
    sieve[0:2] = b"\0\0"
    for p in range(2, int(limit ** 0.5) + 1):
        if sieve[p]:
            sieve[p * p::p] = bytes(len(range(p * p, limit + 1, p)))
    counts, running = [], 0
    for flag in sieve:
        running += flag
        counts.append(running)
    return sieve, counts


def test_wide_ranges_against_a_plain_sieve():
    """Positions below 2**22 are looked up, above it counted; both must be pi(p) for a prime p.
    Wide ranges are sieved in pieces (with other threads let in between pieces): the values
    come out whole and in order, for every enumeration that sieves."""
    limit = 2 ** 22 + 400
    sieve, counts = prime_counts_upto(limit)
    rng = random.Random(7)
    values = list(range(2 ** 22 - 300, limit + 1)) + [rng.randrange(limit) for _ in range(3000)]
    for p in values:
        assert prime.get_prime_position(p) == (counts[p] if sieve[p] else None), p
    primes = list(itertools.compress(range(limit + 1), sieve))
    lo = 3 * 10 ** 6
    flip = bytes([1, 0]) + bytes(254)
    composites = itertools.compress(range(lo, limit + 1), sieve[lo:].translate(flip))
    assert prime.get_all_primes(0, limit) == primes
    assert prime.get_all_primes(lo + 1, limit) == primes[counts[lo]:]
    assert prime.get_all_composites(lo, limit) == list(composites)
    assert prime.get_next_primes(1000, 100000) == primes[counts[1000]:counts[1000] + 100000]
    p = 10 ** 6 + 1
    assert prime.get_left_ed_prime(p) == {(p - l) // 2: [l, p, (p + l) // 2]
                                          for l in reversed(primes[1:counts[p]])}


# ---- the frame: signatures, names, tracebacks ----------------------------------------------
DOCUMENTED_VARS = {
    "is_prime": ("n", "i"), "get_all_primes": ("minn", "maxn", "result", "i"),
    "get_next_primes": ("start_prime", "count", "cntu", "ps", "lp", "p"),
    "get_ed_primes": ("n", "nmax", "d", "l", "r", "ps", "count"),
    "get_right_ed_prime": ("p", "nmax", "countmax", "count", "d", "n", "ps", "r"),
    "get_left_ed_prime": ("p", "d", "n", "l", "ps"),
    "get_near_primes": ("p", "even_span", "count", "result"),
    "get_all_mul_primes": ("count", "pps", "ps", "i", "pp", "j"),
    "miller_rabin_prime_check": ("n", "k", "u", "s", "i", "x", "pre", "j"),
    "pollard_rho": ("x", "c", "i", "k", "x0", "y", "d"),
    "prime_factors_list_cleaner_sorted": ("n", "d", "ks", "nd", "k"),
}


@pytest.mark.parametrize("name", NAMES)
def test_function_objects(name):
    f, g = getattr(prime, name), getattr(oracle, name)
    assert (f.__name__, f.__qualname__, f.__module__) == (name, name, "tallowkit.math.prime")
    assert f.__defaults__ == g.__defaults__
    assert f.__code__.co_argcount == g.__code__.co_argcount
    assert f.__code__.co_varnames[:f.__code__.co_argcount] == g.__code__.co_varnames[:g.__code__.co_argcount]
    if name in DOCUMENTED_VARS:
        assert f.__code__.co_varnames == DOCUMENTED_VARS[name]
    if sys.version_info < (3, 13):  # later compilers dedent the rendering's docstrings
        assert f.__doc__ == g.__doc__


def test_module_body_order():
    assert [n for n in prime.__dict__ if not n.startswith("__")] == \
        [n for n in oracle.__dict__ if not n.startswith("__")]


@pytest.mark.parametrize("call, message", [
    (lambda: prime.is_prime(n=5), "is_prime() takes no keyword arguments"),
    (lambda: prime.get_all_primes(1), "get_all_primes() takes exactly 2 positional arguments (1 given)"),
    (lambda: prime.get_mul_prime(1, 2), "get_mul_prime() takes at most 1 positional argument (2 given)"),
    (lambda: prime.gcd(1, 2, a=3), "gcd() got multiple values for keyword argument 'a'"),
    (lambda: prime.get_near_primes(3, span=2), "get_near_primes() got an unexpected keyword argument 'span'"),
])
def test_argument_errors(call, message):
    with pytest.raises(TypeError) as info:
        call()
    assert str(info.value) == message


def test_keywords_by_parameter_name():
    assert prime.get_near_primes(count=3, p=3) == [[3, 5], [5, 7], [11, 13]]
    assert prime.mod_exp(n=1000, b=10, a=2) == 24


def test_traceback_names_every_function_passed():
    with pytest.raises(ValueError) as info:
        prime.get_next_primes(0, 2)
    entries = traceback.extract_tb(info.value.__traceback__)[-2:]
    assert [(e.name, e.filename) for e in entries] == [
        ("tallowkit.math.prime.get_next_primes", "prime.cpp"),
        ("tallowkit.math.prime.get_next_prime", "prime.cpp")]
    with pytest.raises(ZeroDivisionError) as info:
        prime.mod_exp(3, 5, 0)
    assert [e.name for e in traceback.extract_tb(info.value.__traceback__)[-2:]] == [
        "tallowkit.math.prime.mod_exp", "tallowkit.math.prime.mod_mul"]


# ---- globals are looked up at call time ---------------------------------------------------
class Recorder:
    """Stands in for a module, recording the calls made through it."""

    def __init__(self, real, log):
        self._real, self._log = real, log

    def __getattr__(self, attr):
        def recorded(*args):
            self._log.append((attr,) + args)
            return getattr(self._real, attr)(*args)
        return recorded


def both_patched(monkeypatch, name, make):
    for module in (prime, oracle):
        monkeypatch.setattr(module, name, make(module))


@pytest.mark.parametrize("name, make, calls", [
    ("is_prime", lambda m: lambda n: n % 3 == 1,
     [("get_all_primes", 0, 20), ("get_next_primes", 5, 4), ("get_ed_primes", 10), ("is_composite", 10),
      ("get_max_prime", 9), ("get_prime_position", 7), ("wilson", 4), ("get_near_primes", 4, 6, 2)]),
    ("is_composite", lambda m: lambda n: n > 5, [("get_all_composites", 0, 9), ("get_max_composite", 9)]),
    ("is_even", lambda m: lambda n: n % 3 == 0, [("get_all_evens", 0, 9), ("get_max_even", 7)]),
    ("is_odd", lambda m: lambda n: n % 3 == 0, [("get_all_odds", 0, 9), ("get_max_odd", 7)]),
    ("get_next_prime", lambda m: lambda n: n + 2, [("get_next_primes", 1, 4), ("get_mul_prime", 4)]),
    ("get_next_primes", lambda m: lambda s, c: [7] * c, [("get_all_mul_primes", 3)]),
    ("mod_mul", lambda m: lambda a, b, n: (a * b + 1) % n,
     [("mod_exp", 3, 5, 11), ("miller_rabin_prime_check", 97), ("pollard_rho", 91, 1)]),
    ("gcd", lambda m: lambda a, b: 7, [("pollard_rho", 91, 1)]),
    ("miller_rabin_prime_check", lambda m: lambda n: n % 2 == 1 or n == 2, [("prime_factors_list_generator", 2 * 3 * 101)]),
    ("math", lambda m: Recorder(math, []), [("is_prime", 97), ("get_all_primes", 0, 30), ("wilson", 7),
                                            ("factorial", 5), ("wilson_top", 20)]),
    ("Counter", lambda m: list, [("prime_factors_list_cleaner", 12)]),
])
def test_rebinding_a_global_changes_its_users(monkeypatch, name, make, calls):
    both_patched(monkeypatch, name, make)
    for call in calls:
        same(*call)


def test_the_random_generator_is_reached_through_the_global(monkeypatch):
    logs = {}
    for module in (prime, oracle):
        logs[module] = []
        monkeypatch.setattr(module, "random", Recorder(random, logs[module]))
    for n in (97, 2 ** 61 - 1, 91, 1000003 * 999983, 360, -13, 252601):   # and a Carmichael number
        same("miller_rabin_prime_check", n)
        same("prime_factors_list_cleaner_sorted", n)
    same("pollard_rho", 8051, 1)
    assert logs[prime] == logs[oracle]
    assert logs[prime][:2] == [("seed", 0), ("randint", 2, 96)]


@pytest.mark.parametrize("module, attr, value", [
    (math, "sqrt", lambda x: 2.0), (math, "floor", lambda x: 3),
    (random, "randint", lambda a, b: b), (random, "seed", lambda s: None),
    (math, "factorial", lambda n: n * 1000)])
def test_patched_library_functions_are_used(monkeypatch, module, attr, value):
    for call in (("factorial", 5), ("wilson_top", 5)):   # once before, with the originals
        same(*call)
    monkeypatch.setattr(module, attr, value)
    calls = [("is_prime", 97), ("is_prime", 10 ** 12 + 39), ("get_all_primes", 0, 50),
             ("factorial", 5), ("wilson_top", 5), ("wilson", 7),
             ("get_next_prime", 10 ** 9), ("miller_rabin_prime_check", 10 ** 9 + 7),
             ("pollard_rho", 8051, 3)]
    if attr != "randint":  # fixed draws can keep the factorisation from ever finding a factor
        calls.append(("prime_factors_list_cleaner_sorted", 2 * 7 * 8051))
    for call in calls:
        same(*call)


def test_a_deleted_global_is_a_name_error(monkeypatch):
    monkeypatch.delattr(prime, "is_prime")
    with pytest.raises(NameError, match="name 'is_prime' is not defined"):
        prime.get_all_primes(0, 10)


@pytest.mark.skipif(not hasattr(signal, "setitimer"), reason="needs interval timers")
@pytest.mark.parametrize("call", [lambda: prime.get_max_composite(4.5),
                                  lambda: prime.get_near_primes(3, 2, float("inf")),
                                  lambda: prime.get_right_ed_prime(0, 10 ** 18, 10 ** 18),
                                  lambda: prime.pollard_rho(2 ** 61 - 1, 1),
                                  lambda: prime.get_prime_position(10 ** 15 + 37),
                                  lambda: prime.get_prime_position(2 ** 52 + 21)])
def test_endless_loops_answer_ctrl_c(call):
    caught = []

    def interrupt(*_):
        if not caught:
            raise KeyboardInterrupt
    old = signal.signal(signal.SIGALRM, interrupt)
    # Repeating: a signal that lands in a finaliser is lost there, as in any Python loop.
    # Once one is caught the later ones do nothing, however slow the run (sanitizers).
    signal.setitimer(signal.ITIMER_REAL, 0.3, 0.3)
    try:
        try:
            call()
        except KeyboardInterrupt:
            caught.append(True)
    except KeyboardInterrupt:  # the next signal landed before the first was noted
        caught.append(True)
    finally:
        signal.setitimer(signal.ITIMER_REAL, 0)
        signal.signal(signal.SIGALRM, old)
    assert caught
