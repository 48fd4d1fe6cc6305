"""The wrapper of one run of a Word paragraph: read and replace its text."""

from typing import Any

from docx.text.run import Run

from .scrivblock import ScrivBlock
from .scrivbook import ScrivBook

__test__: dict[str, Any]
"""Always empty (a table that doctest would read)."""

class ScrivSpan:
    """A run of a paragraph; its text is never cached."""

    doce: ScrivBook
    """The document wrapper at the root, read from `parae` at construction."""
    parae: ScrivBlock
    """The paragraph wrapper that made this one."""
    rng: Run
    """The python-docx run."""

    def __init__(self, parae: ScrivBlock, rng: Run) -> None:
        """Wrap a run.

        Parameters:
            parae: the paragraph wrapper (any object with a `doce` attribute).
            rng: the python-docx run.

        Raises:
            AttributeError: parae has no `doce`.
        """

    def set_text(self, text: str) -> ScrivSpan:
        """Replace the run's text.

        Parameters:
            text: the new text, handed to python-docx unchanged.

        Returns:
            The wrapper itself, for chaining (`span.set_text("x").get_text()`).
        """

    def get_text(self) -> str:
        """Return the run's text as python-docx reports it now."""
