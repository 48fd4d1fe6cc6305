// replace.cpp: replacement files, staged trees and rolled-back appends (see replace.hpp).
// Everything goes through the interpreter's own `os`, never a module's rebindable global, so
// that the host's rules (str, bytes and path-like paths, errno, Windows) are those of Python.
#include "replace.hpp"

#include "replace_os.hpp"

#include <cerrno>
#include <utility>

namespace tk {

namespace {

namespace name = os_names;

// ---- undoing, with the pending exception set aside ------------------------------------------
// Undoing runs during the unwinding of a failed writer, so it must not raise: each call's error
// is dropped, and only C functions of `os` run (no Python code, which a second Ctrl-C could stop
// half-way).

// os.<function>(args...) with the interpreter's own os; nullptr, and no error, when it fails.
Object quietly(const Name& function, std::initializer_list<Handle> args) {
    Object os = Object::steal(PyImport_ImportModule("os"));
    Object f = os ? Object::steal(PyObject_GetAttr(os.get(), function.get())) : Object();
    Object arguments = f ? Object::steal(PyTuple_New(static_cast<Py_ssize_t>(args.size())))
                         : Object();
    Py_ssize_t i = 0;
    for (Handle a : args) {
        if (!arguments) break;
        Py_INCREF(a.get());
        PyTuple_SET_ITEM(arguments.get(), i++, a.get());
    }
    Object result = arguments ? Object::steal(PyObject_Call(f.get(), arguments.get(), nullptr))
                              : Object();
    if (!result) PyErr_Clear();
    return result;
}

// a + b for two texts or two bytes; nullptr (no error) when that fails.
Object joined(Handle a, Handle b) {
    Object r = Object::steal(PyNumber_Add(a.get(), b.get()));
    if (!r) PyErr_Clear();
    return r;
}

// Removes a tree that this process built, read-only directories included.
void remove_tree_quietly(Handle dir, Handle sep, int depth = 0) {
    Object mode = Object::steal(PyLong_FromLong(0700));
    if (mode) quietly(name::chmod, {dir, mode});
    Object names = quietly(name::listdir, {dir});
    Object prefix = joined(dir, sep);
    if (names && prefix && PyList_Check(names.get()) && depth < 256) {
        for (Py_ssize_t i = 0; i < PyList_GET_SIZE(names.get()); ++i) {
            Object entry = joined(prefix, PyList_GET_ITEM(names.get(), i));
            Object st = entry ? quietly(name::lstat, {entry}) : Object();
            if (st && file_type(st) == k_directory)
                remove_tree_quietly(entry, sep, depth + 1);
            else if (entry)
                quietly(name::unlink, {entry});
        }
    }
    quietly(name::rmdir, {dir});
}

// `path`, when it is `from` itself, renamed to `given`; nullptr otherwise.
Object caller_path_for(Handle path, Handle from, Handle given) {
    int same = PyObject_RichCompareBool(path.get(), from.get(), Py_EQ);
    if (same < 0) PyErr_Clear();
    return same > 0 ? Object::borrow(given.get()) : Object();
}

// Makes the exception name the caller's path where it named the temporary one: an OSError's
// file names, and the texts of shutil.Error's list of (source, destination, reason) triples
// (copytree gathers its errors there), where `prefix` stands for `from`.
void name_caller_path(PyObject* exc, Handle from, Handle given, Handle prefix) {
    if (PyObject_IsInstance(exc, PyExc_OSError) > 0) {
        for (const Name* field : {&name::filename, &name::filename2}) {
            Object v = Object::steal(PyObject_GetAttr(exc, field->get()));
            Object renamed = v ? caller_path_for(v, from, given) : Object();
            if (renamed && PyObject_SetAttr(exc, field->get(), renamed.get()) < 0) PyErr_Clear();
        }
    }
    PyErr_Clear();
    Object args = Object::steal(PyObject_GetAttr(exc, name::args.get()));
    if (!args || !PyTuple_Check(args.get()) || PyTuple_GET_SIZE(args.get()) < 1 || !prefix.get() ||
        !PyUnicode_Check(from.get()) || !PyUnicode_Check(prefix.get())) {
        PyErr_Clear();
        return;
    }
    PyObject* triples = PyTuple_GET_ITEM(args.get(), 0);
    if (!PyList_Check(triples)) return;
    Object renamed = Object::steal(PyList_New(PyList_GET_SIZE(triples)));
    for (Py_ssize_t i = 0; renamed && i < PyList_GET_SIZE(triples); ++i) {
        PyObject* item = PyList_GET_ITEM(triples, i);
        Object copy;
        if (PyTuple_Check(item)) {
            copy = Object::steal(PyTuple_New(PyTuple_GET_SIZE(item)));
            for (Py_ssize_t j = 0; copy && j < PyTuple_GET_SIZE(item); ++j) {
                PyObject* part = PyTuple_GET_ITEM(item, j);
                PyObject* out = PyUnicode_Check(part)
                                    ? PyUnicode_Replace(part, from.get(), prefix.get(), -1)
                                    : (Py_INCREF(part), part);
                if (!out) copy = Object();
                else PyTuple_SET_ITEM(copy.get(), j, out);
            }
        } else {
            copy = Object::borrow(item);
        }
        if (!copy) renamed = Object();
        else PyList_SET_ITEM(renamed.get(), i, copy.release());
    }
    Object rest = renamed ? Object::steal(PyTuple_GetSlice(args.get(), 1, PY_SSIZE_T_MAX))
                          : Object();
    Object head = rest ? Object::steal(PyTuple_Pack(1, renamed.get())) : Object();
    Object new_args = head ? Object::steal(PySequence_Concat(head.get(), rest.get())) : Object();
    if (!new_args || PyObject_SetAttr(exc, name::args.get(), new_args.get()) < 0) PyErr_Clear();
}

}  // namespace

// ---- Undo ------------------------------------------------------------------------------------
void Undo::arm(Kind kind, Object path, Object shown_as, Object given, Object prefix,
               long long size) {
    kind_ = kind;
    path_ = std::move(path);
    shown_as_ = std::move(shown_as);
    given_ = std::move(given);
    prefix_ = std::move(prefix);
    size_ = size;
}

void Undo::run() noexcept {
    Kind kind = std::exchange(kind_, Kind::none);
    if (kind == Kind::none) return;
    PyObject* exc = compat::take_exception();
    if (file_) {
        Object closed = Object::steal(
            PyObject_CallMethodObjArgs(file_.get(), name::close.get(), nullptr));
        PyErr_Clear();
        file_ = Object();
    }
    if (kind == Kind::remove_tree) {
        Object sep = separator_like(path_);
        if (sep) remove_tree_quietly(path_, sep);
    } else if (kind == Kind::cut_back) {
        Object size = Object::steal(PyLong_FromLongLong(size_));
        if (size) quietly(name::truncate, {path_, size});
    } else {
        quietly(name::unlink, {path_});
    }
    if (exc && shown_as_) name_caller_path(exc, shown_as_, given_, prefix_);
    PyErr_Clear();
    compat::give_exception(exc);
}

Undo::~Undo() { run(); }

// ---- Replacement -----------------------------------------------------------------------------
Replacement::Replacement(Handle destination, ReplaceOptions options, Loc loc)
    : destination_(Object::borrow(destination.get())), options_(options) {
    Os os(loc);
    Object path = os.fspath(destination);
    if (!path) return;  // a stream
    Resolved file = os.resolve(path);
    if (!file.usable) return;
    if (file.st) {
        if (file_type(file.st) != k_regular || os.int_of(file.st, name::st_nlink) > 1) return;
        if (options.source && os.same_file(options.source, file.st)) return;
        if (!os.opens_for_writing(file.target)) return;
    }
    auto [head, base] = os.split(file.target);
    int error = 0;
    // A new file is made as open() makes it; a replacement, for this process alone until it
    // has the old file's owner and mode (no one else may open it meanwhile and read on).
    Object temp = os.make_temp(head, base, false, file.st ? 0600 : 0666, destination, error);
    if (!temp) return;
    undo_.arm(Undo::Kind::remove_file, temp, temp, destination_, Object());
    if (file.st && !os.carry_over(file.target, file.st, temp, options.keep_mode)) {
        undo_.run();
        return;
    }
    target_ = std::move(file.target);
    temp_ = std::move(temp);
}

void Replacement::commit(Loc loc) {
    if (!temp_) return;
    Os os(loc);
    int error = 0;
    if (options_.sync && !os.sync_file(temp_, error)) raise_errno(error, destination_, loc);
    if (!os.attempt(name::replace, {temp_, target_}, error)) raise_errno(error, destination_, loc);
    undo_.disarm();
    if (options_.sync) os.sync_directory_of(target_);
}

// ---- AppendRollback --------------------------------------------------------------------------
AppendRollback::AppendRollback(Handle file_path, Loc loc) {
    Os os(loc);
    Object path = os.fspath(file_path);
    if (!path) return;
    Resolved file = os.resolve(path);
    if (!file.usable) return;
    if (file.st) {
        if (file_type(file.st) == k_regular)
            undo_.arm(Undo::Kind::cut_back, file.target, Object(), Object(), Object(),
                      os.int_of(file.st, name::st_size));
        return;
    }
    // Made here, so that a failed append knows the file is its own to remove.
    int error = 0;
    Object fd = os.attempt(name::open, {file.target, Object(integer(os.create_flags())),
                                        Object(integer(0666))}, error);
    if (!fd) return;  // the append's own open meets the same error, or the file now exists
    undo_.arm(Undo::Kind::remove_file, file.target, Object(), Object(), Object());
    os.call_os(name::close, {fd});
}

// ---- StagedTree ------------------------------------------------------------------------------
StagedTree::StagedTree(Handle destination, Loc loc)
    : destination_(Object::borrow(destination.get())) {
    Os os(loc);
    Object path = os.fspath(destination);
    if (!path) return;
    final_ = os.without_trailing_separators(path);
    auto [head, base] = os.split(final_);
    if (!truthy(base, loc)) return;
    int error = 0;
    Object holder = os.make_temp(head, base, true, 0700, destination, error);
    if (!holder) return;
    Object staging = os.join(holder, base);
    undo_.arm(Undo::Kind::remove_tree, holder, staging, destination_, final_);
    holder_ = std::move(holder);
    staging_ = std::move(staging);
}

void StagedTree::commit(Loc loc) {
    if (!staging_) return;
    Os os(loc);
    int error = 0;
    if (!os.attempt(name::rename, {staging_, final_}, error)) raise_errno(error, destination_, loc);
    undo_.disarm();
    quietly(name::rmdir, {holder_});
}

}  // namespace tk
