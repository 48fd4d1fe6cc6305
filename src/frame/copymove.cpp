// copymove.cpp: shutil's copies and moves made all or nothing (see replace.hpp). The caller's
// `shutil` does the copying; what is written goes through a Replacement or a StagedTree.
#include "replace.hpp"

#include "replace_os.hpp"

#include <cerrno>
#include <new>

namespace tk {

namespace {

namespace name {
using namespace os_names;
const Name copy{"copy"};
const Name copy2{"copy2"};
const Name copytree{"copytree"};
const Name move{"move"};
const Name rmtree{"rmtree"};
const Name copy_function{"copy_function"};
const Name symlinks{"symlinks"};
}  // namespace name

// A copy into a regular file in place ends by copying the permission bits, which fails on a
// file of another owner after its content is gone: the same error is raised before that.
void refuse_what_cannot_be_chmodded(const Os& os, Handle source, Handle target) {
    Object path = os.fspath(target);
    int error = 0;
    Object st = path ? os.attempt(name::stat, {path}, error) : Object();
    if (!st || file_type(st) != k_regular || os.same_file(source, st)) return;
    Object mode = integer(os.int_of(st, name::st_mode) & 07777, os.loc);
    if (!os.attempt(name::chmod, {path, mode}, error) && error == EPERM)
        raise_errno(error, target, os.loc);
}

// copy(source, <a file beside target>), then the file renamed over target; `as_given` is what
// the copy is handed when target is written in place.
void copy_whole(Handle copy, Handle source, Handle target, Handle as_given, Loc loc) {
    Replacement out(target, {.keep_mode = false, .source = source.get()}, loc);
    if (out.in_place()) refuse_what_cannot_be_chmodded(Os(loc), source, target);
    call(copy, {source, out.in_place() ? as_given : out.path()}, loc);
    out.commit(loc);
}

// The copy function that shutil.move is given: shutil.copy2 (of the shutil that `self` is),
// all or nothing.
PyObject* copy2_whole(PyObject* shutil, PyObject* args) noexcept {
    PyObject* source = nullptr;
    PyObject* destination = nullptr;
    if (!PyArg_UnpackTuple(args, "copy2", 2, 2, &source, &destination)) return nullptr;
    try {
        Loc loc = Loc::current();
        copy_whole(attr(shutil, name::copy2, loc), source, destination, destination, loc);
        Py_INCREF(destination);
        return destination;
    } catch (const Error&) {
        return nullptr;
    } catch (const std::bad_alloc&) {
        PyErr_NoMemory();
        return nullptr;
    } catch (...) {
        PyErr_SetString(PyExc_SystemError, "unexpected C++ exception in a copy");
        return nullptr;
    }
}

PyMethodDef copy2_whole_def = {"copy2", reinterpret_cast<PyCFunction>(copy2_whole),
                               METH_VARARGS, nullptr};

// A directory that is no symbolic link: what shutil.move moves as a tree. Anything that is no
// path is left to shutil.move, to fail as it does.
bool is_tree(const Os& os, Handle path) {
    Object p = os.fspath(path);
    return p && truthy(os.call_path(name::isdir, {p}), os.loc) &&
           !truthy(os.call_path(name::islink, {p}), os.loc);
}

// `destination` lies inside `source` (shutil.move refuses to move a tree there).
bool lies_inside(const Os& os, Handle source, Handle destination) {
    Object outer = os.call_path(name::abspath, {source});
    Object inner = os.call_path(name::abspath, {destination});
    Object sep = separator_like(outer);
    if (!sep) fail(os.loc);
    if (!truthy(call_method(outer, name::endswith, {sep}, os.loc), os.loc))
        outer = add(outer, sep, os.loc);
    if (!truthy(call_method(inner, name::endswith, {sep}, os.loc), os.loc))
        inner = add(inner, sep, os.loc);
    return truthy(call_method(inner, name::startswith, {outer}, os.loc), os.loc);
}

}  // namespace

void copy_file_whole(Handle shutil, Handle source, Handle destination, Loc loc) {
    Object copy = attr(shutil, name::copy, loc);
    Os os(loc);
    // shutil.copy copies into a directory under the source's name
    Object target = Object::borrow(destination.get());
    if (truthy(os.call_path(name::isdir, {destination}), loc))
        target = os.join(destination, os.call_path(name::basename, {source}));
    copy_whole(copy, source, target, destination, loc);
}

void copy_tree_whole(Handle shutil, Handle source, Handle destination, bool symlinks, Loc loc) {
    Object copytree = attr(shutil, name::copytree, loc);
    Os os(loc);
    // copytree makes the destination itself and fails when it exists: so does this, first
    if (truthy(os.call_path(name::lexists, {destination}), loc))
        raise_errno(EEXIST, destination, loc);
    StagedTree tree(destination, loc);
    if (symlinks)
        call_kw(copytree, {source, tree.path()}, {{name::symlinks, Py_True}}, loc);
    else
        call(copytree, {source, tree.path()}, loc);
    tree.commit(loc);
}

// shutil.move's own steps for a tree, so that a copy across file systems is built beside its
// destination and put in place before the source is removed; every refusal is shutil.move's.
void move_whole(Handle shutil, Handle source, Handle destination, Loc loc) {
    Object move = attr(shutil, name::move, loc);
    Os os(loc);
    if (!is_tree(os, source)) {
        Object copy_function =
            Object::check(PyCFunction_NewEx(&copy2_whole_def, shutil.get(), nullptr), loc);
        call_kw(move, {source, destination}, {{name::copy_function, copy_function}}, loc);
        return;
    }
    Object real_destination = Object::borrow(destination.get());
    if (truthy(os.call_path(name::isdir, {destination}), loc)) {
        // (shutil.move's name for the source ignores trailing separators)
        Object stripped = os.without_trailing_separators(os.fspath(source));
        Object within = os.join(destination, os.call_path(name::basename, {stripped}));
        int error = 0;
        Object st = os.attempt(name::stat, {destination}, error);
        if ((st && os.same_file(source, st)) ||
            truthy(os.call_path(name::exists, {within}), loc)) {
            call(move, {source, destination}, loc);  // a rename in place, or shutil's refusal
            return;
        }
        real_destination = within;
    }
    int error = 0;
    if (os.attempt(name::rename, {source, real_destination}, error)) return;
    if (lies_inside(os, source, destination)) {
        call(move, {source, destination}, loc);  // shutil's own refusal
        return;
    }
    copy_tree_whole(shutil, source, real_destination, true, loc);
    call_method(shutil, name::rmtree, {source}, loc);
}

}  // namespace tk
