// compat.hpp: every difference between interpreter versions lives here and nowhere else.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>
#include <frameobject.h>
#if PY_VERSION_HEX < 0x030B0000
#include <longintrepr.h>
#endif

#include <cstddef>
#include <cstdint>

// The version of the headers this module is compiled against, as "major.minor".
#define TK_STR2(x) #x
#define TK_STR(x) TK_STR2(x)
#ifndef TALLOWKIT_BUILD_VERSION
#define TALLOWKIT_BUILD_VERSION TK_STR(PY_MAJOR_VERSION) "." TK_STR(PY_MINOR_VERSION)
#endif

// 3.6 declares PyMODINIT_FUNC without a visibility attribute, and we build with hidden
// visibility, so the entry point is exported explicitly.
#if defined(_WIN32)
#define TALLOWKIT_EXPORT __declspec(dllexport)
#else
#define TALLOWKIT_EXPORT __attribute__((visibility("default")))
#endif

namespace tk::compat {

// Older headers declare the names in method and getset tables as char*.
inline char* table_name(const char* s) { return const_cast<char*>(s); }

#if PY_VERSION_HEX >= 0x03080000
inline constexpr bool has_vectorcall = true;
using VectorcallSlot = vectorcallfunc;
#else
inline constexpr bool has_vectorcall = false;
using VectorcallSlot = void*;
using vectorcallfunc = PyObject* (*)(PyObject*, PyObject* const*, size_t, PyObject*);
#endif

// Positional count of a vectorcall (the high bit may carry the arguments-offset flag).
inline Py_ssize_t vectorcall_nargs(size_t nargsf) {
#if PY_VERSION_HEX >= 0x03080000
    return PyVectorcall_NARGS(nargsf);
#else
    return static_cast<Py_ssize_t>(nargsf);
#endif
}

// Calls `callable` with positional `args[0..nargs)` followed by the values of the keyword
// names in `kwnames` (a tuple of str or NULL), the interpreter's fast protocol where it has one.
inline PyObject* vectorcall(PyObject* callable, PyObject* const* args, Py_ssize_t nargs,
                            PyObject* kwnames) {
#if PY_VERSION_HEX >= 0x03090000
    return PyObject_Vectorcall(callable, args, static_cast<size_t>(nargs), kwnames);
#elif PY_VERSION_HEX >= 0x03080000
    return _PyObject_Vectorcall(callable, args, static_cast<size_t>(nargs), kwnames);
#else
    // the interpreter's own fast call of these versions (kwnames: unique exact str)
    return _PyObject_FastCallKeywords(callable, const_cast<PyObject**>(args), nargs, kwnames);
#endif
}

// Makes a type's instances callable through the fast protocol and bindable as methods
// without a temporary bound method.
inline void enable_vectorcall(PyTypeObject* type, Py_ssize_t slot_offset, ternaryfunc fallback) {
#if PY_VERSION_HEX >= 0x03080000
    (void)fallback;
    type->tp_vectorcall_offset = slot_offset;
    type->tp_call = PyVectorcall_Call;
#if PY_VERSION_HEX >= 0x03090000
    type->tp_flags |= Py_TPFLAGS_HAVE_VECTORCALL | Py_TPFLAGS_METHOD_DESCRIPTOR;
#else
    type->tp_flags |= _Py_TPFLAGS_HAVE_VECTORCALL | Py_TPFLAGS_METHOD_DESCRIPTOR;
#endif
#else
    (void)slot_offset;
    type->tp_call = fallback;
#endif
}

inline void set_vectorcall(VectorcallSlot* slot, vectorcallfunc f) {
#if PY_VERSION_HEX >= 0x03080000
    *slot = f;
#else
    *slot = reinterpret_cast<void*>(f);
#endif
}

inline PyInterpreterState* current_interpreter() {
#if PY_VERSION_HEX >= 0x03090000
    return PyInterpreterState_Get();
#else
    return PyThreadState_Get()->interp;
#endif
}

// A code object that carries a function's names, argument count and local variable names;
// it holds no bytecode.
inline PyObject* make_code(int argcount, PyObject* varnames, PyObject* filename, PyObject* name,
                           PyObject* qualname, int firstlineno) {
    PyObject* empty_bytes = PyBytes_FromStringAndSize("", 0);
    PyObject* empty_tuple = PyTuple_New(0);
    PyObject* code = nullptr;
    if (empty_bytes && empty_tuple) {
        int nlocals = static_cast<int>(PyTuple_GET_SIZE(varnames));
        int flags = CO_OPTIMIZED | CO_NEWLOCALS;
#if PY_VERSION_HEX >= 0x030C0000
        code = reinterpret_cast<PyObject*>(PyUnstable_Code_New(
            argcount, 0, nlocals, 0, flags, empty_bytes, empty_tuple, empty_tuple, varnames,
            empty_tuple, empty_tuple, filename, name, qualname, firstlineno, empty_bytes,
            empty_bytes));
#elif PY_VERSION_HEX >= 0x030B0000
        code = reinterpret_cast<PyObject*>(PyCode_New(
            argcount, 0, nlocals, 0, flags, empty_bytes, empty_tuple, empty_tuple, varnames,
            empty_tuple, empty_tuple, filename, name, qualname, firstlineno, empty_bytes,
            empty_bytes));
#elif PY_VERSION_HEX >= 0x03080000
        (void)qualname;
        code = reinterpret_cast<PyObject*>(PyCode_NewWithPosOnlyArgs(
            argcount, 0, 0, nlocals, 0, flags, empty_bytes, empty_tuple, empty_tuple, varnames,
            empty_tuple, empty_tuple, filename, name, firstlineno, empty_bytes));
#else
        (void)qualname;
        code = reinterpret_cast<PyObject*>(PyCode_New(
            argcount, 0, nlocals, 0, flags, empty_bytes, empty_tuple, empty_tuple, varnames,
            empty_tuple, empty_tuple, filename, name, firstlineno, empty_bytes));
#endif
    }
    Py_XDECREF(empty_bytes);
    Py_XDECREF(empty_tuple);
    return code;
}

// Sets the pending exception aside while other C API calls run, then puts it back
// (dropping any exception those calls raised).
class ErrorStash {
public:
#if PY_VERSION_HEX >= 0x030C0000
    ErrorStash() : exc_(PyErr_GetRaisedException()) {}
    void restore() {
        PyErr_Clear();
        PyErr_SetRaisedException(exc_);
        exc_ = nullptr;
    }
#else
    ErrorStash() { PyErr_Fetch(&type_, &exc_, &tb_); }
    void restore() {
        PyErr_Clear();
        PyErr_Restore(type_, exc_, tb_);
        type_ = exc_ = tb_ = nullptr;
    }
#endif
    ErrorStash(const ErrorStash&) = delete;
    ErrorStash& operator=(const ErrorStash&) = delete;

private:
#if PY_VERSION_HEX < 0x030C0000
    PyObject* type_ = nullptr;
    PyObject* tb_ = nullptr;
#endif
    PyObject* exc_ = nullptr;
};

// The pending exception as one object (a new reference; nullptr when none is pending), with
// the error indicator cleared; give_exception puts such an object back, stealing it.
inline PyObject* take_exception() {
#if PY_VERSION_HEX >= 0x030C0000
    return PyErr_GetRaisedException();
#else
    PyObject *type, *value, *tb;
    PyErr_Fetch(&type, &value, &tb);
    if (!type) return nullptr;
    PyErr_NormalizeException(&type, &value, &tb);
    if (tb && value) PyException_SetTraceback(value, tb);
    Py_XDECREF(type);
    Py_XDECREF(tb);
    return value;
#endif
}
inline void give_exception(PyObject* exc) {
#if PY_VERSION_HEX >= 0x030C0000
    PyErr_SetRaisedException(exc);
#else
    if (!exc) return;
    PyObject* type = reinterpret_cast<PyObject*>(Py_TYPE(exc));
    Py_INCREF(type);
    PyErr_Restore(type, exc, PyException_GetTraceback(exc));
#endif
}

// The value of an exact int small enough to be held in one internal digit (30 bits), read
// without a call; false for larger ints.
inline bool small_int_value(PyObject* o, long long* out) {
#if PY_VERSION_HEX >= 0x030C0000
    auto* v = reinterpret_cast<PyLongObject*>(o);
    if (!PyUnstable_Long_IsCompact(v)) return false;
    *out = static_cast<long long>(PyUnstable_Long_CompactValue(v));
    return true;
#else
    Py_ssize_t size = Py_SIZE(o);
    if (size == 0) {  // zero has no digit at all
        *out = 0;
        return true;
    }
    if (size != 1 && size != -1) return false;
    *out = size * static_cast<long long>(reinterpret_cast<PyLongObject*>(o)->ob_digit[0]);
    return true;
#endif
}

// ---- change stamps of watched dicts --------------------------------------------------------
// The frame caches lookups in dicts that rarely change (module globals, builtins, the dicts of
// imported modules). A cached entry keeps the stamp of its dict(s) and is used only while the
// stamp is unchanged; every change of a watched dict (set, delete, clear, update, dealloc)
// changes the stamp before anyone can read the dict again.
using DictStamp = std::uint64_t;

#if PY_VERSION_HEX >= 0x030C0000
// Dict watchers: one watcher per interpreter, shared by every tallowkit library through the
// interpreter's own state dict (an interpreter has only a few watcher ids), counting the
// changes of every dict that any of them watches.
struct SharedDictWatch {
    int id;            // the watcher id, or -1 when the interpreter had none left
    DictStamp epoch;   // changes of the watched dicts so far
};
inline SharedDictWatch*& shared_dict_watch_slot() {
    static SharedDictWatch* shared = nullptr;
    return shared;
}
inline int count_dict_change(PyDict_WatchEvent, PyObject*, PyObject*, PyObject*) {
    ++shared_dict_watch_slot()->epoch;
    return 0;
}
// The shared watcher, found or made on first use; nullptr only when that failed.
inline SharedDictWatch* shared_dict_watch() {
    SharedDictWatch*& shared = shared_dict_watch_slot();
    if (shared) return shared;
    static const char key[] = "tallowkit.frame.dict_watch.v1";
    PyObject* state = PyInterpreterState_GetDict(PyInterpreterState_Get());
    if (!state) return nullptr;
    if (PyObject* found = PyDict_GetItemString(state, key)) {
        shared = static_cast<SharedDictWatch*>(PyCapsule_GetPointer(found, key));
        if (!shared) PyErr_Clear();
        return shared;
    }
    // never freed: libraries are never unloaded, and the callback lives in this one
    auto* made = new SharedDictWatch{-1, 0};
    shared = made;
    made->id = PyDict_AddWatcher(count_dict_change);
    if (made->id < 0) PyErr_Clear();
    PyObject* capsule = PyCapsule_New(made, key, nullptr);
    if (!capsule || PyDict_SetItemString(state, key, capsule) < 0) PyErr_Clear();
    Py_XDECREF(capsule);
    return made;
}
// Starts watching `dict`; false when changes of it cannot be seen (then nothing is cached).
inline bool watch_dict(PyObject* dict) {
    SharedDictWatch* w = shared_dict_watch();
    if (!w || w->id < 0) return false;
    if (PyDict_Watch(w->id, dict) < 0) {
        PyErr_Clear();
        return false;
    }
    return true;
}
inline DictStamp dict_stamp(PyObject*) {
    const SharedDictWatch* w = shared_dict_watch_slot();
    return w ? w->epoch : 0;   // without a watcher nothing is ever cached
}
#else
// Version tags: every change of any dict gives it a new, process-wide unique version.
inline bool watch_dict(PyObject*) { return true; }
inline DictStamp dict_stamp(PyObject* dict) {
    return reinterpret_cast<PyDictObject*>(dict)->ma_version_tag;
}
#endif

// Sets the item count of a list (or another variable-size object) that its owner fills.
inline void set_size(PyObject* o, Py_ssize_t n) {
#if PY_VERSION_HEX >= 0x03090000
    Py_SET_SIZE(reinterpret_cast<PyVarObject*>(o), n);
#else
    Py_SIZE(o) = n;
#endif
}

// The running interpreter's "major.minor", e.g. "3.11"; at most `size - 1` characters.
inline void runtime_version(char* out, size_t size) {
    const char* v = Py_GetVersion();
    size_t n = 0;
    int dots = 0;
    while (v[n] && n + 1 < size) {
        if (v[n] == '.' && ++dots == 2) break;
        if (v[n] != '.' && (v[n] < '0' || v[n] > '9')) break;
        out[n] = v[n];
        ++n;
    }
    out[n] = '\0';
}

}  // namespace tk::compat
