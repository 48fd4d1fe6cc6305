"""What all-or-nothing saving costs: each writer against the in-place write it replaced.

    python bench/replace.py [--dir DIR] [--repeat N]

Saves a 1 MB document (python-docx), a 1 MB legacy workbook (xlwt) and a 1 MB workbook
(openpyxl) over an existing file, the old way (the library's save straight over the file)
and through the package (written beside, renamed over), alternately in one process, and
what an fsync of the saved file and its directory would add; then writes a 10 MB text file
in place, through write_all_text, and through write_all_text with that fsync, on the disk
(DIR, by default a directory under build/) and on a tmpfs (/dev/shm). Best of N runs each;
the ratio is the median of new / old over the rounds.
"""
import argparse
import os
import random
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def best(f, repeat):
    times = []
    for _ in range(repeat):
        start = time.perf_counter()
        f()
        times.append(time.perf_counter() - start)
    return min(times)


def pair(old, new, repeat):
    """Best times of old and new, and the median of their ratios round by round: each round
    runs both back to back (in turn old first, new first), so that a busy moment of the
    machine falls on both."""
    t_old, t_new, ratios = [], [], []
    for i in range(repeat):
        if i % 2:
            b, a = best(new, 1), best(old, 1)
        else:
            a, b = best(old, 1), best(new, 1)
        t_old.append(a)
        t_new.append(b)
        ratios.append(b / a)
    return min(t_old), min(t_new), sorted(ratios)[len(ratios) // 2]


def letters(n, seed):
    r = random.Random(seed)
    return "".join(r.choice("abcdefghijklmnopqrstuvwxyz ") for _ in range(n))


def docx_case(d):
    import docx
    from tallowkit.office.word.pydocx.scrivbook import ScrivBook
    path = os.path.join(d, "report.docx")
    doc = docx.Document()
    for i in range(110):
        doc.add_paragraph(letters(16000, i))
    doc.save(path)
    book = ScrivBook(path)
    return ("docx, ScrivBook.save_scrivbook", lambda: book.doc.save(path), book.save_scrivbook,
            path)


def xls_case(d):
    from tallowkit.office.excel.xlrwu.abacvault import AbacVault
    path = os.path.join(d, "book.xls")
    vault = AbacVault()
    sheet = vault.add_worksheet("data")
    for row in range(4000):
        sheet.write(row, 0, letters(250, row))
    vault.save_as(path)
    return ("xls, AbacVault.save_as", lambda: vault.wbwt.save(path), lambda: vault.save_as(path),
            path)


def xlsx_case(d):
    from tallowkit.office.excel.openpyxl.abacbook import AbacBook
    path = os.path.join(d, "book.xlsx")
    book = AbacBook()
    for row in range(1, 5001):
        book.wb.active.cell(row, 1, letters(300, row))
    book.save_as(path)
    return ("xlsx, AbacBook.save_as", lambda: book.wb.save(path), lambda: book.save_as(path),
            path)


def documents(d):
    """(name, old save, new save, path) for each document kind, each about 1 MB on disk."""
    out = []
    for case in (docx_case, xls_case, xlsx_case):
        try:
            out.append(case(d))
        except ImportError:  # the library is not installed for this interpreter
            pass
    return out


def text_writes(d, s):
    import tallowkit.io.file as tfile
    path = os.path.join(d, "big.txt")

    def in_place():
        with open(path, "w", encoding="utf-8") as f:
            f.write(s)

    return in_place, lambda: tfile.write_all_text(path, s), path


def fsync_after(write, path, repeat):
    """The time of the fsync of what write() has just written (median of the runs)."""
    times = []
    for _ in range(repeat):
        write()
        times.append(best(lambda: fsync(path), 1))
    return sorted(times)[len(times) // 2]


def fsync(path):
    """The fsync of a file and of its directory, as a synced replacement makes them."""
    for p in (path, os.path.dirname(path)):
        fd = os.open(p, os.O_RDONLY)
        os.fsync(fd)
        os.close(fd)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--dir", default=os.path.join(ROOT, "build", "bench-replace"))
    parser.add_argument("--repeat", type=int, default=7)
    args = parser.parse_args()
    os.makedirs(args.dir, exist_ok=True)
    disk = tempfile.mkdtemp(dir=args.dir)
    print("Saving over an existing file: in place (old) vs beside, renamed (new); the fsync")
    print("that a synced save would add, and the ratio it would give")
    print("%-32s %6s %8s %8s %7s %8s %7s" % ("writer", "size", "old ms", "new ms", "ratio",
                                          "fsync ms", "synced"))
    for name, old, new, path in documents(disk):
        t_old, t_new, ratio = pair(old, new, args.repeat)
        t_sync = fsync_after(new, path, args.repeat)
        print("%-32s %5.2fM %8.1f %8.1f %7.3f %8.1f %7.3f" % (
            name, os.path.getsize(path) / 1e6, t_old * 1e3, t_new * 1e3, ratio,
            t_sync * 1e3, ratio + t_sync / t_old))
    print()
    print("write_all_text of 10 MB: in place, replaced (no fsync), and the fsync of the file")
    print("and its directory that a synced writer would add")
    print("%-34s %10s %10s %10s %8s" % ("file system", "in place", "replaced", "fsync ms",
                                       "synced"))
    s = letters(10 * 1000 * 1000, 0)
    places = [("disk (%s)" % args.dir, disk)]
    if os.path.isdir("/dev/shm"):
        places.append(("tmpfs (/dev/shm)", tempfile.mkdtemp(dir="/dev/shm")))
    for label, d in places:
        in_place, replaced, path = text_writes(d, s)
        t_old, t_new, ratio = pair(in_place, replaced, args.repeat)
        t_sync = fsync_after(replaced, path, args.repeat)
        print("%-34s %10.1f %10.1f %10.1f %8.2f" % (label[:34], t_old * 1e3, t_new * 1e3,
                                                    t_sync * 1e3, ratio + t_sync / t_old))
    # what a replacement costs by itself, whatever the size: a file of a few bytes
    in_place, replaced, _ = text_writes(disk, "x")
    small_old, small_new, _ = pair(in_place, replaced, 200)
    print()
    print("a 1-byte write_all_text on disk: %.1f us in place, %.1f us replaced (+%.1f us a "
          "call)" % (small_old * 1e6, small_new * 1e6, (small_new - small_old) * 1e6))
    for d in [d for _, d in places]:
        for n in os.listdir(d):
            os.remove(os.path.join(d, n))
        os.rmdir(d)
    return 0


if __name__ == "__main__":
    sys.exit(main())
