"""Every function of the speed-critical modules against its plain-Python rendering, the best
peer and the floor, measured in this one process: one table per interpreter.

    python bench/suite.py [--repeat N] [--memory N] [--json FILE]

Sections: call (tallowkit.base.platform and the cost of a call), number theory
(tallowkit.math.prime), cells (tallowkit.cvt.cellnote). Columns: the product, the plain-Python
rendering (tests/oracles, bench/cellnote.py), the best peer, the floor (the least that any
implementation must spend on the same call or result), then the ratios product / rendering,
product / peer and product / floor, and the goal of the row.

Then threads: for every workload of the number-theory and cell sections and for a few long
calls, the longest pause of another thread (one that sleeps 0.5 ms in a loop) while the
workload runs again and again in the main thread (the shortest of three such watches), and the
time of one thread doing two batches over that of two threads doing one each.

Each repeat times every cell of every row in turn, and the best of each cell is kept, so a
busy spell of the machine weighs on all of them alike; "noise" is the largest, over the
cells of the row, of the second-best time over the best (1.00: the best was reproduced). Peers that
keep state between calls (sympy's factor cache and prime sieve) are reset before every call,
and the reset is timed apart and subtracted, so each column does the same work every repeat.
"""
import argparse
import array
import functools
import gc
import importlib
import importlib.util
import json
import os
import platform
import random
import subprocess
import sys
import sysconfig
import threading
import time
import timeit
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
TARGET = 0.001          # seconds per measurement


def load(path, name):
    spec = importlib.util.spec_from_file_location(name, str(path))
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    return module


def optional(name):
    try:
        return importlib.import_module(name)
    except ImportError:
        return None


# ---- one timed cell: a statement over named values, with an optional reset before each call

class Cell:
    def __init__(self, label, stmt, env, fresh=None):
        self.label, self.fresh = label, fresh
        self.env = env = dict(env, fresh=fresh)
        self.timer = timeit.Timer(("fresh()\n" if fresh else "") + stmt, globals=env)
        self.reset = timeit.Timer("fresh()", globals=env) if fresh else None
        self.number = None
        self.times, self.reset_times = [], []
        self.slow = False

    def calibrate(self):
        """Finds how many calls make one measurement of about TARGET seconds. The first call is
        left out: it may do one-time work (platform.system() asks the system once)."""
        self.timer.timeit(1)
        number = 1
        while True:
            seconds = self.timer.timeit(number)
            if seconds >= TARGET / 4 or number >= 10**6:
                break
            number *= 4
        self.number = max(1, int(number * TARGET / max(seconds, 1e-9)))
        self.slow = seconds / number > 0.1

    def measure(self):
        if self.slow and len(self.times) >= 3:
            return
        self.times.append(self.timer.timeit(self.number) / self.number)
        if self.reset is not None:
            self.reset_times.append(self.reset.timeit(self.number) / self.number)

    @property
    def best(self):
        return min(self.times) - (min(self.reset_times) if self.reset_times else 0)

    def noise(self):
        """The second-best time over the best: how far the best is from being reproduced."""
        ordered = sorted(self.times)
        return ordered[1] / ordered[0] if len(ordered) > 1 else 1.0


class Row:
    def __init__(self, section, name, product, rendering=None, peers=(), floor=None, goals=()):
        self.section, self.name = section, name
        self.product, self.rendering = product, rendering
        self.peers = [p for p in peers if p is not None]
        self.floor = floor
        self.goals = goals            # (column, most allowed ratio product / column)
        self.spread = None

    def cells(self):
        return [c for c in [self.product, self.rendering] + self.peers + [self.floor] if c]

    def calibrate(self):
        for c in self.cells():
            c.calibrate()

    def measure(self):
        for c in self.cells():
            c.measure()
        self.spread = max(c.noise() for c in self.cells())

    def best_peer(self):
        return min(self.peers, key=lambda c: c.best) if self.peers else None

    def ratio(self, column):
        cell = {"rendering": self.rendering, "peer": self.best_peer(), "floor": self.floor}[column]
        return self.product.best / cell.best if cell else None

    def verdict(self):
        checks = [self.ratio(column) <= most for column, most in self.goals
                  if self.ratio(column) is not None]
        return "" if not checks else ("ok" if all(checks) else "MISSED")

    def record(self):
        peer = self.best_peer()
        return {"section": self.section, "name": self.name, "product": self.product.best,
                "rendering": self.rendering and self.rendering.best,
                "peer": peer and peer.best, "peer_label": peer and peer.label,
                "floor": self.floor and self.floor.best,
                "floor_label": self.floor and self.floor.label,
                "spread": self.spread, "goals": list(self.goals), "verdict": self.verdict()}


def call_cell(label, f, args="", fresh=None):
    return Cell(label, "f(%s)" % args, {"f": f}, fresh)


# ---- the workloads

def call_rows(tkplatform, frametest):
    rendering = load(ROOT / "bench" / "renderings.py", "renderings")
    rows = []
    system = platform.system
    for name in ("get_os_type", "is_windows", "is_linux", "is_mac"):
        goals = [("rendering", 1.0)]
        peer = floor = None
        if name == "get_os_type":
            peer = call_cell("platform.system()", system)
            # any C callable that calls platform.system: the call from C into Python
            floor = call_cell("partial(platform.system)()", functools.partial(system))
            if sys.version_info >= (3, 11):
                goals.append(("peer", 1.2))
        rows.append(Row("call", name + "()", call_cell("tallowkit", getattr(tkplatform, name)),
                        call_cell("rendering", getattr(rendering, name)),
                        [peer], floor, goals))
    if frametest is not None:
        goals = [("rendering", 1.0)]
        if sys.version_info >= (3, 8):
            goals.append(("peer", 0.9))
        rows.append(Row("call", "one-argument call f(7)", call_cell("tallowkit", frametest.single, "7"),
                        call_cell("rendering", rendering.single, "7"),
                        [call_cell("partial(abs)(-7)", functools.partial(abs), "-7")],
                        call_cell("abs(-7)", abs, "-7"), goals))
    return rows


def sympy_fresh(sympy):
    """Empties what sympy remembers between calls: its factor cache and its prime sieve."""
    if sympy is None:
        return None
    cache = getattr(getattr(sympy, "ntheory", None), "factor_", None)
    cache = getattr(cache, "factor_cache", None)
    sieve = sympy.sieve

    def fresh():
        if cache is not None:
            cache.cache_clear()
        sieve._reset()
    return fresh


def semiprimes(rng, bits, count, probable_prime):
    def prime(b):
        while True:
            n = rng.getrandbits(b) | (1 << (b - 1)) | 1
            if probable_prime(n):
                return n
    return [prime(bits // 2) * prime(bits - bits // 2) for _ in range(count)]


def number_rows(prime, gmpy2, sympy, frametest):
    py = load(ROOT / "tests" / "oracles" / "prime_oracle.py", "prime_oracle")
    references = load(ROOT / "tests" / "oracles" / "reference_primes.py", "reference_primes")
    fresh = sympy_fresh(sympy)
    rows = []

    def row(name, args, peers=(), floor=None, goals=(("rendering", 1.0),), rendering=True):
        rows.append(Row("number theory", "%s(%s)" % (name, args),
                        call_cell("tallowkit", getattr(prime, name), args),
                        call_cell("rendering", getattr(py, name), args) if rendering else None,
                        peers, floor, goals))

    g = lambda name: getattr(gmpy2, name, None) if gmpy2 else None
    s = lambda name: getattr(sympy, name, None) if sympy else None
    peer = lambda label, f, args: f and call_cell(label, f, args)
    sympy_peer = lambda label, f, args: f and call_cell(label, f, args, fresh)

    # its floor: a call of a frame function that does nothing
    row("is_odd", "7", [call_cell("7 % 2 == 1", lambda n: n % 2 == 1, "7")],
        frametest and call_cell("frame call", frametest.single, "7"), goals=(("rendering", 0.5),))
    row("is_even", "8")
    row("is_prime", "7", [peer("gmpy2.is_prime", g("is_prime"), "7")])
    row("is_prime", "1000003", [peer("gmpy2.is_prime", g("is_prime"), "1000003"),
                                sympy_peer("sympy.isprime", s("isprime"), "1000003")])
    row("is_composite", "9")
    row("get_max_prime", "1000", [sympy_peer("sympy.prevprime", s("prevprime"), "1001")])
    row("get_max_composite", "1000")
    row("get_max_even", "1001")
    row("get_max_odd", "1000")
    row("get_all_primes", "0, 1000", [sympy_peer("sympy.primerange", s("primerange") and
                                                 (lambda a, b: list(sympy.primerange(a, b))), "0, 1001")])
    listed = array.array("q", prime.get_all_primes(0, 10**6))
    rows.append(Row("number theory", "get_all_primes(0, 10**6)",
                    call_cell("tallowkit", prime.get_all_primes, "0, 10**6"), None, [],
                    Cell("array.tolist()", "a.tolist()", {"a": listed}), (("floor", 2.0),)))
    row("get_next_prime", "1000", [peer("gmpy2.next_prime", g("next_prime"), "1000"),
                                   sympy_peer("sympy.nextprime", s("nextprime"), "1000")])
    row("get_next_prime", "10**12", [peer("gmpy2.next_prime", g("next_prime"), "10**12"),
                                     sympy_peer("sympy.nextprime", s("nextprime"), "10**12")])
    row("get_pre_prime", "1000", [sympy_peer("sympy.prevprime", s("prevprime"), "1000")])
    row("get_next_primes", "1000, 10")
    row("get_prime_position", "997", [sympy_peer("sympy.primepi", s("primepi"), "997")])
    row("get_all_composites", "0, 1000")
    row("get_all_evens", "0, 1000", [call_cell("list(range)", lambda a, b: list(range(a, b + 1, 2)), "0, 1000")])
    row("get_all_odds", "0, 1000", [call_cell("list(range)", lambda a, b: list(range(a + 1, b + 1, 2)), "0, 1000")])
    row("get_ed_primes", "1000, 20")
    row("get_right_ed_prime", "3, 200, 20")
    row("get_left_ed_prime", "101")
    row("factorial", "20", [peer("math.factorial", __import__("math").factorial, "20")])
    row("wilson_top", "20")
    row("wilson", "13")
    row("get_near_primes", "101, 2, 5")
    row("get_mul_prime", "50", [sympy_peer("sympy.primorial", s("primorial"), "50")])
    row("get_all_mul_primes", "20")
    row("gcd", "12, 8", [peer("math.gcd", __import__("math").gcd, "12, 8")])
    row("mod_mul", "123456789, 987654321, 1000000007")
    row("mod_exp", "3, 1000000005, 1000000007", [peer("pow", pow, "3, 1000000005, 1000000007"),
                                                  peer("gmpy2.powmod", g("powmod"), "3, 1000000005, 1000000007")])
    row("miller_rabin_prime_check", "1000000007")
    # pollard_rho and the factor lists draw from the shared generator: reseed before each call
    seeded = lambda: random.seed(1)
    for name, args in (("pollard_rho", "8051, 1"), ("prime_factors_list_generator", "8051"),
                       ("prime_factors_list_cleaner", "360"),
                       ("prime_factors_list_cleaner_sorted", "360")):
        rows.append(Row("number theory", "%s(%s)" % (name, args),
                        call_cell("tallowkit", getattr(prime, name), args, seeded),
                        call_cell("rendering", getattr(py, name), args, seeded), [], None,
                        (("rendering", 1.0),)))
    rng = random.Random(2024)
    for bits in (48, 56, 64):
        items = semiprimes(rng, bits, 4 if bits < 64 else 2, references.is_probable_prime)
        stmt = "for n in items: f(n)"
        rows.append(Row("number theory", "factorise %d-bit semiprimes x%d" % (bits, len(items)),
                        Cell("tallowkit", stmt, {"f": prime.prime_factors_list_cleaner_sorted,
                                                 "items": items}),
                        None,
                        [sympy and Cell("sympy.factorint", stmt, {"f": sympy.factorint,
                                                                  "items": items}, fresh)],
                        None, (("peer", 1 / 20),)))
    return rows


def cell_rows(cellnote):
    rendering = load(ROOT / "bench" / "renderings.py", "renderings")
    try:
        from openpyxl.utils import cell as ox
    except ImportError:
        ox = None
    cases = [("cvt_i_to_a", "3", None), ("cvt_a_to_i", "'c'", None),
             ("cvt_one_to_a", "16384", ox and ox.get_column_letter),
             ("cvt_a_to_one", "'XFD'", ox and ox.column_index_from_string),
             ("cvt_a1_to_r1c1", "'XFD1048576'", ox and ox.coordinate_to_tuple),
             ("cvt_r1c1_to_a1", "1048576, 16384",
              ox and (lambda row, col: ox.get_column_letter(col) + str(row)))]
    rows = []
    for name, args, other in cases:
        rows.append(Row("cells", "%s(%s)" % (name, args),
                        call_cell("tallowkit", getattr(cellnote, name), args),
                        call_cell("rendering", getattr(rendering, name), args),
                        [other and call_cell("openpyxl", other, args)], None,
                        (("rendering", 1.0),)))
    return rows


# ---- threads: calls from two threads at once, and pauses of another thread

FREE_THREADED = bool(sysconfig.get_config_var("Py_GIL_DISABLED"))
FREE_THREADED_GOAL = 1.6      # two threads' calls per second over one thread's
FREE_THREADED_CALLS = 100000  # calls per batch


def free_threaded_batches(prime, cellnote):
    """Cell-notation and parity workloads: (name, make), where make(i) gives thread i a batch,
    a Python loop of calls over inputs that thread makes for itself (as threads that each
    work on their own data do)."""
    def batch(f, items):
        def run():
            for x in items:
                f(x)
        return run

    def pairs(f, items):
        def run():
            for row, col in items:
                f(row, col)
        return run

    n = FREE_THREADED_CALLS
    numbers = lambda i: [10**6 + i * n + k for k in range(n)]
    columns = lambda i: [1 + (i * n + k) % 16384 for k in range(n)]
    letters = lambda i: [cellnote.cvt_one_to_a(c) for c in columns(i)]
    return [
        ("is_odd(n)", lambda i: batch(prime.is_odd, numbers(i))),
        ("is_even(n)", lambda i: batch(prime.is_even, numbers(i))),
        ("cvt_one_to_a(col)", lambda i: batch(cellnote.cvt_one_to_a, columns(i))),
        ("cvt_a_to_one(letters)", lambda i: batch(cellnote.cvt_a_to_one, letters(i))),
        ("cvt_a1_to_r1c1(a1)", lambda i: batch(cellnote.cvt_a1_to_r1c1,
                                               ["%s%d" % (a, r) for r, a in enumerate(letters(i), 1)])),
        ("cvt_r1c1_to_a1(row, col)", lambda i: pairs(cellnote.cvt_r1c1_to_a1,
                                                     list(enumerate(columns(i), 10**6)))),
    ]


def two_thread_ratio(make, repeat):
    """Two threads each make their batch once; then, `repeat` times each, one of them runs its
    batch twice, and both run theirs at once. Each thread times its own runs; a run of both
    lasts from the first start to the last end. Returns the best time of each."""
    clock = timeit.default_timer
    gate = threading.Barrier(3)
    plan, spans = [], []

    def worker(i):
        batch = make(i)
        while True:
            gate.wait()
            runs = plan[-1][i]
            if runs is None:
                return
            if runs:
                start = clock()
                for _ in range(runs):
                    batch()
                spans.append((start, clock()))
            gate.wait()

    def trial(runs):
        del spans[:]
        plan.append(runs)
        gate.wait()   # they start
        gate.wait()   # they are done
        return max(end for _, end in spans) - min(start for start, _ in spans)
    threads = [threading.Thread(target=worker, args=(i,)) for i in range(2)]
    for t in threads:
        t.start()
    serial, parallel = [], []
    for _ in range(repeat):    # alternately, so that a busy spell weighs on both
        serial.append(trial((2, 0)))
        parallel.append(trial((1, 1)))
    plan.append((None, None))
    gate.wait()
    for t in threads:
        t.join()
    return min(serial), min(parallel)



PAUSE_GOAL = 0.010      # seconds another thread may wait between turns
SCALING_GOAL = 1.7      # two threads' batches against one thread doing both
PAUSE_SPAN = 0.02       # each workload runs again and again for at least this long
PAUSE_WATCHES = 5       # a busy spell of the machine may spoil a watch: the least is kept


class PauseWatch:
    """Another thread that sleeps 0.5 ms in a loop and records the longest gap between its
    turns, from entering the block to leaving it."""

    def __enter__(self):
        self.running, self.longest = True, 0.0
        self.started = threading.Event()
        self.thread = threading.Thread(target=self.watch)
        self.thread.start()
        self.started.wait()
        return self

    def watch(self):
        last = time.perf_counter()
        self.started.set()
        while self.running:
            time.sleep(0.0005)
            now = time.perf_counter()
            self.longest = max(self.longest, now - last)
            last = now

    def __exit__(self, *exc):
        self.running = False
        self.thread.join()


def longest_pause(cell):
    """The longest pause of another thread while the cell's statement runs in this thread for
    PAUSE_SPAN seconds (at least once). Results that a statement keeps (in `kept`) are freed
    after the watch: freeing them is their owner's work, not the call's."""
    with PauseWatch() as watch:
        start = time.perf_counter()
        while time.perf_counter() - start < PAUSE_SPAN:
            cell.timer.timeit(cell.number or 1)
    del cell.env.get("kept", [])[:]
    return watch.longest


def kept_cell(f, *args):
    """A call whose results are kept until the pause watch ends."""
    return Cell("tallowkit", "kept.append(f(*args))", {"f": f, "args": args, "kept": []})


def thread_workloads(prime):
    """Long calls beside the suite's rows: (name, cell) for the pauses and (name, batch) for the
    two threads, the batches as one thread runs them."""
    references = load(ROOT / "tests" / "oracles" / "reference_primes.py", "reference_primes")
    items = semiprimes(random.Random(63), 63, 16, references.is_probable_prime)
    factorise = lambda: [prime.prime_factors_list_cleaner_sorted(n) for n in items]
    primes = lambda: prime.get_all_primes(0, 2 * 10**7)
    long_calls = [("get_all_primes(0, 10**8)", kept_cell(prime.get_all_primes, 0, 10**8)),
                  ("get_all_primes(10**12, 10**12 + 10**7)",
                   kept_cell(prime.get_all_primes, 10**12, 10**12 + 10**7)),
                  ("get_all_primes(0, 2*10**7)", kept_cell(primes)),
                  ("get_prime_position(10**9 + 7)", kept_cell(prime.get_prime_position, 10**9 + 7)),
                  ("factorise 63-bit semiprimes x16", kept_cell(factorise))]
    batches = [("factorise 63-bit semiprimes x16", factorise),
               ("get_all_primes(0, 2*10**7)", primes)]
    return long_calls, batches


def thread_results(rows, prime, cellnote, repeat, only):
    long_calls, batches = thread_workloads(prime)
    cells = [(r.name, r.product) for r in rows if r.section in ("number theory", "cells")]
    cells += [(name, c) for name, c in long_calls if only is None or only in name]
    # the interpreter's own pause, between the bytecodes of a loop of cheap builtin calls: a
    # package call cannot do better, and on a busy machine this misses the goal too
    interpreter = Cell("interpreter", "abs(-7)", {})
    interpreter.number = 1000
    own = min(longest_pause(interpreter) for _ in range(PAUSE_WATCHES))
    pauses = []
    for name, cell in cells:
        if cell.number is None:
            cell.number = 1
        pause = min(longest_pause(cell) for _ in range(PAUSE_WATCHES))
        pauses.append({"name": name, "pause": pause})
    # two threads against one: the long calls on every build, and the cell-notation and parity
    # calls on interpreters without the GIL, where Python loops of calls can run at once
    scaling = [(name, lambda i, batch=batch: batch, 9, SCALING_GOAL) for name, batch in batches]
    if FREE_THREADED:
        scaling += [(name, make, repeat, FREE_THREADED_GOAL)
                    for name, make in free_threaded_batches(prime, cellnote)]
    scaling = [dict(zip(("name", "serial", "parallel", "goal"),
                        (name,) + two_thread_ratio(make, times) + (goal,)))
               for name, make, times, goal in scaling if only is None or only in name]
    for s in scaling:
        s["ratio"] = s["serial"] / s["parallel"]
    load = os.getloadavg()[0] if hasattr(os, "getloadavg") else None
    return {"pauses": pauses, "scaling": scaling, "interpreter": own, "load": load}


def print_threads(threads):
    verdict = lambda ok: "ok" if ok else "MISSED"
    worst = max(threads["pauses"], key=lambda p: p["pause"], default=None)
    print("[threads] longest pause of another thread while each workload runs (goal <= %s): "
          "the worst %s (%s); the interpreter's own in a loop of abs(-7) %s; load average %s"
          % (seconds_text(PAUSE_GOAL), worst and seconds_text(worst["pause"]),
             worst and worst["name"], seconds_text(threads["interpreter"]),
             "%.2f" % threads["load"] if threads["load"] is not None else "unknown"))
    width = max([len(p["name"]) for p in threads["pauses"]] + [8])
    for p in threads["pauses"]:
        print("  %s | %8s | %s" % (p["name"].ljust(width), seconds_text(p["pause"]),
                                   verdict(p["pause"] <= PAUSE_GOAL)))
    print("[threads] one thread doing two batches / two threads doing one each (goal >= %.3g; "
          "the cell-notation and parity loops, on interpreters without the GIL, >= %.3g, each "
          "thread over %d inputs of its own):" % (SCALING_GOAL, FREE_THREADED_GOAL,
                                                  FREE_THREADED_CALLS))
    width = max([len(s["name"]) for s in threads["scaling"]] + [8])
    for s in threads["scaling"]:
        print("  %s | one thread %s | two threads %s | %.2f x | %s"
              % (s["name"].ljust(width), seconds_text(s["serial"]), seconds_text(s["parallel"]),
                 s["ratio"], verdict(s["ratio"] >= s["goal"])))


def threads_missed(threads):
    return ([p["name"] + " (pause)" for p in threads["pauses"] if p["pause"] > PAUSE_GOAL] +
            [s["name"] + " (two threads)" for s in threads["scaling"] if s["ratio"] < s["goal"]])


def memory_line(n):
    """Peak resident memory of get_all_primes(0, n) in a child, over the memory of its result."""
    if not os.path.exists("/proc/self/clear_refs"):
        return None
    from prime import MEMORY_CHILD    # bench/prime.py: the child that measures it
    done = subprocess.run([sys.executable, "-c", MEMORY_CHILD, str(n)], stdout=subprocess.PIPE,
                          universal_newlines=True, env=dict(os.environ, PYTHONPATH=os.pathsep.join(sys.path)))
    if done.returncode != 0:
        return None
    base, peak, after, _ = map(int, done.stdout.split())
    return {"n": n, "peak": peak - base, "result": after - base, "ratio": (peak - base) / (after - base)}


# ---- output

def seconds_text(seconds):
    if seconds is None:
        return ""
    for unit, scale in (("s", 1), ("ms", 1e-3), ("us", 1e-6)):
        if seconds >= scale:
            return "%.3g %s" % (seconds / scale, unit)
    return "%.3g ns" % (seconds / 1e-9)


def ratio_text(r):
    return "" if r is None else "%.3g" % r


def print_table(rows):
    header = ["workload", "tallowkit", "rendering", "best peer", "floor", "tk/rend",
              "tk/peer", "tk/floor", "noise", "goal", ""]
    lines = []
    for r in rows:
        peer = r.best_peer()
        goal = ", ".join("tk/%s <= %.3g" % ({"rendering": "rend"}.get(c, c), m) for c, m in r.goals)
        lines.append([r.name, seconds_text(r.product.best),
                      seconds_text(r.rendering and r.rendering.best),
                      peer and "%s %s" % (peer.label, seconds_text(peer.best)) or "",
                      r.floor and "%s %s" % (r.floor.label, seconds_text(r.floor.best)) or "",
                      ratio_text(r.ratio("rendering")), ratio_text(r.ratio("peer")),
                      ratio_text(r.ratio("floor")),
                      "%.2f" % r.spread if r.spread else "", goal, r.verdict()])
    widths = [max(len(x[j]) for x in [header] + lines) for j in range(len(header))]
    fmt = lambda x: " | ".join(c.ljust(w) for c, w in zip(x, widths)).rstrip()
    section = None
    print(fmt(header))
    for r, line in zip(rows, lines):
        if r.section != section:
            section = r.section
            print("-+-".join("-" * w for w in widths))
            print("[%s]" % section)
        print(fmt(line))


def main():
    global TARGET
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--repeat", type=int, default=9, help="repeats per cell (best is kept)")
    parser.add_argument("--target", type=float, default=TARGET, help="seconds per measurement")
    parser.add_argument("--memory", type=float, default=0,
                        help="also measure the peak memory of get_all_primes(0, N)")
    parser.add_argument("--json", help="write the results to this file")
    parser.add_argument("--only", help="measure only the rows whose name contains this text")
    args = parser.parse_args()
    TARGET = args.target

    import tallowkit.base.platform as tkplatform
    import tallowkit.cvt.cellnote as cellnote
    import tallowkit.math.prime as prime
    frametest = optional("tallowkit._selftest.frametest")
    gmpy2, sympy = optional("gmpy2"), optional("sympy")
    label = "Python %s (%s)" % (platform.python_version(), sys.executable)
    print("%s; gmpy2 %s; sympy %s; %d repeats, best kept"
          % (label, gmpy2.version() if gmpy2 else "missing",
             getattr(sympy, "__version__", "missing"), args.repeat))
    rows = call_rows(tkplatform, frametest) + number_rows(prime, gmpy2, sympy, frametest) + cell_rows(cellnote)
    rows = [r for r in rows if args.only is None or args.only in r.name]
    gc.collect()
    for r in rows:
        r.calibrate()
    # each repeat passes over every row, so that a busy spell of the machine is shared out
    for _ in range(args.repeat):
        for r in rows:
            r.measure()
    print_table(rows)
    threads = thread_results(rows, prime, cellnote, args.repeat, args.only)
    print_threads(threads)
    memory = memory_line(int(args.memory)) if args.memory else None
    if memory:
        print("peak memory of get_all_primes(0, %.0e): %.0f MiB, result list %.0f MiB: %.3g x "
              "(goal <= 1.3) %s" % (memory["n"], memory["peak"] / 2**20, memory["result"] / 2**20,
                                     memory["ratio"], "ok" if memory["ratio"] <= 1.3 else "MISSED"))
    missed = [r.name for r in rows if r.verdict() == "MISSED"] + threads_missed(threads)
    print("goals missed: %s" % (", ".join(missed) if missed else "none"))
    if args.json:
        with open(args.json, "w") as f:
            version = platform.python_version() + ("t" if FREE_THREADED else "")
            json.dump({"python": version, "label": label,
                       "rows": [r.record() for r in rows], "memory": memory,
                       "threads": threads}, f, indent=1)


if __name__ == "__main__":
    main()
