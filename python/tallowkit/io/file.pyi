"""One-call helpers for whole text files.

Each function opens, uses and closes its file within the call; paths are handed unchanged to
`open`, `os` and `shutil`, and every error of those propagates unchanged. Texts are read and
written in the encoding given, "utf-8" by default. A file is closed only on the success path:
when a read or write fails, the file object is released (and so closed) by the interpreter as
the error leaves the function.

All or nothing: every writer of the package (the write, append, copy and move functions here
and in `tallowkit.io.directory`, and the document and workbook saves) either succeeds or leaves
the destination exactly as it was (content, mode, owner), whatever the failure: an error of the
library, any `OSError` (a full disk, a file size limit, an I/O error), `KeyboardInterrupt` at
any point. The new content is written to a temporary file beside the destination (made with
`O_EXCL`, named `.<name>.<random>.tmp`), which is given the old file's owner, group, extended
attributes and permission bits and then renamed over it in one step, so that a reader never
sees a half-written file; on failure it is removed. The error raised is the one the plain call
raises (an `OSError` names the caller's path, not the temporary one); a failure of the rename
itself is an `OSError` naming the caller's path. There is no fsync: the rename keeps the old
file against every exception, and fsync, which only adds safety against a power cut, would
cost as much again as the write (bench/replace.py). A symbolic link is followed: the file it
points to is replaced and the link stays a link.

Written in place instead, as a plain `open(path, "w")` writes, because a rename would change
what callers rely on: a file-like object; anything but a regular file (a FIFO, a device,
`/dev/stdout` and other links into `/proc`, whose file is the one a descriptor holds); a file
with more than one hard link (the other names would keep the old content); a file owned by
another user or group than a new file of this process could be given (a replacement would
change its owner); a file this process may not open for writing (the writer then fails as it
always did); and a file in a directory where no new file can be made (a writable file in a
read-only directory).
"""

import os
from collections.abc import Iterable
from typing import IO, Any

__test__: dict[str, Any]
"""Always empty (a table that doctest would read)."""

_Path = str | bytes | os.PathLike[str] | os.PathLike[bytes]

def make_file(file_path: _Path, /) -> None:
    """Create an empty file with `os.mknod`.

    Parameters:
        file_path: the file to create.

    Raises:
        FileExistsError: the file exists.
        AttributeError: the host's `os` has no `mknod` (Windows).
    """

def create_file(file_path: _Path, ret: object = False) -> IO[Any] | None:
    """Create an empty file, or truncate an existing one, with `open(file_path, "w")`.

    Parameters:
        file_path: the file to create.
        ret: when true, the open file is returned instead of closed.

    Returns:
        The file object, open for writing, when ret is true (the caller closes it); else None.

    Raises:
        OSError: the file cannot be opened for writing.
    """

def read_all_text(file_path: _Path, encoding: str = "utf-8") -> str:
    """Return the whole content of a text file.

    Parameters:
        file_path: the file to read.
        encoding: its text encoding.

    Returns:
        The content as one text, line ends translated to "\\n".

    Raises:
        FileNotFoundError: the file does not exist.
        UnicodeDecodeError: the content is not valid in the encoding.

    Notes:
        The file is opened in the mode "rU" where the interpreter still accepts it (before
        3.11), else in "r", which reads the same text.
    """

def read_all_lines(file_path: _Path, encoding: str = "utf-8") -> list[str]:
    """Return the lines of a text file, without their line feeds.

    Parameters:
        file_path: the file to read.
        encoding: its text encoding.

    Returns:
        A new list of texts, one per line; only trailing "\\n" characters are removed, other
        blanks stay. An empty file gives an empty list.

    Raises:
        FileNotFoundError: the file does not exist.
        UnicodeDecodeError: the content is not valid in the encoding.
    """

def read_one_line(file_path: _Path, n: int, encoding: str = "utf-8") -> str:
    """Return the first line of a text file, cut to at most n characters.

    Parameters:
        file_path: the file to read.
        n: the size limit of `readline`: 0 gives the empty text, a negative n the whole first
            line. The line feed is kept.
        encoding: its text encoding.

    Returns:
        The (possibly cut) first line; never more than the first line.

    Raises:
        FileNotFoundError: the file does not exist.
    """

def write_all_text(file_path: _Path, s: str, encoding: str = "utf-8") -> None:
    """Write s as the whole content of a file, creating or truncating it.

    Parameters:
        file_path: the file to write.
        s: the text.
        encoding: the text encoding.

    Raises:
        TypeError: s is not a text.
        UnicodeEncodeError: s cannot be encoded.
        LookupError: the encoding is unknown.

    Notes:
        All or nothing (see the module): on any failure the file keeps its old content. The
        plain `open(file_path, "w")` emptied it first.
    """

def write_all_lines(file_path: _Path, ss: Iterable[str], encoding: str = "utf-8") -> None:
    """Write each item of ss followed by "\\n" as the whole content of a file.

    Parameters:
        file_path: the file to write, created or truncated.
        ss: the lines; an empty list leaves an empty file, and a text writes each of its
            characters on a line of its own.
        encoding: the text encoding.

    Raises:
        TypeError: an item cannot be joined to "\\n" (a number, say); nothing is written.

    Notes:
        All or nothing (see the module). The plain writer left the items before a bad one
        written over the emptied file.
    """

def append_all_text(file_path: _Path, s: str | Iterable[str], encoding: str = "utf-8") -> None:
    """Append s to a file, creating it if needed (with `writelines`).

    Parameters:
        file_path: the file to append to.
        s: a text, written whole, or an iterable of texts, written back to back with nothing
            between them.
        encoding: the text encoding.

    Raises:
        TypeError: s, or one of its items, is not a text.

    Notes:
        All or nothing: on any failure the file is cut back to its old length (removed if the
        call created it), so no half-written addition stays. The file keeps its inode, owner,
        mode and links. Anything but a regular file is appended to as it is.
    """

def append_all_lines(file_path: _Path, ss: Iterable[str], encoding: str = "utf-8") -> None:
    """Append each item of ss followed by "\\n" to a file, creating it if needed.

    Parameters:
        file_path: the file to append to.
        ss: the lines.
        encoding: the text encoding.

    Raises:
        TypeError: an item cannot be joined to "\\n"; nothing is appended.

    Notes:
        All or nothing, as `append_all_text`.
    """

def delete_file(file_path: _Path, /) -> None:
    """Delete a file with `os.remove`.

    Parameters:
        file_path: the file to delete.

    Raises:
        FileNotFoundError: the file does not exist.
        IsADirectoryError: the path names a directory (PermissionError on some hosts).
    """

def copy_file(old_file_path: _Path, new_file_path: _Path) -> None:
    """Copy a file with `shutil.copy`: the content and the permission bits.

    Parameters:
        old_file_path: the file to copy.
        new_file_path: the copy's path, or a directory to copy into.

    Returns:
        None, although `shutil.copy` returns the destination.

    Raises:
        FileNotFoundError: the source does not exist.
        shutil.SameFileError: the destination is the source.

    Notes:
        All or nothing (see the module): the copy is made beside the destination and renamed
        over it. A copy over a writable file of another owner fails, as before, when the
        permission bits cannot be copied, but now before anything is written.
    """

def move_file(old_file_path: _Path, new_file_path: _Path) -> None:
    """Move a file with `shutil.move`.

    Parameters:
        old_file_path: the file to move.
        new_file_path: its new path, or a directory to move it into.

    Returns:
        None, although `shutil.move` returns the destination.

    Raises:
        FileNotFoundError: the source does not exist.

    Notes:
        A move on one file system is a rename, done in one step. Across file systems the file
        is copied whole beside the destination and renamed over it (all or nothing, see the
        module), and only then is the source removed: if that removal fails, both stay.
    """

def rename_file(old_file_path: _Path, new_file_path: _Path) -> None:
    """Rename a file with `os.rename`.

    Parameters:
        old_file_path: the file to rename.
        new_file_path: its new path, on the same file system.

    Raises:
        FileNotFoundError: the source does not exist.
        OSError: the new path is on another file system, or (on Windows) exists.
    """
