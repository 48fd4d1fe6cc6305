"""Placing tkinter windows on the screen."""

import tkinter
from typing import Any

__test__: dict[str, Any]
"""Always empty (a table that doctest would read)."""

def set_wm_center(root: tkinter.Wm, width: int, height: int, dx: int = 0, dy: int = 0) -> None:
    """Centre a window of width x height pixels on the screen of root.

    Parameters:
        root: the window (a `tkinter.Tk` or `Toplevel`).
        width: the window's width in pixels.
        height: the window's height in pixels.
        dx: moves the centred window right by that many pixels (negative: left).
        dy: moves it down by that many pixels (negative: up).

    Notes:
        A window larger than the screen is put against the screen's left or top edge before
        the move, so that its top-left corner (and its title bar) stays on the screen.
    """

def set_wm_overrideredirect(root: tkinter.Wm, flag: object) -> None:
    """Take root out of the window manager's hands (flag true) or give it back (flag false).

    Parameters:
        root: the window.
        flag: counts for its truth value. A window out of the manager's hands has no title
            bar or border and is not placed by the manager.
    """

def get_geometry(width: float, height: float, left: float = 0, top: float = 0) -> str:
    """Return the geometry text "WxH+X+Y" that a Tk window's `geometry()` takes.

    Parameters:
        width: the width in pixels.
        height: the height in pixels.
        left: the x position of the window's top-left corner on the screen.
        top: the y position of that corner.

    Returns:
        For example "600x400+0+0"; each number is written as a whole number (a fraction is
        cut off).

    Raises:
        TypeError: a value is not a number.
    """
