"""The tour: every tallowkit module at work on real data.

Each field has its own section in examples/tour/<field>.py with a `show()` function; they run
here in this order.
"""
import importlib
import os
import sys
import tempfile

SECTIONS = ["platform", "numbers", "cells", "files", "word", "excel", "windows"]


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    sys.path.insert(0, os.path.join(here, "tour"))
    with tempfile.TemporaryDirectory(prefix="tallowkit-tour-") as workdir:
        for name in SECTIONS:
            if not os.path.exists(os.path.join(here, "tour", name + ".py")):
                continue
            print("\n=== %s ===" % name)
            importlib.import_module(name).show(workdir)


if __name__ == "__main__":
    main()
