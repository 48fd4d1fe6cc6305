"""Workbook wrapper over openpyxl: the entry point of the openpyxl wrappers.

    book = AbacBook.open_abacbook('data.xlsx')   # or AbacBook() for a new workbook
    leaf = book.get_worksheet(0)                  # or book.get_worksheet_by_name('Sheet')
    leaf.cells(1, 1).value                        # the value of A1
    book.save_as()                                # back over data.xlsx
"""

from typing import Any

from .abacleaf import AbacLeaf

__test__: dict[str, Any]
"""Always empty (a table that doctest would read)."""

class AbacBook:
    """An openpyxl workbook, new or loaded from a file, with its path."""

    xl_file_path: str | None
    """The path given at construction (None for a new workbook)."""
    wb: Any
    """The openpyxl workbook."""

    def __init__(self, xl_file_path: str | None = None) -> None:
        """Load the workbook at xl_file_path, or create a new one when it is None.

        Parameters:
            xl_file_path: the .xlsx file to load; None for a new workbook with one worksheet.

        Raises:
            FileNotFoundError: the file does not exist.
            openpyxl.utils.exceptions.InvalidFileException: the file is not a workbook openpyxl
                reads.
        """

    @classmethod
    def new_abacbook(cls) -> AbacBook:
        """Return a new `AbacBook` over a new workbook (always a plain `AbacBook`)."""

    @classmethod
    def open_abacbook(cls, xl_file_path: str) -> AbacBook:
        """Return a new `AbacBook` over the workbook at xl_file_path (always a plain `AbacBook`).

        Raises:
            FileNotFoundError: the file does not exist.
        """

    def get_worksheet(self, index: int = 0) -> AbacLeaf:
        """Return a wrapper of one worksheet.

        Parameters:
            index: the worksheet's index from 0, in workbook order; negative values count from
                the end.

        Raises:
            IndexError: there is no worksheet at index.
        """

    def get_worksheet_by_name(self, ws_name: str) -> AbacLeaf:
        """Return a wrapper of the worksheet named ws_name.

        Raises:
            KeyError: no worksheet has that name.
        """

    def get_worksheets(self) -> list[AbacLeaf]:
        """Return wrappers of all worksheets, in workbook order."""

    def add_worksheet(self, ws_name: str | None = None) -> AbacLeaf:
        """Add a worksheet at the end and return its wrapper.

        Parameters:
            ws_name: the name; None lets openpyxl choose one.
        """

    def save_as(self, xl_file_path: str | None = None) -> AbacBook:
        """Save the workbook.

        Parameters:
            xl_file_path: where to save; None saves over the file it was loaded from.

        Returns:
            The wrapper itself, for chaining.

        Raises:
            ValueError: xl_file_path is None and the workbook was not loaded from a file (the
                message says so, rather than failing inside the zip writer).
            OSError: the file cannot be written; it is then left as it was.

        Notes:
            All or nothing: openpyxl saves to a temporary file beside the destination, which
            then replaces it in one step (see `tallowkit.io.file`); a failed save leaves the
            old file as it was. A file-like object is written in place.
        """
