"""The wrapper of one section of a Word document: its headers, footers and settings.

A section has a primary header and footer, a first-page pair and an even-page pair. The
first-page pair is in force only while the section has a different first page, the even-page
pair only while the document distinguishes odd and even pages; their getters return None
otherwise. Nothing is cached: every call reads the section and the settings anew.
"""

from typing import Any

from docx.section import Section

from .scrivblock import ScrivBlock
from .scrivbook import ScrivBook
from .scrivcodes import *
from .scrivmargin import ScrivMargin

__test__: dict[str, Any]
"""Always empty (a table that doctest would read)."""

class ScrivPart:
    """One section of a document, with the document wrapper it belongs to."""

    doce: ScrivBook
    """The document wrapper at the root; the even-page methods read its `doc`."""
    sect: Section
    """The python-docx section."""

    def __init__(self, doce: ScrivBook, sect: Section) -> None:
        """Wrap a section.

        Parameters:
            doce: the document wrapper that owns the section.
            sect: the python-docx section.
        """

    def is_odd_and_even_pages_header_footer(self) -> bool:
        """Tell whether the document has different odd and even page headers and footers.

        Returns:
            The document's setting, the same for every section.

        Raises:
            AttributeError: the document was closed.
        """

    def is_different_first_page_header_footer(self) -> bool:
        """Tell whether this section has a different first-page header and footer."""

    def get_primary_page_header(self) -> ScrivMargin:
        """Return a wrapper of the section's primary header, tagged
        `wdconst_scrivmargin_type_primary`."""

    def get_primary_page_footer(self) -> ScrivMargin:
        """Return a wrapper of the section's primary footer, tagged
        `wdconst_scrivmargin_type_primary`."""

    def get_first_page_header(self) -> ScrivMargin | None:
        """Return a wrapper of the first-page header, tagged
        `wdconst_scrivmargin_type_firstpage`, or None while the section has no different first
        page (asked through `is_different_first_page_header_footer`, so an override counts)."""

    def get_first_page_footer(self) -> ScrivMargin | None:
        """Return a wrapper of the first-page footer, or None while the section has no
        different first page."""

    def get_even_page_header(self) -> ScrivMargin | None:
        """Return a wrapper of the even-page header, tagged `wdconst_scrivmargin_type_evenpages`,
        or None while the document does not distinguish odd and even pages.

        Raises:
            AttributeError: the document was closed.
        """

    def get_even_page_footer(self) -> ScrivMargin | None:
        """Return a wrapper of the even-page footer, or None while the document does not
        distinguish odd and even pages.

        Raises:
            AttributeError: the document was closed.
        """

    def get_header_paragraphs(self) -> list[ScrivBlock]:
        """Return the paragraphs of the headers in force.

        Returns:
            A new list: first-page header paragraphs (if in force), primary, even-page (if in
            force), each in paragraph order; each `ScrivBlock`'s `parent` is the `ScrivMargin`
            of its own header.

        Raises:
            AttributeError: the document was closed.
        """

    def get_footer_paragraphs(self) -> list[ScrivBlock]:
        """Return the paragraphs of the footers in force, in the order of
        `get_header_paragraphs`.

        Raises:
            AttributeError: the document was closed.
        """

    def get_header_footer_paragraphs(self) -> list[ScrivBlock]:
        """Return a new list: the header paragraphs followed by the footer paragraphs.

        Raises:
            AttributeError: the document was closed.
        """
