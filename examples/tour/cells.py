"""Cell references: column letters and numbers, A1 and (row, column)."""
import tallowkit.cvt.cellnote as cellnote


def show(workdir):
    for n in (1, 26, 27, 702, 703, 16384):
        letters = cellnote.cvt_one_to_a(n)
        print("column %5d is %-3s and back: %d" % (n, letters, cellnote.cvt_a_to_one(letters)))
    for ref in ("B12", " $aa$7 ", "XFD1048576"):
        row, col = cellnote.cvt_a1_to_r1c1(ref)
        print("%-12r -> (row %d, col %d) -> %s" % (ref, row, col, cellnote.cvt_r1c1_to_a1(row, col)))
    print("single letters:", cellnote.cvt_i_to_a(3), cellnote.cvt_a_to_i("c"))
