"""The wrapper of one header or footer of a section, handing out its paragraphs."""

from typing import Any

from docx.section import _Footer, _Header

from .scrivblock import ScrivBlock
from .scrivbook import ScrivBook
from .scrivpart import ScrivPart

__test__: dict[str, Any]
"""Always empty (a table that doctest would read)."""

class ScrivMargin:
    """A header or a footer: the wrapper works on `header` when it is not None, else on
    `footer` (decided anew at every call)."""

    doce: ScrivBook
    """The document wrapper at the root, read from `secte` at construction."""
    secte: ScrivPart
    """The section wrapper that made this one."""
    header: _Header | None
    """The python-docx header, or None for a footer."""
    footer: _Footer | None
    """The python-docx footer, or None for a header."""
    headerfooter_type: Any
    """The kind tag given by the builder (one of the `scrivcodes` constants); never read."""

    def __init__(
        self,
        secte: ScrivPart,
        header: _Header | None = None,
        footer: _Footer | None = None,
        headerfooter_type: Any = None,
    ) -> None:
        """Wrap a header or a footer.

        Parameters:
            secte: the section wrapper (any object with a `doce` attribute).
            header: the header, or None.
            footer: the footer, used when header is None.
            headerfooter_type: a kind tag, stored unread.

        Raises:
            AttributeError: secte has no `doce`.
        """

    def get_headerfooter_paragraph(self, index: int = 0) -> ScrivBlock:
        """Return a wrapper of one paragraph of the header (or footer).

        Parameters:
            index: the paragraph's index; negative values count from the end.

        Returns:
            A new `ScrivBlock` whose `parent` is this wrapper.

        Raises:
            IndexError: there is no paragraph at index.
            AttributeError: both `header` and `footer` are None.
        """

    def get_headerfooter_paragraphs(self) -> list[ScrivBlock]:
        """Return wrappers of all paragraphs of the header (or footer), in order.

        Raises:
            AttributeError: both `header` and `footer` are None.
        """
