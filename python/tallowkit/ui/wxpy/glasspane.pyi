"""A wxPython top-level frame in a few chained calls:

    WxFrame(size=(800, 600), title="Hi").seticon("app.ico").center().show().mainloop()

The defaults that name toolkit constants are read from `wx` once, when the module loads.
"""

from collections.abc import Sequence
from typing import Any

__test__: dict[str, Any]
"""Always empty (a table that doctest would read)."""

class WxFrame:
    """A wx application object with one frame, hidden until `show`."""

    wxapp: Any
    """The `wx.App` of this process."""
    wxfrm: Any
    """The `wx.Frame`."""
    icon: Any
    """None until `seticon`; then the `wx.Icon` set on the frame."""

    def __init__(
        self,
        size: Sequence[int] | None = None,
        title: str = "WxFrame",
        pos: Sequence[int] | None = None,
        style: int = ...,
        parent: Any = None,
        id: int = ...,
        name: str | bytes = ...
    ) -> None:
        """Create the application object (if there is none yet) and a hidden frame.

        Parameters:
            size: (width, height), items 0 and 1 used; None for the toolkit's default size.
            title: the frame's title.
            pos: (x, y) of the frame; None for the toolkit's default position.
            style: the frame style; `wx.DEFAULT_FRAME_STYLE` by default.
            parent: the parent window, or None.
            id: the window identifier; `wx.ID_ANY` by default.
            name: the window name; `wx.FrameNameStr` by default (bytes in some wxPython builds).

        Raises:
            IndexError: size or pos has fewer than two items.
            TypeError: size or pos cannot be indexed.

        Notes:
            An application object that already exists is reused: a second `wx.App` made
            after an earlier main loop has run takes the interpreter down.
        """

    def mainloop(self) -> None:
        """Run the toolkit's event loop; return when it ends (the last window closed)."""

    def show(self, show: bool = True) -> WxFrame:
        """Show (or, with False, hide) the frame; return the wrapper for chaining."""

    def center(self, d: int = ...) -> WxFrame:
        """Centre the frame on the screen; return the wrapper for chaining.

        Parameters:
            d: the direction, passed as `dir`: `wx.BOTH` by default, or `wx.HORIZONTAL` or
                `wx.VERTICAL`.
        """

    def seticon(self, fp: str) -> WxFrame:
        """Load an .ico file and set it as the frame's icon; return the wrapper for chaining.

        Parameters:
            fp: the path of the .ico file.

        Notes:
            Nothing is checked here: a file that the toolkit cannot load is reported by
            wxPython itself (a log message, or `wx.wxAssertionError` where assertions are on).
        """
