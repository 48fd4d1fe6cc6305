"""Reads the sanitizer logs of a test run (./dev sanitize) and fails on every finding that is
the package's: any AddressSanitizer or UBSan error, and every leak whose allocation stack
passes through a tallowkit module.

Leak detection runs in every process of the run, but a leak report at exit does not end the
process (LSAN_OPTIONS=exitcode=0): libraries outside the package leave memory behind when the
interpreter exits, and LeakSanitizer cannot be told to ignore them by name, because the
interpreter's own frames carry no frame pointers and most stacks stop at the first of them.
They are counted here, by the library that made the allocation, and not held against the run:
  - the interpreter (python3.x): objects that the compiled libraries below never release;
  - numpy and Pillow, which openpyxl imports when they are installed: their module
    initialisation keeps buffers and code objects for the process's life;
  - wxPython and the GTK stack under it (libwx, libgtk, libglib, libfontconfig, libdbus, ...):
    the toolkit does not tear itself down at exit.
What the package leaks through the interpreter's allocators (a reference too many) cannot be
told apart here; tests/test_leaks.py checks every public callable for that.

    python3 sanitize/leaks.py <log directory>
"""
import collections
import glob
import os
import re
import sys

OURS = re.compile(r"/tallowkit/[^ )]*\.so|\btk::|\bnative::|/src/(frame|native|tallowkit)/")
FRAME = re.compile(r"^\s*#\d+ 0x[0-9a-f]+")


def blocks(text):
    """(kind, header, frames) for each report of a log."""
    found = []
    for line in text.splitlines():
        if re.match(r"^(Direct|Indirect) leak of", line):
            found.append(("leak", line, []))
        elif "ERROR: AddressSanitizer" in line or "runtime error:" in line:
            found.append(("error", line, []))
        elif found and FRAME.match(line):
            found[-1][2].append(line.strip())
    return found


def origin(frames):
    """The library (or source file) of the first frame above the allocator."""
    for f in frames[1:]:
        m = re.search(r"\(([^()]+?)(\+0x[0-9a-f]+)?\)$", f) or re.search(r" (\S+):\d+", f)
        if m:
            return os.path.basename(m.group(1))
    return "unknown"


def main(directory):
    ours, foreign = [], collections.Counter()
    logs = sorted(glob.glob(os.path.join(directory, "*")))
    for path in logs:
        with open(path, errors="replace") as f:
            text = f.read()
        for kind, header, frames in blocks(text):
            if kind == "error" or any(OURS.search(f) for f in frames):
                ours.append("%s (%s)\n    %s" % (header, os.path.basename(path),
                                                 "\n    ".join(frames)))
            else:
                foreign[origin(frames)] += 1
    print("sanitizer logs of %d processes; leak reports outside the package, by library:"
          % len(logs))
    for lib, n in foreign.most_common():
        print("  %6d  %s" % (n, lib))
    for report in ours:
        print("\nTHE PACKAGE'S: " + report)
    print("%d finding(s) of the package's" % len(ours))
    return 1 if ours else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
