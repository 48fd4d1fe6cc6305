"""The number-theory kernels in src/native, built as a C++ test program and compared with
references written here in plain Python (big-integer arithmetic, no shared code)."""
import math
import os
import random
import shutil
import subprocess
import sys
from pathlib import Path

import pytest
from hypothesis import given, settings, strategies as st

from oracles.reference_primes import PSI13, is_probable_prime, products_near_the_roots_of, rho_walk

# The kernels know nothing of the interpreter: the interpreter matrix leaves them to the main run.
pytestmark = pytest.mark.skipif(bool(os.environ.get("TALLOWKIT_MATRIX")),
                                reason="the kernels are tested once, on the main interpreter")

ROOT = Path(__file__).resolve().parent.parent
TOP = 2**64 - 1
PSI12 = 318665857834031151167461        # first strong pseudoprime to the first 12 prime bases


@pytest.fixture(scope="module")
def programs(tmp_path_factory):
    """Configures and builds both test programs (with and without unsigned __int128), or takes
    them from TALLOWKIT_NATIVE_TEST_PROGRAMS, a build tree made beforehand (by a cross-compiler)."""
    suffix = ".exe" if os.name == "nt" else ""
    prebuilt = os.environ.get("TALLOWKIT_NATIVE_TEST_PROGRAMS")
    build = Path(prebuilt or os.environ.get("TALLOWKIT_NATIVE_TEST_BUILD")
                 or tmp_path_factory.mktemp("native"))
    programs = {kind: build / ("tallowkit_native_tests" + extra + suffix)
                for kind, extra in (("int128", ""), ("portable", "_portable"))}
    if prebuilt:
        return programs
    missing = [tool for tool in ("cmake", "g++") if shutil.which(tool) is None]
    if missing:
        pytest.skip("building the kernel tests needs %s" % " and ".join(missing))
    # a tree configured before (the coverage build's, say) keeps its generator and build type
    fresh = [] if (build / "CMakeCache.txt").exists() else \
        ["-DCMAKE_BUILD_TYPE=Release"] + (["-G", "Ninja"] if shutil.which("ninja") else [])
    subprocess.run(["cmake", "-S", str(ROOT), "-B", str(build), *fresh,
                    "-DPython_EXECUTABLE=" + sys.executable, "-DTALLOWKIT_NATIVE_TESTS=ON"],
                   check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", str(build), "--parallel", "2", "--target",
                    "tallowkit_native_tests", "tallowkit_native_tests_portable"],
                   check=True, stdout=subprocess.DEVNULL)
    return programs


def ask(program, queries):
    """Answers of the program's --eval mode, one per query."""
    done = subprocess.run([str(program), "--eval"], input="\n".join(queries) + "\n",
                          stdout=subprocess.PIPE, universal_newlines=True, check=True)
    answers = done.stdout.splitlines()
    assert len(answers) == len(queries)
    return answers


# ---- references ----

def is_prime(n):
    """Exact below PSI13: the first 13 prime bases admit no strong pseudoprime there."""
    assert n < PSI13
    return is_probable_prime(n)


def carmichael_numbers(count, bits, rng):
    """Chernick's (6k+1)(12k+1)(18k+1) with three prime factors, of about the given size."""
    found = []
    k = rng.randrange(1, 2 ** ((bits - 8) // 3))
    while len(found) < count:
        k += 1
        factors = (6 * k + 1, 12 * k + 1, 18 * k + 1)
        if all(is_prime(f) for f in factors):
            found.append(factors[0] * factors[1] * factors[2])
    return found


# ---- tests ----

@pytest.mark.parametrize("kind", ["int128", "portable"])
def test_self_checks_pass(programs, kind):
    done = subprocess.run([str(programs[kind])], stdout=subprocess.PIPE, universal_newlines=True)
    assert done.returncode == 0, done.stdout[-3000:]
    assert done.stdout.rstrip().endswith(" 0 failed")


def interesting_numbers():
    rng = random.Random(7)
    numbers = [0, 1, 2, 3, 4, TOP, TOP - 58, 2**64, 2**64 + 13, PSI12, PSI13 - 2, PSI13 - 1]
    numbers += [2**32 + j for j in range(-300, 300)]
    numbers += [2**63 + j for j in range(-300, 300)]
    numbers += [TOP - j for j in range(600)]
    numbers += [2**64 + j for j in range(600)]
    numbers += [rng.getrandbits(rng.randrange(2, 65)) for _ in range(2000)]
    numbers += [rng.randrange(2**64, PSI13) for _ in range(1000)]
    numbers += carmichael_numbers(5, 62, rng) + carmichael_numbers(5, 78, rng)
    # Products of two primes of similar size, the hardest composites for a probable-prime test.
    for bits in (20, 31, 32, 33, 39, 40):
        for _ in range(30):
            p, q = (next(n for n in iter(lambda: rng.getrandbits(bits) | 1, None) if is_prime(n))
                    for _ in range(2))
            numbers.append(p * q)
    return numbers


@pytest.mark.parametrize("kind", ["int128", "portable"])
def test_primality_matches_the_reference(programs, kind):
    numbers = interesting_numbers()
    answers = ask(programs[kind], ["isprime %d" % n for n in numbers])
    expected = ["1" if is_prime(n) else "0" for n in numbers]
    wrong = [(n, a) for n, a, e in zip(numbers, answers, expected) if a != e]
    assert wrong == []


@pytest.mark.parametrize("kind", ["int128", "portable"])
def test_trial_bound_is_the_interpreters(programs, kind):
    """floor(sqrt(float(n))) with float(n) rounded to double, past 64 bits too."""
    rng = random.Random(5)
    numbers = [n for _, n in products_near_the_roots_of([2**53, 2**62, 2**63, 2**64, 2**100])]
    numbers += [rng.getrandbits(rng.randrange(50, 127)) for _ in range(2000)]
    answers = ask(programs[kind], ["bound %d" % n for n in numbers])
    wrong = [(n, a) for n, a in zip(numbers, answers) if a != str(math.floor(math.sqrt(n)))]
    assert wrong == []


def test_wide_test_refuses_the_unproven_range(programs):
    assert ask(programs["int128"], ["isprime %d" % n for n in (PSI13, PSI13 + 2, 2**127)]) == ["out"] * 3


@settings(max_examples=25, deadline=None)
@given(lo=st.one_of(st.integers(0, 10**6), st.integers(0, TOP), st.integers(TOP - 10**5, TOP)),
       width=st.one_of(st.integers(0, 3000), st.integers(0, 200000)))
def test_primes_of_a_range(programs, lo, width):
    hi = min(lo + width, TOP)
    answers = ask(programs["int128"], ["primes %d %d" % (lo, hi), "count %d %d" % (lo, hi)])
    if width <= 3000 or lo < 10**7:
        expected = [n for n in range(lo, hi + 1) if is_prime(n)]
        assert answers[0].split() == [str(p) for p in expected]
        assert answers[1] == str(len(expected))
    else:   # only the sieve's own consistency, the reference being too slow there
        assert answers[1] == str(len(answers[0].split()))


@settings(max_examples=40, deadline=None)
@given(n=st.one_of(st.integers(0, 1000), st.integers(0, TOP), st.integers(TOP - 2000, TOP)))
def test_next_and_previous_prime(programs, n):
    nxt, prev = ask(programs["int128"], ["next %d" % n, "prev %d" % n])
    after = next((m for m in range(n + 1, 2**64) if is_prime(m)), None)
    before = next((m for m in range(n - 1, 1, -1) if is_prime(m)), None)
    assert nxt == ("none" if after is None else str(after))
    assert prev == ("none" if before is None else str(before))


def test_prime_counts(programs):
    known = {0: 0, 1: 0, 2: 1, 10: 4, 999983: 78498, 2**22 - 1: 295947, 2**22: 295947,
             10**8: 5761455, 10**11: 4118054813}
    answers = ask(programs["int128"], ["pi %d" % n for n in known])
    assert answers == [str(v) for v in known.values()]


@settings(max_examples=60, deadline=None)
@given(a=st.integers(0, TOP), b=st.integers(0, TOP),
       m=st.one_of(st.integers(1, 64), st.integers(1, TOP),
                   st.builds(lambda odd, s: (odd | 1) << s % 64 & TOP or 1,
                             st.integers(1, TOP), st.integers(1, 63))))
def test_modular_products_and_powers(programs, a, b, m):
    answers = ask(programs["portable"], ["mulmod %d %d %d" % (a, b, m), "powmod %d %d %d" % (a, b, m)])
    assert answers == [str(a * b % m), str(pow(a, b, m))]


def rho_cases():
    rng = random.Random(11)
    cases = []
    for _ in range(300):
        shape = rng.randrange(5)
        if shape == 0:
            x = rng.randrange(1, 400)
        elif shape == 1:
            x = rng.getrandbits(64) or 1
        elif shape == 2:
            x = rng.randrange(2**63, 2**64)
        else:   # a semiprime whose smaller factor the walk finds in a few thousand steps
            p = next(n for n in iter(lambda: rng.getrandbits(20) | 1, None) if is_prime(n))
            x = p * (rng.getrandbits(40) | 1)
        c = rng.choice([0, 1, rng.randrange(x + 1), rng.getrandbits(64)])
        x0 = rng.choice([0, x, rng.randrange(x + 1)])
        cases.append((x, c, x0, 20000))
    return cases


@pytest.mark.parametrize("kind", ["int128", "portable"])
def test_rho_walk_matches_the_python_walk(programs, kind):
    cases = rho_cases()
    queries = ["%s %d %d %d %d" % (op, *case) for case in cases for op in ("rho", "rhoplain")]
    answers = ask(programs[kind], queries)
    for j, case in enumerate(cases):
        result, i = rho_walk(*case)
        expected = "%s %d" % ("none" if result is None else result, i)
        assert answers[2 * j: 2 * j + 2] == [expected, expected], case
