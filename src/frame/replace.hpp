// replace.hpp: writing files all or nothing. Every writer of the package goes through here.
//
// A writer builds its result beside the destination (a temporary file made with O_EXCL in the
// same directory, so the rename cannot cross file systems), writes it, and commits: the result
// then replaces the destination in one step. Until the commit the destination is untouched;
// if anything fails before (any exception, KeyboardInterrupt included), the temporary file is
// removed as the exception leaves the writer, and an OSError that named the temporary path
// names the caller's path instead. A new failure of the commit itself (the rename, say) is an
// OSError naming the caller's path.
//
// Where a rename would change what callers rely on, the destination is written in place, as a
// plain open() would: a file-like object, anything but a regular file (a FIFO, a device,
// /dev/stdout and the other links into /proc), a file with more than one hard link, a file
// that this process cannot open for writing (the writer then fails as it always did), a file
// whose owner or group a new file could not be given, and a directory where no new file can
// be made (a writable file in a read-only directory).
#pragma once

#include "ops.hpp"

namespace tk {

struct ReplaceOptions {
    // Give the new file the old one's permission bits (false: the writer sets them, as a
    // copy does). Owner, group and extended attributes are always carried over.
    bool keep_mode = true;
    // fsync the new file before the rename and its directory after. The rename alone keeps
    // the old file against every exception; fsync adds safety against a power cut, at a cost
    // that bench/replace.py measures (no writer of the package takes it: it would make a
    // 1 MB workbook save up to 1.6 times slower here).
    bool sync = false;
    // A copy's source: a destination that is the source file itself is written in place, so
    // that the copy fails as it always did.
    PyObject* source = nullptr;
};

// What is left to undo if the writer fails: a temporary file or tree, or an append to cut
// back. Undoing sets the pending exception aside and puts it back unchanged but for the path.
class Undo {
public:
    enum class Kind { none, remove_file, remove_tree, cut_back };
    Undo() = default;
    Undo(const Undo&) = delete;
    Undo& operator=(const Undo&) = delete;
    ~Undo();
    // `shown_as`: the temporary path that errors may name, to be named `given` instead (and,
    // inside the texts of shutil.Error, `prefix`); nullptr when errors name the caller's path.
    void arm(Kind kind, Object path, Object shown_as, Object given, Object prefix,
             long long size = 0);
    void disarm() { kind_ = Kind::none; }
    // A file object of the writer, closed (quietly) before the undoing.
    void close_first(Handle file) { file_ = Object::borrow(file.get()); }
    void run() noexcept;  // undoes now (once)

private:
    Kind kind_ = Kind::none;
    Object path_;       // what to remove or cut back
    Object shown_as_;
    Object given_;
    Object prefix_;
    Object file_;
    long long size_ = 0;  // the old length, for cut_back
};

// A file replaced all or nothing:
//     Replacement out(file_path);
//     Object f = call(open_, {out.path(), mode});   // ... write, close ...
//     out.commit();
// Declare it before the writer's own objects, so that they are released (a file object
// closed) before a failed replacement is undone.
class Replacement {
public:
    explicit Replacement(Handle destination, ReplaceOptions options = {},
                         Loc loc = Loc::current());
    // Where the writer writes: the temporary file, or the destination when written in place.
    Handle path() const { return temp_ ? Handle(temp_) : Handle(destination_); }
    bool in_place() const { return !temp_; }
    // The file object that the writer opened on path(): on failure it is closed before the
    // temporary file is removed (Windows cannot remove an open file, and no ResourceWarning
    // then names a file that is gone).
    void close_on_failure(Handle file) {
        if (temp_) undo_.close_first(file);
    }
    void commit(Loc loc = Loc::current());

private:
    Object destination_;  // as the caller gave it
    Object target_;       // the file it names, symbolic links followed
    Object temp_;         // nullptr: written in place
    ReplaceOptions options_;
    Undo undo_;
};

// An append, all or nothing: on failure the file is cut back to its old length (removed if the
// append created it). The file keeps its inode, so links, owner and mode stay as they are.
// Anything but a regular file is appended to in place.
class AppendRollback {
public:
    explicit AppendRollback(Handle file_path, Loc loc = Loc::current());
    void commit() { undo_.disarm(); }

private:
    Undo undo_;
};

// A directory tree built beside its destination, which must not exist, then renamed into place.
class StagedTree {
public:
    explicit StagedTree(Handle destination, Loc loc = Loc::current());
    Handle path() const { return staging_ ? Handle(staging_) : Handle(destination_); }
    void commit(Loc loc = Loc::current());

private:
    Object destination_;
    Object final_;    // the destination without trailing separators
    Object holder_;   // the temporary directory that holds the tree
    Object staging_;  // holder_/<name>; nullptr: built in place
    Undo undo_;
};

// The copies and moves of shutil, through the caller's `shutil`, all or nothing.
// shutil.copy(source, destination): a file, into a directory or to a path.
void copy_file_whole(Handle shutil, Handle source, Handle destination, Loc loc = Loc::current());
// shutil.copytree(source, destination), refusing an existing destination as copytree does.
void copy_tree_whole(Handle shutil, Handle source, Handle destination, bool symlinks = false,
                     Loc loc = Loc::current());
// shutil.move(source, destination): a rename where it can; across file systems a file is
// copied whole and a tree is built beside its destination, and the source is removed after.
void move_whole(Handle shutil, Handle source, Handle destination, Loc loc = Loc::current());

}  // namespace tk
