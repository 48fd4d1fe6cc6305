"""The wrapper of one Word document, the root of the wrappers over python-docx.

A `ScrivBook` opens or creates a document and hands out its parts as the package's other
wrappers: body paragraphs as `ScrivBlock`, sections as `ScrivPart` (and through them the
paragraphs of headers and footers), tables as `ScrivGrid`. Every wrapper below it carries the
`ScrivBook` as its `doce` attribute. Getters build new wrappers over the document as it is at
the call; nothing is cached. A sibling wrapper module is imported on the first call that needs
it, not when this module loads.
"""

from typing import Any, IO

from docx.document import Document

from .scrivblock import ScrivBlock
from .scrivgrid import ScrivGrid
from .scrivpart import ScrivPart

__test__: dict[str, Any]
"""Always empty (a table that doctest would read)."""

class ScrivBook:
    """A Word document opened from a file or newly created, with its path."""

    doc: Document | None
    """The python-docx document; None after one of the close methods dropped it."""
    doc_file_path: str | IO[bytes] | None
    """The path given at construction (None for a new document); only `__init__` sets it."""

    def __init__(self, doc_file_path: str | IO[bytes] | None = None) -> None:
        """Open the document at doc_file_path, or create a new one when it is None.

        Parameters:
            doc_file_path: a path or a binary file object that `docx.Document` reads; None
                for a new, empty document. An empty text is a path, not None.

        Raises:
            docx.opc.exceptions.PackageNotFoundError: the path names no file, or not a Word
                document.
        """

    @classmethod
    def new_scrivbook(cls) -> ScrivBook:
        """Return a new `ScrivBook` over a new document.

        Returns:
            A plain `ScrivBook`, even when called on a subclass.
        """

    @classmethod
    def open_scrivbook(cls, doc_file_path: str | IO[bytes] | None) -> ScrivBook:
        """Return a new `ScrivBook` over the document at doc_file_path.

        Parameters:
            doc_file_path: the document's path or file object; None creates a new document.

        Returns:
            A plain `ScrivBook`, even when called on a subclass.

        Raises:
            docx.opc.exceptions.PackageNotFoundError: the path names no file, or not a Word
                document.
        """

    def save_scrivbook(self) -> ScrivBook:
        """Save the document to the path it was opened from.

        Returns:
            The wrapper itself, for chaining.

        Raises:
            AttributeError: the document was closed.
            OSError: the file cannot be written; it is then left as it was.

        Notes:
            A document without a path is not saved and no error is raised: the document's
            title followed by " save_scrivbook error,no path!" is printed on standard output.
            A save is all or nothing: python-docx saves to a temporary file beside the
            destination, which then replaces it in one step (see `tallowkit.io.file`).
        """

    def save_as_scrivbook(self, doc_file_path: str | IO[bytes]) -> ScrivBook:
        """Save the document to doc_file_path; the wrapper's own path does not change.

        Parameters:
            doc_file_path: where to save.

        Returns:
            The wrapper itself, for chaining.

        Raises:
            AttributeError: the document was closed.
            OSError: the file cannot be written; it is then left as it was.

        Notes:
            All or nothing: python-docx saves to a temporary file beside the destination,
            which then replaces it in one step (see `tallowkit.io.file`); a failed save leaves
            the old file as it was. A file-like object is written in place.
        """

    def close_scrivbook_save_as(self, doc_file_path: str | IO[bytes]) -> None:
        """Save the document to doc_file_path, then drop it (`doc` becomes None).

        Parameters:
            doc_file_path: where to save.

        Raises:
            AttributeError: the document was closed already.
            OSError: the file cannot be written; the document and the file are then kept.

        Notes:
            All or nothing: python-docx saves to a temporary file beside the destination,
            which then replaces it in one step (see `tallowkit.io.file`); a failed save leaves
            the old file as it was. A file-like object is written in place.
        """

    def close_scrivbook_save(self) -> None:
        """Save the document to its own path, then drop it (`doc` becomes None).

        Raises:
            AttributeError: the document was closed already.
            OSError: the file cannot be written; the document and the file are then kept.

        Notes:
            The save is all or nothing, as `save_scrivbook`. A document without a path is not saved (the message of `save_scrivbook` is
            printed) and is kept open, so that `save_as_scrivbook` can still save it; it used
            to be dropped unsaved.
        """

    def close_scrivbook_not_save(self) -> None:
        """Drop the document without saving (`doc` becomes None). May be called again."""

    def get_content_paragraph(self, index: int = 0) -> ScrivBlock:
        """Return a wrapper of one body paragraph.

        Parameters:
            index: the paragraph's index; negative values count from the end.

        Returns:
            A new `ScrivBlock` whose `doce` and `parent` are this wrapper.

        Raises:
            IndexError: there is no paragraph at index.
            AttributeError: the document was closed.
        """

    def get_content_paragraphs(self) -> list[ScrivBlock]:
        """Return wrappers of all body paragraphs, in document order.

        Returns:
            A new list of new `ScrivBlock` objects whose `doce` and `parent` are this wrapper.

        Raises:
            AttributeError: the document was closed.
        """

    def get_section(self, index: int = 0) -> ScrivPart:
        """Return a wrapper of one section.

        Parameters:
            index: the section's index; negative values count from the end.

        Returns:
            A new `ScrivPart`.

        Raises:
            IndexError: there is no section at index.
            AttributeError: the document was closed.
        """

    def get_sections(self) -> list[ScrivPart]:
        """Return wrappers of all sections, in document order.

        Returns:
            A new list of new `ScrivPart` objects.

        Raises:
            AttributeError: the document was closed.
        """

    def get_header_paragraphs(self) -> list[ScrivBlock]:
        """Return the paragraphs of the headers in force in every section.

        Returns:
            A new flat list, section after section; within a section the first-page header
            (when the section has a different first page), the primary header, and the
            even-page header (when the document has different odd and even pages).

        Raises:
            AttributeError: the document was closed.
        """

    def get_footer_paragraphs(self) -> list[ScrivBlock]:
        """Return the paragraphs of the footers in force in every section.

        Returns:
            A new flat list, in the order of `get_header_paragraphs`.

        Raises:
            AttributeError: the document was closed.
        """

    def get_header_footer_paragraphs(self) -> list[ScrivBlock]:
        """Return the header and footer paragraphs of every section.

        Returns:
            A new flat list grouped by section: the first section's header paragraphs, then
            its footer paragraphs, then the second section's, and so on.

        Raises:
            AttributeError: the document was closed.
        """

    def get_content_table(self, index: int = 0) -> ScrivGrid:
        """Return a wrapper of one table of the body.

        Parameters:
            index: the table's index; negative values count from the end.

        Returns:
            A new `ScrivGrid` whose `doce` and `parent` are this wrapper.

        Raises:
            IndexError: there is no table at index.
            AttributeError: the document was closed.
        """

    def get_content_tables(self) -> list[ScrivGrid]:
        """Return wrappers of all tables of the body, in document order.

        Returns:
            A new list of new `ScrivGrid` objects.

        Raises:
            AttributeError: the document was closed.
        """
