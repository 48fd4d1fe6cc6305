// replace_os.cpp: the steps of a replacement that ask the host (see replace_os.hpp).
#include "replace_os.hpp"

#include <cerrno>
#include <cstdio>
#include <random>

namespace tk {

namespace name = os_names;

long long file_type(Handle st) {
    Object mode = Object::steal(PyObject_GetAttr(st.get(), name::st_mode.get()));
    long long v = mode ? PyLong_AsLongLong(mode.get()) : -1;
    if (v == -1) {
        PyErr_Clear();
        return -1;
    }
    return v & k_type_mask;
}

void raise_errno(int error, Handle path, Loc loc) {
    errno = error;
    PyErr_SetFromErrnoWithFilenameObject(PyExc_OSError, path.get());
    fail(loc);
}

namespace {

// a full disk, or a full quota where the host has them (Windows has no EDQUOT)
bool out_of_space(int error) {
#ifdef EDQUOT
    if (error == EDQUOT) return true;
#endif
    return error == ENOSPC;
}

// True when the pending exception is an OSError: it is cleared and its errno stored.
bool take_os_error(int& error) {
    if (!PyErr_ExceptionMatches(PyExc_OSError)) return false;
    PyObject* exc = compat::take_exception();
    error = EIO;
    if (exc) {
        PyObject* e = PyObject_GetAttr(exc, os_names::errno_.get());
        if (e && PyLong_Check(e)) error = static_cast<int>(PyLong_AsLong(e));
        Py_XDECREF(e);
        Py_DECREF(exc);
    }
    PyErr_Clear();
    return true;
}

// Eight hex digits that another process is unlikely to pick at the same moment (a name that
// is taken anyway is met by O_EXCL, and another is drawn).
void random_hex(char (&out)[9]) {
    thread_local std::mt19937 draw{std::random_device{}()};
    std::snprintf(out, sizeof out, "%08x", static_cast<unsigned>(draw()));
}

// "." + base + "." + hex + ".tmp", as str or bytes like `base`.
Object temp_name(Handle base, Loc loc) {
    char hex[9];
    random_hex(hex);
    if (PyBytes_Check(base.get()))
        return Object::check(
            PyBytes_FromFormat(".%s.%s.tmp", PyBytes_AS_STRING(base.get()), hex), loc);
    return Object::check(PyUnicode_FromFormat(".%U.%s.tmp", base.get(), hex), loc);
}

}  // namespace

Os::Os(Loc l) : loc(l), os_(Object::check(PyImport_ImportModule("os"), l)) {
    path_ = attr(os_, name::path, l);
}

Object Os::call_os(const Name& function, std::initializer_list<Handle> args) const {
    return call(attr(os_, function, loc), args, loc);
}

Object Os::call_path(const Name& function, std::initializer_list<Handle> args) const {
    return call(attr(path_, function, loc), args, loc);
}

Object Os::attempt(const Name& function, std::initializer_list<Handle> args, int& error) const {
    try {
        return call_os(function, args);
    } catch (const Error&) {
        if (!take_os_error(error)) throw;
        return Object();
    }
}

Object Os::optional(const Name& function) const {
    PyObject* f = PyObject_GetAttr(os_.get(), function.get());
    if (!f) {
        if (!PyErr_ExceptionMatches(PyExc_AttributeError)) fail(loc);
        PyErr_Clear();
    }
    return Object::steal(f);
}

Object Os::fspath(Handle o) const {
    PyObject* p = PyOS_FSPath(o.get());
    if (!p) {
        if (!PyErr_ExceptionMatches(PyExc_TypeError)) fail(loc);
        PyErr_Clear();
    }
    return Object::steal(p);
}

long long Os::int_of(Handle o, const Name& field) const {
    Object v = attr(o, field, loc);
    long long x = PyLong_AsLongLong(v.get());
    if (x == -1 && PyErr_Occurred()) fail(loc);
    return x;
}

std::pair<Object, Object> Os::split(Handle path) const {
    Object parts = call_path(name::split, {path});
    Object head = getitem(parts, Object(integer(0, loc)), loc);
    return {head, getitem(parts, Object(integer(1, loc)), loc)};
}

Object separator_like(Handle path) noexcept {
    Object os = Object::steal(PyImport_ImportModule("os"));
    Object sep = os ? Object::steal(PyObject_GetAttr(os.get(), name::sep.get())) : Object();
    if (sep && PyBytes_Check(path.get()))
        sep = Object::steal(PyUnicode_AsEncodedString(sep.get(), "ascii", nullptr));
    if (!sep) PyErr_Clear();
    return sep;
}

Object Os::without_trailing_separators(Handle path) const {
    Object seps = Object::check(PyObject_GetAttr(os_.get(), name::sep.get()), loc);
    Object alt = attr(os_, name::altsep, loc);
    if (!is_none(alt)) seps = add(seps, alt, loc);
    if (PyBytes_Check(path.get()))
        seps = Object::check(PyUnicode_AsEncodedString(seps.get(), "ascii", nullptr), loc);
    Object stripped = call_method(path, name::rstrip, {seps}, loc);
    return truthy(stripped, loc) ? stripped : Object::borrow(path.get());
}

bool Os::on_proc(Handle dir) const {
    int error = 0;
    Object here = attempt(name::stat, {truthy(dir, loc) ? dir : attr(path_, name::curdir, loc)},
                          error);
    Object proc = attempt(name::stat, {name::proc}, error);
    return here && proc && int_of(here, name::st_dev) == int_of(proc, name::st_dev);
}

Resolved Os::resolve(Handle path) const {
    Object target = Object::borrow(path.get());
    for (int hops = 0; hops < 40; ++hops) {
        int error = 0;
        Object st = attempt(name::lstat, {target}, error);
        if (!st) return {target, Object(), error == ENOENT};
        if (file_type(st) != k_link) return {target, st, true};
        auto [head, tail] = split(target);
        if (on_proc(head)) return {};
        Object link = attempt(name::readlink, {target}, error);
        if (!link) return {};
        target = join(head, link);
    }
    return {};
}

bool Os::same_file(Handle other, Handle st) const {
    int error = 0;
    Object theirs = attempt(name::stat, {other}, error);
    return theirs && int_of(theirs, name::st_dev) == int_of(st, name::st_dev) &&
           int_of(theirs, name::st_ino) == int_of(st, name::st_ino);
}

long long Os::create_flags() const {
    long long flags = int_of(os_, name::O_WRONLY) | int_of(os_, name::O_CREAT) |
                      int_of(os_, name::O_EXCL);
    for (const Name* optional_flag : {&name::O_CLOEXEC, &name::O_BINARY})
        if (Object f = optional(*optional_flag)) flags |= int_of(os_, *optional_flag);
    return flags;
}

bool Os::opens_for_writing(Handle target) const {
    long long flags = int_of(os_, name::O_WRONLY);
    if (Object f = optional(name::O_CLOEXEC)) flags |= int_of(os_, name::O_CLOEXEC);
    int error = 0;
    Object fd = attempt(name::open, {target, Object(integer(flags, loc))}, error);
    if (fd) call_os(name::close, {fd});
    return bool(fd);
}

Object Os::make_temp(Handle dir, Handle base, bool directory, long long mode,
                     Handle destination, int& error) const {
    Object flags = integer(create_flags(), loc);
    Object permissions = integer(mode, loc);
    Object name_base = Object::borrow(base.get());
    for (int tries = 0; tries < 100; ++tries) {
        Object temp = join(dir, temp_name(name_base, loc));
        Object made = directory ? attempt(name::mkdir, {temp, permissions}, error)
                                : attempt(name::open, {temp, flags, permissions}, error);
        if (made) {
            if (!directory) call_os(name::close, {made});
            return temp;
        }
        if (error == ENAMETOOLONG && PyObject_Length(name_base.get()) > 2) {
            // a name near the longest allowed: a short one instead
            name_base = Object::check(PyBytes_Check(base.get()) ? PyBytes_FromString("tk")
                                                                : PyUnicode_FromString("tk"),
                                      loc);
            continue;
        }
        if (out_of_space(error)) raise_errno(error, destination, loc);
        if (error != EEXIST) return Object();
    }
    return Object();
}

bool Os::carry_over(Handle target, Handle st, Handle temp, bool keep_mode) const {
    int error = 0;
    if (optional(name::chown)) {
        Object ours = call_os(name::stat, {temp});
        long long uid = int_of(st, name::st_uid), gid = int_of(st, name::st_gid);
        if ((int_of(ours, name::st_uid) != uid || int_of(ours, name::st_gid) != gid) &&
            !attempt(name::chown, {temp, Object(integer(uid, loc)), Object(integer(gid, loc))},
                     error))
            return false;
    }
    if (optional(name::listxattr)) {
        // ACLs and other attributes; one that cannot be set here is left behind, as cp -a does
        Object names = attempt(name::listxattr, {target}, error);
        if (names)
            for (Object n : iterate(names, loc))
                if (Object value = attempt(name::getxattr, {target, n}, error))
                    attempt(name::setxattr, {temp, n, value}, error);
    }
    return !keep_mode ||
           attempt(name::chmod, {temp, Object(integer(int_of(st, name::st_mode) & 07777, loc))},
                   error);
}

bool Os::sync_file(Handle path, int& error) const {
    long long flags = int_of(os_, name::O_RDONLY);
    if (Object f = optional(name::O_BINARY)) flags |= int_of(os_, name::O_BINARY);
    Object fd = attempt(name::open, {path, Object(integer(flags, loc))}, error);
    if (!fd) return false;
    bool synced = bool(attempt(name::fsync, {fd}, error));
    call_os(name::close, {fd});
    return synced;
}

void Os::sync_directory_of(Handle path) const {
    auto [head, tail] = split(path);
    Object dir = truthy(head, loc) ? head : attr(path_, name::curdir, loc);
    int error = 0;
    Object fd = attempt(name::open, {dir, Object(integer(int_of(os_, name::O_RDONLY), loc))},
                        error);
    if (!fd) return;
    attempt(name::fsync, {fd}, error);
    call_os(name::close, {fd});
}

}  // namespace tk
