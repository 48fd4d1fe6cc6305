"""Spreadsheets: a legacy .xls through AbacVault, an .xlsx through AbacBook and its wrappers."""
import os

from tallowkit.office.excel.openpyxl.abacbook import AbacBook
from tallowkit.office.excel.xlrwu.abacvault import AbacVault


def show_xls(workdir):
    path = os.path.join(workdir, "budget.xls")
    vault = AbacVault()  # a new workbook; sheets, rows and columns count from 1
    vault.add_worksheet("budget")
    for row, (item, amount) in enumerate([("item", "amount"), ("paper", 12.5), ("toner", 80)], 1):
        vault.set_sheet_cell_value(item, "budget", row, 1).set_sheet_cell_value(amount, 1, row, 2)
    vault.save_as(path)

    vault = AbacVault(path)  # reopened: reads see the file, writes go to a copy
    print("xls B3 as written:", vault.get_sheet_cell_value("budget", 3, 2))
    vault.set_sheet_cell_value(95.0, "budget", 3, 2)
    print("xls B3 before saving (reads see the file):", vault.get_sheet_cell_value(1, 3, 2))
    vault.save_as(None)  # back over budget.xls
    print("xls B3 after saving and reopening:", AbacVault(path).get_sheet_cell_value(1, 3, 2))


def show_xlsx(workdir):
    path = os.path.join(workdir, "stock.xlsx")
    book = AbacBook.new_abacbook()
    leaf = book.get_worksheet(0)
    leaf.ws.title = "stock"
    for row in [("item", "count"), ("pens", 40), ("folders", 7)]:
        leaf.ws.append(row)
    book.save_as(path)

    book = AbacBook.open_abacbook(path)
    patch = book.get_worksheet_by_name("stock").cells(3, 2)
    print("xlsx B3:", patch.value, "| its sheet:", patch.ws.title, "| same book:", patch.wbe is book)
    patch.rng.value = patch.value + 5  # the live cell; patch.value stays a snapshot
    book.save_as()
    reread = AbacBook(path).get_worksheet().cells(3, 2)
    print("xlsx B3 after saving and reopening:", reread.value, "(snapshot was %s)" % patch.value)


def show(workdir):
    show_xls(workdir)
    show_xlsx(workdir)
