"""Spreadsheet column letters and numbers, A1 references and (row, column) pairs.

Columns are numbered from 1 ('A' is 1, 'Z' 26, 'AA' 27, 'XFD' 16384): the letters form a
bijective base-26 numeral with no zero digit. An A1 reference is a text such as 'B12'; its
R1C1 form is the tuple (row, col), row first. Nothing is validated: every failure is the
interpreter's own error. The one-argument functions take their argument by position only.
"""

from typing import Any

__test__: dict[str, Any]
"""Always empty (a table that doctest would read)."""

def cvt_i_to_a(i: int, /) -> str:
    """Return the single letter of column number i: `chr(i + 64)`.

    Parameters:
        i: 1 to 26 for 'A' to 'Z'. Nothing is checked: 0 gives '@', 27 gives '['.

    Returns:
        A text of one character.

    Raises:
        ValueError: i + 64 is outside the range of `chr`.
        TypeError: i + 64 is not an int (a float, for example).
    """

def cvt_a_to_i(a: str | bytes, /) -> int:
    """Return the column number of one letter: the code of `a.upper()` minus 64.

    Parameters:
        a: one letter, either case ('a' and 'A' give 1); a one-byte bytes object counts its
            byte. Nothing is checked: '1' gives -15.

    Returns:
        An int.

    Raises:
        ValueError: a text of any length but 1, with the message "only single character
            unicode strings can be converted to Py_UCS4, got length N".
        TypeError: bytes of any length but 1, or an object that is neither text nor bytes.
        AttributeError: a has no `upper` method.
    """

def cvt_one_to_a(i: float, /) -> str:
    """Return the column letters of column number i, of any size.

    Parameters:
        i: the column number; an int (exact at any size) or an integral float.

    Returns:
        'A' for 1, 'Z' for 26, 'AA' for 27, 'XFD' for 16384; the empty text for 0 and below.

    Raises:
        TypeError: i cannot be compared with 0.
        ValueError: i is an infinite float (its remainder is NaN, which `int` refuses).

    Notes:
        An int is divided exactly, so the letters are right for columns beyond 2^53 too
        (dividing in floating point used to lose the last letters there and overflow past
        2^1024). A float argument keeps floating-point division, exact only while the
        values stay below 2^53.
    """

def cvt_a_to_one(s: str, /) -> int:
    """Return the column number of the column letters s.

    Parameters:
        s: the letters, either case. It is upper-cased but not stripped, and every character
            counts with its code minus 64: ' A' gives -831.

    Returns:
        1 for 'A', 27 for 'AA', 16384 for 'xfd'; 0 for the empty text.

    Raises:
        AttributeError: s has no `upper` method.
        TypeError: s holds items that are not one-character texts (bytes, for example).
    """

def cvt_a1_to_r1c1(a1: str, /) -> tuple[int, int]:
    """Return the (row, col) pair of an A1 reference.

    Parameters:
        a1: the reference, for example 'B12'. Case and surrounding blanks do not matter, and
            characters that are neither letters nor digits are skipped wherever they stand:
            '$B$12' and '12B' both give (12, 2); 'A1B2' gives (12, 28).

    Returns:
        A tuple (row, col) of two ints, row first: (12, 2) for 'b12'; (7, 0) for '7'.

    Raises:
        ValueError: the reference holds no digit (from `int('')`), for example 'C'.
        AttributeError: a1 has no `upper` or `strip` method.
    """

def cvt_r1c1_to_a1(row: object, col: float) -> str:
    """Return the A1 reference of a row and a column number: `cvt_one_to_a(col) + str(row)`.

    Parameters:
        row: the row; written with `str`, so 12.0 gives '12.0'.
        col: the column number; 0 or below gives no letters.

    Returns:
        'C7' for row 7 and column 3; '7' for row 7 and column 0.
    """
