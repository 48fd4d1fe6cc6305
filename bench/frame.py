"""Call overhead of the module frame, measured in one process.

Prints the cost of a package call against a direct call of the same work, a C builtin of the
same shape and an equivalent pure-Python function.
"""
import functools
import platform
import timeit

import tallowkit.base.platform as tkplatform

try:
    import tallowkit._selftest.frametest as frametest
except ImportError:  # a release build has no self-test modules
    frametest = None


def best(stmt, number=200000, repeat=7, **names):
    return min(timeit.repeat(stmt, globals=names, number=number, repeat=repeat)) / number * 1e9


def python_single(x):
    return x


def main():
    rows = []
    direct = best("system()", system=platform.system)
    ours = best("f()", f=tkplatform.get_os_type)
    rows.append(("get_os_type()", ours, "platform.system()", direct))
    if frametest is not None:
        builtin = best("f(-7)", f=abs)
        one = best("f(7)", f=frametest.single)
        rows.append(("one-argument call", one, "abs(-7)", builtin))
        rows.append(("one-argument call", one, "pure-Python def", best("f(7)", f=python_single)))
        # The interpreter specialises calls of its own builtin functions only; any other C
        # callable, its own functools.partial included, takes the generic call.
        rows.append(("one-argument call", one, "partial(abs)(-7)",
                     best("f(-7)", f=functools.partial(abs))))
        two = best("f(1, 2)", f=frametest.two)
        rows.append(("two-argument call", two, "divmod(7, 2)", best("f(7, 2)", f=divmod)))
        kw = best("f(1, c=9)", f=frametest.opt)
        rows.append(("keyword call", kw, "int('7', base=10)", best("f('7', base=10)", f=int)))
        w = frametest.Widget(3)
        rows.append(("method call w.get()", best("w.get()", w=w), "[].copy()",
                     best("l.copy()", l=[])))
    print("%-22s %12s   %-20s %12s %8s" % ("workload", "tallowkit ns", "against", "ns", "ratio"))
    for name, t, peer, p in rows:
        print("%-22s %12.1f   %-20s %12.1f %8.2f" % (name, t, peer, p, t / p))


if __name__ == "__main__":
    main()
