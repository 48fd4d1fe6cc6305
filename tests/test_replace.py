"""Every writer, made to fail part-way over a good file, leaves that file as it was.

One table: each writer of the package against each kind of failure (a full file system, a
file size limit, an I/O error at the nth write, a real SIGINT at the nth write, a value the
writer cannot take). Each case runs twice in a forked child, once as the package writes and
once as the plain library call that the writer used to make in place; the two must end in the
same exception (type and message), and the package's run must leave the destination and the
source exactly as they were (bytes, mode, owner, links) with nothing temporary beside them.

The children are forked from one server process per kind (this file run as a script), so that
the libraries are imported once; strace injects the I/O errors and the signals (its counts are
per process, so each child's nth write is its own).
"""
import errno
import io
import json
import mmap
import os
import random
import shutil
import signal
import stat
import subprocess
import sys

# every writer writes at least this much: several buffers full (128 KiB each from 3.14 on)
BIG = 4 * max(io.DEFAULT_BUFFER_SIZE, 8 * 1024)
FREE = 8 * 1024      # what the full file system has left before a case
LIMIT = 16 * 1024    # RLIMIT_FSIZE
_letters = random.Random(19)
SEED_TEXT = "".join(_letters.choice("abcdefghijklmnopqrstuvwxyz") for _ in range(BIG))
# the calls that write (i386 copies with sendfile64; "?" lets strace pass a name its host lacks)
WRITE_CALLS = "write,pwrite64,writev,sendfile,?sendfile64,copy_file_range"


# ---- the writers: prepare(d, s) makes the originals; run(d, s, ours) writes -----------------
def lines():
    return [SEED_TEXT[i:i + 63] for i in range(0, BIG, 63)]


def put(path, data, mode=0o640):
    with open(path, "wb") as f:
        f.write(data)
    os.chmod(path, mode)


def text_file(d, s):
    put(os.path.join(d, "t.txt"), b"the old text\n" * 300)


def source_file(d, s):
    text_file(d, s)
    put(os.path.join(s, "src.txt"), SEED_TEXT.encode(), 0o604)


def source_tree(d, s):
    for sub in ("tree", os.path.join("tree", "sub")):
        os.mkdir(os.path.join(s, sub))
    for i, name in enumerate(["a.txt", "b.txt", os.path.join("sub", "c.txt")]):
        put(os.path.join(s, "tree", name), SEED_TEXT[i:].encode())


def in_place_text(mode, feed):
    def run(p, value, encoding="utf-8"):
        f = open(p, mode, encoding=encoding)
        feed(f, value)
        f.close()
    return run


today_write_text = in_place_text("w", lambda f, v: f.write(v))
today_write_lines = in_place_text("w", lambda f, v: [f.writelines(x + "\n") for x in v])
today_append_text = in_place_text("a", lambda f, v: f.writelines(v))
today_append_lines = in_place_text("a", lambda f, v: [f.writelines(x + "\n") for x in v])


def text_writer(name, today, value, nth, bad):
    def run(d, s, ours, args=None):
        import tallowkit.io.file as tfile
        write = getattr(tfile, name) if ours else today
        write(os.path.join(d, "t.txt"), *(args or (value(),)))
    return dict(prepare=text_file, run=run, nth=nth, bad=bad)


def copy_writer(module, name, today, tree=False, across=False):
    def run(d, s, ours, args=None):
        import importlib
        call = getattr(importlib.import_module(module), name) if ours else today
        source = os.path.join(s, "tree" if tree else "src.txt")
        call(source, os.path.join(d, "copy" if tree else "t.txt"))
    return dict(prepare=source_tree if tree else source_file, run=run, nth=1,
                across=across)


# Documents, opened from the file they are saved over (or beside another file they replace),
# with BIG letters added so that the new file cannot fit where the old one was.
def docx_file(d, s):
    put(os.path.join(d, "d.docx"), DOCS["docx"])
    put(os.path.join(d, "other.docx"), DOCS["docx"])


def xls_file(d, s):
    put(os.path.join(d, "w.xls"), DOCS["xls"])
    put(os.path.join(d, "other.xls"), DOCS["xls"])


def xlsx_file(d, s):
    put(os.path.join(d, "w.xlsx"), DOCS["xlsx"])


def scrivbook_writer(method, over_other=False):
    def run(d, s, ours, args=None):
        import docx
        from tallowkit.office.word.pydocx.scrivbook import ScrivBook
        path = os.path.join(d, "d.docx")
        target = os.path.join(d, "other.docx") if over_other else path
        book = ScrivBook(path) if ours else None
        doc = book.doc if ours else docx.Document(path)
        doc.add_paragraph(SEED_TEXT)
        if not ours:
            doc.save(target)
        elif over_other:
            getattr(book, method)(target)
        else:
            getattr(book, method)()
    return dict(prepare=docx_file, run=run, nth=3, lib="docx")


def abacvault_writer(to_other):
    def run(d, s, ours, args=None):
        import xlrd
        from xlutils.copy import copy
        from tallowkit.office.excel.xlrwu.abacvault import AbacVault
        path = os.path.join(d, "w.xls")
        target = os.path.join(d, "other.xls") if to_other else path
        if ours:
            vault = AbacVault(path)
            wb = vault.wbwt
        else:
            wb = copy(xlrd.open_workbook(path, formatting_info=True))
        for row in range(BIG // 256):
            wb.get_sheet(0).write(row, 0, SEED_TEXT[row * 256:(row + 1) * 256])
        if not ours:
            wb.save(target)
        else:
            vault.save_as(target if to_other else None)
    return dict(prepare=xls_file, run=run, nth=3, lib="xlwt")


def abacbook_run(d, s, ours, args=None):
    import openpyxl
    from tallowkit.office.excel.openpyxl.abacbook import AbacBook
    path = os.path.join(d, "w.xlsx")
    book = AbacBook(path) if ours else None
    wb = book.wb if ours else openpyxl.load_workbook(path)
    for row in range(BIG // 256):
        wb.active.cell(row + 1, 1, SEED_TEXT[row * 256:(row + 1) * 256])
    if ours:
        book.save_as()
    else:
        wb.save(path)


WRITERS = {
    "write_all_text": text_writer("write_all_text", today_write_text, lambda: SEED_TEXT, 1,
                                  [(5,), ("text", "no-such-codec"), ("表格", "ascii")]),
    "write_all_lines": text_writer("write_all_lines", today_write_lines, lines, 3,
                                   [(["fine", 5],), (lines(), "no-such-codec")]),
    "append_all_text": text_writer("append_all_text", today_append_text, lines, 3,
                                   [(lines() + [5],), (["ok", "表格"], "ascii")]),
    "append_all_lines": text_writer("append_all_lines", today_append_lines, lines, 3,
                                    [(lines() + [None],)]),
    "copy_file": copy_writer("tallowkit.io.file", "copy_file", shutil.copy),
    "move_file": copy_writer("tallowkit.io.file", "move_file", shutil.move, across=True),
    "copy_dir of a file": copy_writer("tallowkit.io.directory", "copy_dir", shutil.copy),
    "copy_dir of a tree": copy_writer("tallowkit.io.directory", "copy_dir", shutil.copytree,
                                      tree=True),
    "move_dir of a tree": copy_writer("tallowkit.io.directory", "move_dir", shutil.move,
                                      tree=True, across=True),
    "ScrivBook.save_scrivbook": scrivbook_writer("save_scrivbook"),
    "ScrivBook.close_scrivbook_save": scrivbook_writer("close_scrivbook_save"),
    "ScrivBook.save_as_scrivbook": scrivbook_writer("save_as_scrivbook", over_other=True),
    "ScrivBook.close_scrivbook_save_as": scrivbook_writer("close_scrivbook_save_as",
                                                          over_other=True),
    "AbacVault.save_as(None)": abacvault_writer(False),
    "AbacVault.save_as(path)": abacvault_writer(True),
    "AbacBook.save_as": dict(prepare=xlsx_file, run=abacbook_run, nth=3, lib="openpyxl"),
}
KINDS = ["full", "fsize", "eio", "sigint", "value"]
DOCS = {}


def make_docs():
    """The original documents, made once: small files of each format."""
    import io
    makers = {
        "docx": lambda f: __import__("docx").Document().save(f),
        "xls": lambda f: _xls(f),
        "xlsx": lambda f: __import__("openpyxl").Workbook().save(f),
    }
    for kind, make in makers.items():
        try:
            f = io.BytesIO()
            make(f)
            DOCS[kind] = f.getvalue()
        except ImportError:
            pass


def _xls(f):
    import xlwt
    wb = xlwt.Workbook()
    wb.add_sheet("s").write(0, 0, "old")
    wb.save(f)


# ---- the server: one per kind, forking one child per run ------------------------------------
def snapshot(*roots):
    """Every entry below the roots: type, mode, owner, links, content."""
    out = []
    for root in roots:
        for d, dirs, files in os.walk(root):
            for n in sorted(dirs + files):
                p = os.path.join(d, n)
                st = os.lstat(p)
                data = None
                if stat.S_ISREG(st.st_mode):
                    with open(p, "rb") as f:
                        data = f.read()
                out.append((os.path.relpath(p, root), st.st_mode, st.st_uid, st.st_gid,
                            st.st_nlink, data))
    return sorted(out, key=lambda e: e[0])


def fill(root):
    """Leaves FREE bytes on the file system of root."""
    st = os.statvfs(root)
    spare = st.f_bavail * st.f_frsize - FREE
    if spare > 0:
        with open(os.path.join(root, "filler"), "wb") as f:
            try:
                f.write(b"\0" * spare)
            except OSError:
                pass


def fresh(root):
    if os.path.isdir(root):
        shutil.rmtree(root)
    os.mkdir(root)
    return root


def run_child(kind, row, d, s, ours, args, shared):
    """Forks; the child sets the failure up, writes, and reports through shared memory."""
    pid = os.fork()
    if pid == 0:
        outcome = ["ok", ""]
        import resource
        limits = resource.getrlimit(resource.RLIMIT_FSIZE)
        try:
            if kind == "fsize":
                signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
                resource.setrlimit(resource.RLIMIT_FSIZE, (LIMIT, limits[1]))
            row["run"](d, s, ours, args)
        except BaseException as e:
            outcome = [type(e).__name__, str(e)]
        resource.setrlimit(resource.RLIMIT_FSIZE, limits)
        data = json.dumps(outcome).encode()[:len(shared) - 4]
        shared[:4] = len(data).to_bytes(4, "little")
        shared[4:4 + len(data)] = data
        sys.exit(0)  # leaves the server's code unrun, and lets a coverage build count the child
    os.waitpid(pid, 0)
    n = int.from_bytes(shared[:4], "little")
    return json.loads(shared[4:4 + n].decode())


def serve(kind, dest_root, src_root, nth=None):
    rows = {name: row for name, row in WRITERS.items()
            if (kind != "value" or row.get("bad")) and (nth is None or row["nth"] == int(nth))}
    if kind == "sigint":
        # a shell starts its background jobs with SIGINT ignored, and Python then leaves it so
        signal.signal(signal.SIGINT, signal.default_int_handler)
    if kind in ("eio", "sigint"):
        # strace fails this process's own nth write once: spend it here
        with open(os.devnull, "wb", buffering=0) as sink:
            for _ in range(8):
                try:
                    sink.write(b"x")
                except (OSError, KeyboardInterrupt):
                    pass
    if any(row.get("lib") for row in rows.values()):
        make_docs()
    shared = mmap.mmap(-1, 1 << 16)
    report = {}
    for name, row in rows.items():
        if row.get("lib") and {"docx": "docx", "xlwt": "xls", "openpyxl": "xlsx"}[row["lib"]] \
                not in DOCS:
            continue
        variants = row.get("bad", []) if kind == "value" else [None]
        for args in variants:
            results = {}
            for ours in (False, True):
                d, s = fresh(os.path.join(dest_root, "d")), fresh(os.path.join(src_root, "s"))
                row["prepare"](d, s)
                before = snapshot(d, s)
                if kind == "full":
                    fill(dest_root)
                outcome = run_child(kind, row, d, s, ours, args, shared)
                if kind == "full":
                    os.remove(os.path.join(dest_root, "filler"))
                results[ours] = outcome + [snapshot(d, s) == before]
            report["%s %r" % (name, args) if args else name] = [results[False], results[True]]
    for root in (os.path.join(dest_root, "d"), os.path.join(src_root, "s")):
        shutil.rmtree(root, ignore_errors=True)
    print(json.dumps(report))


if __name__ == "__main__":   # a server: it needs nothing below
    serve(*sys.argv[1:])
    sys.exit(0)


# ---- the test -------------------------------------------------------------------------------
import pytest  # noqa: E402  (the servers above never import it)

def strace(env):
    """The start of a strace command line, and the environment to run it in: a preloaded
    library (the sanitizers') goes to the traced interpreter only, and LeakSanitizer, which
    cannot work under ptrace, is left off there (the untraced kinds still check leaks)."""
    env = dict(env)
    traced = []
    if "LD_PRELOAD" in env:
        traced += ["-E", "LD_PRELOAD=" + env.pop("LD_PRELOAD")]
    if "ASAN_OPTIONS" in env:
        traced += ["-E", "ASAN_OPTIONS=%s:detect_leaks=0" % env["ASAN_OPTIONS"]]
    return ["strace", "-f", "-qq", "-o", os.devnull] + traced, env


def strace_works():
    if not shutil.which("strace"):
        return False
    command, env = strace(os.environ)
    r = subprocess.run(command + ["-e", "trace=write", "-e", "inject=write:error=EIO:when=1",
                                  sys.executable, "-c",
                                  "import os\ntry: os.write(1, b'')\n"
                                  "except OSError: raise SystemExit(7)"],
                       env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return r.returncode == 7


@pytest.fixture(scope="module")
def tmpfs(tmp_path_factory):
    """A small tmpfs (root only), else None."""
    root = str(tmp_path_factory.mktemp("tmpfs"))
    if os.geteuid() != 0 or subprocess.run(
            ["mount", "-t", "tmpfs", "-o", "size=%dk" % (32 * BIG // 1024), "tallowkit-test", root],
            stderr=subprocess.DEVNULL).returncode != 0:
        yield None
        return
    yield root
    subprocess.run(["umount", root])


@pytest.mark.parametrize("kind", KINDS)
def test_no_failure_loses_the_file_that_was_there(kind, tmpfs, tmp_path):
    disk = str(tmp_path)
    if kind == "full":
        if tmpfs is None:
            pytest.skip("a small tmpfs needs root")
        dest, src = tmpfs, disk
    else:
        dest, src = disk, tmpfs or ("/dev/shm" if os.path.isdir("/dev/shm") else disk)
    src = os.path.join(src, "k-" + kind) if src != disk else os.path.join(disk, "src")
    os.makedirs(src, exist_ok=True)
    command = [sys.executable, __file__, kind, dest, src]
    env = dict(os.environ)
    if kind in ("eio", "sigint"):
        if not strace_works():
            pytest.skip("strace cannot inject faults here")
        # (a signal is injected only without the seccomp filter, which makes strace faster)
        inject = ["--seccomp-bpf", "-e", "inject=%s:error=EIO" % WRITE_CALLS] if kind == "eio" \
            else ["-e", "inject=%s:error=EINTR:signal=SIGINT" % WRITE_CALLS]
        traced, env = strace(env)
        # one server per nth write, so that each writer fails inside its own output
        reports = {}
        for nth in sorted({row["nth"] for row in WRITERS.values()}):
            out = subprocess.run(traced + ["-e", "trace=" + WRITE_CALLS] + inject[:-1] +
                                 [inject[-1] + ":when=%d" % nth] + command + [str(nth)],
                                 env=env, stdout=subprocess.PIPE, check=True)
            reports.update(json.loads(out.stdout.decode()))
    else:
        out = subprocess.run(command, env=env, stdout=subprocess.PIPE, check=True)
        reports = json.loads(out.stdout.decode())
    across = os.stat(src).st_dev != os.stat(dest).st_dev
    assert reports, "no writer could be tried"
    for name, (today, ours) in reports.items():
        row = WRITERS[name.split(" (")[0]]
        if row.get("across") and not across:
            continue  # a move on one file system is a rename, which cannot fail part-way
        # the case does fail, and damage the file, the way the writer used to write
        assert today[0] != "ok" and not today[2], (name, today)
        # the same exception now, and nothing changed
        assert ours[:2] == today[:2], name
        assert ours[2], "%s: the destination or the source changed" % name


# ---- what callers rely on: kept by the replacement, or written in place -----------------------
NOBODY = 65534


def as_nobody(action):
    """Runs action() as an unprivileged user (in a forked child when this process is root)."""
    if os.geteuid() != 0:
        return action()
    pid = os.fork()
    if pid == 0:
        code = 1
        try:
            os.setgroups([])
            os.setgid(NOBODY)
            os.setuid(NOBODY)
            action()
            code = 0
        except BaseException:
            import traceback
            traceback.print_exc()
        os._exit(code)
    assert os.waitpid(pid, 0)[1] == 0


def owned_by_nobody(*paths):
    if os.geteuid() == 0:
        for p in paths:
            os.chown(p, NOBODY, NOBODY)


def read(p):
    with open(p, "rb") as f:
        return f.read()


def test_what_callers_rely_on_is_kept(tmp_path):
    import tallowkit.io.file as tfile
    t = str(tmp_path)
    p, other = os.path.join(t, "p.txt"), os.path.join(t, "other.txt")
    put(p, b"old", 0o640)
    inode = os.stat(p).st_ino
    tfile.write_all_text(p, "new")                       # mode kept, file replaced
    assert (read(p), stat.S_IMODE(os.stat(p).st_mode)) == (b"new", 0o640)
    assert os.stat(p).st_ino != inode
    put(other, b"source", 0o604)
    tfile.copy_file(other, p)                             # a copy takes its source's mode
    assert (read(p), stat.S_IMODE(os.stat(p).st_mode)) == (b"source", 0o604)
    os.symlink("p.txt", os.path.join(t, "link"))          # a link writes what it points to
    os.symlink("missing.txt", os.path.join(t, "dangling"))
    tfile.write_all_text(os.path.join(t, "link"), "through the link")
    tfile.write_all_lines(os.path.join(t, "dangling"), ["made"])
    assert os.path.islink(os.path.join(t, "link")) and read(p) == b"through the link"
    assert os.path.islink(os.path.join(t, "dangling"))
    assert read(os.path.join(t, "missing.txt")) == b"made\n"
    try:                                                  # extended attributes are kept
        os.setxattr(p, "user.tallowkit", b"kept")
    except (AttributeError, OSError):
        pass
    else:
        tfile.write_all_text(p, "with an attribute")
        assert os.getxattr(p, "user.tallowkit") == b"kept"
    os.link(p, os.path.join(t, "hard"))                   # other hard links: in place
    inode = os.stat(p).st_ino
    tfile.write_all_text(p, "both names")
    tfile.copy_file(other, p)
    assert read(os.path.join(t, "hard")) == b"source" and os.stat(p).st_ino == inode
    tfile.write_all_text(p, "both names")
    assert read(os.path.join(t, "hard")) == b"both names" and os.stat(p).st_ino == inode
    fd = os.open(other, os.O_RDWR)                        # /dev/stdout and its kin: in place
    try:
        inode = os.stat(other).st_ino
        tfile.write_all_text("/dev/fd/%d" % fd, "through fd")
        tfile.append_all_text("/proc/self/fd/%d" % fd, "+")
        assert read(other) == b"through fd+" and os.stat(other).st_ino == inode
    finally:
        os.close(fd)
    os.symlink("loop", os.path.join(t, "loop"))           # a loop fails as open() fails
    with pytest.raises(OSError) as info:
        tfile.write_all_text(os.path.join(t, "loop"), "never")
    assert info.value.errno == errno.ELOOP
    with pytest.raises(shutil.SameFileError):             # so does a copy onto its source
        tfile.copy_file(p, os.path.join(t, "link"))
    long_name = os.path.join(t, "n" * 250)                # too long for a temporary name beside
    for content in ("first", "second"):
        tfile.write_all_text(long_name, content)
    assert read(long_name) == b"second"
    import tallowkit.io.directory as tdir                 # a tree named in bytes
    os.mkdir(os.path.join(t, "tree"))
    tdir.copy_dir(os.fsencode(os.path.join(t, "tree")), os.fsencode(os.path.join(t, "copy/")))
    os.mkdir(os.path.join(t, "into"))                     # shutil.move's own refusals
    os.mkdir(os.path.join(t, "into", "tree"))
    with pytest.raises(shutil.Error, match="already exists"):
        tdir.move_dir(os.path.join(t, "tree"), os.path.join(t, "into"))
    with pytest.raises(shutil.Error, match="into itself"):
        tdir.move_dir(os.path.join(t, "tree"), os.path.join(t, "tree", "inside"))
    assert sorted(os.listdir(t)) == ["copy", "dangling", "hard", "into", "link", "loop",
                                     "missing.txt", "n" * 250, "other.txt", "p.txt", "tree"]


@pytest.mark.parametrize("sync", [False, True])
def test_a_replacement_may_be_synced(tmp_path, sync):
    ft = pytest.importorskip("tallowkit._selftest.frametest")
    p = str(tmp_path / "f.bin")
    put(p, b"old", 0o600)
    ft.write_replaced(p, b"new", sync)
    with pytest.raises(TypeError):
        ft.write_replaced(p, "not bytes", sync)
    assert (read(p), stat.S_IMODE(os.stat(p).st_mode), os.listdir(str(tmp_path))) == (
        b"new", 0o600, ["f.bin"])


def test_moves_across_file_systems(tmp_path):
    import tallowkit.io.directory as tdir
    import tallowkit.io.file as tfile
    if not os.path.isdir("/dev/shm") or os.stat("/dev/shm").st_dev == os.stat(str(tmp_path)).st_dev:
        pytest.skip("no second file system here")
    import tempfile
    other = tempfile.mkdtemp(dir="/dev/shm")
    try:
        put(os.path.join(other, "f.txt"), b"file", 0o604)
        os.mkdir(os.path.join(other, "tree"))
        put(os.path.join(other, "tree", "in.txt"), b"tree")
        put(str(tmp_path / "f.txt"), b"old")
        tfile.move_file(os.path.join(other, "f.txt"), str(tmp_path / "f.txt"))
        tdir.move_dir(os.path.join(other, "tree"), str(tmp_path))
        assert os.listdir(other) == [] and sorted(os.listdir(str(tmp_path))) == ["f.txt", "tree"]
        assert read(str(tmp_path / "f.txt")) == b"file"
        assert stat.S_IMODE(os.stat(str(tmp_path / "f.txt")).st_mode) == 0o604
        assert read(str(tmp_path / "tree" / "in.txt")) == b"tree"
    finally:
        shutil.rmtree(other)


def test_a_fifo_and_a_stream_are_written_in_place(tmp_path):
    import io
    import threading
    import tallowkit.io.file as tfile
    fifo = str(tmp_path / "fifo")
    os.mkfifo(fifo)
    got = []
    reader = threading.Thread(target=lambda: got.append(read(fifo)))
    reader.start()
    tfile.write_all_text(fifo, "down the pipe")
    reader.join()
    assert got == [b"down the pipe"] and stat.S_ISFIFO(os.stat(fifo).st_mode)
    docx = pytest.importorskip("docx")
    from tallowkit.office.word.pydocx.scrivbook import ScrivBook
    stream = io.BytesIO()
    ScrivBook().save_as_scrivbook(stream)
    assert docx.Document(io.BytesIO(stream.getvalue())).paragraphs == []
    assert os.listdir(str(tmp_path)) == ["fifo"]


def test_a_library_sees_a_save_beside_the_destination(tmp_path):
    pytest.importorskip("docx")
    from tallowkit.office.word.pydocx.scrivbook import ScrivBook
    seen = []

    class Recording:
        def save(self, path):
            seen.append(path)
            with open(path, "wb") as f:
                f.write(b"saved")

    target = str(tmp_path / "d.docx")
    book = ScrivBook()
    book.doc = Recording()
    book.save_as_scrivbook(target)
    assert os.path.dirname(seen[0]) == str(tmp_path)
    assert os.path.basename(seen[0]).startswith(".d.docx.") and read(target) == b"saved"
    assert os.listdir(str(tmp_path)) == ["d.docx"]


@pytest.mark.skipif(os.geteuid() != 0, reason="owners other than this process's need root")
def test_owner_and_group_are_kept_where_they_can_be_given(tmp_path):
    import tallowkit.io.file as tfile
    p = str(tmp_path / "theirs.txt")
    put(p, b"old", 0o664)
    os.chown(p, NOBODY, NOBODY)
    tfile.write_all_text(p, "new")                        # root gives the new file their owner
    assert (os.stat(p).st_uid, os.stat(p).st_gid, read(p)) == (NOBODY, NOBODY, b"new")


@pytest.fixture
def shared_dir():
    """A directory that an unprivileged user can reach (pytest's own are root's alone)."""
    import tempfile
    d = tempfile.mkdtemp(prefix="tallowkit-")
    os.chmod(d, 0o755)
    yield d
    for sub, _, _ in os.walk(d):
        os.chmod(sub, 0o755)
    shutil.rmtree(d)


def test_where_no_file_can_be_made_or_given_away_it_is_written_in_place(shared_dir):
    import tallowkit.io.file as tfile
    ro_dir, rw_dir = os.path.join(shared_dir, "ro"), os.path.join(shared_dir, "rw")
    os.mkdir(ro_dir)
    os.mkdir(rw_dir)
    in_ro, read_only, not_ours = (os.path.join(ro_dir, "w.txt"), os.path.join(rw_dir, "r.txt"),
                                  os.path.join(rw_dir, "root.txt"))
    put(in_ro, b"old", 0o666)
    put(read_only, b"old", 0o444)
    put(not_ours, b"old", 0o666)
    owned_by_nobody(in_ro, read_only, rw_dir)
    os.chmod(ro_dir, 0o555)
    # a file of another owner exists only when this process is root
    in_place = [in_ro, not_ours] if os.geteuid() == 0 else [in_ro]
    inodes = [os.stat(p).st_ino for p in in_place]

    def writes():
        if os.geteuid() == 0:  # its bits cannot be copied: refused before the content goes
            with pytest.raises(PermissionError) as info:
                tfile.copy_file(in_ro, not_ours)
            assert info.value.filename == not_ours and read(not_ours) == b"old"
        tfile.write_all_text(in_ro, "written in place")    # a writable file, a read-only dir
        with pytest.raises(PermissionError) as info:       # refused as open() refuses it
            tfile.write_all_text(read_only, "never")
        assert info.value.filename == read_only
        tfile.write_all_text(not_ours, "theirs still")     # a new file could not be theirs
    as_nobody(writes)
    assert [read(p) for p in (in_ro, read_only, not_ours)] == [
        b"written in place", b"old", b"theirs still"]
    assert [os.stat(p).st_ino for p in in_place] == inodes
    assert sorted(os.listdir(rw_dir)) == ["r.txt", "root.txt"]
