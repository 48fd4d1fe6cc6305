"""The wrapper of one table of a Word document, handing out the paragraphs of its cells."""

from typing import Any

from docx.table import Table

from .scrivblock import ScrivBlock
from .scrivbook import ScrivBook

__test__: dict[str, Any]
"""Always empty (a table that doctest would read)."""

class ScrivGrid:
    """A table of the document body."""

    doce: ScrivBook
    """The document wrapper at the root, handed on to every paragraph wrapper."""
    table: Table
    """The python-docx table."""
    parent: ScrivBook
    """The wrapper that made this one; never read."""

    def __init__(self, doce: ScrivBook, table: Table, parent: ScrivBook) -> None:
        """Wrap a table; the three values are stored unchecked.

        Parameters:
            doce: the document wrapper.
            table: the python-docx table.
            parent: the wrapper that made this one.
        """

    def get_cell_paragraphs(self, row: int = 0, col: int = 0) -> list[ScrivBlock]:
        """Return wrappers of the paragraphs of one cell, in order.

        Parameters:
            row: the cell's row, from 0.
            col: the cell's column, from 0.

        Returns:
            A new list of new `ScrivBlock` objects whose `parent` is this wrapper.

        Raises:
            IndexError: the table has no such cell.
        """

    def get_cells_paragraphs(self) -> list[ScrivBlock]:
        """Return wrappers of the paragraphs of all cells as one flat list: row by row, cell by
        cell, with nothing marking where a cell ends. A merged cell that a row yields more than
        once contributes its paragraphs each time."""
