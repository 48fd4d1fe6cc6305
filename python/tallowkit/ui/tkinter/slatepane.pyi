"""A tkinter root window made, titled and placed in one constructor call."""

import tkinter
from typing import Any

__test__: dict[str, Any]
"""Always empty (a table that doctest would read)."""

class SlatePane:
    """A tkinter root window."""

    root: tkinter.Tk
    """The root window made by the constructor."""

    def __init__(
        self,
        overrideredirect: object = False,
        center: object = True,
        title: str = "Form",
        width: int = 600,
        height: int = 400,
        left: int = 0,
        top: int = 0,
    ) -> None:
        """Create the root window, then title and place it.

        Parameters:
            overrideredirect: when true, the window is taken out of the window manager's hands
                (no title bar or border) and title is not used.
            center: when true, the window is centred on the screen (left and top are not
                used); else it is put at (left, top).
            title: the window's title.
            width: the width in pixels.
            height: the height in pixels.
            left: the x position, when not centred.
            top: the y position, when not centred.

        Raises:
            tkinter.TclError: no display is available.
        """

    def mainloop(self) -> None:
        """Run the window's event loop; return when it ends (the window closed)."""
