"""One-call helpers for directories: list, test, get-or-create, create, delete, copy, move,
rename.

Paths are handed unchanged to `os` and `shutil`, looked up again at every call, and every
error of those propagates unchanged. The copies and moves are all or nothing, as every writer
of the package is (see `tallowkit.io.file`): a tree is built beside its destination and renamed
into place, never left half-copied.
"""

import os
from typing import Any, TypeVar, overload

__test__: dict[str, Any]
"""Always empty (a table that doctest would read)."""

_Path = str | bytes | os.PathLike[str] | os.PathLike[bytes]
_P = TypeVar("_P", str, bytes, os.PathLike[str], os.PathLike[bytes])

@overload
def list_dir(dir_path: str | os.PathLike[str], /) -> list[str]: ...
@overload
def list_dir(dir_path: bytes | os.PathLike[bytes], /) -> list[bytes]:
    """Return the names of the entries of a directory (`os.listdir`), in the host's order.

    Parameters:
        dir_path: the directory; a bytes path gives bytes names.

    Returns:
        A new list of names, not sorted.

    Raises:
        FileNotFoundError: the directory does not exist.
        NotADirectoryError: the path names a file.
    """

def exist_dir(dir_path: _Path, /) -> bool:
    """Tell whether dir_path is an existing directory (`os.path.isdir`).

    Parameters:
        dir_path: the path to test.

    Returns:
        True for an existing directory; False for a file or a missing path (no error).
    """

def get_dir(dir_path: _P, is_create: object = True) -> _P | None:
    """Return dir_path when it is a directory, creating it first if asked to.

    Parameters:
        dir_path: the directory: a text, bytes or path object (`_P` stands for its type, which
            the result keeps).
        is_create: when true, a missing directory is created with its missing parents.

    Returns:
        dir_path itself (the same object) when the directory exists or was created; None
        when it is missing and is_create is false.

    Raises:
        FileExistsError: the path exists as a file, or another process created the directory
            between the test and the creation.
    """

def make_dir(dir_path: _Path, /) -> None:
    """Create a directory and its missing parents (`os.makedirs`).

    Parameters:
        dir_path: the directory to create.

    Raises:
        FileExistsError: the directory exists already.
    """

def delete_dir(dir_path: _Path, /) -> None:
    """Remove an empty directory and then each parent that this leaves empty (`os.removedirs`).

    Parameters:
        dir_path: the directory to remove; it must be empty.

    Raises:
        FileNotFoundError: the directory does not exist.
        OSError: the directory is not empty.
    """

def copy_dir(old_dir_path: _Path, new_dir_path: _Path) -> None:
    """Copy a directory whole (like `cp -r`), or a single file.

    Parameters:
        old_dir_path: the directory (or file) to copy.
        new_dir_path: an existing directory to copy into (the copy keeps the source's name),
            or the path of the copy.

    Raises:
        FileNotFoundError: the source does not exist.
        FileExistsError: the destination directory exists already.
        shutil.Error: the destination lies inside the source ("Cannot copy a directory ...
            into itself ...").

    Notes:
        A file is copied with `shutil.copy`, a directory with `shutil.copytree`. Directories
        used to be handed to the single-file copy, which always failed. Either is made beside
        its destination (a tree in a temporary directory `.<name>.<random>.tmp`) and renamed
        into place, so a failure leaves no partial copy; an error that named the temporary
        path names the destination. A tree whose destination's parent does not exist yet is
        copied in place (copytree makes the parents).
    """

def move_dir(old_dir_path: _Path, new_dir_path: _Path) -> None:
    """Move a directory or file with `shutil.move`.

    Parameters:
        old_dir_path: what to move.
        new_dir_path: the new path, or an existing directory to move into.

    Returns:
        None, although `shutil.move` returns the destination.

    Raises:
        FileNotFoundError: the source does not exist.
        shutil.Error: the destination exists inside a directory, or lies inside the source.

    Notes:
        A rename where it can be one. Across file systems a file is copied whole and a tree is
        built beside its destination and renamed into place (all or nothing), and only then is
        the source removed: if that removal fails, both stay.
    """

def rename_dir(old_dir_path: _Path, new_dir_path: _Path) -> None:
    """Rename a directory or file with `os.rename`.

    Parameters:
        old_dir_path: what to rename.
        new_dir_path: the new path, on the same file system.

    Raises:
        FileNotFoundError: the source does not exist.
        OSError: the new path exists as a non-empty directory, or is on another file system.
    """
