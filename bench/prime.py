"""Speed of tallowkit.math.prime beside the plain-Python rendering of its algorithms and the best
peer (gmpy2, sympy, the interpreter's builtins), all measured in this one process.

    python bench/prime.py [--quick | --full]

Prints one row per workload: the time of one run in each column, the ratio tallowkit / peer,
the speed-up over the rendering, and the target. Columns whose library is missing are left
empty; a run that takes longer than the time limit is shown as "> limit". --quick (the
default) leaves out the rendering where it needs more than a few seconds and measures the
memory of get_all_primes(0, 10**7); --full measures everything, memory at 10**8.
"""
import argparse
import array
import contextlib
import functools
import gc
import importlib
import importlib.util
import math
import operator
import os
import random
import signal
import subprocess
import sys
import textwrap
import threading
import timeit
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
SECONDS_PER_CELL = 0.15      # measuring time spent on each repeat of a cell


class TooSlow(Exception):
    pass


@contextlib.contextmanager
def time_limit(seconds):
    """Raises TooSlow in the running code after `seconds` (where the platform has timers)."""
    if not hasattr(signal, "setitimer") or threading.current_thread() is not threading.main_thread():
        yield
        return

    def expire(signum, frame):
        raise TooSlow()

    previous = signal.signal(signal.SIGALRM, expire)
    signal.setitimer(signal.ITIMER_REAL, seconds)
    try:
        yield
    finally:
        signal.setitimer(signal.ITIMER_REAL, 0)
        signal.signal(signal.SIGALRM, previous)


def per_run(cell, limit):
    """Best seconds for one execution of the cell's statement, or None when over the limit.
    A cell whose names include `fresh` runs fresh() before every execution (a peer's caches
    emptied; a statement that calls it itself names how in `fresh_stmt`), and the best time of
    the fresh() calls alone is subtracted."""
    stmt, env = cell
    fresh = env.get("fresh")
    own_calls = "fresh_stmt" in env
    timer = timeit.Timer(("fresh()\n" if fresh and not own_calls else "") + stmt, globals=env)
    try:
        with time_limit(limit):
            first = timer.timeit(1)
        if first > SECONDS_PER_CELL:
            return first
        number = max(1, int(SECONDS_PER_CELL / max(first, 1e-7)))
        with time_limit(limit + 10 * SECONDS_PER_CELL):
            best = min(timer.repeat(repeat=3, number=number)) / number
            if fresh:
                reset = timeit.Timer(env.get("fresh_stmt", "fresh()"), globals=env)
                best -= min(reset.repeat(repeat=3, number=number)) / number
            return best
    except TooSlow:
        return None


def sympy_fresh(sympy):
    """Empties what sympy remembers between calls: its factor cache and its prime sieve, so that
    every repeat does the same work."""
    cache = getattr(getattr(getattr(sympy, "ntheory", None), "factor_", None), "factor_cache", None)

    def fresh():
        if cache is not None:
            cache.cache_clear()
        sympy.sieve._reset()
    return fresh


def optional_module(name):
    try:
        return importlib.import_module(name)
    except ImportError:
        return None


def load_test_module(name):
    path = ROOT / "tests" / "oracles" / (name + ".py")
    if not path.exists():
        return None
    spec = importlib.util.spec_from_file_location(name, str(path))
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    return module


def load_rendering():
    return load_test_module("prime_oracle")


# Plain references, made without any of the measured libraries: inputs and step counts.
references = load_test_module("reference_primes")
probable_prime = references.is_probable_prime


# ---- inputs, made without any of the measured libraries ----

def random_prime(rng, bits):
    while True:
        n = rng.getrandbits(bits) | (1 << (bits - 1)) | 1
        if probable_prime(n):
            return n


def first_primes(count):
    found, n = [], 2
    while len(found) < count:
        if probable_prime(n):
            found.append(n)
        n += 1
    return found


def primes_upto(n):
    flags = bytearray([1]) * (n + 1)
    flags[:2] = b"\0\0"
    for p in range(2, math.isqrt(n) + 1 if hasattr(math, "isqrt") else int(n ** 0.5) + 1):
        if flags[p]:
            flags[p * p::p] = bytes(len(range(p * p, n + 1, p)))
    return [i for i, f in enumerate(flags) if f]


# ---- the same loops as the module's, around gmpy2.is_prime ----

def ed_primes_loop(is_prime, n, nmax=1000):
    d = 0
    l, r = n - d, n + d
    ps, count = {}, 0
    while l > 1 and count < nmax:
        if is_prime(l) and is_prime(r):
            ps[d] = [l, r]
            count += 1
        d += 1
        l, r = n - d, n + d
    return ps


def near_primes_loop(is_prime, p, even_span=2, count=1):
    result = []
    while count > 0:
        if is_prime(p) and is_prime(p + even_span):
            result.append([p, p + even_span])
            count -= 1
        p += 1
    return result


# ---- the table ----

class Row:
    def __init__(self, name, tk=None, py=None, peer=None, peer_max=None, py_min=None):
        self.name, self.tk, self.py, self.peer = name, tk, py, peer   # peer: (label, stmt, env)
        self.peer_max, self.py_min = peer_max, py_min


def call(function, args_text):
    """A cell calling `function` with the literal arguments, through a global named f."""
    return None if function is None else ("f(%s)" % args_text, {"f": function})


def batch(function, items, args_text="n"):
    if function is None:
        return None
    return ("for n in items: f(%s)" % args_text, {"f": function, "items": items})


def attribute(module, name):
    return getattr(module, name, None) if module is not None else None


SEMIPRIMES = {}   # bits -> the semiprimes of the factorisation rows


def build_rows(tk, py, gmpy2, sympy, full):
    rng = random.Random(2024)
    fresh = sympy and sympy_fresh(sympy)
    T = lambda name: attribute(tk, name)
    P = lambda name: attribute(py, name)
    rows = []

    rows.append(Row("is_odd(7)", call(T("is_odd"), "7"), call(P("is_odd"), "7"),
                    ("abs(-7)", "abs(-7)", {}), peer_max=1.5))
    rows.append(Row("gcd(12, 8)", call(T("gcd"), "12, 8"), call(P("gcd"), "12, 8"),
                    ("math.gcd", "g(12, 8)", {"g": math.gcd}),
                    peer_max=2.5 if sys.version_info < (3, 8) else 2.0))

    gmpy_is_prime = attribute(gmpy2, "is_prime")
    batches = [
        ("64-bit primes x64", [random_prime(rng, 64) for _ in range(64)], False),
        ("64-bit semiprimes x64", [random_prime(rng, 32) * random_prime(rng, 32) for _ in range(64)], False),
        ("run 1e9 x256", list(range(10**9, 10**9 + 256)), True),
        ("run 1e12 x64", list(range(10**12, 10**12 + 64)), True),
        ("run 2^63 x256", list(range(2**63, 2**63 + 256)), False),
    ]
    for label, items, rendering in batches:
        rows.append(Row("is_prime, " + label, batch(T("is_prime"), items),
                        batch(P("is_prime"), items) if rendering else None,
                        gmpy_is_prime and ("gmpy2.is_prime",) + batch(gmpy_is_prime, items),
                        peer_max=1.25, py_min=5000 if "1e12" in label else None))

    for n in (10**4, 10**5, 10**6):
        listed = array.array("q", primes_upto(n))
        rows.append(Row("get_all_primes(0, %.0e)" % n, call(T("get_all_primes"), "0, %d" % n),
                        call(P("get_all_primes"), "0, %d" % n) if full or n <= 10**5 else None,
                        ("array.tolist()", "a.tolist()", {"a": listed}), peer_max=4.0))
    rows.append(Row("get_prime_position(999983)", call(T("get_prime_position"), "999983"),
                    call(P("get_prime_position"), "999983") if full else None,
                    sympy and ("sympy.primepi", "f(999983)", {"f": sympy.primepi, "fresh": fresh}),
                    peer_max=1 / 1.5))

    gmpy_next = attribute(gmpy2, "next_prime")
    for label, n in (("1e12", 10**12), ("2^62", 2**62)):
        rows.append(Row("get_next_prime(%s)" % label, call(T("get_next_prime"), str(n)),
                        call(P("get_next_prime"), str(n)) if n == 10**12 else None,
                        gmpy_next and ("gmpy2.next_prime", "f(%d)" % n, {"f": gmpy_next}),
                        peer_max=1.25))
    rows.append(Row("get_pre_prime(1e12)", call(T("get_pre_prime"), str(10**12)),
                    call(P("get_pre_prime"), str(10**12)),
                    sympy and ("sympy.prevprime", "f(%d)" % 10**12, {"f": sympy.prevprime, "fresh": fresh}),
                    peer_max=1 / 3))
    gmpy_loop = lambda loop: gmpy_is_prime and functools.partial(loop, gmpy_is_prime)
    rows.append(Row("get_ed_primes(10**6, 200)", call(T("get_ed_primes"), "10**6, 200"),
                    call(P("get_ed_primes"), "10**6, 200") if full else None,
                    gmpy_is_prime and ("loop + gmpy2", "f(10**6, 200)", {"f": gmpy_loop(ed_primes_loop)}),
                    peer_max=0.5))
    rows.append(Row("get_near_primes(1000000007, 2, 50)", call(T("get_near_primes"), "1000000007, 2, 50"),
                    call(P("get_near_primes"), "1000000007, 2, 50") if full else None,
                    gmpy_is_prime and ("loop + gmpy2", "f(1000000007, 2, 50)", {"f": gmpy_loop(near_primes_loop)}),
                    peer_max=0.5))
    rows.append(Row("get_mul_prime(2000)", call(T("get_mul_prime"), "2000"),
                    call(P("get_mul_prime"), "2000"),
                    ("reduce(mul, primes)", "reduce(mul, ps)",
                     {"reduce": functools.reduce, "mul": operator.mul, "ps": first_primes(2000)}),
                    peer_max=1.5))

    triples = [(rng.getrandbits(64), rng.getrandbits(64), rng.getrandbits(64) | 1) for _ in range(64)]
    exp_stmt = "for a, b, n in items: f(a, b, n)"
    tk_exp = T("mod_exp") and (exp_stmt, {"f": T("mod_exp"), "items": triples})
    py_exp = P("mod_exp") and (exp_stmt, {"f": P("mod_exp"), "items": triples})
    if gmpy2 is not None:
        rows.append(Row("mod_exp, 64-bit x64", tk_exp, py_exp,
                        ("gmpy2.powmod", exp_stmt, {"f": gmpy2.powmod, "items": triples}), peer_max=1.0))
    rows.append(Row("mod_exp, 64-bit x64", tk_exp, None,
                    ("pow(a, b, n)", exp_stmt, {"f": pow, "items": triples}), peer_max=0.1))

    mr_primes = [random_prime(rng, 64) for _ in range(32)]
    floor = "for n in items:\n    seed(0)\n" + "    randint(2, n - 1)\n" * 5
    rows.append(Row("miller_rabin_prime_check, 64-bit primes x32",
                    batch(T("miller_rabin_prime_check"), mr_primes),
                    batch(P("miller_rabin_prime_check"), mr_primes),
                    ("seed + 5 randint", floor, {"items": mr_primes, "seed": random.seed,
                                                 "randint": random.randint}),
                    peer_max=1.5))

    for bits in (48, 56, 64):
        semiprimes = [random_prime(rng, bits // 2) * random_prime(rng, bits - bits // 2) for _ in range(8)]
        SEMIPRIMES[bits] = semiprimes
        rows.append(Row("factorise %d-bit semiprimes x8" % bits,
                        batch(T("prime_factors_list_cleaner_sorted"), semiprimes),
                        batch(P("prime_factors_list_cleaner_sorted"), semiprimes)
                        if bits == 48 or full else None,
                        sympy and ("sympy.factorint", "for n in items: fresh(); f(n)",
                                   {"f": sympy.factorint, "items": semiprimes, "fresh": fresh,
                                    "fresh_stmt": "for n in items: fresh()"}),
                        peer_max=1 / 20))
    return rows


def seconds_text(seconds):
    if seconds is None:
        return "> limit"
    for unit, scale in (("s", 1), ("ms", 1e-3), ("us", 1e-6)):
        if seconds >= scale:
            return "%.3g %s" % (seconds / scale, unit)
    return "%.3g ns" % (seconds / 1e-9)


def measure_row(row, limit):
    tk = per_run(row.tk, limit) if row.tk else None
    py = per_run(row.py, limit) if row.py else None
    peer = per_run(row.peer[1:], limit) if row.peer else None
    cells = [row.name,
             seconds_text(tk) if row.tk else "",
             seconds_text(py) if row.py else "",
             "%s %s" % (row.peer[0], seconds_text(peer)) if row.peer else ""]
    versus_peer = tk / peer if tk and peer else None
    speed_up = py / tk if tk and py else None
    cells.append("%.3g" % versus_peer if versus_peer else "")
    cells.append("%.4g" % speed_up if speed_up else "")
    targets, verdicts = [], []
    if row.peer_max is not None and row.peer:
        targets.append("<= %.3g" % row.peer_max)
        if versus_peer:
            verdicts.append(versus_peer <= row.peer_max)
    if row.py_min is not None:
        targets.append("rendering >= %g" % row.py_min)
        if speed_up:
            verdicts.append(speed_up >= row.py_min)
    cells.append(", ".join(targets))
    cells.append("" if not verdicts else ("ok" if all(verdicts) else "MISSED"))
    return cells


MEMORY_CHILD = textwrap.dedent("""
    import gc, sys
    def status(field):
        with open("/proc/self/status") as f:
            for line in f:
                if line.startswith(field + ":"):
                    return int(line.split()[1]) * 1024
    import tallowkit.math.prime as prime
    gc.collect()
    try:
        with open("/proc/self/clear_refs", "w") as f:
            f.write("5")   # restart the peak from here
    except OSError:
        pass
    base = status("VmRSS")
    result = prime.get_all_primes(0, int(sys.argv[1]))
    print(base, status("VmHWM"), status("VmRSS"), len(result))
""")


def measure_memory(n, limit):
    """Peak resident memory of get_all_primes(0, n) in a child, against its result's memory."""
    name = "peak memory of get_all_primes(0, %.0e)" % n
    if not os.path.exists("/proc/self/status"):
        return [name, "", "", "", "", "", "<= 1.3 x result", "(needs /proc)"]
    try:
        done = subprocess.run([sys.executable, "-c", MEMORY_CHILD, str(n)], stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, universal_newlines=True, timeout=limit,
                              env=dict(os.environ, PYTHONPATH=os.pathsep.join(sys.path)))
    except subprocess.TimeoutExpired:
        return [name, "> limit", "", "", "", "", "<= 1.3 x result", ""]
    if done.returncode != 0:
        last = (done.stderr.strip().splitlines() or ["no output"])[-1]
        return [name, "failed: " + last, "", "", "", "", "<= 1.3 x result", ""]
    base, peak, after, count = map(int, done.stdout.split())
    result_bytes = after - base
    ratio = (peak - base) / result_bytes
    return [name, "%.0f MiB peak" % ((peak - base) / 2**20), "",
            "result list %.0f MiB (%d ints)" % (result_bytes / 2**20, count), "%.3g" % ratio, "",
            "<= 1.3 x result", "ok" if ratio <= 1.3 else "MISSED"]


def factorisation_breakdown(tk):
    """Where the time of factorising a semiprime n = p * q goes: the three primality checks
    (n, p, q; each reseeds the generator and draws from it through the random module), the two
    draws of each walk, and the walk's steps, which the drawn seed fixes."""
    rows = []
    for bits, semiprimes in sorted(SEMIPRIMES.items()):
        steps = draws = 0
        for n in semiprimes:   # the same draws as the module makes, to count the steps
            tk.miller_rabin_prime_check(n)
            p = n
            while p >= n:
                c = random.randint(1, n - 1)
                p, taken = references.rho_walk(p, c, random.randint(0, p))
                steps, draws = steps + taken, draws + 2
        factors = [f for n in semiprimes for f in tk.prime_factors_list_generator(n)]
        total = per_run(batch(tk.prime_factors_list_cleaner_sorted, semiprimes), 20.0)
        checks = per_run(batch(tk.miller_rabin_prime_check, semiprimes + factors), 20.0)
        draw = per_run(("for n in items: randint(1, n - 1)",
                        {"items": semiprimes, "randint": random.randint}), 20.0) / len(semiprimes)
        walk = total - checks - draws * draw
        rows.append(["%d-bit semiprimes x%d" % (bits, len(semiprimes)), seconds_text(total),
                     seconds_text(checks), seconds_text(draws * draw), "%d" % steps,
                     "%.2f ns" % (walk / steps * 1e9)])
    print()
    print("Factorisation: the primality checks and draws the algorithm must make, and the walk")
    print_table(["workload", "tallowkit", "3 primality checks", "walk draws", "walk steps",
                 "per step"], rows)


def print_table(header, rows):
    widths = [max(len(str(r[j])) for r in [header] + rows) for j in range(len(header))]
    line = lambda r: " | ".join(str(c).ljust(w) for c, w in zip(r, widths)).rstrip()
    print(line(header))
    print("-+-".join("-" * w for w in widths))
    for r in rows:
        print(line(r))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    mode = parser.add_mutually_exclusive_group()
    mode.add_argument("--quick", action="store_true", help="leave out the slow cases (default)")
    mode.add_argument("--full", action="store_true", help="measure every case")
    args = parser.parse_args()
    full = args.full
    limit = 120.0 if full else 20.0

    try:
        tk = importlib.import_module("tallowkit.math.prime")
    except ImportError as error:
        tk = None
        print("tallowkit.math.prime is not importable (%s): its column stays empty" % error)
    py = load_rendering()
    gmpy2, sympy = optional_module("gmpy2"), optional_module("sympy")
    print("Python %s; gmpy2 %s; sympy %s; rendering %s; %s run, time limit %g s per cell"
          % (sys.version.split()[0], getattr(gmpy2, "version", lambda: "missing")(),
             getattr(sympy, "__version__", "missing"), "tests/oracles/prime_oracle.py" if py else "missing",
             "full" if full else "quick", limit))
    print()

    header = ["workload", "tallowkit", "rendering", "best peer", "tk/peer", "rendering/tk",
              "target", ""]
    table = []
    gc.collect()
    for row in build_rows(tk, py, gmpy2, sympy, full):
        table.append(measure_row(row, limit))
    if tk is not None:
        table.append(measure_memory(10**8 if full else 10**7, 600 if full else 120))
    print_table(header, table)
    if tk is not None and SEMIPRIMES:
        factorisation_breakdown(tk)


if __name__ == "__main__":
    main()
