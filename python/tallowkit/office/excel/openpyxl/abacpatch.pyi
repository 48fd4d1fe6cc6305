"""Cell wrapper: remembers its worksheet and workbook wrappers and the cell's value when made."""

from typing import Any

__test__: dict[str, Any]
"""Always empty (a table that doctest would read)."""

class AbacPatch:
    """A cell, with a snapshot of its value."""

    wbe: Any
    """The workbook-level wrapper: the worksheet wrapper's `wbe`, read at construction."""
    wb: Any
    """The workbook: `wbe.wb`, read at construction."""
    wse: Any
    """The worksheet wrapper (an `AbacLeaf`, or any object with `wbe` and `ws`)."""
    ws: Any
    """The worksheet: the worksheet wrapper's `ws`, read at construction."""
    rng: Any
    """The library cell; the live value is `rng.value`."""
    value: Any
    """The cell's value when the wrapper was made: later changes of the cell do not show here,
    and assigning to it does not change the cell."""

    def __init__(self, wse: Any, rng: Any) -> None:
        """Wrap a cell.

        Parameters:
            wse: the worksheet wrapper.
            rng: the cell.

        Raises:
            AttributeError: wse lacks `wbe` or `ws`, its `wbe` lacks `wb`, or rng lacks `value`.
        """

    @classmethod
    def init_abacpatch(cls, wse: Any, rng: Any) -> AbacPatch:
        """Return `AbacPatch(wse=wse, rng=rng)`: always a plain `AbacPatch`, even on a subclass."""
