"""The tour: every tallowkit module at work on real data.

Each field has its own section in examples/tour/<field>.py with a `show()` function; they run
here in this order.
"""
import importlib.util
import os
import tempfile

SECTIONS = ["platform", "numbers", "cells", "files", "word", "excel", "windows"]


def load_section(path, name):
    # Loaded by path under a private name, so that a section called like a standard module
    # (platform) never shadows it.
    spec = importlib.util.spec_from_file_location("tallowkit_tour_" + name, path)
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    return module


def main():
    here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "tour")
    with tempfile.TemporaryDirectory(prefix="tallowkit-tour-") as workdir:
        for name in SECTIONS:
            path = os.path.join(here, name + ".py")
            if os.path.exists(path):
                print("\n=== %s ===" % name)
                load_section(path, name).show(workdir)


if __name__ == "__main__":
    main()
