"""Which operating system the interpreter runs on.

A thin layer over the standard library's `platform.system()`: one function returns the system
name, three predicates compare it with the module's constants. Nothing is cached; the system is
asked again on every call. The constants are plain module attributes: rebinding one (for
example `Linux = "Windows"`) changes what its predicate answers.
"""

from typing import Any

__test__: dict[str, Any]
"""Always empty (a table that doctest would read)."""

Windows: str
"""The system name that `is_windows` compares with: "Windows"."""
Linux: str
"""The system name that `is_linux` compares with: "Linux"."""
Mac: str
"""The system name that `is_mac` compares with: "Darwin" (what macOS reports)."""
Java: str
""""Java", the name that Jython reports. No function of the module uses it."""
OtherOS: str
""""Other OS". No function of the module uses it, and `get_os_type` never returns it."""

def get_os_type() -> str:
    """Return the name of the operating system, exactly as `platform.system()` reports it.

    Returns:
        For example "Linux", "Windows", "Darwin" or "Java"; the empty text when the standard
        library cannot tell. The name is never mapped to another one.

    Raises:
        TypeError: an argument was given (the function takes none).
    """

def is_windows() -> bool:
    """Tell whether the interpreter runs on Windows.

    Returns:
        `platform.system() == Windows`, with the module constant `Windows` read at the call.

    Raises:
        TypeError: an argument was given (the function takes none).
    """

def is_linux() -> bool:
    """Tell whether the interpreter runs on Linux.

    Returns:
        `platform.system() == Linux`, with the module constant `Linux` read at the call.

    Raises:
        TypeError: an argument was given (the function takes none).
    """

def is_mac() -> bool:
    """Tell whether the interpreter runs on macOS.

    Returns:
        `platform.system() == Mac`: True on macOS, whose system name is "Darwin".

    Raises:
        TypeError: an argument was given (the function takes none).
    """
