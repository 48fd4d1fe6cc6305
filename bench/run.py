"""Runs the detailed benchmark scripts with this interpreter, passing the arguments on.

    python bench/run.py [--quick | --full]
"""
import subprocess
import sys
from pathlib import Path


def main():
    here = Path(__file__).resolve().parent
    failed = []
    for script in (here / name for name in ("frame.py", "prime.py", "cellnote.py", "replace.py")):
        print("== %s" % script.relative_to(here.parent), flush=True)
        if subprocess.call([sys.executable, str(script)] + sys.argv[1:]) != 0:
            failed.append(script.name)
        print(flush=True)
    if failed:
        print("failed: " + ", ".join(failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
