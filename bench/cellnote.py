"""Cell-reference conversions: tallowkit.cvt.cellnote against a plain-Python rendering of the
same algorithm and against openpyxl.utils.cell (when installed), each over 10^5 references.

Prints one line per conversion with the times and the ratios (bigger is faster for us).
Run with the built package on the path:  PYTHONPATH=build/dev/pkg python bench/cellnote.py
"""
import random
import sys
import timeit

import tallowkit.cvt.cellnote as cellnote

try:
    from openpyxl.utils.cell import column_index_from_string, coordinate_to_tuple, get_column_letter
except ImportError:  # openpyxl is optional here
    get_column_letter = None

N = 100000
REPEAT = 15


# the same algorithms in plain Python
from renderings import (cvt_a1_to_r1c1 as py_cvt_a1_to_r1c1, cvt_a_to_one as py_cvt_a_to_one,
                        cvt_one_to_a as py_cvt_one_to_a, cvt_r1c1_to_a1 as py_cvt_r1c1_to_a1)


def openpyxl_r1c1_to_a1(row, col):
    return get_column_letter(col) + str(row)


def best_times(functions, columns):
    """The best of REPEAT runs for each function, the runs taken in turn so that a busy moment
    of the machine weighs on all of them alike."""
    best = [float("inf")] * len(functions)
    for _ in range(REPEAT):
        for k, f in enumerate(functions):
            best[k] = min(best[k], timeit.timeit(lambda: list(map(f, *columns)), number=1))
    return best


def main():
    rnd = random.Random(20240601)
    cols = [rnd.randint(1, 16384) for _ in range(N)]
    rows = [rnd.randint(1, 1048576) for _ in range(N)]
    letters = [py_cvt_one_to_a(c) for c in cols]
    refs = [py_cvt_one_to_a(c) + str(r) for c, r in zip(cols, rows)]
    # (conversion, its arguments, plain Python, openpyxl, target vs Python, target vs openpyxl)
    cases = [
        ("cvt_one_to_a", (cols,), py_cvt_one_to_a, get_column_letter, 5, 1),
        ("cvt_a_to_one", (letters,), py_cvt_a_to_one,
         get_column_letter and column_index_from_string, 8, 3),
        ("cvt_a1_to_r1c1", (refs,), py_cvt_a1_to_r1c1,
         get_column_letter and coordinate_to_tuple, 12, 6),
        ("cvt_r1c1_to_a1", (rows, cols), py_cvt_r1c1_to_a1,
         get_column_letter and openpyxl_r1c1_to_a1, 5, 1.7),
    ]
    print("%-16s %10s %10s %10s %14s %14s" % ("conversion", "ours ms", "python ms", "openpyxl ms",
                                              "x python", "x openpyxl"))
    for name, args, python, other, want_py, want_other in cases:
        ours = getattr(cellnote, name)
        functions = [ours, python] + ([other] if other else [])
        for f in functions[1:]:
            assert list(map(ours, *args)) == list(map(f, *args)), f
        times = best_times(functions, args)
        line = "%-16s %10.2f %10.2f" % (name, times[0] * 1e3, times[1] * 1e3)
        line += " %11s" % ("%.2f" % (times[2] * 1e3) if other else "-")
        line += " %8.1f (>=%g)" % (times[1] / times[0], want_py)
        if other:
            line += " %8.2f (>=%g)" % (times[2] / times[0], want_other)
        print(line)
    sys.stdout.flush()


if __name__ == "__main__":
    main()
