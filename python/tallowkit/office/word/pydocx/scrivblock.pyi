"""The wrapper of one paragraph of a Word document, handing out its runs."""

from typing import Any

from docx.text.paragraph import Paragraph

from .scrivbook import ScrivBook
from .scrivgrid import ScrivGrid
from .scrivmargin import ScrivMargin
from .scrivspan import ScrivSpan

__test__: dict[str, Any]
"""Always empty (a table that doctest would read)."""

class ScrivBlock:
    """A paragraph of the body, of a header or footer, or of a table cell."""

    doce: ScrivBook
    """The document wrapper at the root."""
    para: Paragraph
    """The python-docx paragraph."""
    parent: ScrivBook | ScrivMargin | ScrivGrid
    """The wrapper that made this one: the document, a header/footer or a table."""

    def __init__(
        self, doce: ScrivBook, para: Paragraph, parent: ScrivBook | ScrivMargin | ScrivGrid
    ) -> None:
        """Wrap a paragraph; the three values are stored unchecked.

        Parameters:
            doce: the document wrapper.
            para: the python-docx paragraph.
            parent: the wrapper that made this one.
        """

    def get_range(self, index: int = 0) -> ScrivSpan:
        """Return a wrapper of one run of the paragraph.

        Parameters:
            index: the run's index; negative values count from the end.

        Returns:
            A new `ScrivSpan` over the run, whose `parae` is this wrapper.

        Raises:
            IndexError: there is no run at index (an empty paragraph has none).
        """

    def get_ranges(self) -> list[ScrivSpan]:
        """Return wrappers of all runs of the paragraph, in order (empty for no runs)."""
