"""Canonical paths, ancestors by name, paths below a parent, home and desktop.

The canonical form of a path is `os.path.realpath(path)` with every backslash and slash
replaced by `os.sep` and the trailing separators removed. Paths are texts; `os` and its
attributes, and the module's own functions, are looked up again at every call.
"""

import os
from typing import Any, AnyStr

__test__: dict[str, Any]
"""Always empty (a table that doctest would read)."""

_Path = str | os.PathLike[str]

def path_remove_endsep(path: _Path, /) -> str:
    """Return the canonical form of path, with no trailing separator.

    Parameters:
        path: a path, relative (to the current directory) or absolute.

    Returns:
        The absolute real path with `os.sep` throughout and no separator at the end. The root
        of a POSIX host gives the empty text; the root of a drive gives 'C:'.

    Raises:
        TypeError: path is a bytes path (the separators are replaced as texts), or no path.
    """

def path_add_endsep(path: _Path, /) -> str:
    """Return the canonical form of path followed by exactly one `os.sep`.

    Parameters:
        path: a path, relative or absolute.

    Returns:
        The text of `path_remove_endsep` plus one separator: the root of a POSIX host gives
        the separator alone.

    Raises:
        TypeError: path is a bytes path, or no path.
    """

def get_path_parent_path(path: AnyStr | os.PathLike[AnyStr], parent_dir_name: AnyStr) -> AnyStr:
    """Return the nearest ancestor of path whose last component is parent_dir_name.

    Parameters:
        path: where the walk starts; its own last component is never compared, the first
            candidate is the directory that holds it. It need not exist.
        parent_dir_name: the name looked for, compared exactly (case-sensitive).

    Returns:
        The full (real) path of that ancestor, or the empty text when the walk reaches the
        top without finding it. A bytes path gives bytes.

    Notes:
        The walk used to run forever for a bytes path, whose top is the empty bytes rather
        than the empty text; it now ends there and returns b''.
    """

def get_sub_path_file(parent_dir: _Path, sub_path_file: _Path, pdir_create: object = True) -> str:
    """Return the canonical path of a file below parent_dir, creating its directories.

    Parameters:
        parent_dir: the parent directory.
        sub_path_file: the file's path relative to parent_dir (any depth); an absolute one
            replaces parent_dir, as `os.path.join` does.
        pdir_create: when true, the file's missing parent directories are created (the file
            itself never is).

    Returns:
        `path_remove_endsep(os.path.join(parent_dir, sub_path_file))`.

    Raises:
        FileExistsError: a directory to create exists as a file, or another process made it
            between the existence test and the creation.
        PermissionError: a directory cannot be created.
    """

def get_sub_path_dir(parent_dir: _Path, sub_path_dir: _Path, dir_create: object = True) -> str:
    """Return the canonical path of a directory below parent_dir, creating it on request.

    Parameters:
        parent_dir: the parent directory.
        sub_path_dir: the directory's path relative to parent_dir (any depth).
        dir_create: when true, the directory and its missing parents are created.

    Returns:
        `path_remove_endsep(os.path.join(parent_dir, sub_path_dir))`.

    Raises:
        FileExistsError: a component exists as a file, or was made meanwhile by another
            process.
        PermissionError: a directory cannot be created.
    """

def get_home() -> str:
    """Return the user's home directory: `os.path.expanduser("~")`, not canonicalised.

    Returns:
        The home directory's path.
    """

def get_home_desktop() -> str:
    """Return the user's desktop directory.

    Returns:
        The home directory joined with "Desktop" when that directory exists, else joined with
        "桌面" (the Chinese name of the desktop folder), whether that exists or not.
    """
