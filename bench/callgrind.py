"""Instructions per call of a few calls that go through the frame (the call section's and some
of the number-theory and cell rows), counted by valgrind's callgrind: unlike a timer, the count
does not depend on the machine's load, so two builds can be compared on a busy machine.

    python bench/callgrind.py [--calls N]      (the build to measure on PYTHONPATH)

Each workload runs in a child under callgrind with N and with 2N calls; the difference over N
is the cost of one call, start-up and warm-up left out.
"""
import argparse
import os
import re
import subprocess
import sys

WORKLOADS = [
    ("get_os_type()", "tallowkit.base.platform", "get_os_type", "()"),
    ("frame call f(7)", "tallowkit._selftest.frametest", "single", "(7)"),
    ("is_odd(7)", "tallowkit.math.prime", "is_odd", "(7)"),
    ("is_prime(1000003)", "tallowkit.math.prime", "is_prime", "(1000003)"),
    ("get_max_prime(1000)", "tallowkit.math.prime", "get_max_prime", "(1000)"),
    ("cvt_a1_to_r1c1('XFD1048576')", "tallowkit.cvt.cellnote", "cvt_a1_to_r1c1", "('XFD1048576')"),
    ("cvt_r1c1_to_a1(1048576, 16384)", "tallowkit.cvt.cellnote", "cvt_r1c1_to_a1", "(1048576, 16384)"),
    ("cvt_one_to_a(16384)", "tallowkit.cvt.cellnote", "cvt_one_to_a", "(16384)"),
]

CHILD = """
import importlib, sys
f = getattr(importlib.import_module(sys.argv[1]), sys.argv[2])
loop = compile("for _ in range(n): f%s" % sys.argv[3], "loop", "exec")
exec(loop, {"f": f, "n": 100})
exec(loop, {"f": f, "n": int(sys.argv[4])})
"""


def instructions(module, name, args, calls):
    # the same hash seed in every child: a dict lookup's probes do not vary between runs
    done = subprocess.run(["valgrind", "--tool=callgrind", "--callgrind-out-file=/dev/null",
                           sys.executable, "-c", CHILD, module, name, args, str(calls)],
                          stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                          universal_newlines=True, env=dict(os.environ, PYTHONHASHSEED="0"))
    found = re.search(r"Collected : (\d+)", done.stderr)
    if done.returncode != 0 or not found:
        raise RuntimeError(done.stderr[-2000:])
    return int(found.group(1))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--calls", type=int, default=20000)
    n = parser.parse_args().calls
    print("Python %s (%s): instructions per call" % (sys.version.split()[0], sys.executable))
    for label, module, name, args in WORKLOADS:
        try:
            per_call = (instructions(module, name, args, 2 * n) - instructions(module, name, args, n)) / n
        except RuntimeError as e:
            print("%-32s failed: %s" % (label, str(e).strip().splitlines()[-1:]))
            continue
        print("%-32s %8.1f" % (label, per_call))


if __name__ == "__main__":
    main()
