"""Legacy .xls workbooks: read, change cell by cell, save.

Built on three libraries: xlrd reads the file into a read-only book, xlwt builds and saves
writable workbooks, and xlutils (`xlutils.copy`) turns the read book into a writable copy.
Reads come from the book as it was read when the wrapper was made; writes go to the writable
copy and reach the disk only with `save_as`. A value written with `set_sheet_cell_value` is
therefore never seen by `get_sheet_cell_value` on the same wrapper.

Sheets, rows and columns are counted from 1 (the libraries count from 0). A sheet is named by
an exact `str`, or given as a 1-based index.
"""

from typing import Any

__test__: dict[str, Any]
"""Always empty (a table that doctest would read)."""

class AbacVault:
    """An .xls workbook: a new one, or one read from a file together with a writable copy."""

    wbrd: Any
    """The read-only xlrd book read from the file, or None for a new workbook."""
    wbwt: Any
    """The writable xlwt workbook that receives every write: a new one, or the copy of `wbrd`."""
    xl_file_path: str | None
    """The path given at construction (None for a new workbook); `save_as(None)` saves there."""

    def __init__(self, xl_file_path: str | None = None, encoding: str | None = None) -> None:
        """Open the workbook at xl_file_path, or create a new one when it is None.

        Parameters:
            xl_file_path: the .xls file to read; None for a new, empty workbook.
            encoding: for a new workbook, xlwt's encoding; for a file, xlrd's
                `encoding_override`.

        Raises:
            FileNotFoundError: the file does not exist.
            xlrd.biffh.XLRDError: the file is not an .xls workbook.
            ImportError: xlutils is missing (only when a file is opened).

        Notes:
            The book is read with its formatting, so that saving the writable copy over the
            source keeps dates and fonts (without it they were lost on save).
        """

    def add_worksheet(self, ws_name: str, cell_overwrite_ok: bool = True) -> Any:
        """Add a sheet to the writable workbook.

        Parameters:
            ws_name: the sheet's name.
            cell_overwrite_ok: whether a cell may be written more than once.

        Returns:
            The new xlwt sheet.

        Raises:
            Exception: xlwt refuses a duplicate or invalid name.
        """

    def get_sheet_cell_value(self, sheet: str | int = 1, row: int = 1, col: int = 1) -> Any:
        """Return a cell's value from the book as it was read.

        Parameters:
            sheet: the sheet's name (an exact `str`) or its 1-based index.
            row: the 1-based row.
            col: the 1-based column.

        Returns:
            The value as xlrd gives it: a float, a text, the empty text for an empty cell, ...

        Raises:
            AttributeError: the workbook is new (there is nothing read).
            IndexError: the row, column or sheet index is outside the book.
            xlrd.biffh.XLRDError: no sheet has that name.
        """

    def set_sheet_cell_value(
        self, value: Any, sheet: str | int = 1, row: int = 1, col: int = 1
    ) -> AbacVault:
        """Write a value into a cell of the writable workbook.

        Parameters:
            value: the value, as xlwt takes it (number, text, date, ...).
            sheet: the sheet's name (an exact `str`) or its 1-based index.
            row: the 1-based row.
            col: the 1-based column.

        Returns:
            The wrapper itself, so that writes can be chained.

        Raises:
            IndexError: no sheet at that index.
            Exception: xlwt's plain exception: no sheet has that name ("Formula: unknown sheet
                name ..."), or a cell is written twice while its sheet forbids overwriting.
        """

    def save_as(self, xl_file_path: str | None) -> None:
        """Save the writable workbook.

        Parameters:
            xl_file_path: where to save; None saves over the file the workbook was read from.
                The wrapper's own path does not change.

        Raises:
            TypeError: xl_file_path is None and the workbook is new, so there is no path.
            OSError: the file cannot be written; it is then left as it was.

        Notes:
            All or nothing: xlwt saves to a temporary file beside the destination, which then
            replaces it in one step (see `tallowkit.io.file`); a failed save leaves the old
            file as it was. A file-like object is written in place.
        """
