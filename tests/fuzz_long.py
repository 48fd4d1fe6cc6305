"""The long fuzz run: every public callable, as many drawn calls as asked.

    PYTHONPATH=build/dev/pkg python tests/fuzz_long.py 2000            # calls per callable
    PYTHONPATH=build/dev/pkg python tests/fuzz_long.py 500 --seed 7 --module cellnote

Each module runs in its own child process, so a crash is reported with the module's name and
the run goes on. Prints the calls made, the callables covered and every fault.
"""
import argparse
import json
import os
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))


def child(module_name, examples, seed):
    sys.path.insert(0, HERE)
    import importlib
    import fuzzkit
    module = importlib.import_module(module_name)
    session = fuzzkit.fuzz_module(module, examples, seed, keep_going=True)
    # the first report of each fault, before hypothesis shrinks it
    print("RESULT " + json.dumps({"counts": dict(session.counts),
                                  "fault": "\n".join(session.faults) or None}))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("examples", type=int, help="drawn calls per callable")
    parser.add_argument("--seed", type=int, default=0)
    parser.add_argument("--module", default="", help="only modules whose name contains this")
    parser.add_argument("--child", help=argparse.SUPPRESS)
    args = parser.parse_args()
    if args.child:
        return child(args.child, args.examples, args.seed)
    sys.path.insert(0, HERE)
    import fuzzkit
    totals = {"calls": 0, "callables": 0, "compared": 0, "timeout": 0}
    faults = []
    start = time.time()
    for module in fuzzkit.public_modules():
        if args.module not in module.__name__:
            continue
        t0 = time.time()
        proc = subprocess.run([sys.executable, __file__, str(args.examples), "--seed",
                               str(args.seed), "--child", module.__name__],
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                              universal_newlines=True)
        lines = [l for l in proc.stdout.splitlines() if l.startswith("RESULT ")]
        if proc.returncode != 0 or not lines:
            faults.append("%s: the process died (exit %d)\n%s" % (
                module.__name__, proc.returncode, proc.stderr[-3000:]))
            continue
        result = json.loads(lines[-1][len("RESULT "):])
        for k in totals:
            totals[k] += result["counts"].get(k, 0)
        if result["fault"]:
            faults.append("%s: %s" % (module.__name__, result["fault"]))
        print("%-45s %6d calls %3d callables %6.1f s%s" % (
            module.__name__, result["counts"].get("calls", 0),
            result["counts"].get("callables", 0), time.time() - t0,
            "  FAULT" if result["fault"] else ""), flush=True)
    print("\n%d calls fuzzed, %d callables covered, %d compared with plain Python, "
          "%d timed out, %.0f s" % (totals["calls"], totals["callables"], totals["compared"],
                                    totals["timeout"], time.time() - start))
    for f in faults:
        print("\nFAULT " + f)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
