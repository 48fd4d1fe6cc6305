"""The README's taste as a typed script: `mypy --strict examples/typed_taste.py` checks it
against the package's stubs (`./dev stubs` does). It runs too, in a scratch directory:

    python examples/typed_taste.py
"""
import os
import tempfile
from collections import Counter

import tallowkit.base.platform as platform
import tallowkit.cvt.cellnote as cellnote
import tallowkit.io.file as tfile
import tallowkit.math.prime as prime
from tallowkit.office.excel.openpyxl.abacbook import AbacBook
from tallowkit.office.excel.xlrwu.abacvault import AbacVault
from tallowkit.office.word.pydocx.scrivbook import ScrivBook
from tallowkit.ui.tkinter.slatepane import SlatePane


def numbers() -> None:
    factors: dict[int, int] = prime.prime_factors_list_cleaner_sorted(360)
    counted: Counter[int] = prime.prime_factors_list_cleaner(360)
    primes: list[int] = prime.get_all_primes(0, 30)
    after: int = prime.get_next_prime(10**12)
    below: int | None = prime.get_max_prime(100)
    below_float: float | None = prime.get_max_prime(100.0)  # floats work too: 97.0
    print(factors, dict(counted), primes, after, below, below_float, prime.is_prime(7.0))


def cells() -> None:
    row, col = cellnote.cvt_a1_to_r1c1("B12")
    reference: str = cellnote.cvt_r1c1_to_a1(7, 28)
    print(row + 1, col + 1, reference.lower())


def files(workdir: str) -> None:
    notes = os.path.join(workdir, "notes.txt")
    tfile.write_all_lines(notes, ["a", "b"])
    lines: list[str] = tfile.read_all_lines(notes)
    print(lines, tfile.read_one_line(notes, -1).rstrip())


def word(workdir: str) -> None:
    path = os.path.join(workdir, "report.docx")
    book = ScrivBook.new_scrivbook()
    assert book.doc is not None
    book.doc.add_paragraph("Hello")
    book.save_as_scrivbook(path)
    book = ScrivBook.open_scrivbook(path)
    span = book.get_content_paragraph(0).get_range(0).set_text("Hello, typed world")
    print(span.get_text(), len(book.get_header_paragraphs()))
    book.close_scrivbook_save()


def spreadsheets(workdir: str) -> None:
    xls = os.path.join(workdir, "old.xls")
    vault = AbacVault()
    vault.add_worksheet("Sheet1")
    vault.set_sheet_cell_value(42, sheet=1, row=2, col=3).save_as(xls)
    print(AbacVault(xls).get_sheet_cell_value(sheet="Sheet1", row=2, col=3))
    xlsx = os.path.join(workdir, "data.xlsx")
    book = AbacBook()
    book.get_worksheet().ws.cell(1, 1).value = "A1"
    book.save_as(xlsx)
    print(AbacBook.open_abacbook(xlsx).get_worksheet().cells(1, 1).value)


def window() -> None:  # type-checked, not run: it opens a window until it is closed
    SlatePane(title="Hi", center=False, left=10, top=10).mainloop()


def main() -> None:
    print(platform.get_os_type(), platform.is_linux())
    numbers()
    cells()
    with tempfile.TemporaryDirectory(prefix="tallowkit-typed-") as workdir:
        files(workdir)
        word(workdir)
        spreadsheets(workdir)


if __name__ == "__main__":
    main()
