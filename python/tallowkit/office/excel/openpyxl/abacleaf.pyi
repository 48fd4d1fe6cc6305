"""Worksheet wrapper: hands out cell wrappers (`AbacPatch`) of an openpyxl-style worksheet.

Nothing of openpyxl is imported: the worksheet only needs a method `cell(row, col)` (1-based)
whose result has a `value`, and the workbook-level wrapper only an attribute `wb`.
"""

from typing import Any

from .abacpatch import AbacPatch

__test__: dict[str, Any]
"""Always empty (a table that doctest would read)."""

class AbacLeaf:
    """A worksheet with the workbook wrapper it belongs to."""

    wbe: Any
    """The workbook-level wrapper (an `AbacBook`, or any object with a `wb`)."""
    wb: Any
    """The workbook: `wbe.wb`, read once at construction."""
    ws: Any
    """The library worksheet."""

    def __init__(self, wbe: Any, ws: Any) -> None:
        """Wrap a worksheet.

        Parameters:
            wbe: the workbook-level wrapper; its `wb` is read now.
            ws: the worksheet.

        Raises:
            AttributeError: wbe has no `wb`.
        """

    @classmethod
    def init_abacleaf(cls, wbe: Any, ws: Any) -> AbacLeaf:
        """Return `AbacLeaf(wbe=wbe, ws=ws)`: always a plain `AbacLeaf`, even on a subclass."""

    def cells(self, row: int = 1, col: int = 1) -> AbacPatch:
        """Return a new wrapper of one cell.

        Parameters:
            row: the 1-based row, passed to the worksheet unchanged.
            col: the 1-based column, passed unchanged.

        Returns:
            A new `AbacPatch` (two calls give two wrappers of the same cell).

        Raises:
            ValueError: openpyxl refuses a row or column below 1.
        """
