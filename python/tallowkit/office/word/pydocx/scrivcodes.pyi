"""Kinds of header and footer: the tag that a section wrapper gives each `ScrivMargin` as its
`headerfooter_type`. The numbers are those of Word's WdHeaderFooterIndex. Nothing in the
package compares them.
"""

from typing import Any

__test__: dict[str, Any]
"""Always empty (a table that doctest would read)."""

wdconst_scrivmargin_type_primary: int
"""1: the primary header or footer, used on every page that no other kind covers."""
wdconst_scrivmargin_type_firstpage: int
"""2: the first-page header or footer, in force while the section has a different first page."""
wdconst_scrivmargin_type_evenpages: int
"""3: the even-page header or footer, in force while the document distinguishes odd and even
pages."""
